// The video filter chain of an output stream: built-in and native filters in
// any order, the automatic scale, the encoder's pixel formats, errors,
// draining at the end, the deinterlacer's and the subtitles' places.
#include "editing/vf_eq.h"
#include "editing/vf_hue.h"
#include "engine/MediaEngine.h"
#include "engine/encoder/TSubtitleBurner.h"
#include "engine/encoder/TVideoFilterGraph.h"
#include "engine/loader/AVBindings.h"
#include "engine/loader/TFFLoader.h"
#include "tests/engine/TestPictures.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vidrelo;
using namespace vidrelo::test;

namespace {

class VideoFilterGraphTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(TMediaEngine::Loader().Load(EncoderLibraries)) << TMediaEngine::Loader().LastErrMsg();
        RegisterNativeEq();
        RegisterNativeHue();
    }

    // A 720x480 yuv420p input that the encoder takes at `outWidth` x `outHeight`.
    static TVideoFilterGraphSetup Setup(const std::string& text, int outWidth = 720, int outHeight = 480)
    {
        TVideoFilterGraphSetup setup;
        setup.Width = 720;
        setup.Height = 480;
        setup.PixFmt = AV_PIX_FMT_YUV420P;
        setup.SampleAspect = {1, 1};
        setup.FrameRate = {25, 1};
        setup.OutWidth = outWidth;
        setup.OutHeight = outHeight;
        setup.OutPixFmts = {AV_PIX_FMT_YUV420P};
        setup.FilterText = text;
        return setup;
    }

    void Configure(const TVideoFilterGraphSetup& setup)
    {
        std::string error;
        ASSERT_TRUE(Graph.Configure(setup, error)) << error;
        ASSERT_TRUE(Graph.Configured());
    }

    // Pushes `inputs` (pts 40 ms apart), flushes, and returns every picture.
    std::vector<TFramePtr> Run(const std::vector<const AVFrame*>& inputs)
    {
        std::vector<TFramePtr> out;
        auto drain = [&] {
            for (;;) {
                TFramePtr frame(ff::av_frame_alloc());
                const int r = Graph.Pull(frame.get());
                if (r < 0) {
                    EXPECT_TRUE(r == AVERROR(EAGAIN) || r == AVERROR_EOF) << r;
                    return;
                }
                out.push_back(std::move(frame));
            }
        };
        for (size_t i = 0; i < inputs.size(); ++i) {
            TFramePtr copy(ff::av_frame_alloc());
            ff::av_frame_ref(copy.get(), inputs[i]);
            copy->pts = static_cast<int64_t>(i) * 40000;
            EXPECT_EQ(Graph.Push(copy.get()), 0);
            drain();
        }
        EXPECT_EQ(Graph.Push(nullptr), 0);
        drain();
        TFramePtr after(ff::av_frame_alloc());
        EXPECT_EQ(Graph.Pull(after.get()), AVERROR_EOF);
        return out;
    }

    TFramePtr RunOne(const AVFrame& input)
    {
        std::vector<TFramePtr> out = Run({&input});
        EXPECT_EQ(out.size(), 1u);
        return out.empty() ? nullptr : std::move(out.front());
    }

    TMediaEngineScope Engine;  // outlives the graph
    TVideoFilterGraph Graph;
};

TEST_F(VideoFilterGraphTest, PadThenScaleGivesBlackBarsOfTheScaledHeight)
{
    Configure(Setup("pad=720:540:0:30:black,scale=640:480", 640, 480));
    EXPECT_EQ(Graph.OutWidth(), 640);
    EXPECT_EQ(Graph.OutHeight(), 480);
    TFramePtr in = FlatPicture(720, 480, 200);
    TFramePtr out = RunOne(*in);
    ASSERT_TRUE(out);
    ASSERT_EQ(out->width, 640);
    ASSERT_EQ(out->height, 480);
    // 30 of 540 rows are 26.7 of 480.
    int top = 0;
    while (top < 480 && LumaAt(*out, 320, top) < 108)
        ++top;
    int bottom = 0;
    while (bottom < 480 && LumaAt(*out, 320, 479 - bottom) < 108)
        ++bottom;
    EXPECT_NEAR(top, 27, 1);
    EXPECT_NEAR(bottom, 27, 1);
    EXPECT_NEAR(LumaAt(*out, 10, 10), 16, 2);
    EXPECT_NEAR(LumaAt(*out, 320, 240), 200, 2);
}

