// What the run does to keep streams in step and to the packets it writes:
// audio held to its timestamps ("async"), bitstream filters, an input read
// in a loop, and stream maps choosing each join segment's streams.
#include "engine/encoder/FFmpegException.h"
#include "engine/loader/MediaErrorText.h"
#include "tests/engine/run/JobRunSupport.h"

#include <algorithm>
#include <cmath>

using namespace vidrelo;

namespace {

using TOptions = std::vector<std::pair<std::string, std::string>>;

class JobStreamTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Clips = test::MakeTempDir("streamclips");
        // Four seconds of pictures with a 440 Hz tone whose timestamps leave
        // a hole (1.0 to 1.5 s), or run slower or faster than its samples:
        // 4.2 s and 3.8 s of samples stamped over 4 s, and 3.94 s stamped
        // over 4 s, a drift small enough to stretch away.
        GapClip = MakeAudioClip("gap.mkv", 4, "aselect='not(between(t,1,1.5))'");
        SlowClip = MakeAudioClip("slow.mkv", 4.2, "asetpts=PTS*0.95");
        FastClip = MakeAudioClip("fast.mkv", 3.8, "asetpts=PTS*1.05");
        DriftClip = MakeAudioClip("drift.mkv", 3.94, "asetpts=PTS*1.015");
    }

    static std::string MakeAudioClip(const std::string& name, double seconds, const std::string& filter)
    {
        const std::string clip = Clips + "/" + name;
        EXPECT_TRUE(test::MakeClip({"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=4", "-f", "lavfi",
                                    "-i", "sine=f=440:sample_rate=48000:duration=" + std::to_string(seconds), "-af",
                                    filter, "-c:v", "mpeg4", "-c:a", "pcm_s16le", clip}));
        return clip;
    }

    void SetUp() override
    {
        ASSERT_TRUE(Libraries.Loaded);
        Out = test::MakeTempDir("streamout");
    }

    ::testing::AssertionResult Convert(const std::string& input, const std::string& output, const TOptions& before,
                                       const TOptions& options)
    {
        TCustomFFmpeg job(2, test::EngineServices());
        for (const auto& [name, value] : before)
            job.SetExtOption(name, value);
        if (!job.OpenInput(input))
            return ::testing::AssertionFailure() << job.LastErrMsg();
        for (const auto& [name, value] : options)
            job.SetExtOption(name, value);
        if (job.OpenOutput(output) != 0)
            return ::testing::AssertionFailure() << job.LastErrMsg();
        job.StartConvert(false);
        Fatal = job.FatalMessage();
        if (!job.Finished())
            return ::testing::AssertionFailure() << job.FatalMessage();
        return ::testing::AssertionSuccess();
    }

    // Joins `inputs` into `output` with `options` set before the output.
    ::testing::AssertionResult Join(const std::vector<std::string>& inputs, const std::string& output,
                                    const TOptions& options)
    {
        TCustomFFmpeg job(4, test::EngineServices());
        for (const std::string& input : inputs)
            if (!job.OpenInput(input))
                return ::testing::AssertionFailure() << job.LastErrMsg();
        for (const auto& [name, value] : options)
            job.SetExtOption(name, value);
        if (job.OpenOutput(output, true) != 0)
            return ::testing::AssertionFailure() << job.LastErrMsg();
        job.StartConvert(false);
        Fatal = job.FatalMessage();
        if (!job.Finished())
            return ::testing::AssertionFailure() << job.FatalMessage();
        return ::testing::AssertionSuccess();
    }

    // The frequency of the tone in [from, to) seconds, from zero crossings.
    static double ToneIn(const std::vector<int16_t>& samples, double from, double to)
    {
        const auto first = static_cast<std::size_t>(from * 48000);
        const auto last = std::min(samples.size(), static_cast<std::size_t>(to * 48000));
        int crossings = 0;
        for (std::size_t i = first + 1; i < last; ++i)
            crossings += (samples[i - 1] < 0) != (samples[i] < 0);
        return last > first ? crossings / 2.0 / ((last - first) / 48000.0) : 0;
    }

    // An MJPEG clip of 25 pictures; with `damaged` the fifth one's start
    // marker is gone.
    static std::string MakeMjpegClip(const std::string& name, bool damaged)
    {
        const std::string clip = Clips + "/" + name;
        EXPECT_TRUE(test::MakeClip({"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=1", "-c:v", "mjpeg",
                                    "-f", "avi", clip}));
        if (!damaged)
            return clip;
        std::string bytes = test::ReadAll(clip);
        std::size_t at = 0;
        for (int picture = 0; picture < 5; ++picture)
            at = bytes.find("\xff\xd8", at + 1);
        EXPECT_NE(at, std::string::npos);
        bytes[at] = bytes[at + 1] = 0;
        std::ofstream(clip, std::ios::binary) << bytes;
        return clip;
    }

    static std::vector<int> PacketSizes(const std::string& file, const std::string& stream)
    {
        std::vector<int> sizes;
        for (const test::TProbeBlock& b : test::ProbeBlocks({"-select_streams", stream, "-show_entries", "packet=size", file}))
            sizes.push_back(static_cast<int>(test::Number(b, "size")));
        return sizes;
    }

    // What the ffmpeg program says decoding the whole file.
    static std::string DecodingErrors(const std::string& file)
    {
        return test::RunProgram("/usr/bin/ffmpeg", {"-nostdin", "-v", "error", "-i", file, "-f", "null", "-"}).Err;
    }

    // Root mean square level of [from, to) seconds; -1 past the end.
    static double Level(const std::vector<int16_t>& samples, double from, double to)
    {
        const auto first = static_cast<std::size_t>(from * 48000);
        const auto last = static_cast<std::size_t>(to * 48000);
        if (last > samples.size() || last <= first)
            return -1;
        double sum = 0;
        for (std::size_t i = first; i < last; ++i)
            sum += double(samples[i]) * samples[i];
        return std::sqrt(sum / double(last - first));
    }

    // How many 10 ms stretches of [from, to) seconds are silent.
    static int SilentStretches(const std::vector<int16_t>& samples, double from, double to)
    {
        int silent = 0;
        for (double t = from; t + 0.01 <= to; t += 0.01)
            silent += Level(samples, t, t + 0.01) < 50;
        return silent;
    }

    static double VideoSeconds(const std::string& file)
    {
        const std::vector<test::TPacketTimes> packets = test::Packets(file, "v:0");
        double end = 0;
        for (const test::TPacketTimes& p : packets)
            end = std::max(end, p.Time() + p.Duration);
        return end;
    }

    static inline std::string Clips, GapClip, SlowClip, FastClip, DriftClip;
    test::TEncoderLibraries Libraries;
    test::TLogCapture Log;
    std::string Out;
    std::string Fatal;  // of the last conversion
};

