#include "LibAV/DVDSectorReader.h"

namespace vidrelo::dvddec {

int DVDSectorReader::ReadRun(uint32_t first, int count, uint8_t* data) const
{
    const ssize_t n = DVDReadBlocks(vobs_, static_cast<int>(first), static_cast<size_t>(count), data);
    return n < 0 ? 0 : static_cast<int>(n > count ? count : n);
}

int DVDSectorReader::Read(uint32_t first, int count, uint8_t* data, std::vector<bool>& failed,
                          bool sectorBySector) const
{
    failed.assign(static_cast<std::size_t>(count), false);
    int done = ReadRun(first, count, data);
    if (done < count)
        done += ReadRun(first + done, count - done, data + static_cast<std::size_t>(done) * DVD_VIDEO_LB_LEN);
    int failures = 0;
    for (int i = done; i < count; ++i) {
        if (sectorBySector && ReadRun(first + i, 1, data + static_cast<std::size_t>(i) * DVD_VIDEO_LB_LEN) == 1)
            continue;
        failed[static_cast<std::size_t>(i)] = true;
        ++failures;
    }
    return failures;
}

}  // namespace vidrelo::dvddec
