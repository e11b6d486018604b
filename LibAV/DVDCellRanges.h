#pragma once
// The cells of a chapter range checked against the titleset's VOB files
// before anything is sized from them. An IFO may claim any sector range
// (damage, a crafted disc, a copy whose VOBs were cut short); only sectors
// the files really hold are kept, and what was dropped or clipped is said.
#include "LibAV/DVDTitleLayout.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vidrelo::dvddec {

struct DVDCellRanges {
    std::vector<DVDCell> cells;       // the kept cells, each within the files
    std::vector<std::string> notes;   // one sentence per cell dropped or clipped
    int64_t lostSectors = 0;          // sectors claimed but not in the files
    double lostSeconds = 0;           // their share of the cells' playback time
};

// `cells` in playing order; `vobSectors` is how many sectors the titleset's
// title VOBs hold together.
DVDCellRanges CheckCellRanges(const std::vector<DVDCell>& cells, int64_t vobSectors);

}  // namespace vidrelo::dvddec
