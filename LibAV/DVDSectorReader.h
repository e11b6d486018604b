#pragma once
// Reads runs of sectors from a titleset's VOBs. A run that fails is tried
// once more, then sector by sector, so a damaged sector costs only itself;
// inside a stretch where nothing reads, the sector by sector tries (each a
// drive's retries) are left out, so a lost area is crossed quickly.
#include <dvdread/dvd_reader.h>

#include <cstdint>
#include <vector>

namespace vidrelo::dvddec {

class DVDSectorReader {
public:
    explicit DVDSectorReader(dvd_file_t* vobs) : vobs_(vobs) {}

    // Reads `count` sectors from `first` into `data` (count * 2048 bytes).
    // failed[i] is set for each sector that could not be read; returns how
    // many those are. Without `sectorBySector` the sectors after a failed
    // run count as failed untried.
    int Read(uint32_t first, int count, uint8_t* data, std::vector<bool>& failed, bool sectorBySector = true) const;

private:
    // Sectors read from `first` on, stopping at the first failure.
    int ReadRun(uint32_t first, int count, uint8_t* data) const;

    dvd_file_t* vobs_;
};

}  // namespace vidrelo::dvddec
