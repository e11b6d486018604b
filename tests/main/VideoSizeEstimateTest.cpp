#include "main/VideoSizeEstimate.h"

#include "TitleRecords.h"

#include <gtest/gtest.h>

namespace {

using titletest::MakeFormat;

constexpr int64_t kHour = 3600LL * 1000000;

TEST(EstimateSizeTest, AddsVideoAndAudioBytesPerWholeSecond)
{
    const TFormat f = MakeFormat(".mp4", "", "1000000", "128000");
    // (125 + 16) kB/s for 3600 s, in MB; fractions of a second do not count.
    EXPECT_DOUBLE_EQ(EstimateSizeMB(kHour, f).value(), (125.0 + 16.0) * 3600 / 1024);
    EXPECT_DOUBLE_EQ(EstimateSizeMB(kHour + 999999, f).value(), (125.0 + 16.0) * 3600 / 1024);
    EXPECT_DOUBLE_EQ(EstimateSizeMB(kHour, MakeFormat("", "", "", "128000")).value(), 16.0 * 3600 / 1024);
    EXPECT_DOUBLE_EQ(EstimateSizeMB(kHour, MakeFormat("", "", "", "")).value(), 0.0);
    // Each encoded audio track takes the format's audio rate.
    EXPECT_DOUBLE_EQ(EstimateSizeMB(kHour, f, 3).value(), (125.0 + 3 * 16.0) * 3600 / 1024);
    // Floating point all the way: no rounding to whole kilobytes.
    EXPECT_DOUBLE_EQ(EstimateSizeMB(10 * 1000000, MakeFormat("", "", "1001", "")).value(), 1001 / 8000.0 * 10 / 1024);
}

TEST(EstimateSizeTest, FailsOnBadRatesAndLengthsThatAreNoTimeOfDay)
{
    EXPECT_FALSE(EstimateSizeMB(kHour, MakeFormat("", "", "fast", "128000")));
    EXPECT_FALSE(EstimateSizeMB(kHour, MakeFormat("", "", "1000000", "128k")));
    EXPECT_FALSE(EstimateSizeMB(kHour, MakeFormat("", "", "0x100", "")));
    EXPECT_FALSE(EstimateSizeMB(kHour, MakeFormat("", "", "99999999999", "")));

    const TFormat f = MakeFormat("", "", "1000000", "");
    EXPECT_TRUE(EstimateSizeMB(24 * kHour - 1, f));
    EXPECT_FALSE(EstimateSizeMB(24 * kHour, f));
    EXPECT_FALSE(EstimateSizeMB(250 * kHour, f));
    EXPECT_FALSE(EstimateSizeMB(-1000000, f));
}

}  // namespace
