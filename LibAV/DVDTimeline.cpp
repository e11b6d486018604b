#include "LibAV/DVDTimeline.h"

#include "LibAV/DVDMpegPack.h"

#include <dvdread/nav_read.h>

#include <algorithm>
#include <cmath>

namespace vidrelo::dvddec {

namespace {

constexpr int64_t kMaxLead = 90000;     // one second
constexpr uint32_t kScanSectors = 256;  // how far into a cell its first timestamps are looked for
constexpr int kPciBytes = 0x3D3;        // PCI payload after the substream byte

// The PCI of a navigation pack; false when the sector is not one.
bool ReadPci(uint8_t* sector, pci_t& pci)
{
    uint8_t* data = nullptr;
    const bool pack = ForEachPes(sector, [&](PesPacket& pes) {
        if (!data && pes.streamId == 0xBF && pes.size >= 7 + kPciBytes && pes.data[6] == 0x00)
            data = pes.data + 7;
    });
    if (!pack || !data)
        return false;
    navRead_PCI(&pci, data);
    return true;
}

bool IsNavPack(uint8_t* sector)
{
    pci_t pci;
    return ReadPci(sector, pci);
}

}  // namespace

int64_t DVDCellClock::Map(uint64_t t) const
{
    return outStart + ClockDiff(t, vobuStart);
}

int64_t DVDCellClock::MapScr(uint64_t scr) const
{
    return std::clamp(Map(scr), scrLow, scrLow + span);
}

int64_t DVDCellClock::ScrAt(double fraction) const
{
    return scrLow + static_cast<int64_t>(std::clamp(fraction, 0.0, 1.0) * static_cast<double>(span));
}

DVDTimeline::DVDTimeline(std::vector<DVDCell> cells, dvd_file_t* vobs)
    : cells_(std::move(cells)), vobs_(vobs), sector_(kPackSize)
{
    if (cells_.empty())
        return;
    const Span first = Measure(cells_[0]);
    DVDCellClock clock;
    clock.vobuStart = first.start;
    clock.span = first.length;
    // What the first VOBU decodes before its start.
    uint64_t earliest = 0;
    const DVDCell& cell = cells_[0];
    if (EarliestVideoTimestamp(cell.firstSector, std::min(cell.lastSector, cell.firstSector + kScanSectors),
                               earliest))
        lead_ = std::clamp<int64_t>(-ClockDiff(earliest, first.start), 0, kMaxLead);
    clock.outStart = lead_;
    clocks_.push_back(clock);
}

const DVDCellClock& DVDTimeline::Clock(std::size_t cell)
{
    static const DVDCellClock kNoCells;
    if (cells_.empty())
        return kNoCells;
    cell = std::min(cell, cells_.size() - 1);
    while (clocks_.size() <= cell) {
        const DVDCellClock& previous = clocks_.back();
        const Span span = Measure(cells_[clocks_.size()]);
        DVDCellClock next;
        next.vobuStart = span.start;
        next.span = span.length;
        next.outStart = previous.outStart + previous.span;
        next.scrLow = previous.scrLow + previous.span;
        clocks_.push_back(next);
    }
    return clocks_[cell];
}

DVDTimeline::Span DVDTimeline::Measure(const DVDCell& cell)
{
    Span span;
    span.length = std::llround(cell.seconds * 90000.0);
    pci_t pci;
    const bool haveStart = ReadSector(cell.firstSector) && ReadPci(sector_.data(), pci);
    if (haveStart) {
        span.start = pci.pci_gi.vobu_s_ptm;
    } else {
        // No navigation pack: the cell's first video timestamp and the IFO's playback time.
        EarliestVideoTimestamp(cell.firstSector, std::min(cell.lastSector, cell.firstSector + kScanSectors),
                               span.start);
        return span;
    }
    const bool lastInCell = cell.lastVobuStartSector >= cell.firstSector && cell.lastVobuStartSector <= cell.lastSector;
    if (lastInCell && ReadSector(cell.lastVobuStartSector) && ReadPci(sector_.data(), pci)) {
        const int64_t length = ClockDiff(pci.pci_gi.vobu_e_ptm, span.start);
        if (length > 0)
            span.length = length;
    }
    return span;
}

bool DVDTimeline::ReadSector(uint32_t sector)
{
    return DVDReadBlocks(vobs_, static_cast<int>(sector), 1, sector_.data()) == 1;
}

bool DVDTimeline::EarliestVideoTimestamp(uint32_t first, uint32_t last, uint64_t& earliest)
{
    bool found = false;
    auto consider = [&](uint64_t t) {
        if (!found || ClockDiff(t, earliest) < 0)
            earliest = t;
        found = true;
    };
    for (uint32_t s = first; s <= last; ++s) {
        if (!ReadSector(s))
            continue;
        if (s > first && IsNavPack(sector_.data()))
            break;  // the next VOBU
        ForEachPes(sector_.data(), [&](PesPacket& pes) {
            if (pes.streamId != 0xE0)
                return;
            if (pes.ptsOffset)
                consider(ReadTimestamp(pes.data + pes.ptsOffset));
            if (pes.dtsOffset)
                consider(ReadTimestamp(pes.data + pes.dtsOffset));
        });
    }
    return found;
}

}  // namespace vidrelo::dvddec
