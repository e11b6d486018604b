// What the run does to the frames on their way to the encoders: constant
// frame rate by duplicating pictures, forced key frames, two-pass encoding,
// the encoder's picture quality in the report line, metadata carried over,
// and the owner's hooks into pictures and samples.
#include "engine/TEngineBitmap.h"
#include "tests/engine/run/JobRunSupport.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>

#include <filesystem>

using namespace vidrelo;

namespace {

class JobEncodingTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Clips = test::MakeTempDir("encclips");
        // One second at 25 fps with pictures 10, 11 and 12 left out.
        GapClip = Clips + "/gap.mkv";
        ASSERT_TRUE(test::MakeClip({"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=1", "-vf",
                                    "select='not(between(n\\,10\\,12))'", "-fps_mode", "passthrough", "-c:v",
                                    "mpeg4", "-metadata", "title=Gap clip", GapClip}));
        MpegClip = test::MakeMpegClip(Clips);
    }

    void SetUp() override
    {
        ASSERT_TRUE(Libraries.Loaded);
        Out = test::MakeTempDir("encout");
    }

    ::testing::AssertionResult Convert(const std::string& input, const std::string& output,
                                       const std::vector<std::pair<std::string, std::string>>& options,
                                       const std::function<void(TCustomFFmpeg&)>& prepare = nullptr)
    {
        TCustomFFmpeg job(2, test::EngineServices());
        if (prepare)
            prepare(job);
        if (!job.OpenInput(input))
            return ::testing::AssertionFailure() << job.LastErrMsg();
        for (const auto& [name, value] : options)
            job.SetExtOption(name, value);
        if (job.OpenOutput(output) != 0)
            return ::testing::AssertionFailure() << job.LastErrMsg();
        job.StartConvert(false);
        if (!job.Finished())
            return ::testing::AssertionFailure() << job.FatalMessage();
        return ::testing::AssertionSuccess();
    }

    static double MeanGreyAt(const std::string& file, double seconds)
    {
        int width = 0, height = 0;
        const std::string picture = test::GreyPicture(file, seconds, width, height);
        return test::MeanGrey(picture, width, 0, 0, width, height);
    }

    static inline std::string Clips, GapClip, MpegClip;
    test::TEncoderLibraries Libraries;
    test::TLogCapture Log;
    std::string Out;
};

TEST_F(JobEncodingTest, AConstantRateOutputFillsAGapByRepeatingThePictureAfterIt)
{
    // Picture 13 comes three frames late: it goes out three times, from
    // where the output stands (two duplicates).
    const std::string output = Out + "/filled.avi";
    ASSERT_TRUE(Convert(GapClip, output, {{"v", "3"}, {"vcodec", "mpeg4"}}));
    EXPECT_EQ(test::Packets(output, "v:0").size(), 24u);
    EXPECT_EQ(Log.Count("*** 2 dup!"), 1);
    EXPECT_GE(Log.CountContaining(" dup=2 drop=0"), 1);  // the report line

    // A variable rate output keeps the gap instead.
    const std::string variable = Out + "/variable.mkv";
    ASSERT_TRUE(Convert(GapClip, variable, {{"vcodec", "mpeg4"}}));
    EXPECT_EQ(test::Packets(variable, "v:0").size(), 22u);
}

// The decoded pictures of a file, one checksum line each (time, size, sum).
static std::vector<std::string> PictureSums(const std::string& file)
{
    const test::TProgramResult r = test::RunProgram(
        "/usr/bin/ffmpeg", {"-nostdin", "-v", "error", "-i", file, "-map", "0:v:0", "-f", "framemd5", "-"});
    std::vector<std::string> sums;
    for (const std::string& line : test::OutputLines(r.Out))
        if (!line.empty() && line[0] != '#')
            sums.push_back(line);
    return sums;
}