const TOptions kPcmVideo = {{"vcodec", "mpeg4"}, {"acodec", "pcm_s16le"}};

TOptions With(TOptions options, const std::string& name, const std::string& value)
{
    options.emplace_back(name, value);
    return options;
}

TEST_F(JobStreamTest, AHoleInTheAudioTimestampsIsFilledWithSilenceWithAsync)
{
    // Without "async" the samples simply follow each other: the hole is lost.
    const std::string plain = Out + "/plain.mkv";
    ASSERT_TRUE(Convert(GapClip, plain, {}, kPcmVideo));
    EXPECT_NEAR(test::DecodedAudioSeconds(plain), 3.5, 0.05);

    const std::string synced = Out + "/synced.mkv";
    ASSERT_TRUE(Convert(GapClip, synced, {}, With(kPcmVideo, "async", "1")));
    EXPECT_NEAR(test::DecodedAudioSeconds(synced), VideoSeconds(synced), 0.05);
    const std::vector<int16_t> samples = test::MonoSamples(synced);
    EXPECT_GT(Level(samples, 0.5, 0.9), 1000);
    EXPECT_LT(Level(samples, 1.1, 1.4), 50);   // the silence put in
    EXPECT_GT(Level(samples, 1.6, 3.5), 1000);  // the tone where its timestamps say
}

