// The command line of "vidrelo-cli convert" and its progress line.
#include "cli/ConsoleProgress.h"
#include "cli/ConvertArguments.h"

#include <gtest/gtest.h>

using namespace vidrelo;
using namespace vidrelo::cli;

namespace {

TConvertRequest Parse(const std::vector<std::string>& args)
{
    TConvertRequest request;
    std::string error;
    EXPECT_TRUE(ParseConvertArguments(args, request, error)) << error;
    return request;
}

std::string Refusal(const std::vector<std::string>& args)
{
    TConvertRequest request;
    std::string error;
    EXPECT_FALSE(ParseConvertArguments(args, request, error));
    return error;
}

TEST(ConvertArgumentsTest, OptionsBeforeTheInputAreTheInputsAndAfterItTheOutputs)
{
    const TConvertRequest r = Parse({"--ss", "1:02.5", "-f", "mpeg", "-o", "itsoffset=0", "in.mpg", "--join",
                                     "two.mpg", "--ss", "3", "--t", "00:01:00", "--vcodec", "libx264", "--vb",
                                     "1.5M", "--ab", "128k", "--size", "640x480", "--vf", "crop=8:8:0:0", "--an",
                                     "-f", "mp4", "-o", "threads=2", "-o", "preset=fast", "out.mp4"});
    EXPECT_EQ(r.Inputs, (std::vector<std::string>{"in.mpg", "two.mpg"}));
    EXPECT_EQ(r.Input.TimeStart, 62500000);
    EXPECT_EQ(r.Input.ForceFormat, "mpeg");
    EXPECT_EQ(r.Input.ExtOptions, "itsoffset=0");
    EXPECT_EQ(r.Output, "out.mp4");
    const TOutputOptions& o = r.OutputOptions;
    EXPECT_EQ(o.TimeStart, 3000000);
    EXPECT_EQ(o.TimeLength, 60000000);
    EXPECT_EQ(o.VideoCodec, "libx264");
    EXPECT_EQ(o.VideoBitrate, 1500000);
    EXPECT_EQ(o.AudioBitrate, 128000);
    EXPECT_EQ(o.FrameSize, "640x480");
    EXPECT_EQ(o.VideoFilters, "crop=8:8:0:0");
    EXPECT_TRUE(o.DisableAudio);
    EXPECT_EQ(o.ForceFormat, "mp4");
    EXPECT_EQ(o.ExtOptions, "threads=2\npreset=fast");
    EXPECT_TRUE(o.Join);
    // Untouched fields keep the record's reset values.
    EXPECT_EQ(o.AudioSampleRate, -1);
    EXPECT_EQ(o.TargetType, ttIgnore);
    EXPECT_FALSE(Parse({"in", "out"}).OutputOptions.Join);
}

TEST(ConvertArgumentsTest, MistakesAreNamed)
{
    EXPECT_EQ(Refusal({}), "no INPUT given");
    EXPECT_EQ(Refusal({"in.mpg"}), "no OUTPUT given");
    EXPECT_EQ(Refusal({"in.mpg", "out.mp4", "more.mp4"}), "more than one OUTPUT: \"more.mp4\"");
    EXPECT_EQ(Refusal({"in.mpg", "out.mp4", "--vb", "1M"}), "options must come before OUTPUT: \"--vb\"");
    EXPECT_EQ(Refusal({"in.mpg", "--vb", "fast", "out.mp4"}), "invalid value for --vb: \"fast\"");
    EXPECT_EQ(Refusal({"in.mpg", "--ss", "1:x", "out.mp4"}), "invalid value for --ss: \"1:x\"");
    EXPECT_EQ(Refusal({"in.mpg", "--target", "bluray", "out.mp4"}), "invalid value for --target: \"bluray\"");
    EXPECT_EQ(Refusal({"in.mpg", "-o", "threads", "out.mp4"}), "invalid value for -o: \"threads\"");
    EXPECT_EQ(Refusal({"--vcodec", "mpeg4", "in.mpg", "out.mp4"}), "unknown input option \"--vcodec\"");
    EXPECT_EQ(Refusal({"in.mpg", "--bogus", "1", "out.mp4"}), "unknown output option \"--bogus\"");
    EXPECT_EQ(Refusal({"--join", "a", "in.mpg", "out.mp4"}), "--join must come after INPUT");
    EXPECT_EQ(Refusal({"in.mpg", "--vcodec"}), "\"--vcodec\" needs a value");
    // A length that rounds to nothing converts nothing.
    EXPECT_EQ(Refusal({"in.mpg", "--t", "00:00:00.0000001", "out.mp4"}),
              "--t must be longer than 0: nothing would be converted");
}

TEST(ConvertArgumentsTest, TimesAndRatesAcceptTheUsualForms)
{
    int64_t us = 0;
    EXPECT_TRUE(ParseTime("90", us));
    EXPECT_EQ(us, 90000000);
    EXPECT_TRUE(ParseTime("1:00:00.25", us));
    EXPECT_EQ(us, 3600250000);
    EXPECT_TRUE(ParseTime(".5", us));
    EXPECT_EQ(us, 500000);
    for (const char* bad : {"", "-1", "-0:00:01", "+1", "1e3", "0x10", " 1", "1.2.3", ".", "1:2:3:4", "a", "1::2"})
        EXPECT_FALSE(ParseTime(bad, us)) << bad;
    int rate = 0;
    EXPECT_TRUE(ParseBitRate("800k", rate));
    EXPECT_EQ(rate, 800000);
    for (const char* bad : {"", "k", "0", "-5k", "3000M"})
        EXPECT_FALSE(ParseBitRate(bad, rate)) << bad;
}

TEST(ConsoleProgressTest, TheShownTimeNeverGoesBackWithinATask)
{
    TShownProgress shown;
    const auto next = [&shown](int task, int64_t current) {
        TProgressInfo info;
        info.TaskIndex = task;
        info.CurrentDuration = current;
        info.TotalDuration = 100'000'000;
        return shown.Next(info).CurrentDuration;
    };
    // Before any stream wrote anything the engine says 10^10 s.
    EXPECT_EQ(next(0, 10'000'000'000'000'000), 0);
    EXPECT_EQ(next(0, 12'100'000), 12'100'000);  // the audio alone
    EXPECT_EQ(next(0, 9'400'000), 12'100'000);   // then the video, further behind
    EXPECT_EQ(next(0, 15'000'000), 15'000'000);
    EXPECT_EQ(next(1, 2'000'000), 2'000'000) << "the next task counts from its own start";
    EXPECT_EQ(next(1, 1'000'000), 2'000'000);
}

TEST(ConsoleProgressTest, TheLineShowsPercentSpeedSizeAndTimes)
{
    TProgressInfo info;
    info.CurrentDuration = 25000000;
    info.TotalDuration = 100000000;
    info.FPS = 57;
    info.CurrentSize = 3 * 1024 * 1024 + 300 * 1024;
    EXPECT_EQ(ProgressLine(info, 10), " 25.0%  fps 57  size 3.3 MB  elapsed 0:00:10  remaining 0:00:30");
    info.TotalDuration = -1;  // unknown: no percent, no guess of the rest
    EXPECT_EQ(ProgressLine(info, 3725), "time 0:00:25  fps 57  size 3.3 MB  elapsed 1:02:05");
    info.TotalDuration = 0;
    info.CurrentSize = 900;
    EXPECT_EQ(ProgressLine(info, 0), "time 0:00:25  fps 57  size 900 B  elapsed 0:00:00");
    EXPECT_EQ(SizeText(2048), "2.0 kB");
    // Each of several tasks counts from 0 %: the line says which one it is.
    info.TaskIndex = 1;
    info.TotalDuration = 50000000;
    EXPECT_EQ(ProgressLine(info, 10, 3), "2/3   50.0%  fps 57  size 900 B  elapsed 0:00:10  remaining 0:00:10");
}

}  // namespace
