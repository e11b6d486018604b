// vidrelo-cli convert: a DVD title and a file converted, mistakes refused,
// and Ctrl-C stopping a run.
#include "tests/support/RunProgram.h"
#include "tests/support/TestDiscs.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace vidrelo::test;

namespace {

std::string Cli() { return BinDir() + "/vidrelo-cli"; }

std::string ProbeText(const std::string& file)
{
    return RunProgram("/usr/bin/ffprobe", {"-v", "error", "-show_entries",
                                           "stream=codec_name,width,height:format=duration", "-of", "flat", file})
        .Out;
}

double Duration(const std::string& probe)
{
    const std::size_t at = probe.find("format.duration=\"");
    return at == std::string::npos ? -1 : std::stod(probe.substr(at + 17));
}

TEST(CliConvertTest, ADvdTitleBecomesAPlayableFileAndProgressComesLineByLine)
{
    const std::string dir = MakeTempDir("convert");
    const std::string source = "opendvd:" + Disc("discA").path +
                               "|Title=1,FromChapter=1,ToChapter=2,AudioID=129,SubtitleID=0,AudioChannels=2,"
                               "Deinterlace=0";
    const TProgramResult r = RunProgram(Cli(), {"convert", source, "--vcodec", "libx264", "--acodec", "aac",
                                                "--size", "320x240", "-o", "preset=ultrafast", dir + "/t1.mp4"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    const std::string probe = ProbeText(dir + "/t1.mp4");
    EXPECT_NE(probe.find("streams.stream.0.codec_name=\"h264\""), std::string::npos) << probe;
    EXPECT_NE(probe.find("streams.stream.0.width=320"), std::string::npos) << probe;
    EXPECT_NE(probe.find("streams.stream.1.codec_name=\"aac\""), std::string::npos) << probe;
    EXPECT_GT(Duration(probe), 5.0);
    // Not a terminal: one line per report, the last one complete.
    std::istringstream lines(r.Err);
    std::string line, last;
    int reports = 0;
    while (std::getline(lines, line))
        if (line.find("elapsed") != std::string::npos) {
            ++reports;
            last = line;
        }
    EXPECT_GE(reports, 1) << r.Err;
    EXPECT_NE(last.find("size"), std::string::npos) << last;
}

TEST(CliConvertTest, OptionNamesMayComeInAnyCase)
{
    const std::string dir = MakeTempDir("convertcase");
    const TProgramResult r =
        RunProgram(Cli(), {"convert", "-o", "ItsOffset=0", Disc("discA").path + "/VIDEO_TS/VTS_01_1.VOB", "-o",
                           "VCodec=mpeg4", "-o", "ACodec=mp2", "-o", "Threads=1", "--t", "1", dir + "/case.avi"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    const std::string probe = ProbeText(dir + "/case.avi");
    EXPECT_NE(probe.find("codec_name=\"mpeg4\""), std::string::npos) << probe;
    EXPECT_NE(probe.find("codec_name=\"mp2\""), std::string::npos) << probe;
}

TEST(CliConvertTest, NothingToConvertIsRefusedBeforeAnyFileIsWritten)
{
    const std::string dir = MakeTempDir("convertempty");
    const std::string vob = Disc("discA").path + "/VIDEO_TS/VTS_01_1.VOB";
    const std::string title = "opendvd:" + Disc("discA").path +
                              "|Title=2,FromChapter=1,ToChapter=1,AudioID=0,SubtitleID=0,AudioChannels=2,Deinterlace=0";
    const struct {
        std::vector<std::string> Args;
        std::string Says;
    } cases[] = {
        {{vob, "--t", "0"}, "--t must be longer than 0"},
        {{vob, "--t", "-1"}, "invalid value for --t: \"-1\" (a time cannot be negative)"},
        {{"--ss", "-0:01", vob}, "(a time cannot be negative)"},
        {{"--ss", "1:00:00", vob}, "--ss 1:00:00.000 is at or past the end of " + vob},
        {{"--ss", "6", title}, "--ss 0:00:06.000 is at or past the end of"},  // a title of 5 s
        {{"--ss", "2", title, "--ss", "4"}, "the output's --ss 0:00:04.000 is at or past the end of the input"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"convert"};
        args.insert(args.end(), c.Args.begin(), c.Args.end());
        args.insert(args.end(), {"--vcodec", "mpeg4", dir + "/empty.avi"});
        const TProgramResult r = RunProgram(Cli(), args);
        EXPECT_EQ(r.ExitCode, 2) << c.Says << "\n" << r.Err;
        EXPECT_NE(r.Err.find(c.Says), std::string::npos) << r.Err;
        EXPECT_FALSE(std::filesystem::exists(dir + "/empty.avi")) << c.Says;
    }
}

TEST(CliConvertTest, MistakesGiveAMessageAndNoFile)
{
    const std::string dir = MakeTempDir("convertbad");
    const TProgramResult usage = RunProgram(Cli(), {"convert", "in.mpg", "--vb", "fast", dir + "/x.mp4"});
    EXPECT_EQ(usage.ExitCode, 2);
    EXPECT_NE(usage.Err.find("invalid value for --vb: \"fast\""), std::string::npos) << usage.Err;

    const TProgramResult missing = RunProgram(Cli(), {"convert", dir + "/missing.mpg", dir + "/x.mp4"});
    EXPECT_EQ(missing.ExitCode, 1);
    EXPECT_NE(missing.Err.find("missing.mpg"), std::string::npos) << missing.Err;

    const TProgramResult badDisc =
        RunProgram(Cli(), {"convert", "opendvd:" + Disc("discA").path + "|Title=9", dir + "/x.mp4"});
    EXPECT_EQ(badDisc.ExitCode, 1);
    EXPECT_FALSE(badDisc.Err.empty());

    const TProgramResult codec = RunProgram(Cli(), {"convert", Disc("discA").path + "/VIDEO_TS/VTS_01_1.VOB",
                                                    "--vcodec", "nosuchcodec", dir + "/x.mp4"});
    EXPECT_EQ(codec.ExitCode, 1);
    EXPECT_NE(codec.Err.find("nosuchcodec"), std::string::npos) << codec.Err;
    EXPECT_FALSE(std::filesystem::exists(dir + "/x.mp4"));
}

TEST(CliConvertTest, CtrlCStopsTheRunCleanlyAndFails)
{
    const std::string dir = MakeTempDir("convertint");
    const std::string clip = dir + "/long.mpg";
    ASSERT_EQ(RunProgram("/usr/bin/ffmpeg", {"-nostdin", "-loglevel", "error", "-f", "lavfi", "-i",
                                             "testsrc=size=320x240:rate=25:duration=20", "-c:v", "mpeg2video",
                                             "-f", "vob", clip})
                  .ExitCode,
              0);
    const std::string err = dir + "/stderr.txt";
    const std::string output = dir + "/out.avi";
    // Interrupted once the conversion has written something.
    const int status = InterruptProgram(
        Cli(), {"convert", "-o", "re=1", clip, "--vcodec", "mpeg4", output}, err,
        [&] { return std::filesystem::exists(output) && std::filesystem::file_size(output) > 4000; }, 15);
    EXPECT_EQ(status, 130);
    std::ifstream in(err);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(text.find("vidrelo-cli convert: stopped"), std::string::npos) << text;
    // What was converted is a file that plays: a proper end was written.
    const double duration = Duration(ProbeText(output));
    EXPECT_GT(duration, 0.2);
    EXPECT_LT(duration, 15);
}

}  // namespace
