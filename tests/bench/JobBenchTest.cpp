// vidrelo-jobbench: its argument list, a conversion from a file and from a
// DVD title, and the failures it must report instead of timing them.
#include "bench/JobBenchArgs.h"
#include "tests/support/MakeClip.h"
#include "tests/support/MediaProbe.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TestDiscs.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace vidrelo;
using namespace vidrelo::test;

namespace {

std::string JobBench() { return BinDir() + "/vidrelo-jobbench"; }

TEST(JobBenchArgsTest, OptionsAndInputsKeepTheirOrderAndTheOutputComesLast)
{
    bench::TJobBenchArgs args;
    std::string error;
    ASSERT_TRUE(bench::ParseJobBenchArgs({"-f", "vob", "-i", "in.mpg", "--libav", "/libs", "-vcodec", "mpeg4",
                                          "-s", "640x480", "out.avi"},
                                         args, error))
        << error;
    EXPECT_EQ(args.Output, "out.avi");
    EXPECT_EQ(args.LibraryFolder, "/libs");
    ASSERT_EQ(args.Steps.size(), 4u);
    EXPECT_FALSE(args.Steps[0].Input);
    EXPECT_EQ(args.Steps[0].Name + "=" + args.Steps[0].Value, "f=vob");
    EXPECT_TRUE(args.Steps[1].Input);
    EXPECT_EQ(args.Steps[1].Value, "in.mpg");
    EXPECT_EQ(args.Steps[3].Name + "=" + args.Steps[3].Value, "s=640x480");
}

TEST(JobBenchArgsTest, ListsOfAnotherShapeAreRefusedWithTheReason)
{
    const struct {
        std::vector<std::string> Args;
        std::string Reason;
    } cases[] = {
        {{}, "the last argument must be the output file"},
        {{"-i", "in.mpg", "-s"}, "the last argument must be the output file"},
        {{"-i", "in.mpg", "-s", "out.avi"}, "option -s needs a value"},
        {{"in.mpg", "x", "out.avi"}, "unexpected argument \"in.mpg\" where an option was expected"},
        {{"-s", "640x480", "out.avi"}, "no input: give one with -i INPUT"},
    };
    for (const auto& c : cases) {
        bench::TJobBenchArgs args;
        std::string error;
        EXPECT_FALSE(bench::ParseJobBenchArgs(c.Args, args, error));
        EXPECT_EQ(error, c.Reason);
    }
}

class JobBenchTest : public ::testing::Test {
protected:
    void SetUp() override { Out = MakeTempDir("jobbench"); }

    // One second of 320x240 MPEG-2 with MP2 audio.
    std::string Clip()
    {
        const std::string clip = Out + "/clip.mpg";
        EXPECT_TRUE(MakeClip({"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=1", "-f", "lavfi", "-i",
                              "sine=duration=1", "-c:v", "mpeg2video", "-c:a", "mp2", clip}));
        return clip;
    }

    // "codec,width,height" of the first video stream.
    static std::string VideoSize(const std::string& file)
    {
        const TProbeBlock video = Probe(file).Stream("video");
        return Text(video, "codec_name") + "," + Text(video, "width") + "," + Text(video, "height");
    }

    std::string Out;
};

TEST_F(JobBenchTest, ConvertsAFileWithTheOptionsGivenAndPrintsTheSummary)
{
    const std::string output = Out + "/out.mp4";
    const TProgramResult r = RunProgram(JobBench(), {"-i", Clip(), "-vcodec", "libx264", "-preset", "ultrafast",
                                                     "-s", "160x120", "-acodec", "aac", "-ab", "64k", output});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_NE(r.Out.find("frame=   25 "), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("video:"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("finished " + output + " in "), std::string::npos) << r.Out;
    EXPECT_EQ(VideoSize(output), "h264,160,120");
}

TEST_F(JobBenchTest, ConvertsADVDTitleReadThroughThePlugIn)
{
    const std::string output = Out + "/title.avi";
    const std::string source = "opendvd:" + Disc("discA").path + "|Title=2,AudioID=128";
    const TProgramResult r =
        RunProgram(JobBench(), {"-i", source, "-vcodec", "mpeg4", "-acodec", "libmp3lame", output});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(VideoSize(output), "mpeg4,720,480");
}

TEST_F(JobBenchTest, FailuresExitNonZeroWithTheReason)
{
    const std::string clip = Clip();
    const TProgramResult missing = RunProgram(JobBench(), {"-i", Out + "/none.mpg", Out + "/a.avi"});
    EXPECT_EQ(missing.ExitCode, 1);
    EXPECT_NE(missing.Err.find(Out + "/none.mpg"), std::string::npos) << missing.Err;

    const TProgramResult option = RunProgram(JobBench(), {"-i", clip, "-frobnicate", "1", Out + "/b.avi"});
    EXPECT_EQ(option.ExitCode, 1);
    EXPECT_NE(option.Err.find("Unrecognized option \"frobnicate\""), std::string::npos) << option.Err;

    // H.263 has a few picture sizes only: the run fails, says why and
    // leaves no output behind.
    const TProgramResult run = RunProgram(JobBench(), {"-i", clip, "-vcodec", "h263", "-s", "300x200", Out + "/c.avi"});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_NE(run.Out.find("failed after"), std::string::npos) << run.Out << run.Err;
    EXPECT_NE(run.Out.find("Error while opening encoder for output stream #0.0 (h263)"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(Out + "/c.avi"));

    const TProgramResult usage = RunProgram(JobBench(), {"-i", clip});
    EXPECT_EQ(usage.ExitCode, 2);
    EXPECT_NE(usage.Err.find("usage: vidrelo-jobbench"), std::string::npos);
}

}  // namespace