TEST_F(VideoFilterGraphTest, NativeFiltersRunInTheChainInTheirPlace)
{
    TFramePtr in = FlatPicture(720, 480, 100);
    Configure(Setup("nativeeq=100:0"));
    TFramePtr out = RunOne(*in);
    ASSERT_TRUE(out);
    EXPECT_EQ(LumaAt(*out, 0, 0), 255);
    EXPECT_EQ(LumaAt(*out, 719, 479), 255);
    EXPECT_EQ(LumaAt(*in, 0, 0), 100) << "the caller's picture was changed";

    // Native in the middle: scaled, brightened, then padded with black.
    Configure(Setup("scale=320:240,nativeeq=100:0,pad=400:300:40:30:black", 400, 300));
    out = RunOne(*in);
    ASSERT_TRUE(out);
    ASSERT_EQ(out->width, 400);
    EXPECT_EQ(LumaAt(*out, 200, 150), 255);
    EXPECT_EQ(LumaAt(*out, 5, 5), 16);

    // The same filters the other way round: the bars are brightened too.
    Configure(Setup("scale=320:240,pad=400:300:40:30:black,nativeeq=100:0", 400, 300));
    out = RunOne(*in);
    ASSERT_TRUE(out);
    EXPECT_EQ(LumaAt(*out, 5, 5), 255);

    // Native first and last, around a built-in filter.
    Configure(Setup("nativeeq=100:0,pad=740:500:10:10:black,nativehue=0:0", 740, 500));
    out = RunOne(*in);
    ASSERT_TRUE(out);
    EXPECT_EQ(LumaAt(*out, 370, 250), 255);
    EXPECT_EQ(LumaAt(*out, 2, 2), 16);
}

TEST_F(VideoFilterGraphTest, ANativeFilterFirstGetsAFormatItAccepts)
{
    TVideoFilterGraphSetup setup = Setup("nativeeq=100:0");
    setup.PixFmt = AV_PIX_FMT_RGB24;
    setup.OutPixFmts = {AV_PIX_FMT_RGB24};
    Configure(setup);
    TFramePtr in(ff::av_frame_alloc());
    in->format = AV_PIX_FMT_RGB24;
    in->width = 720;
    in->height = 480;
    ASSERT_GE(ff::av_frame_get_buffer(in.get(), 0), 0);
    for (int y = 0; y < 480; ++y)
        std::fill_n(in->data[0] + y * in->linesize[0], 720 * 3, 60);
    TFramePtr out = RunOne(*in);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->format, AV_PIX_FMT_RGB24);
    for (int c = 0; c < 3; ++c)
        EXPECT_GE(out->data[0][240 * out->linesize[0] + 360 * 3 + c], 250);
}

TEST_F(VideoFilterGraphTest, CropKeepsTheChosenAreaScaledToTheEncodersSize)
{
    TFramePtr in = YuvPicture(720, 480, [](int x, int y) { return x < 360 && y < 240 ? 50 : 200; });
    Configure(Setup("crop=360:240:0:0", 360, 240));
    TFramePtr out = RunOne(*in);
    ASSERT_TRUE(out);
    ASSERT_EQ(out->width, 360);
    ASSERT_EQ(out->height, 240);
    for (int y = 0; y < 240; y += 7)
        for (int x = 0; x < 360; x += 7)
            ASSERT_EQ(LumaAt(*out, x, y), 50) << x << "," << y;

    // The chain leaves 360x240 for a 720x480 encoder: scaled after it.
    Configure(Setup("crop=360:240:0:0", 720, 480));
    EXPECT_EQ(Graph.OutWidth(), 720);
    EXPECT_EQ(Graph.OutHeight(), 480);
    out = RunOne(*in);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->width, 720);
    EXPECT_EQ(out->height, 480);
    EXPECT_NEAR(LumaAt(*out, 700, 460), 50, 2);

    // No filters at all: still the encoder's size.
    Configure(Setup("", 352, 240));
    out = RunOne(*in);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->width, 352);
    EXPECT_EQ(out->height, 240);
}

TEST_F(VideoFilterGraphTest, PicturesComeInAPixelFormatTheEncoderTakes)
{
    TVideoFilterGraphSetup setup = Setup("nativeeq=0:0");
    setup.OutPixFmts = {AV_PIX_FMT_YUV422P, AV_PIX_FMT_NV12};
    Configure(setup);
    const AVPixelFormat chosen = Graph.OutPixFmt();
    EXPECT_TRUE(chosen == AV_PIX_FMT_YUV422P || chosen == AV_PIX_FMT_NV12) << chosen;
    TFramePtr in = FlatPicture(720, 480, 90);
    TFramePtr out = RunOne(*in);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->format, chosen);

    // Any format when the encoder names none: the input's passes through.
    setup.OutPixFmts.clear();
    Configure(setup);
    EXPECT_EQ(Graph.OutPixFmt(), AV_PIX_FMT_YUV420P);
}

