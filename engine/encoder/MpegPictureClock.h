#pragma once
// Presentation times for copied MPEG-1/2 video packets that carry none. A
// program stream need not time every picture (a DVD times the first of each
// VOBU), and a container such as Matroska cannot store a picture without
// one. Each picture header holds its place in display order within its
// group of pictures (the temporal reference), so a timed picture of the
// group gives the time of the others.
#include <cstdint>

namespace vidrelo {

class TMpegPictureClock {
public:
    static constexpr int64_t kNoTime = INT64_MIN;

    // The packet's presentation time in the stream's time base: `pts` when
    // it has one (kNoTime: none), else reckoned from the last timed picture
    // of its group with `frameDuration` per picture; kNoTime when it cannot
    // be told (no picture header, or no timed picture in the group yet).
    int64_t Pts(const uint8_t* data, int size, int64_t pts, int64_t frameDuration);

private:
    int64_t FBase = kNoTime;  // the time of temporal reference 0 of the current group
};

}  // namespace vidrelo
