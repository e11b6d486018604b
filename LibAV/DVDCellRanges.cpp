#include "LibAV/DVDCellRanges.h"

#include <algorithm>

namespace vidrelo::dvddec {

namespace {

std::string CellName(std::size_t index, const DVDCell& cell)
{
    return "Cell " + std::to_string(index + 1) + " of the chapters (sectors " + std::to_string(cell.firstSector) +
           " to " + std::to_string(cell.lastSector) + ")";
}

}  // namespace

DVDCellRanges CheckCellRanges(const std::vector<DVDCell>& cells, int64_t vobSectors)
{
    DVDCellRanges r;
    const std::string files = " the titleset's video files (" + std::to_string(std::max<int64_t>(vobSectors, 0)) +
                              " sectors)";
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const DVDCell& cell = cells[i];
        if (cell.firstSector > cell.lastSector) {
            r.notes.push_back(CellName(i, cell) + " ends before it starts: left out.");
            r.lostSeconds += cell.seconds;
            continue;
        }
        // 64-bit: a cell over the whole 32-bit range holds 2^32 sectors.
        const int64_t claimed = int64_t{cell.lastSector} - cell.firstSector + 1;
        if (cell.firstSector >= vobSectors) {
            r.notes.push_back(CellName(i, cell) + " lies past the end of" + files + ": left out.");
            r.lostSectors += claimed;
            r.lostSeconds += cell.seconds;
            continue;
        }
        DVDCell kept = cell;
        if (cell.lastSector >= vobSectors) {
            kept.lastSector = static_cast<uint32_t>(vobSectors - 1);
            const int64_t cut = claimed - (int64_t{kept.lastSector} - kept.firstSector + 1);
            r.notes.push_back(CellName(i, cell) + " runs past the end of" + files + ": its last " +
                              std::to_string(cut) + " sectors are left out.");
            r.lostSectors += cut;
            r.lostSeconds += cell.seconds * static_cast<double>(cut) / static_cast<double>(claimed);
        }
        r.cells.push_back(kept);
    }
    return r;
}

}  // namespace vidrelo::dvddec
