// vidrelo-cli play: a clip and a DVD title played without a display, the
// summary it prints, the pictures it writes and the mistakes it refuses.
#include "tests/support/MakeClip.h"
#include "tests/support/MediaProbe.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TestDiscs.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <QImage>

#include <filesystem>
#include <fstream>

using namespace vidrelo::test;

namespace {

std::string Cli() { return BinDir() + "/vidrelo-cli"; }

// 4 s of a 25 fps 720x576 picture with a tone.
std::string Clip()
{
    static const std::string file = [] {
        const std::string path = MakeTempDir("playclip") + "/clip.mkv";
        EXPECT_TRUE(MakeClip({"-f", "lavfi", "-i", "testsrc2=size=720x576:rate=25:duration=4", "-f", "lavfi", "-i",
                              "sine=frequency=440:sample_rate=48000:duration=4", "-c:v", "mpeg2video", "-q:v", "4",
                              "-c:a", "ac3", path}));
        return path;
    }();
    return file;
}

// The number after `label` in the summary, -1 when it is missing.
double Figure(const std::string& out, const std::string& label)
{
    const std::size_t at = out.find(label);
    return at == std::string::npos ? -1 : std::stod(out.substr(at + label.size()));
}

TEST(CliPlayTest, AClipPlaysFromWhereItWasAskedAndItsPicturesAreWritten)
{
    const std::string dir = MakeTempDir("play");
    const TProgramResult r = RunProgram(Cli(), {"play", Clip(), "--start", "2", "--seconds", "1", "--snapshot",
                                                "2.5:" + dir + "/at.png", "--snapshot", "00:00:03:" + dir + "/at.jpg"});
    ASSERT_EQ(r.ExitCode, 0) << r.Out << r.Err;
    EXPECT_GE(Figure(r.Out, "pictures shown: "), 20) << r.Out;
    EXPECT_GE(Figure(r.Out, "open to first picture: "), 0) << r.Out;
    // The first picture is the one asked for, within a frame.
    const double first = Figure(r.Out, "first picture at ");
    EXPECT_NEAR(first, 2.0, 0.04) << r.Out;
    EXPECT_NE(r.Out.find("audio-video offset: median "), std::string::npos) << r.Out;
    for (const char* name : {"/at.png", "/at.jpg"}) {
        const QImage shot(QString::fromStdString(dir + name));
        EXPECT_EQ(shot.size(), QSize(720, 576)) << name;
    }
    EXPECT_NE(r.Out.find("snapshot at 2.500 s"), std::string::npos) << r.Out;
}

TEST(CliPlayTest, ADvdTitlePlaysWithoutSound)
{
    const std::string source = "opendvd:" + Disc("discA").path +
                               "|Title=2,FromChapter=1,ToChapter=1,AudioID=128,SubtitleID=0,AudioChannels=2,"
                               "Deinterlace=0";
    const TProgramResult r = RunProgram(Cli(), {"play", source, "--seconds", "1", "--no-audio"});
    ASSERT_EQ(r.ExitCode, 0) << r.Out << r.Err;
    EXPECT_GE(Figure(r.Out, "pictures shown: "), 20) << r.Out;
    EXPECT_NE(r.Out.find("audio-video offset: no sound\n"), std::string::npos) << r.Out;
}

TEST(CliPlayTest, MistakesAreRefusedAndNoFileIsReplaced)
{
    const std::string dir = MakeTempDir("playrefused");
    const std::string kept = dir + "/kept.png";
    std::ofstream(kept) << "mine";
    const struct {
        std::vector<std::string> Args;
        int Status;
        std::string Error;
    } cases[] = {
        {{"play", Clip(), "--snapshot", "1:" + kept}, 2, "already exists; a snapshot never replaces a file"},
        {{"play", dir + "/none.mkv"}, 1, "No such file or directory"},
        {{"play", Clip(), "--volume", "200"}, 2, "invalid value for --volume"},
    };
    for (const auto& c : cases) {
        const TProgramResult r = RunProgram(Cli(), c.Args);
        EXPECT_EQ(r.ExitCode, c.Status) << c.Args[1] << r.Err;
        EXPECT_NE(r.Err.find(c.Error), std::string::npos) << r.Err;
    }
    EXPECT_EQ(std::filesystem::file_size(kept), 4u);
}

}  // namespace
