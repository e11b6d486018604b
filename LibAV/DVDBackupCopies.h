#pragma once
// The backup copies (.BUP) of chosen information files, read through their
// own libdvdread reader. libdvdread reads a titleset's BUP only when its IFO
// is missing or fails its first checks; an IFO that instead crashes it must
// be kept away from it. So the BUPs are copied, byte for byte through the
// disc's reader (a folder, an image or a drive alike), into a private folder
// without the IFOs, and that folder is opened as a second disc.
#include "LibAV/DVDReader.h"

#include <memory>
#include <set>
#include <string>

namespace vidrelo::dvddec {

class DVDBackupCopies {
public:
    // Null, with a sentence in `error`, when the copies cannot be made.
    // `titlesets` holds titleset numbers, 0 for the video manager.
    static std::unique_ptr<DVDBackupCopies> Make(const DVDReader& disc, const std::set<int>& titlesets,
                                                 std::string& error);
    ~DVDBackupCopies();
    DVDBackupCopies(const DVDBackupCopies&) = delete;
    DVDBackupCopies& operator=(const DVDBackupCopies&) = delete;

    // The titleset's IFO as its BUP describes it; null when libdvdread
    // refuses it. Close every one before this object goes.
    IfoPtr OpenIfo(int titleset) const { return reader_->OpenIfo(titleset); }

private:
    explicit DVDBackupCopies(std::string folder) : folder_(std::move(folder)) {}

    std::string folder_;
    std::unique_ptr<DVDReader> reader_;
};

}  // namespace vidrelo::dvddec
