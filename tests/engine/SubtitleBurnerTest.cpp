// Burning bitmap subtitles into pictures: when they show, what transparent
// pixels leave alone, the colours drawn, scaling from the canvas, clipping,
// open-ended subtitles and clears, and the formats it refuses.
#include "engine/MediaEngine.h"
#include "engine/encoder/TSubtitleBurner.h"
#include "engine/loader/AVBindings.h"
#include "engine/loader/TFFLoader.h"
#include "tests/engine/TestPictures.h"

#include <gtest/gtest.h>

#include <cstdint>

using namespace vidrelo;
using namespace vidrelo::test;

namespace {

TFramePtr Grey(int width, int height, AVPixelFormat format = AV_PIX_FMT_YUV420P)
{
    if (format == AV_PIX_FMT_YUV420P)
        return FlatPicture(width, height, 200);
    TFramePtr frame(ff::av_frame_alloc());
    frame->format = format;
    frame->width = width;
    frame->height = height;
    EXPECT_GE(ff::av_frame_get_buffer(frame.get(), 0), 0);
    return frame;
}

constexpr uint32_t kClear = 0x00FFFFFF, kWhite = 0xFFFFFFFF, kHalfBlack = 0x80000000;

// 40x20 at (100, 400): left half opaque white, right half transparent,
// the bottom row half-transparent black.
TTestSubtitle WhiteBlock()
{
    return TTestSubtitle(100, 400, 40, 20, {kClear, kWhite, kHalfBlack},
                         [](int x, int y) { return y == 19 ? 2 : x < 20 ? 1 : 0; });
}

class SubtitleBurnerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(TMediaEngine::Loader().Load(TLibraries{TLibrary::avUtil}))
            << TMediaEngine::Loader().LastErrMsg();
        Burner.SetCanvasSize(720, 480);
    }

    bool Untouched(int64_t time)
    {
        TFramePtr frame = Grey(720, 480);
        EXPECT_EQ(Burner.Blend(frame.get(), time), 0);
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 720; ++x)
                if (LumaAt(*frame, x, y) != 200 || SampleAt(*frame, 1, x / 2, y / 2) != 128)
                    return false;
        return true;
    }

    TSubtitleBurner Burner;
    TMediaEngineScope Engine;
};

TEST_F(SubtitleBurnerTest, DrawsOnlyWhileTheSubtitleIsOn)
{
    TTestSubtitle block = WhiteBlock();
    Burner.Add(block.Times(1000, 3000), 1000000);  // on from 2 s to 4 s
    EXPECT_TRUE(Untouched(1999999));
    EXPECT_FALSE(Untouched(2000000));
    EXPECT_FALSE(Untouched(3999999));
    EXPECT_TRUE(Untouched(4000000));
    EXPECT_TRUE(Burner.Empty()) << "an ended subtitle is kept";
    EXPECT_TRUE(Untouched(2500000));
}

TEST_F(SubtitleBurnerTest, BlendsThePaletteColoursWithTheirAlpha)
{
    TTestSubtitle block = WhiteBlock();
    Burner.Add(block.Times(0, 1000), 0);
    TFramePtr frame = Grey(720, 480);
    ASSERT_EQ(Burner.Blend(frame.get(), 500000), 0);
    EXPECT_EQ(SampleAt(*frame, 0, 100, 400), 235);  // white in video range
    EXPECT_EQ(SampleAt(*frame, 0, 119, 418), 235);
    EXPECT_EQ(SampleAt(*frame, 1, 55, 205), 128);
    EXPECT_EQ(SampleAt(*frame, 0, 120, 400), 200);  // alpha 0: left alone
    EXPECT_EQ(SampleAt(*frame, 0, 139, 410), 200);
    EXPECT_EQ(SampleAt(*frame, 0, 99, 400), 200);   // outside
    EXPECT_EQ(SampleAt(*frame, 0, 100, 399), 200);
    EXPECT_EQ(SampleAt(*frame, 0, 125, 419), 108);  // half black over 200
    EXPECT_EQ(SampleAt(*frame, 0, 125, 420), 200);
}