TEST_F(JobStreamTest, AudioThatDriftsFromItsTimestampsIsHeldToThem)
{
    // "async" 1 pads and drops once the drift passes the threshold; above 1
    // the rate is also stretched, by up to that many samples a second, and
    // a drift that stretching cannot follow is padded or dropped too.
    struct TCase {
        std::string Clip, Name, Async;
        bool Padded;  // silence put in
    };
    const TCase cases[] = {
        {SlowClip, "slow-drop", "1", false},
        {FastClip, "fast-pad", "1", true},
        {SlowClip, "slow-squeeze", "1000", false},
        {DriftClip, "drift-stretch", "1000", false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string output = Out + "/" + c.Name + ".mkv";
        ASSERT_TRUE(Convert(c.Clip, output, {}, With(With(kPcmVideo, "async", c.Async), "adrift_threshold", "0.02")));
        EXPECT_NEAR(test::DecodedAudioSeconds(output), VideoSeconds(output), 0.05);
        const std::vector<int16_t> samples = test::MonoSamples(output);
        if (c.Padded) {
            EXPECT_GT(SilentStretches(samples, 0.1, 3.7), 0);
        } else {
            EXPECT_EQ(SilentStretches(samples, 0.1, 3.7), 0);
            EXPECT_NEAR(test::ToneHz(output), 440, 440 * 0.02);  // stretched a little at most
        }
    }
    // The drift is there: without "async" the samples simply run on.
    const std::string plain = Out + "/plain.mkv";
    ASSERT_TRUE(Convert(SlowClip, plain, {}, kPcmVideo));
    EXPECT_NEAR(test::DecodedAudioSeconds(plain), 4.2, 0.05);
}

TEST_F(JobStreamTest, BitstreamFiltersWorkOnCopiedAndEncodedPackets)
{
    // H.264 from MP4 into MPEG-TS: the filters work in their own time bases
    // (the MP4 track's, not the transport stream's 90 kHz clock).
    const std::string mp4 = Clips + "/h264.mp4";
    ASSERT_TRUE(test::MakeClip({"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=2", "-c:v", "libx264",
                                "-preset", "veryfast", mp4}));
    const std::string ts = Out + "/annexb.ts";
    ASSERT_TRUE(Convert(mp4, ts, {}, {{"vcodec", "copy"}, {"vbsf", "h264_mp4toannexb"}, {"vbsf", "dump_extra"}}));
    std::vector<double> shown;
    for (const test::TPacketTimes& p : test::Packets(ts, "v:0"))
        shown.push_back(p.Pts);
    ASSERT_EQ(shown.size(), 50u);
    std::sort(shown.begin(), shown.end());
    for (std::size_t i = 1; i < shown.size(); ++i)
        ASSERT_NEAR(shown[i] - shown[i - 1], 0.04, 0.002) << "picture " << i;
    EXPECT_EQ(DecodingErrors(ts), "");

    // MJPEG to JPEG: each picture gets the Huffman tables it leaves out.
    const std::string mjpeg = MakeMjpegClip("mjpeg.avi", false);
    const std::string jpeg = Out + "/jpeg.avi";
    ASSERT_TRUE(Convert(mjpeg, jpeg, {}, {{"vcodec", "copy"}, {"vbsf", "mjpeg2jpeg"}}));
    const std::vector<int> before = PacketSizes(mjpeg, "v:0"), after = PacketSizes(jpeg, "v:0");
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < after.size(); ++i)
        EXPECT_GT(after[i], before[i] + 400) << "picture " << i;

    // Subtitles encoded in the run come as bytes the filter does not own.
    const std::string subtitled = test::MakeSubtitledClip(Clips);
    const std::string text = Out + "/subtitles.mkv";
    ASSERT_TRUE(Convert(subtitled, text, {},
                        {{"vcodec", "copy"}, {"acodec", "copy"}, {"absf", "null"}, {"scodec", "srt"}, {"sbsf", "null"}}));
    EXPECT_EQ(test::Packets(text, "s:0").size(), 1u);
    EXPECT_EQ(test::Packets(text, "a:0").size(), test::Packets(subtitled, "a:0").size());
}

TEST_F(JobStreamTest, ABitstreamFilterThatFailsLosesThePacketOrWithXerrorTheRun)
{
    const std::string damaged = MakeMjpegClip("damaged.avi", true);
    const std::string message = MediaErrorText("mjpeg2jpeg failed for stream 0, codec copy", AVERROR_INVALIDDATA);
    const std::string logged = Out + "/logged.avi";
    ASSERT_TRUE(Convert(damaged, logged, {}, {{"vcodec", "copy"}, {"vbsf", "mjpeg2jpeg"}}));
    EXPECT_TRUE(Log.Has(message, llError)) << Log.Dump();
    EXPECT_EQ(test::Packets(logged, "v:0").size(), 24u);

    EXPECT_FALSE(Convert(damaged, Out + "/failed.avi", {}, {{"vcodec", "copy"}, {"vbsf", "mjpeg2jpeg"}, {"xerror", "1"}}));
    EXPECT_EQ(Fatal, message);

    TCustomFFmpeg job(1, test::EngineServices());
    try {
        job.SetExtOption("vbsf", "no_such_filter");
        ADD_FAILURE() << "an unknown filter was taken";
    } catch (const FFmpegException& e) {
        EXPECT_STREQ(e.what(), "Unknown bitstream filter no_such_filter");
    }
    job.SetExtOption("absf", "null=anything");  // what follows "=" is not the name
    job.SetExtOption("sbsf", "=null");          // no name: nothing to add
    EXPECT_EQ(job.OptionState().Faudio_bitstream_filters, std::vector<std::string>{"null"});
    EXPECT_TRUE(job.OptionState().Fsubtitle_bitstream_filters.empty());
}

