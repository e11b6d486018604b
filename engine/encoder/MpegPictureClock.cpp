#include "engine/encoder/MpegPictureClock.h"

namespace vidrelo {

int64_t TMpegPictureClock::Pts(const uint8_t* data, int size, int64_t pts, int64_t frameDuration)
{
    int reference = -1;
    for (int i = 0; i + 5 < size && reference < 0; ++i) {
        if (data[i] != 0 || data[i + 1] != 0 || data[i + 2] != 1)
            continue;
        if (data[i + 3] == 0xB8)  // a group of pictures starts: references count from 0 again
            FBase = kNoTime;
        else if (data[i + 3] == 0x00)
            reference = (data[i + 4] << 2) | (data[i + 5] >> 6);
    }
    if (reference < 0 || frameDuration <= 0)
        return pts;
    if (pts != kNoTime) {
        FBase = pts - reference * frameDuration;
        return pts;
    }
    return FBase == kNoTime ? kNoTime : FBase + reference * frameDuration;
}

}  // namespace vidrelo