TEST_F(SubtitleBurnerTest, ScalesFromTheCanvasToThePicture)
{
    // 90..162 of 720 columns lands on 80..144 of 640.
    TTestSubtitle bar(90, 100, 72, 10, {kClear, kWhite}, [](int, int) { return 1; });
    Burner.Add(bar.Times(0, 1000), 0);
    TFramePtr frame = Grey(640, 480);
    ASSERT_EQ(Burner.Blend(frame.get(), 0), 0);
    EXPECT_EQ(SampleAt(*frame, 0, 79, 105), 200);
    EXPECT_EQ(SampleAt(*frame, 0, 80, 105), 235);
    EXPECT_EQ(SampleAt(*frame, 0, 143, 105), 235);
    EXPECT_EQ(SampleAt(*frame, 0, 144, 105), 200);
    EXPECT_EQ(SampleAt(*frame, 0, 100, 99), 200);
    EXPECT_EQ(SampleAt(*frame, 0, 100, 109), 235);
    EXPECT_EQ(SampleAt(*frame, 0, 100, 110), 200);
}

TEST_F(SubtitleBurnerTest, ClipsToThePicture)
{
    TTestSubtitle corner(700, 470, 40, 30, {kClear, kWhite}, [](int, int) { return 1; });
    Burner.Add(corner.Times(0, 1000), 0);
    TFramePtr frame = Grey(720, 480);
    ASSERT_EQ(Burner.Blend(frame.get(), 0), 0);
    EXPECT_EQ(SampleAt(*frame, 0, 719, 479), 235);
    EXPECT_EQ(SampleAt(*frame, 0, 699, 479), 200);
}

TEST_F(SubtitleBurnerTest, AnOpenEndedSubtitleLastsUntilTheNextOneOrAClear)
{
    TTestSubtitle first = WhiteBlock();
    TTestSubtitle second(100, 100, 10, 10, {kClear, kWhite}, [](int, int) { return 1; });
    Burner.Add(first.Times(0, UINT32_MAX), 1000000);
    Burner.Add(second.Times(0, 0), 5000000);
    TFramePtr frame = Grey(720, 480);
    ASSERT_EQ(Burner.Blend(frame.get(), 4900000), 0);
    EXPECT_EQ(SampleAt(*frame, 0, 100, 400), 235);
    EXPECT_EQ(SampleAt(*frame, 0, 100, 100), 200);
    frame = Grey(720, 480);
    ASSERT_EQ(Burner.Blend(frame.get(), 5000000), 0);
    EXPECT_EQ(SampleAt(*frame, 0, 100, 400), 200);  // replaced
    EXPECT_EQ(SampleAt(*frame, 0, 100, 100), 235);

    AVSubtitle clear{};
    Burner.Add(clear, 6000000);
    EXPECT_FALSE(Untouched(5999999));
    EXPECT_TRUE(Untouched(6000000));
    EXPECT_TRUE(Burner.Empty());
}

TEST_F(SubtitleBurnerTest, RefusesPicturesItCannotDrawOn)
{
    TTestSubtitle block = WhiteBlock();
    Burner.Add(block.Times(0, 1000), 0);
    TFramePtr rgb = Grey(720, 480, AV_PIX_FMT_RGB24);
    EXPECT_LT(Burner.Blend(rgb.get(), 0), 0);
    TFramePtr p10 = Grey(720, 480, AV_PIX_FMT_YUV420P10LE);
    EXPECT_LT(Burner.Blend(p10.get(), 0), 0);
    EXPECT_LT(Burner.Blend(nullptr, 0), 0);
    EXPECT_FALSE(Burner.Empty());
    Burner.Clear();
    EXPECT_TRUE(Burner.Empty());
}

TEST_F(SubtitleBurnerTest, ASharedPictureIsCopiedBeforeDrawing)
{
    TTestSubtitle block = WhiteBlock();
    Burner.Add(block.Times(0, 1000), 0);
    TFramePtr original = Grey(720, 480);
    TFramePtr shared(ff::av_frame_alloc());
    ASSERT_GE(ff::av_frame_ref(shared.get(), original.get()), 0);
    ASSERT_EQ(Burner.Blend(shared.get(), 0), 0);
    EXPECT_EQ(SampleAt(*shared, 0, 100, 400), 235);
    EXPECT_EQ(SampleAt(*original, 0, 100, 400), 200);
}

}  // namespace
