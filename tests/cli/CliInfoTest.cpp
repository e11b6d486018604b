// vidrelo-cli info against ffprobe: on a DVD title read through the plug-in
// (ffprobe reads the same title dumped to a file) and on an MP4, both must
// agree on streams, codecs, sizes, rates and durations.
#include "tests/support/MakeClip.h"
#include "tests/support/MediaProbe.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TestDiscs.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

using namespace vidrelo::test;

namespace {

std::string Cli() { return BinDir() + "/vidrelo-cli"; }

struct TStreamFacts {
    std::string Codec;
    int Width = 0;
    int Height = 0;
    double Fps = 0;
    int SampleRate = 0;
    double Duration = -1;  // seconds; -1 unknown
};

struct TInputFacts {
    double Duration = -1;
    std::vector<TStreamFacts> Streams;
};

double Seconds(const std::smatch& m, size_t first)
{
    return std::stoi(m[first]) * 3600 + std::stoi(m[first + 1]) * 60 + std::stoi(m[first + 2]) +
           std::stoi(m[first + 3]) / 1000.0;
}

TStreamFacts StreamFromLine(const std::string& line)
{
    static const std::regex codec(R"(: (?:Video|Audio|Subtitle|Data): ([a-z0-9_]+))");
    static const std::regex size(R"(, (\d+)x(\d+))");
    static const std::regex fps(R"(, ([0-9.]+) fps)");
    static const std::regex rate(R"(, (\d+) Hz)");
    static const std::regex duration(R"(, Duration: (\d+):(\d+):(\d+)\.(\d+))");
    TStreamFacts s;
    std::smatch m;
    if (std::regex_search(line, m, codec))
        s.Codec = m[1];
    if (std::regex_search(line, m, size)) {
        s.Width = std::stoi(m[1]);
        s.Height = std::stoi(m[2]);
    }
    if (std::regex_search(line, m, fps))
        s.Fps = std::stod(m[1]);
    if (std::regex_search(line, m, rate))
        s.SampleRate = std::stoi(m[1]);
    if (std::regex_search(line, m, duration))
        s.Duration = Seconds(m, 1);
    return s;
}

// What the information text says; every line must end with CR LF.
TInputFacts FromInfo(const std::string& text)
{
    static const std::regex duration(R"(^Duration: (\d+):(\d+):(\d+)\.(\d+)$)");
    TInputFacts facts;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        const std::string line = text.substr(start, end - start);
        std::smatch m;
        if (std::regex_match(line, m, duration))
            facts.Duration = Seconds(m, 1);
        else if (line.rfind("Stream #", 0) == 0)
            facts.Streams.push_back(StreamFromLine(line));
    }
    EXPECT_EQ(start, text.size()) << "a line without CR LF";
    return facts;
}

// What ffprobe says.
TInputFacts FromFFprobe(const std::string& file)
{
    const TProbedFile probed = Probe(file);
    EXPECT_FALSE(probed.FormatName.empty()) << file << " is not a media file to ffprobe";
    TInputFacts facts;
    facts.Duration = probed.Duration;
    for (const TProbeBlock& s : probed.Streams)
        facts.Streams.push_back({Text(s, "codec_name"), static_cast<int>(Number(s, "width", 0)),
                                 static_cast<int>(Number(s, "height", 0)), Number(s, "avg_frame_rate", 0),
                                 static_cast<int>(Number(s, "sample_rate", 0)), Number(s, "duration")});
    return facts;
}

// Durations agree within one frame (the text keeps milliseconds only).
void ExpectSameInput(const TInputFacts& info, const TInputFacts& probe, double frame)
{
    EXPECT_NEAR(info.Duration, probe.Duration, frame);
    ASSERT_EQ(info.Streams.size(), probe.Streams.size());
    for (size_t i = 0; i < info.Streams.size(); ++i) {
        SCOPED_TRACE("stream " + std::to_string(i));
        const TStreamFacts& a = info.Streams[i];
        const TStreamFacts& b = probe.Streams[i];
        EXPECT_EQ(a.Codec, b.Codec);
        EXPECT_EQ(a.Width, b.Width);
        EXPECT_EQ(a.Height, b.Height);
        EXPECT_NEAR(a.Fps, b.Fps, 0.01);
        EXPECT_EQ(a.SampleRate, b.SampleRate);
        EXPECT_EQ(a.Duration < 0, b.Duration < 0);
        if (a.Duration >= 0 && b.Duration >= 0) {
            EXPECT_NEAR(a.Duration, b.Duration, frame);
        }
    }
}