TEST_F(JobEncodingTest, AVideoEncoderOnItsOwnThreadCodesTheSamePicturesAsInPlace)
{
    // Repeated pictures (a constant rate over a gap) and a picture chain
    // that scales: each picture handed over must arrive once, in order,
    // with its own time.
    const std::vector<std::pair<std::string, std::string>> settings[] = {
        {{"vcodec", "mpeg4"}, {"qscale", "4"}},
        {{"vcodec", "mpeg4"}, {"qscale", "4"}, {"s", "96x72"}, {"vsync", "1"}},
    };
    for (std::size_t i = 0; i < std::size(settings); ++i) {
        const auto& options = settings[i];
        std::vector<std::string> sums[2];
        for (int pipeline = 0; pipeline < 2; ++pipeline) {
            const std::string output = Out + "/pipeline" + std::to_string(i) + std::to_string(pipeline) + ".avi";
            auto withPipeline = options;
            withPipeline.emplace_back("pipeline", pipeline ? "1" : "0");
            ASSERT_TRUE(Convert(GapClip, output, withPipeline));
            sums[pipeline] = PictureSums(output);
        }
        EXPECT_EQ(sums[0].size(), 24u);
        EXPECT_EQ(sums[1], sums[0]);
    }
}

TEST_F(JobEncodingTest, AWriteThatFailsOnTheEncodersThreadEndsTheRunWithTheReason)
{
    // A full disk: the video encoder's thread meets the failure first.
    for (const char* pipeline : {"1", "0"}) {
        SCOPED_TRACE(pipeline);
        TCustomFFmpeg job(2, test::EngineServices());
        ASSERT_TRUE(job.OpenInput(MpegClip)) << job.LastErrMsg();
        job.SetExtOption("pipeline", pipeline);
        job.SetExtOption("f", "mpegts");
        job.SetExtOption("vcodec", "mpeg4");
        ASSERT_EQ(job.OpenOutput("/dev/full"), 0) << job.LastErrMsg();
        job.StartConvert(false);
        EXPECT_TRUE(job.Terminated());
        EXPECT_FALSE(job.Finished());
        EXPECT_NE(job.FatalMessage().find("No space left on device"), std::string::npos) << job.FatalMessage();
    }
}

TEST_F(JobEncodingTest, ForcedKeyFramesComeAtTheirTimes)
{
    const std::string output = Out + "/keys.avi";
    ASSERT_TRUE(Convert(GapClip, output, {{"vcodec", "mpeg4"}, {"g", "100"}, {"force_key_frames", "0.4,0.8"}}));
    std::vector<int> keys;
    int index = 0;
    for (const test::TProbeBlock& packet :
         test::ProbeBlocks({"-select_streams", "v:0", "-show_entries", "packet=flags", output})) {
        if (packet.at("flags").find('K') != std::string::npos)
            keys.push_back(index);
        ++index;
    }
    EXPECT_EQ(keys, (std::vector<int>{0, 10, 20}));  // output frames: 25 a second
}

TEST_F(JobEncodingTest, TheEncodersBufferSizeReachesTheProgramStreamMuxer)
{
    // A DVD-style program stream needs the video buffer size in its headers;
    // without it the muxer guesses and says so.
    ASSERT_TRUE(Convert(GapClip, Out + "/buffer.mpg",
                        {{"vcodec", "mpeg2video"}, {"b", "2M"}, {"maxrate", "4M"}, {"bufsize", "1835008"}}));
    EXPECT_EQ(Log.CountContaining("VBV buffer size not set"), 0) << Log.Dump();
}

