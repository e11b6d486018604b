// vidrelo-cli convert: a DVD title and a file converted, mistakes refused,
// and Ctrl-C stopping a run.
#include "tests/support/MakeClip.h"
#include "tests/support/MediaProbe.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TestDiscs.h"
#include "tests/support/TestPaths.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>

using namespace vidrelo::test;

namespace {

std::string Cli() { return BinDir() + "/vidrelo-cli"; }

TEST(CliConvertTest, ADvdTitleBecomesAPlayableFileAndProgressComesLineByLine)
{
    const std::string dir = MakeTempDir("convert");
    const std::string source = "opendvd:" + Disc("discA").path +
                               "|Title=1,FromChapter=1,ToChapter=2,AudioID=129,SubtitleID=0,AudioChannels=2,"
                               "Deinterlace=0";
    const TProgramResult r = RunProgram(Cli(), {"convert", source, "--vcodec", "libx264", "--acodec", "aac",
                                                "--size", "320x240", "-o", "preset=ultrafast", dir + "/t1.mp4"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    const TProbedFile probed = Probe(dir + "/t1.mp4");
    ASSERT_GE(probed.Streams.size(), 2u) << probed.FormatName;
    EXPECT_EQ(Text(probed.Streams[0], "codec_name"), "h264");
    EXPECT_EQ(Number(probed.Streams[0], "width"), 320);
    EXPECT_EQ(Text(probed.Streams[1], "codec_name"), "aac");
    EXPECT_GT(probed.Duration, 5.0);
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

// Each line of `text` as a JSON object; a line that is none fails the test.
std::vector<QJsonObject> JsonLines(const std::string& text)
{
    std::vector<QJsonObject> objects;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
        EXPECT_TRUE(error.error == QJsonParseError::NoError && document.isObject()) << line;
        objects.push_back(document.object());
    }
    return objects;
}

TEST(CliConvertTest, JsonProgressGivesOneObjectALineThenTheOutcome)
{
    const std::string dir = MakeTempDir("convertjson");
    const std::string clip = dir + "/clip.mpg";
    ASSERT_TRUE(MakeClip({"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=4", "-c:v", "mpeg2video",
                          "-f", "vob", clip}));
    // A name a hand-made JSON writer would break: quotes, a backslash, non-ASCII.
    const std::string named = dir + "/say \"h\xc3\xa9\" \\ 1.mp4";
    const struct {
        std::vector<std::string> Options;
        std::string Output;
        int Status;
        std::string Outcome;
    } cases[] = {
        {{"--vcodec", "mpeg4"}, named, 0, "finished"},
        {{"--vcodec", "libx264", "--size", "161x120"}, dir + "/odd.mp4", 1, "failed"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"convert", "--progress", "json", clip};
        args.insert(args.end(), c.Options.begin(), c.Options.end());
        args.push_back(c.Output);
        const TProgramResult r = RunProgram(Cli(), args);
        EXPECT_EQ(r.ExitCode, c.Status) << r.Err;
        EXPECT_EQ(r.Err.find("elapsed"), std::string::npos) << "no human progress line: " << r.Err;
        const std::vector<QJsonObject> lines = JsonLines(r.Out);
        ASSERT_FALSE(lines.empty()) << r.Err;
        double percent = 0;
        for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
            EXPECT_EQ(lines[i]["task"].toInt(), 1);
            EXPECT_GE(lines[i]["percent"].toDouble(), percent) << "the percent never goes back";
            percent = lines[i]["percent"].toDouble();
            EXPECT_LE(percent, 100);
            EXPECT_GE(lines[i]["size"].toDouble(-1), 0);
            EXPECT_GE(lines[i]["elapsed"].toDouble(-1), 0);
        }
        const QJsonObject outcome = lines.back();
        EXPECT_EQ(outcome["task"].toInt(), 1);
        EXPECT_EQ(outcome["outcome"].toString().toStdString(), c.Outcome);
        EXPECT_EQ(outcome["file"].toString().toStdString(), c.Output);
        EXPECT_EQ(std::filesystem::exists(c.Output), c.Status == 0);
        EXPECT_EQ(outcome["message"].toString().isEmpty(), c.Status == 0) << outcome["message"].toString().toStdString();
    }
    EXPECT_GT(Probe(named).Duration, 3.5);
}

TEST(CliConvertTest, OptionNamesMayComeInAnyCase)
{
    const std::string dir = MakeTempDir("convertcase");
    const TProgramResult r =
        RunProgram(Cli(), {"convert", "-o", "ItsOffset=0", Disc("discA").path + "/VIDEO_TS/VTS_01_1.VOB", "-o",
                           "VCodec=mpeg4", "-o", "ACodec=mp2", "-o", "Threads=1", "--t", "1", dir + "/case.avi"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    const TProbedFile probed = Probe(dir + "/case.avi");
    EXPECT_EQ(Text(probed.Stream("video"), "codec_name"), "mpeg4");
    EXPECT_EQ(Text(probed.Stream("audio"), "codec_name"), "mp2");
}

// A source of every audio stream, and maps that name streams by their DVD
// ids: the second track alone, in its language; an id the title lacks is
// refused and leaves no file.
TEST(CliConvertTest, MapsNameTheStreamsOfAnEveryAudioSourceByTheirIds)
{
    const std::string dir = MakeTempDir("convertmapid");
    const std::string source = "opendvd:" + Disc("discA").path + "|Title=1,AudioID=-1";
    const std::vector<std::string> copy = {"--vcodec", "copy", "--acodec", "copy", "-o", "map=0:i:0x1e0", "-o"};
    std::vector<std::string> args = {"convert", source};
    args.insert(args.end(), copy.begin(), copy.end());
    args.insert(args.end(), {"map=0:i:0x81", dir + "/french.mkv"});
    const TProgramResult r = RunProgram(Cli(), args);
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    const std::vector<TProbeBlock> streams =
        ProbeBlocks({"-show_entries", "stream=codec_name:stream_tags=language", dir + "/french.mkv"}, "STREAM");
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(Text(streams[1], "codec_name"), "ac3");
    EXPECT_EQ(Text(streams[1], "TAG:language"), "fre");
    EXPECT_NEAR(ToneHz(dir + "/french.mkv"), 660, 10) << "the second track's own tone";

    args[args.size() - 2] = "map=0:i:0x82";
    args.back() = dir + "/missing.mkv";
    const TProgramResult missing = RunProgram(Cli(), args);
    EXPECT_EQ(missing.ExitCode, 1);
    EXPECT_NE(missing.Err.find("Could not find input stream #0:i:0x82"), std::string::npos) << missing.Err;
    EXPECT_FALSE(std::filesystem::exists(dir + "/missing.mkv"));
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

    for (const char* progress : {"xml", "JSON", ""}) {
        const TProgramResult style =
            RunProgram(Cli(), {"convert", "--progress", progress, "in.mpg", "--vb", "800k", dir + "/x.mp4"});
        EXPECT_EQ(style.ExitCode, 2) << progress;
        EXPECT_NE(style.Err.find("unknown --progress \"" + std::string(progress) + "\" (human or json)"),
                  std::string::npos)
            << style.Err;
    }

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

    // x264 cannot open at an odd width: the run fails once started.
    const TProgramResult failed = RunProgram(Cli(), {"convert", Disc("discA").path + "/VIDEO_TS/VTS_01_1.VOB",
                                                     "--vcodec", "libx264", "--size", "161x120", dir + "/x.mp4"});
    EXPECT_EQ(failed.ExitCode, 1);
    EXPECT_NE(failed.Err.find("The unfinished output '" + dir + "/x.mp4' was removed"), std::string::npos)
        << failed.Err;
    EXPECT_TRUE(std::filesystem::is_empty(dir)) << "neither the file nor its temporary file";
}

// Twenty seconds of MPEG-2 in `dir`, long enough to be stopped midway.
std::string LongClip(const std::string& dir)
{
    const std::string clip = dir + "/long.mpg";
    EXPECT_TRUE(MakeClip({"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=20", "-c:v", "mpeg2video",
                          "-f", "vob", clip}));
    return clip;
}

// Once the conversion has written something under its temporary name.
std::function<bool()> Writing(const std::string& output)
{
    return [output] {
        std::error_code error;
        return std::filesystem::file_size(output + ".part", error) > 4000 && !error;
    };
}

TEST(CliConvertTest, ASignalStopsTheRunWithAPlayableFileAndAKillLeavesNoneUnderTheName)
{
    const std::string dir = MakeTempDir("convertint");
    const std::string clip = LongClip(dir);
    const struct {
        int Signal;
        int Status;
    } cases[] = {{SIGINT, 130}, {SIGTERM, 143}, {SIGKILL, -1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Signal);
        const std::string err = dir + "/stderr.txt";
        const std::string out = dir + "/stdout.txt";
        const std::string output = dir + "/out" + std::to_string(c.Signal) + ".avi";
        const int status =
            InterruptProgram(Cli(), {"convert", "-o", "re=1", clip, "--vcodec", "mpeg4", "--progress", "json", output},
                             err, Writing(output), 15, c.Signal, out);
        EXPECT_EQ(status, c.Status);
        if (c.Signal == SIGKILL) {
            // At most the temporary file is left, never a broken file under the name.
            EXPECT_FALSE(std::filesystem::exists(output));
            continue;
        }
        EXPECT_NE(ReadFile(err).find("vidrelo-cli convert: stopped"), std::string::npos) << ReadFile(err);
        // A script reading the progress learns the same, and which file it got.
        const std::vector<QJsonObject> lines = JsonLines(ReadFile(out));
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back()["outcome"].toString(), "stopped");
        EXPECT_EQ(lines.back()["file"].toString().toStdString(), output);
        // What was converted is a file that plays: a proper end was written.
        const double duration = Probe(output).Duration;
        EXPECT_GT(duration, 0.2);
        EXPECT_LT(duration, 15);
        EXPECT_FALSE(std::filesystem::exists(output + ".part"));
    }
    // The next run takes over what the killed one left.
    const TProgramResult again = RunProgram(Cli(), {"convert", clip, "--vcodec", "mpeg4", "--t", "1",
                                                    dir + "/out" + std::to_string(SIGKILL) + ".avi"});
    EXPECT_EQ(again.ExitCode, 0) << again.Err;
}

TEST(CliConvertTest, AnOutputThatIsAnInputIsAlwaysRefusedAndTheInputKept)
{
    const std::string dir = MakeTempDir("convertself");
    const std::string input = dir + "/in.mpg";
    std::filesystem::copy_file(Disc("discA").path + "/VIDEO_TS/VTS_01_1.VOB", input);
    std::filesystem::create_symlink(input, dir + "/link.mpg");
    const std::string original = ReadFile(input);
    for (const std::string& output : {input, dir + "/link.mpg"}) {
        for (const bool overwrite : {false, true}) {
            std::vector<std::string> args = {"convert", input, "--vcodec", "mpeg2video"};
            if (overwrite)
                args.push_back("-y");
            args.push_back(output);
            const TProgramResult r = RunProgram(Cli(), args);
            EXPECT_EQ(r.ExitCode, 1) << output;
            EXPECT_NE(r.Err.find("it is one of the inputs"), std::string::npos) << r.Err;
        }
    }
    EXPECT_TRUE(ReadFile(input) == original) << "the input is intact";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 2);
}

TEST(CliConvertTest, AnExistingOutputIsReplacedOnlyWithOverwrite)
{
    const std::string dir = MakeTempDir("convertexisting");
    const std::string input = Disc("discA").path + "/VIDEO_TS/VTS_01_1.VOB";
    const std::string output = dir + "/out.avi";
    std::ofstream(output) << "the user's";
    const TProgramResult refused = RunProgram(Cli(), {"convert", input, "--vcodec", "mpeg4", "--t", "1", output});
    EXPECT_EQ(refused.ExitCode, 1);
    EXPECT_NE(refused.Err.find("'" + output + "' already exists (-y or --overwrite replaces it)"), std::string::npos)
        << refused.Err;
    EXPECT_EQ(ReadFile(output), "the user's");
    for (const char* option : {"-y", "--overwrite"}) {
        const TProgramResult replaced =
            RunProgram(Cli(), {"convert", input, "--vcodec", "mpeg4", "--t", "1", option, output});
        EXPECT_EQ(replaced.ExitCode, 0) << replaced.Err;
        EXPECT_NEAR(Probe(output).Duration, 1.0, 0.2);
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
}

TEST(CliConvertTest, TwoRunsNeverWriteOneFileAtOnce)
{
    const std::string dir = MakeTempDir("convertbusy");
    const std::string clip = LongClip(dir);
    const std::string output = dir + "/out.avi";
    std::vector<TProgramResult> second;
    // While the first run writes, a second one onto the same name is refused.
    const int status = InterruptProgram(
        Cli(), {"convert", "-o", "re=1", clip, "--vcodec", "mpeg4", output}, dir + "/stderr.txt",
        [&] {
            if (!Writing(output)())
                return false;
            for (const bool overwrite : {false, true}) {
                std::vector<std::string> args = {"convert", clip, "--vcodec", "mpeg4", output};
                if (overwrite)
                    args.insert(args.end() - 1, "-y");
                second.push_back(RunProgram(Cli(), args));
            }
            return true;
        },
        15);
    EXPECT_EQ(status, 130);
    ASSERT_EQ(second.size(), 2u);
    for (const TProgramResult& r : second) {
        EXPECT_EQ(r.ExitCode, 1);
        EXPECT_NE(r.Err.find("\"" + output + "\" is being written by another conversion"), std::string::npos)
            << r.Err;
    }
    const double duration = Probe(output).Duration;
    EXPECT_GT(duration, 0.2);
    EXPECT_LT(duration, 15);
}

}  // namespace
