#pragma once
// Checks made when a disc is opened, each giving the sentence the user sees
// ("" when all is well): a path without a video manager, an image cut short,
// a disc whose sectors are still CSS-scrambled.
#include "LibAV/DVDReader.h"

#include <set>
#include <string>

namespace vidrelo::dvddec {

// Why the reader's path, opened but without a readable VIDEO_TS.IFO, is not
// a DVD-Video disc.
std::string NoVideoManagerText(const DVDReader& reader);

// The video manager's IFO and its BUP are both so damaged that libdvdread
// cannot read them safely.
std::string DamagedVideoManagerText(const DVDReader& reader);

// An image file whose titleset VOBs reach past its end (a download or copy
// that stopped half way). Devices and folders are not checked.
struct DVDCutImage {
    std::string text;         // where the image ends and what is intact; "" when whole
    std::set<int> cut;        // the titlesets whose video the image does not hold whole
    int titlesets = 0;
    bool AnyIntact() const { return static_cast<int>(cut.size()) < titlesets; }
};
DVDCutImage CheckCutImage(const DVDReader& reader, const ifo_handle_t& vmg);

// The first packs of the titleset's VOBs carry CSS-scrambled data: libdvdread
// could not decrypt them (without libdvdcss it never can).
std::string ScrambledText(const DVDReader& reader, int titleset);

}  // namespace vidrelo::dvddec