TEST(CliInfoTest, DvdTitleAgreesWithFFprobeOnItsDump)
{
    const std::string source = "opendvd:" + Disc("discA").path +
                               "|Title=1,FromChapter=1,ToChapter=2,AudioID=128,SubtitleID=32,AudioChannels=2,"
                               "Deinterlace=0";
    const TProgramResult info = RunProgram(Cli(), {"info", source});
    ASSERT_EQ(info.ExitCode, 0) << info.Err;
    const std::string dump = MakeTempDir("info") + "/title1.mpg";
    ASSERT_EQ(RunProgram(Cli(), {"dump", source, dump}).ExitCode, 0);

    const TInputFacts facts = FromInfo(info.Out);
    ExpectSameInput(facts, FromFFprobe(dump), 1001.0 / 30000);
    ASSERT_EQ(facts.Streams.size(), 3u);
    EXPECT_EQ(facts.Streams[2].Codec, "dvd_subtitle");
    EXPECT_NEAR(facts.Streams[0].Duration, Disc("discA").Title(1).length, 0.001);
    EXPECT_EQ(info.Out.rfind("File Name: " + source + "\r\nFormat Name: mpeg\r\n", 0), 0u) << info.Out;
    // The plug-in's stream is exactly what dump writes.
    std::ostringstream size;
    size.precision(2);
    size << std::fixed << std::filesystem::file_size(dump) / 1048576.0 << " MB";
    EXPECT_NE(info.Out.find("\r\nFile Size: " + size.str() + "\r\n"), std::string::npos) << info.Out;
    EXPECT_NE(info.Out.find("\r\nStream #0[0x1e0], 1/90000: Video: mpeg2video"), std::string::npos) << info.Out;
    // The disc names each stream's language, which the dump cannot carry.
    EXPECT_NE(info.Out.find("\r\nStream #1[0x80](eng), 1/90000: Audio: ac3"), std::string::npos) << info.Out;
    EXPECT_NE(info.Out.find("\r\nStream #2[0x20](eng), 1/90000: Subtitle: dvd_subtitle"), std::string::npos)
        << info.Out;
}

TEST(CliInfoTest, Mp4AgreesWithFFprobe)
{
    const std::string file = MakeTempDir("info") + "/clip.mp4";
    ASSERT_TRUE(MakeClip({"-f", "lavfi", "-i", "testsrc=size=352x288:rate=25:duration=3", "-f", "lavfi", "-i",
                          "sine=frequency=440:sample_rate=48000:duration=3", "-c:v", "libx264", "-pix_fmt", "yuv420p",
                          "-c:a", "aac", file}));
    const TProgramResult info = RunProgram(Cli(), {"info", file, "--libav", MakeTempDir("nolibs")});
    ASSERT_EQ(info.ExitCode, 0) << info.Err;
    const TInputFacts facts = FromInfo(info.Out);
    ExpectSameInput(facts, FromFFprobe(file), 1.0 / 25);
    ASSERT_EQ(facts.Streams.size(), 2u);
    EXPECT_EQ(facts.Streams[0].Codec, "h264");
    EXPECT_EQ(facts.Streams[1].SampleRate, 48000);
}

TEST(CliInfoTest, UnreadableSourcesFailWithTheReason)
{
    const TProgramResult missing = RunProgram(Cli(), {"info", "/no/such/clip.mp4"});
    EXPECT_EQ(missing.ExitCode, 1);
    EXPECT_EQ(missing.Err, "vidrelo-cli info: /no/such/clip.mp4: No such file or directory\n");
    EXPECT_TRUE(missing.Out.empty());

    const std::string notMedia = MakeTempDir("info") + "/notes.txt";
    std::ofstream(notMedia) << "not a media file\n";
    const TProgramResult garbage = RunProgram(Cli(), {"info", notMedia});
    EXPECT_EQ(garbage.ExitCode, 1);
    EXPECT_NE(garbage.Err.find("Invalid data found when processing input"), std::string::npos) << garbage.Err;

    const TProgramResult badTitle = RunProgram(Cli(), {"info", "opendvd:" + Disc("discA").path + "|Title=9"});
    EXPECT_EQ(badTitle.ExitCode, 1);
    EXPECT_FALSE(badTitle.Err.empty());
    EXPECT_TRUE(badTitle.Out.empty());

    EXPECT_EQ(RunProgram(Cli(), {"info"}).ExitCode, 2);
    EXPECT_EQ(RunProgram(Cli(), {"info", "a.mp4", "b.mp4"}).ExitCode, 2);
}

}  // namespace
