// Times for copied MPEG video pictures whose packets carry none, from the
// pictures' places in their group.
#include "engine/encoder/MpegPictureClock.h"

#include <gtest/gtest.h>

#include <vector>

using vidrelo::TMpegPictureClock;

namespace {

// A packet holding a picture header with `reference`, after a group header
// when `groupStart`.
std::vector<uint8_t> Picture(int reference, bool groupStart)
{
    std::vector<uint8_t> data;
    if (groupStart)
        data.insert(data.end(), {0, 0, 1, 0xB8, 0x08, 0x00, 0x08, 0x00});
    data.insert(data.end(), {0, 0, 1, 0x00, static_cast<uint8_t>(reference >> 2),
                             static_cast<uint8_t>((reference & 3) << 6 | 0x08), 0xFF, 0xF8});
    return data;
}

TEST(MpegPictureClockTest, UntimedPicturesTakeTheirPlaceInTheirGroup)
{
    constexpr int64_t none = TMpegPictureClock::kNoTime;
    constexpr int64_t frame = 3600;
    struct TStep {
        int reference;
        bool groupStart;
        int64_t pts;
        int64_t expected;
    };
    // I P B B, decode order, as a DVD times only some of them; then a new
    // group whose first picture carries no time.
    const TStep steps[] = {
        {2, true, 90000 + 2 * frame, 90000 + 2 * frame},
        {5, false, none, 90000 + 5 * frame},
        {3, false, none, 90000 + 3 * frame},
        {4, false, 90000 + 4 * frame, 90000 + 4 * frame},
        {0, true, none, none},
        {1, false, 200000, 200000},
        {3, false, none, 200000 + 2 * frame},
    };
    TMpegPictureClock clock;
    for (const TStep& s : steps) {
        const std::vector<uint8_t> packet = Picture(s.reference, s.groupStart);
        EXPECT_EQ(clock.Pts(packet.data(), static_cast<int>(packet.size()), s.pts, frame), s.expected) << s.reference;
    }
    const uint8_t noPicture[] = {0, 0, 1, 0xB3, 0x2D, 0x01, 0xE0, 0x24};
    EXPECT_EQ(clock.Pts(noPicture, sizeof noPicture, none, frame), none) << "nothing to reckon from";
}

}  // namespace