TEST_F(JobStreamTest, ALoopedInputIsReadAgainUntilTheRunEnds)
{
    // A one-second program stream (whose clock the run watches for jumps).
    const std::string clip = test::MakeMpegClip(Clips);
    const std::string looped = Out + "/looped.mkv";
    ASSERT_TRUE(Convert(clip, looped, {{"loop_input", "1"}}, {{"t", "3.5"}, {"vcodec", "mpeg4"}, {"acodec", "mp2"}}));
    std::vector<double> shown;
    for (const test::TPacketTimes& p : test::Packets(looped, "v:0"))
        shown.push_back(p.Pts);
    EXPECT_NEAR(static_cast<double>(shown.size()), 87.5, 1.0);
    std::sort(shown.begin(), shown.end());
    for (std::size_t i = 1; i < shown.size(); ++i)
        ASSERT_LT(shown[i] - shown[i - 1], 0.06) << "picture " << i;
    EXPECT_NEAR(test::DecodedAudioSeconds(looped), 3.5, 0.1);
    int width = 0, height = 0;
    const std::string first = test::GreyPicture(looped, 0.2, width, height);
    ASSERT_EQ(first.size(), 320u * 240u);
    EXPECT_LT(test::MeanDifference(first, test::GreyPicture(looped, 2.2, width, height), width, 0, 0, width, height), 1);
    EXPECT_GT(test::MeanDifference(first, test::GreyPicture(looped, 2.6, width, height), width, 0, 0, width, height), 1);

    const std::string limited = Out + "/limited.mkv";
    ASSERT_TRUE(Convert(clip, limited, {{"loop_input", "1"}}, {{"vframes", "60"}, {"vcodec", "mpeg4"}, {"an", "1"}}));
    EXPECT_EQ(test::Packets(limited, "v:0").size(), 60u);

    // Nothing would end the run.
    EXPECT_FALSE(Convert(clip, Out + "/endless.mkv", {{"loop_input", "1"}}, {{"vcodec", "mpeg4"}}));
    EXPECT_EQ(Fatal, "Input #0 is read in a loop and nothing ends the run: set a recording time (\"t\"), a frame or "
                     "size limit, or \"shortest\" with an input that is not looped");
}

TEST_F(JobStreamTest, InJoinModeEachSegmentTakesTheStreamsItsMapsName)
{
    // Two one-second clips with two tones each: 440 and 660 Hz, 550 and 770 Hz.
    const auto clip = [](const std::string& name, int a, int b) {
        const std::string file = Clips + "/" + name;
        EXPECT_TRUE(test::MakeClip({"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=1", "-f", "lavfi", "-i",
                                    "sine=f=" + std::to_string(a) + ":sample_rate=48000:duration=1", "-f", "lavfi",
                                    "-i", "sine=f=" + std::to_string(b) + ":sample_rate=48000:duration=1", "-map",
                                    "0", "-map", "1", "-map", "2", "-c:v", "mpeg4", "-c:a", "pcm_s16le", file}));
        return file;
    };
    const std::vector<std::string> inputs = {clip("first.mkv", 440, 660), clip("second.mkv", 550, 770)};
    const TOptions codecs = {{"vcodec", "mpeg4"}, {"acodec", "pcm_s16le"}};
    const std::string output = Out + "/mapped.mkv";
    ASSERT_TRUE(Join(inputs, output,
                     With(With(With(With(codecs, "map", "0.0"), "map", "0.2"), "map", "1.0"), "map", "1.1")));
    const std::vector<int16_t> samples = test::MonoSamples(output);
    EXPECT_NEAR(ToneIn(samples, 0.2, 0.8), 660, 10);
    EXPECT_NEAR(ToneIn(samples, 1.2, 1.8), 550, 10);
    EXPECT_NEAR(VideoSeconds(output), 2.0, 0.05);

    // One set of maps for two segments, and a segment's map naming another input.
    EXPECT_FALSE(Join(inputs, Out + "/short.mkv", With(With(codecs, "map", "0.0"), "map", "0.2")));
    EXPECT_EQ(Fatal, "Number of stream maps must match number of output streams");
    EXPECT_FALSE(Join(inputs, Out + "/crossed.mkv",
                      With(With(With(With(codecs, "map", "0.0"), "map", "0.2"), "map", "1.0"), "map", "0.1")));
    EXPECT_EQ(Fatal, "Stream map #0.1 is the map of join segment 1, which reads input #1 only");
}

}  // namespace
