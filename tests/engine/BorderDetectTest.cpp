// Border detection on films made by ffmpeg at test time: letterboxed,
// pillarboxed, full frame, a dim and noisy analogue transfer, bars that
// change between scenes, a dark scene, an RGB file; and the failures.
#include "engine/MediaEngine.h"
#include "engine/probe/BorderDetect.h"
#include "engine/probe/BorderMeasure.h"
#include "engine/probe/TFFDecoder.h"
#include "tests/engine/EncoderJobSupport.h"
#include "tests/support/EngineServices.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <vector>

using namespace vidrelo;

namespace {

const std::string Film = "testsrc2=size=720x576:rate=25:duration=4";
const std::string Mpeg2 = "-c:v mpeg2video -b:v 6M -g 12 -f mpeg";

struct TBorderCase {
    std::string Name;
    std::string Input;    // lavfi source
    std::string Filter;   // applied to it
    std::string Encode;   // codec and container options
    TBorderMargins Expected;
    int Slack;            // pixels either way, where the bar's edge is soft
};

const std::vector<TBorderCase> Cases = {
    {"letterbox", Film, "scale=720:432,pad=720:576:0:72", Mpeg2, {0, 72, 0, 72}, 0},
    {"pillarbox", Film, "scale=540:576,pad=720:576:90:0", Mpeg2, {90, 0, 90, 0}, 0},
    {"full frame", Film, "null", Mpeg2, {0, 0, 0, 0}, 0},
    // Lifted, noisy black and a soft edge.
    {"analogue", Film, "scale=720:432,pad=720:576:0:72,boxblur=2:1,lutyuv=y='max(val,18)',noise=c0s=6:c0f=t", Mpeg2,
     {0, 72, 0, 72}, 2},
    // The scene with the thinner top bar decides the top, the other scene
    // the bottom.
    {"changing bars",
     "testsrc2=size=720x576:rate=25:duration=2,scale=720:432,pad=720:576:0:72[a];"
     "testsrc2=size=720x576:rate=25:duration=2,scale=720:432,pad=720:576:0:40[b];[a][b]concat[out0]",
     "null", Mpeg2, {0, 40, 0, 72}, 0},
    {"dark scene", "color=black:size=720x576:rate=25:duration=4",
     "drawbox=x=300:y=250:w=80:h=60:color=white:t=fill", Mpeg2, {0, 0, 0, 0}, 0},
    {"rgb", "testsrc2=size=720x576:rate=10:duration=2", "scale=720:432,pad=720:576:0:72,format=bgr0",
     "-c:v ffv1 -f matroska", {0, 72, 0, 72}, 0},
};

std::vector<std::string> Words(const std::string& text)
{
    std::vector<std::string> words;
    std::size_t at = 0;
    while ((at = text.find_first_not_of(' ', at)) != std::string::npos) {
        const std::size_t end = text.find(' ', at);
        words.push_back(text.substr(at, end - at));
        at = end;
    }
    return words;
}

class BorderDetectTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Dir = test::MakeTempDir("borders");
        for (const TBorderCase& c : Cases) {
            std::vector<std::string> args = {"-f", "lavfi", "-i", c.Input, "-vf", c.Filter};
            for (const std::string& word : Words(c.Encode))
                args.push_back(word);
            args.push_back(Clip(c));
            ASSERT_TRUE(test::MakeClip(args));
        }
        ASSERT_TRUE(test::MakeClip({"-f", "lavfi", "-i", "sine=duration=1", "-c:a", "mp2", Dir + "/sound.mp2"}));
    }
    static std::string Clip(const TBorderCase& c) { return Dir + "/" + c.Name + ".clip"; }

    void SetUp() override { ASSERT_TRUE(Loader.LoadAVLib("")) << Loader.LastErrMsg(); }

    static inline std::string Dir;
    TMediaEngineScope Engine;
    TFFDecoder Loader{test::EngineServices().Loader};
};

TEST_F(BorderDetectTest, FindsTheBarsOfEachFilm)
{
    for (const TBorderCase& c : Cases) {
        SCOPED_TRACE(c.Name);
        TBorderDetection found;
        std::string error;
        ASSERT_TRUE(DetectBorders(test::EngineServices().Loader, Clip(c), found, error)) << error;
        EXPECT_EQ(found.FrameWidth, 720);
        EXPECT_EQ(found.FrameHeight, 576);
        EXPECT_GE(found.PicturesSampled, 8);
        const TBorderMargins& m = found.Margins;
        for (const auto& [got, want] : {std::pair{m.Left, c.Expected.Left}, {m.Top, c.Expected.Top},
                                        {m.Right, c.Expected.Right}, {m.Bottom, c.Expected.Bottom}}) {
            EXPECT_LE(std::abs(got - want), c.Slack) << "left, top, right, bottom: " << m.Left << ", " << m.Top
                                                     << ", " << m.Right << ", " << m.Bottom;
            EXPECT_EQ(got % 2, 0);
            // Never into the picture, whatever the slack.
            EXPECT_LE(got, want);
        }
    }
}

TEST_F(BorderDetectTest, SourcesWithoutPicturesFailWithTheReason)
{
    const std::map<std::string, std::string> expected = {
        {Dir + "/missing.mpg", Dir + "/missing.mpg: No such file or directory"},
        {Dir + "/sound.mp2", Dir + "/sound.mp2: no video stream"},
    };
    for (const auto& [source, text] : expected) {
        TBorderDetection found;
        found.PicturesSampled = 7;
        std::string error;
        EXPECT_FALSE(DetectBorders(test::EngineServices().Loader, source, found, error));
        EXPECT_EQ(error, text);
        EXPECT_EQ(found.PicturesSampled, 0);
        EXPECT_EQ(found.Margins, TBorderMargins{});
    }
}

// Bars of an odd number of lines (which no 4:2:0 film file can hold) lose
// their last line rather than cut a line of picture.
TEST(BorderMeasureTest, OddBarsAreRoundedTowardThePicture)
{
    const int width = 64, height = 48;
    std::vector<uint8_t> luma(std::size_t(width) * height, 16);
    for (int y = 5; y < height - 3; ++y)
        for (int x = 3; x < width - 7; ++x)
            luma[std::size_t(y) * width + x] = 180;
    const std::optional<TBorderMargins> measured = MeasurePicture({luma.data(), width, width, height, false});
    ASSERT_TRUE(measured);
    EXPECT_EQ(*measured, (TBorderMargins{3, 5, 7, 3}));
    EXPECT_EQ(CombineMargins({*measured}), (TBorderMargins{2, 4, 6, 2}));
}

TEST(BorderDetectWithoutLibraries, SaysSoInsteadOfCrashing)
{
    TMediaEngineScope engine;
    TBorderDetection found;
    std::string error;
    EXPECT_FALSE(DetectBorders(test::EngineServices().Loader, "film.mpg", found, error));
    EXPECT_EQ(error, "film.mpg: the media libraries are not loaded");
}

}  // namespace