TEST_F(VideoFilterGraphTest, BadFilterTextsSayWhy)
{
    std::string error;
    EXPECT_FALSE(Graph.Configure(Setup("scale=320:240,nosuchfilter=3"), error));
    EXPECT_EQ(error, "Error opening filters: No such filter: 'nosuchfilter'");
    EXPECT_FALSE(Graph.Configured());

    EXPECT_FALSE(Graph.Configure(Setup("scale=w=abc"), error));
    EXPECT_TRUE(error.starts_with("Error opening filters: ")) << error;
    EXPECT_NE(error.find("scale=w=abc"), std::string::npos) << error;

    EXPECT_FALSE(Graph.Configure(Setup("nativeeq=bright:0"), error));
    EXPECT_TRUE(error.starts_with("Error opening filters: ")) << error;
    EXPECT_NE(error.find("\"bright\""), std::string::npos) << error;

    EXPECT_FALSE(Graph.Configure(Setup("crop=10:10,[x"), error));
    EXPECT_TRUE(error.starts_with("Error opening filters: ")) << error;

    TVideoFilterGraphSetup unknown = Setup("");
    unknown.PixFmt = AV_PIX_FMT_NONE;
    EXPECT_FALSE(Graph.Configure(unknown, error));
    EXPECT_TRUE(error.starts_with("Error opening filters: ")) << error;

    // An unconfigured graph refuses pictures instead of crashing.
    TFramePtr in = FlatPicture(720, 480, 90);
    EXPECT_LT(Graph.Push(in.get()), 0);
    EXPECT_LT(Graph.Pull(in.get()), 0);
}

TEST_F(VideoFilterGraphTest, TheFlushDrainsEveryStage)
{
    Configure(Setup("scale=320:240,nativeeq=100:0,pad=400:300:40:30:black", 400, 300));
    std::vector<TFramePtr> inputs;
    std::vector<const AVFrame*> pointers;
    for (int i = 0; i < 12; ++i) {
        inputs.push_back(FlatPicture(720, 480, static_cast<uint8_t>(20 + i)));
        pointers.push_back(inputs.back().get());
    }
    std::vector<TFramePtr> out = Run(pointers);
    ASSERT_EQ(out.size(), 12u);
    for (size_t i = 0; i < out.size(); ++i)
        EXPECT_EQ(out[i]->pts, static_cast<int64_t>(i) * 40000);
    EXPECT_EQ(Graph.Push(inputs[0].get()), AVERROR_EOF);

    // A filter that changes the time base: pictures still come in microseconds.
    Configure(Setup("fps=50"));
    out = Run(pointers);
    ASSERT_GE(out.size(), 22u);
    for (size_t i = 0; i < out.size(); ++i)
        EXPECT_EQ(out[i]->pts, static_cast<int64_t>(i) * 20000);
}

// Interlaced motion: a vertical edge moving 40 pixels a frame, the bottom
// field 20 pixels further on than the top field (top field first).
TFramePtr Combed(int k)
{
    TFramePtr frame = YuvPicture(720, 480, [k](int x, int y) { return x < 200 + 40 * k + (y % 2) * 20 ? 235 : 16; });
    frame->interlaced_frame = 1;
    frame->top_field_first = 1;
    return frame;
}

int Edge(const AVFrame& frame, int y)
{
    int x = 0;
    while (x < frame.width && LumaAt(frame, x, y) >= 125)
        ++x;
    return x;
}

TEST_F(VideoFilterGraphTest, TheDeinterlacerComesBeforeTheUsersFilters)
{
    // The crop moves every row up by one, swapping the fields: a deinterlacer
    // after it would keep the bottom field's edge.
    std::vector<TFramePtr> inputs;
    std::vector<const AVFrame*> pointers;
    for (int k = 0; k < 5; ++k) {
        inputs.push_back(Combed(k));
        pointers.push_back(inputs.back().get());
    }
    TVideoFilterGraphSetup setup = Setup("crop=720:478:0:1:exact=1", 720, 478);
    Configure(setup);
    std::vector<TFramePtr> out = Run(pointers);
    ASSERT_EQ(out.size(), 5u);
    EXPECT_EQ(Edge(*out[2], 100), 300);  // combed as it came
    EXPECT_EQ(Edge(*out[2], 101), 280);

    setup.Deinterlace = true;
    Configure(setup);
    out = Run(pointers);
    ASSERT_EQ(out.size(), 5u);
    EXPECT_NEAR(Edge(*out[2], 100), 280, 4);
    EXPECT_NEAR(Edge(*out[2], 101), 280, 4);
}

TEST_F(VideoFilterGraphTest, SubtitlesAreBurnedBeforeTheUsersFilters)
{
    // An opaque black square at the top left corner.
    TTestSubtitle square(0, 0, 64, 64, {0xFF000000}, [](int, int) { return 0; });
    TSubtitleBurner burner;
    burner.SetCanvasSize(720, 480);
    burner.Add(square.Times(0, 10000), 0);
    TVideoFilterGraphSetup setup = Setup("vflip");
    setup.Subtitles = &burner;
    Configure(setup);
    TFramePtr in = FlatPicture(720, 480, 200);
    TFramePtr out = RunOne(*in);
    ASSERT_TRUE(out);
    EXPECT_EQ(LumaAt(*out, 10, 470), 16);  // flipped with the picture
    EXPECT_EQ(LumaAt(*out, 10, 10), 200);
    EXPECT_EQ(LumaAt(*in, 10, 10), 200) << "the caller's picture was drawn on";
}

}  // namespace
