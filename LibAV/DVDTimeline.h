#pragma once
// The title source's clock: where each cell of the chapter range starts on
// the output clock, so timestamps run on from 0 across cells and across VOBs
// whose clocks start over.
//
// A cell spans its first VOBU's start (vobu_s_ptm of the navigation pack at
// its first sector) to its last VOBU's end (vobu_e_ptm of the navigation
// pack at last_vobu_start_sector). The output clock of a cell starts where
// the previous cells' spans end; a timestamp t of the cell maps to
//   t - vobuStart + outStart,  outStart = lead + the previous cells' spans.
// The lead keeps the video decoded before the first VOBU's start (a DTS a
// frame or two early) from going negative. Audio is not counted: a range
// that starts mid-VOB carries audio of the chapter before it, delivered
// ahead of its video, which the rewriter drops rather than shift the whole
// range for it. Cells are measured when first needed, so opening reads only
// the first cell.
#include "LibAV/DVDTitleLayout.h"

#include <dvdread/dvd_reader.h>

#include <cstdint>
#include <vector>

namespace vidrelo::dvddec {

struct DVDCellClock {
    uint64_t vobuStart = 0;  // disc clock at the cell's start
    int64_t outStart = 0;    // output clock at the cell's start, lead included
    int64_t span = 0;        // 90 kHz ticks the cell lasts
    int64_t scrLow = 0;      // the SCRs of the cell stay within [scrLow, scrLow + span],
                             // so they never decrease from one cell to the next

    // A PTS or DTS of the cell on the output clock; negative for what lies
    // before the start of the range.
    int64_t Map(uint64_t t) const;
    int64_t MapScr(uint64_t scr) const;
    // An SCR for a sector standing in for a damaged one, `fraction` of the
    // way through the cell.
    int64_t ScrAt(double fraction) const;
};

class DVDTimeline {
public:
    // `vobs` must outlive the timeline. Measures the first cell and the lead.
    DVDTimeline(std::vector<DVDCell> cells, dvd_file_t* vobs);

    int64_t Lead() const { return lead_; }
    const DVDCellClock& Clock(std::size_t cell);

private:
    struct Span {
        uint64_t start = 0;
        int64_t length = 0;
    };
    Span Measure(const DVDCell& cell);
    bool ReadSector(uint32_t sector);
    // The earliest video PTS or DTS among the packs of the VOBU starting at
    // `first` (up to `last`).
    bool EarliestVideoTimestamp(uint32_t first, uint32_t last, uint64_t& earliest);

    std::vector<DVDCell> cells_;
    dvd_file_t* vobs_;
    std::vector<DVDCellClock> clocks_;
    std::vector<uint8_t> sector_;
    int64_t lead_ = 0;
};

}  // namespace vidrelo::dvddec