TEST_F(JobEncodingTest, TwoPassEncodingWritesAndReadsItsStatistics)
{
    const std::string prefix = Out + "/stats";
    ASSERT_TRUE(Convert(GapClip, Out + "/pass1.avi",
                        {{"vcodec", "mpeg4"}, {"b", "200k"}, {"pass", "1"}, {"passlogfile", prefix}}));
    const std::string log = prefix + "-0.log";
    ASSERT_TRUE(std::filesystem::exists(log));
    EXPECT_GT(std::filesystem::file_size(log), 0u);
    ASSERT_TRUE(Convert(GapClip, Out + "/pass2.avi",
                        {{"vcodec", "mpeg4"}, {"b", "200k"}, {"pass", "2"}, {"passlogfile", prefix}}));
    EXPECT_EQ(test::Packets(Out + "/pass2.avi", "v:0").size(), 24u);

    TCustomFFmpeg job(1, test::EngineServices());
    ASSERT_TRUE(job.OpenInput(GapClip));
    job.SetExtOption("vcodec", "mpeg4");
    job.SetExtOption("pass", "2");
    job.SetExtOption("passlogfile", Out + "/missing");
    ASSERT_EQ(job.OpenOutput(Out + "/pass2b.avi"), 0);
    job.StartConvert(false);
    EXPECT_EQ(job.FatalMessage(),
              "Cannot read file: Error reading log file \"" + Out + "/missing-0.log\" for pass-2 encoding");
}

TEST_F(JobEncodingTest, MetadataIsCarriedOverUnlessMappedOtherwise)
{
    const std::string copied = Out + "/copied.mkv";
    ASSERT_TRUE(Convert(GapClip, copied, {{"vcodec", "copy"}}));
    const auto title = [](const std::string& file) {
        for (const test::TProbeBlock& b : test::ProbeBlocks({"-show_entries", "format_tags=title", file}))
            if (b.count("TAG:title"))
                return b.at("TAG:title");
        return std::string();
    };
    EXPECT_EQ(title(copied), "Gap clip");
    const std::string mapped = Out + "/mapped.mkv";
    ASSERT_TRUE(Convert(GapClip, mapped, {{"vcodec", "copy"}, {"map_meta_data", "0:0,s0"}}));
    EXPECT_EQ(title(mapped), "");  // the global copy is off once global metadata is mapped
}

TEST_F(JobEncodingTest, AnInputHookThatPaintsTheBitmapChangesEveryPicture)
{
    std::vector<int64_t> times;
    int size = 0;
    const auto whiten = [&](TCustomFFmpeg& job) {
        job.OnInputVideoHook = [&](TCustomFFmpeg*, TEngineBitmap* bitmap, int, int64_t pts, bool& update, bool&) {
            std::memset(bitmap->Bits(), 0xFF, static_cast<std::size_t>(bitmap->RowSize()) * bitmap->Height());
            size = bitmap->Width() * 1000 + bitmap->Height();
            times.push_back(pts);
            EXPECT_TRUE(update);
        };
    };
    const std::string output = Out + "/white.avi";
    ASSERT_TRUE(Convert(GapClip, output, {{"vcodec", "mpeg4"}, {"qscale", "2"}}, whiten));
    EXPECT_GT(MeanGreyAt(output, 0.5), 240);
    EXPECT_EQ(size, 160120);
    ASSERT_EQ(times.size(), 22u);  // every decoded picture
    EXPECT_EQ(times[10] - times[9], 160000);  // the input's own times, across its gap
}

TEST_F(JobEncodingTest, AHookThatFailsOrStopsLeavesThePicturesAlone)
{
    int calls = 0;
    const auto failing = [&](TCustomFFmpeg& job) {
        job.OnOutputVideoHook = [&](TCustomFFmpeg*, TEngineBitmap* bitmap, int, int64_t, bool&, bool&) {
            std::memset(bitmap->Bits(), 0xFF, static_cast<std::size_t>(bitmap->RowSize()) * bitmap->Height());
            ++calls;
            throw std::runtime_error("boom");
        };
    };
    const std::string output = Out + "/unchanged.avi";
    ASSERT_TRUE(Convert(GapClip, output, {{"vcodec", "mpeg4"}}, failing));
    EXPECT_EQ(calls, 24);  // every encoded picture, duplicates included
    EXPECT_EQ(Log.Count("Error occurs VideoHook event: boom"), 24);
    EXPECT_LT(MeanGreyAt(output, 0.5), 200);

    calls = 0;
    const auto once = [&](TCustomFFmpeg& job) {
        job.OnOutputVideoHook = [&](TCustomFFmpeg*, TEngineBitmap*, int, int64_t, bool&, bool& stop) {
            ++calls;
            stop = true;
        };
    };
    ASSERT_TRUE(Convert(GapClip, Out + "/once.avi", {{"vcodec", "mpeg4"}}, once));
    EXPECT_EQ(calls, 1);
}

