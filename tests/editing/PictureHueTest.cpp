// nativehue on real frames: rotation and scaling of the chroma, the chroma
// rows of a slice for each subsampling, and what leaves a picture alone.
#include "editing/PictureFilterCommon.h"
#include "editing/vf_hue.h"
#include "engine/loader/AVBindings.h"
#include "tests/editing/PictureFilterFixture.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <string>
#include <vector>

using namespace vidrelo;
using namespace vidrelo::test;
using ::testing::ElementsAre;

namespace {

// U and V take every pair of values on a coarse grid; luma is 77.
TFramePtr ChromaGrid(AVPixelFormat format = AV_PIX_FMT_YUV444P)
{
    return MakeFrame(format, 32, 32, [](int plane, int x, int y) {
        return static_cast<uint8_t>(plane == 0 ? 77 : std::min(255, (plane == 1 ? x : y) * 8));
    });
}

// Checks every chroma position: expected(U, V) gives the new (U, V) pair.
template <class TExpected>
void ExpectChroma(AVFrame& frame, const AVFrame& original, TExpected expected)
{
    for (int y = 0; y < PlaneHeight(frame, 1); ++y)
        for (int x = 0; x < PlaneWidth(frame, 1); ++x) {
            const auto [u, v] = expected(Sample(const_cast<AVFrame&>(original), 1, x, y),
                                         Sample(const_cast<AVFrame&>(original), 2, x, y));
            ASSERT_EQ(Sample(frame, 1, x, y), std::clamp(u, 0, 255)) << x << "," << y;
            ASSERT_EQ(Sample(frame, 2, x, y), std::clamp(v, 0, 255)) << x << "," << y;
        }
    for (int y = 0; y < frame.height; ++y)
        for (int x = 0; x < frame.width; ++x)
            ASSERT_EQ(Sample(frame, 0, x, y), 77);
}

using PictureHueTest = PictureFilterTest;

TEST_F(PictureHueTest, HueTurnsAndSaturationScalesTheChroma)
{
    struct TCase {
        const char* Options;
        std::pair<int, int> (*Expected)(int u, int v);
    } cases[] = {
        {"0:-100", [](int, int) { return std::pair(128, 128); }},
        {"100:0", [](int u, int v) { return std::pair(256 - u, 256 - v); }},
        {"-100:0", [](int u, int v) { return std::pair(256 - u, 256 - v); }},
        // A quarter turn: S = 65536, K = 0.
        {"50:0", [](int u, int v) { return std::pair(256 - v, u); }},
        // Twice the saturation: K = 131072, S = 0.
        {"0:100", [](int u, int v) { return std::pair(2 * u - 128, 2 * v - 128); }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Options);
        TFramePtr original = ChromaGrid();
        TFramePtr frame = ChromaGrid();
        ASSERT_EQ(Create("nativehue", c.Options)->ProcessFrame(frame.get()), 0);
        ExpectChroma(*frame, *original, c.Expected);
    }
}

TEST_F(PictureHueTest, ZeroValuesLeaveEveryFormatByteIdenticalForBothFilters)
{
    for (AVPixelFormat format : PictureFilterPixelFormats())
        for (const auto& [name, options] : {std::pair("nativeeq", "0:0"), std::pair("nativehue", "0:0"),
                                            std::pair("nativehue", "0")}) {
            SCOPED_TRACE(std::string(name) + " " + options + " " + ff::av_get_pix_fmt_name(format));
            TFramePtr frame =
                MakeFrame(format, 35, 21, [](int p, int x, int y) { return (p * 91 + x * 7 + y * 13) & 255; });
            const std::vector<uint8_t> before = FrameBytes(*frame);
            ASSERT_EQ(Create(name, options)->ProcessFrame(frame.get()), 0);
            EXPECT_EQ(FrameBytes(*frame), before);
        }
    TakeLines("nativehue");
    Create("nativehue", "0");
    EXPECT_THAT(TakeLines("nativehue"), ElementsAre("debug hue:0, saturation 0"));
}

TEST_F(PictureHueTest, ASliceStartsAtItsRowShiftedByTheChromaSubsampling)
{
    struct TCase {
        AVPixelFormat Format;
        int Y, H;
        std::vector<int> GreyRows;  // chroma rows the slice must reach, no others
    } cases[] = {
        {AV_PIX_FMT_YUV420P, 3, 2, {1}},
        {AV_PIX_FMT_YUV420P, 1, 3, {0}},
        {AV_PIX_FMT_YUV420P, 0, 32, {}},  // filled in below: every row
        {AV_PIX_FMT_YUV422P, 3, 1, {3}},
        {AV_PIX_FMT_YUV410P, 5, 8, {1, 2}},
    };
    cases[2].GreyRows.resize(16);
    std::iota(cases[2].GreyRows.begin(), cases[2].GreyRows.end(), 0);
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(ff::av_get_pix_fmt_name(c.Format)) + " y=" + std::to_string(c.Y));
        TFramePtr frame = ChromaGrid(c.Format);
        ASSERT_EQ(Create("nativehue", "0:-100")->ProcessSlice(frame.get(), c.Y, c.H), 0);
        for (int y = 0; y < PlaneHeight(*frame, 1); ++y) {
            const bool grey = std::ranges::find(c.GreyRows, y) != c.GreyRows.end();
            for (int x = 0; x < PlaneWidth(*frame, 1); ++x) {
                ASSERT_EQ(Sample(*frame, 1, x, y) == 128 && Sample(*frame, 2, x, y) == 128,
                          grey || (x * 8 == 128 && y * 8 == 128))
                    << "chroma row " << y << " column " << x;
            }
        }
    }
}

TEST_F(PictureHueTest, OutOfRangeSaturationIsPinnedAndLogged)
{
    auto hue = Create("nativehue", "-400:120");
    EXPECT_THAT(TakeLines("nativehue"),
                ElementsAre("error Invalid hue value -400, force to -100",
                            "error Invalid saturation value 120, force to 100", "debug hue:-100, saturation 100"));
    TFramePtr frame = ChromaGrid();
    ASSERT_EQ(hue->ProcessFrame(frame.get()), 0);
    EXPECT_EQ(Sample(*frame, 1, 0, 0), 255);  // U = 0: -(2 * -128) + 128, pinned
}

}  // namespace
