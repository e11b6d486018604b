#pragma once
// An opened DVD-Video disc (device, VIDEO_TS folder or its parent, or ISO
// image): its title table and, per title, what the titleset IFO says about
// it. Opening checks what would otherwise fail later and less clearly: an
// image cut short and a disc whose sectors come back scrambled.
#include "LibAV/DVDBackupCopies.h"
#include "LibAV/DVDDiscChecks.h"
#include "LibAV/DVDIfoCheck.h"
#include "LibAV/DVDReader.h"
#include "LibAV/DVDTitleLayout.h"

#include <map>
#include <memory>
#include <string>

struct TDVDTitleInfo;

namespace vidrelo::dvddec {

class DVDDisc {
public:
    // Null, with a sentence for the user in `error`, when `path` holds no
    // readable DVD-Video disc. An image cut short opens while a titleset is
    // intact; `error` then says where it ends.
    static std::unique_ptr<DVDDisc> Open(const std::string& path, std::string& error);

    int TitleCount() const;
    // Title `number` (1-based) of the title table: its layout and titleset.
    bool Title(int number, DVDTitleLayout& layout, int& titleset, std::string& error);
    // The record of the zero-based title `index`.
    bool Describe(int index, TDVDTitleInfo& info, std::string& error);

    DVDReader& Reader() { return *reader_; }

private:
    DVDDisc(std::unique_ptr<DVDReader> reader, std::unique_ptr<DVDBackupCopies> backups, IfoPtr vmg,
            DVDIfoVerdict verdict)
        : reader_(std::move(reader)), backups_(std::move(backups)), vmg_(std::move(vmg)),
          verdict_(std::move(verdict)) {}
    // The titleset's IFO, opened once; null when it cannot be read.
    const ifo_handle_t* Titleset(int titleset);

    // The readers outlive the IFOs opened through them (members go in
    // reverse order).
    std::unique_ptr<DVDReader> reader_;
    std::unique_ptr<DVDBackupCopies> backups_;  // the BUPs read instead of crashing IFOs
    IfoPtr vmg_;
    DVDIfoVerdict verdict_;
    std::map<int, IfoPtr> titlesets_;
    DVDCutImage cutImage_;  // an image cut short: its titles past the end are refused
};

}  // namespace vidrelo::dvddec