TEST_F(JobEncodingTest, PreviewBitmapsComeAtMostOncePerPreviewInterval)
{
    std::vector<int64_t> wallTimes;
    std::vector<int> frames;
    const auto preview = [&](TCustomFFmpeg& job) {
        job.SetPostHook(phBitmap, true);
        job.PreviewInterval = 100000;
        job.OnPreviewBitmap = [&](TCustomFFmpeg*, TEngineBitmap* bitmap, int frame, int64_t) {
            using namespace std::chrono;
            wallTimes.push_back(duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
            frames.push_back(frame);
            EXPECT_EQ(bitmap->Width(), 160);
        };
    };
    ASSERT_TRUE(Convert(GapClip, Out + "/preview.avi", {{"re", "1"}, {"vcodec", "mpeg4"}}, preview));
    ASSERT_GE(wallTimes.size(), 5u);  // one second at the input's pace
    EXPECT_LE(wallTimes.size(), 11u);
    EXPECT_EQ(frames.front(), 0);
    for (std::size_t i = 1; i < wallTimes.size(); ++i)
        EXPECT_GE(wallTimes[i] - wallTimes[i - 1], 100000);
}

TEST_F(JobEncodingTest, TheAudioHookSeesTheDecodedSamples)
{
    int calls = 0;
    int64_t bytes = 0;
    const auto listen = [&](TCustomFFmpeg& job) {
        job.OnAudioHook = [&](TCustomFFmpeg*, int64_t, void* samples, int size, int rate, int channels, int format) {
            ++calls;
            bytes += size;
            EXPECT_NE(samples, nullptr);
            EXPECT_EQ(rate, 44100);
            EXPECT_EQ(channels, 1);
            EXPECT_EQ(format, AV_SAMPLE_FMT_S16P);  // the MP2 decoder's
        };
    };
    ASSERT_TRUE(Convert(MpegClip, Out + "/listened.mp3", {{"vn", "1"}, {"acodec", "libmp3lame"}}, listen));
    EXPECT_GT(calls, 30);
    EXPECT_NEAR(bytes / 2.0 / 44100, 1.0, 0.05);
}

TEST_F(JobEncodingTest, HooksNeedDecodedFramesSoStreamCopyIsRefused)
{
    struct TCase {
        std::function<void(TCustomFFmpeg&)> Prepare;
        std::string Codec;
        std::string Message;
    };
    const TCase cases[] = {
        {[](TCustomFFmpeg& job) { job.OnInputVideoHook = [](auto...) {}; }, "vcodec",
         "-vcodec copy and VideoHook are incompatible (frames are not decoded)"},
        {[](TCustomFFmpeg& job) { job.SetPostHook(phBitmap, true); }, "vcodec",
         "-vcodec copy and PostHooks are incompatible (frames are not decoded)"},
        {[](TCustomFFmpeg& job) { job.OnAudioHook = [](auto...) {}; }, "acodec",
         "-acodec copy and AudioHook are incompatible (frames are not decoded)"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Message);
        TCustomFFmpeg job(1, test::EngineServices());
        c.Prepare(job);
        ASSERT_TRUE(job.OpenInput(MpegClip));
        job.SetExtOption(c.Codec, "copy");
        ASSERT_EQ(job.OpenOutput(Out + "/copy.mpg"), 0);
        job.StartConvert(false);
        EXPECT_EQ(job.FatalMessage(), c.Message);
    }
}

TEST_F(JobEncodingTest, AVideoStatisticsFileGetsALinePerEncodedPicture)
{
    // Named by the caller, or (with "vstats") by the time of day in the
    // user's state folder, never beside the program, which an installation
    // keeps read-only.
    const std::string state = Out + "/state";
    ASSERT_EQ(::setenv("XDG_STATE_HOME", state.c_str(), 1), 0);
    const std::vector<std::pair<std::string, std::string>> cases[] = {{{"vstats_file", Out + "/vstats.log"}},
                                                                      {{"vstats", "1"}}};
    for (const auto& options : cases) {
        SCOPED_TRACE(options[0].first);
        auto all = options;
        all.emplace_back("vcodec", "mpeg4");
        ASSERT_TRUE(Convert(GapClip, Out + "/stats-" + options[0].first + ".avi", all));
        std::string stats = options[0].second;
        if (options[0].first == "vstats")
            for (const auto& entry : std::filesystem::directory_iterator(state + "/Vidrelo"))
                stats = entry.path().string();
        EXPECT_TRUE(stats.ends_with(".log")) << stats;
        std::ifstream in(stats);
        std::string line;
        int lines = 0;
        while (std::getline(in, line)) {
            ++lines;
            EXPECT_EQ(line.substr(0, 7), "frame= ");
            EXPECT_NE(line.find(" f_size= "), std::string::npos);
            EXPECT_NE(line.find(" type= "), std::string::npos);
        }
        EXPECT_EQ(lines, 24);
    }
    ::unsetenv("XDG_STATE_HOME");
}

TEST_F(JobEncodingTest, WithPsnrAndQphistTheReportLineCarriesThePictureQuality)
{
    // A fixed quantiser of 4: all 22 pictures land in the histogram's fifth
    // place (log2 of 23, rounded down: 4).
    const std::string stats = Out + "/vstats.log";
    ASSERT_TRUE(Convert(GapClip, Out + "/quality.mkv",
                        {{"vcodec", "mpeg4"}, {"qscale", "4"}, {"psnr", "1"}, {"qphist", "1"}, {"vstats_file", stats}}));
    const std::string histogram = std::string("0000") + "4" + std::string(27, '0');
    const std::string lines = Log.Dump();
    const std::size_t last = lines.rfind("frame=   22 ");
    ASSERT_NE(last, std::string::npos) << lines;
    const std::string line = lines.substr(last, lines.find('\n', last) - last);
    const std::size_t psnr = line.find("q=4.0 " + histogram + "PSNR=Y:");
    ASSERT_NE(psnr, std::string::npos) << line;
    double y = 0, u = 0, v = 0, all = 0;
    ASSERT_EQ(std::sscanf(line.c_str() + line.find("PSNR="), "PSNR=Y:%lf U:%lf V:%lf *:%lf ", &y, &u, &v, &all), 4)
        << line;
    for (const double db : {y, u, v, all}) {
        EXPECT_GT(db, 25) << line;
        EXPECT_LT(db, 70) << line;
    }
    EXPECT_LT(all, std::max({y, u, v}));
    EXPECT_GT(all, std::min({y, u, v}));

    // The statistics file has the luma PSNR of each picture.
    std::ifstream in(stats);
    std::string entry;
    int measured = 0;
    while (std::getline(in, entry))
        measured += entry.find(" PSNR= ") != std::string::npos;
    EXPECT_EQ(measured, 22);

    // Without the options the line has neither.
    const int withPsnr = Log.CountContaining("PSNR="), withHistogram = Log.CountContaining(histogram);
    ASSERT_TRUE(Convert(GapClip, Out + "/plain.mkv", {{"vcodec", "mpeg4"}, {"qscale", "4"}}));
    EXPECT_EQ(Log.CountContaining("PSNR="), withPsnr);
    EXPECT_EQ(Log.CountContaining(histogram), withHistogram);
}

TEST_F(JobEncodingTest, APictureSizeThatChangesMidStreamIsScaledOnlyWhenTheStreamScales)
{
    // 320x240 then, with a new sequence and clock, 160x120.
    const std::string large = Out + "/large.mpg";
    const std::string small = Out + "/small.mpg";
    ASSERT_TRUE(test::MakeClip({"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=1", "-c:v",
                                "mpeg2video", "-f", "vob", large}));
    ASSERT_TRUE(test::MakeClip({"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=1", "-c:v",
                                "mpeg2video", "-f", "vob", small}));
    const std::string both = Out + "/both.mpg";
    std::ofstream(both, std::ios::binary) << test::ReadAll(large) << test::ReadAll(small);

    const std::string scaled = Out + "/scaled.avi";
    ASSERT_TRUE(Convert(both, scaled, {{"s", "240x180"}, {"vcodec", "mpeg4"}}));
    EXPECT_EQ(Log.Count("Input Stream #0.0 frame size changed to 160x120, yuv420p"), 1);
    EXPECT_EQ(test::Probe(scaled).Stream("video")["width"], "240");
    EXPECT_NEAR(static_cast<double>(test::Packets(scaled, "v:0").size()), 50, 2);

    TCustomFFmpeg job(1, test::EngineServices());
    ASSERT_TRUE(job.OpenInput(both));
    job.SetExtOption("vcodec", "mpeg4");
    ASSERT_EQ(job.OpenOutput(Out + "/unscaled.avi"), 0);
    job.StartConvert(false);
    EXPECT_EQ(job.FatalMessage(), "Input Stream #0.0 frame size changed to 160x120, yuv420p");
}

TEST_F(JobEncodingTest, AnAudioFormatThatChangesMidStreamIsFollowed)
{
    // One second of 44100 Hz mono, then one of 48000 Hz stereo.
    const std::string second = Out + "/second.mpg";
    ASSERT_TRUE(test::MakeClip({"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=1", "-f", "lavfi", "-i",
                                "sine=frequency=660:sample_rate=48000:duration=1", "-ac", "2", "-c:v", "mpeg2video",
                                "-c:a", "mp2", "-f", "vob", second}));
    const std::string both = Out + "/both.mpg";
    std::ofstream(both, std::ios::binary) << test::ReadAll(MpegClip) << test::ReadAll(second);
    const std::string output = Out + "/audio.mp3";
    ASSERT_TRUE(Convert(both, output, {{"vn", "1"}, {"acodec", "libmp3lame"}}));
    // (The decoder may pass through a frame of mixed parameters at the splice.)
    EXPECT_EQ(Log.CountContaining("to rate:48000 fmt:s16p ch:2"), 1) << Log.Dump();
    EXPECT_GE(Log.CountPrefix("Input stream #0.1 frame changed from rate:44100 fmt:s16p ch:1 to "), 1);
    EXPECT_NEAR(test::DecodedAudioSeconds(output), 2.0, 0.06);
}

TEST_F(JobEncodingTest, TextSubtitlesAreEncodedForTheOutputsSubtitleStream)
{
    const std::string output = Out + "/encoded.mkv";  // (the clip itself is subtitled.mkv)
    ASSERT_TRUE(Convert(test::MakeSubtitledClip(Out), output, {{"vcodec", "mpeg4"}, {"acodec", "ac3"}}));
    const test::TProbedFile probed = test::Probe(output);
    EXPECT_EQ(probed.Stream("subtitle")["codec_name"], "ass");
    const std::vector<test::TPacketTimes> packets = test::Packets(output, "s:0");
    ASSERT_EQ(packets.size(), 1u);
    EXPECT_NEAR(packets[0].Pts, test::FirstTime(test::Packets(output, "v:0")), 0.04);  // with the first picture
    EXPECT_NEAR(packets[0].Duration, 0.9, 0.001);
}

}  // namespace
