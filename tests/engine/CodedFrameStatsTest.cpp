// What the encoder's quality side data says about the coded pictures: the
// quantiser histogram and the PSNR of the last picture and of them all.
#include "engine/encoder/TCodedFrameStats.h"

#include "tests/engine/EncoderJobSupport.h"

#include <cmath>
#include <vector>

using namespace vidrelo;

namespace {

// Side data as encoders write it: quality, picture type, error count, then
// the errors from byte 8 on, little-endian.
std::vector<uint8_t> SideData(int quality, int type, std::vector<uint64_t> errors)
{
    std::vector<uint8_t> data(8 + 8 * errors.size());
    for (int i = 0; i < 4; ++i)
        data[i] = static_cast<uint8_t>(quality >> (8 * i));
    data[4] = static_cast<uint8_t>(type);
    data[5] = static_cast<uint8_t>(errors.size());
    for (std::size_t e = 0; e < errors.size(); ++e)
        for (int i = 0; i < 8; ++i)
            data[8 + 8 * e + i] = static_cast<uint8_t>(errors[e] >> (8 * i));
    return data;
}

class CodedFrameStatsTest : public ::testing::Test {
protected:
    void Add(const std::vector<uint8_t>& data) { Stats.Add(data.data(), data.size()); }

    test::TEncoderLibraries Libraries;
    TCodedFrameStats Stats;
};

TEST_F(CodedFrameStatsTest, ThePsnrOfTheLastPictureAndOfAllMeasuredOnes)
{
    // 16x16 at 4:2:0: 256 luma and 64 samples per chroma plane; errors of
    // a hundredth, a thousandth and a ten-thousandth of the peak.
    EXPECT_EQ(Stats.PsnrText(16, 16, AV_PIX_FMT_YUV420P, true), "");
    Add(SideData(4 * FF_QP2LAMBDA, AV_PICTURE_TYPE_I, {166464, 4161, 416}));
    const std::string first = "PSNR=Y:20.00 U:30.00 V:40.00 *:21.64 ";
    EXPECT_EQ(Stats.PsnrText(16, 16, AV_PIX_FMT_YUV420P, false), first);
    EXPECT_NEAR(Stats.LastLumaPsnr(16, 16), 20.0, 1e-9);
    // Full-size chroma planes weigh four times as much.
    EXPECT_EQ(Stats.PsnrText(16, 16, AV_PIX_FMT_YUV444P, false), "PSNR=Y:20.00 U:36.02 V:46.02 *:24.65 ");

    // A picture the encoder did not measure: nothing for it, the total stays.
    Add(SideData(2 * FF_QP2LAMBDA, AV_PICTURE_TYPE_P, {}));
    EXPECT_EQ(Stats.LastQuality(), 2 * FF_QP2LAMBDA);
    EXPECT_EQ(Stats.LastPictureType(), 'P');
    EXPECT_EQ(Stats.PsnrText(16, 16, AV_PIX_FMT_YUV420P, false), "");
    EXPECT_TRUE(std::isnan(Stats.LastLumaPsnr(16, 16)));
    EXPECT_EQ(Stats.PsnrText(16, 16, AV_PIX_FMT_YUV420P, true), first);

    // The total is over every measured picture.
    Add(SideData(4 * FF_QP2LAMBDA, AV_PICTURE_TYPE_B, {16646, 4161, 416}));
    EXPECT_EQ(Stats.PsnrText(16, 16, AV_PIX_FMT_YUV420P, true), "PSNR=Y:22.60 U:30.00 V:40.00 *:24.15 ");
}

TEST_F(CodedFrameStatsTest, TheHistogramCountsPicturesPerQuantiserInPowersOfTwo)
{
    EXPECT_EQ(Stats.Histogram(), std::string(32, '0'));
    for (const int q : {4, 2, 4, 4, 31, 40, -1})
        Add(SideData(q * FF_QP2LAMBDA, AV_PICTURE_TYPE_P, {}));
    // q 4 three times (log2 of 4: 2), q 2 and q 31 once; 40 and -1 are off the scale.
    EXPECT_EQ(Stats.Histogram(), "00102" + std::string(26, '0') + "1");

    // Too short to be side data: nothing changes.
    const std::vector<uint8_t> data = SideData(9 * FF_QP2LAMBDA, AV_PICTURE_TYPE_I, {});
    Stats.Add(data.data(), 4);
    Stats.Add(nullptr, 0);
    EXPECT_EQ(Stats.LastQuality(), -1 * FF_QP2LAMBDA);
    EXPECT_EQ(Stats.Histogram(), "00102" + std::string(26, '0') + "1");
}

}  // namespace
