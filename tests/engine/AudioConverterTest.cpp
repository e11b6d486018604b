// The audio converter on generated sine frames: resampling and downmixing
// into encoder-sized frames, the untouched path, volume, sync padding and
// dropping, segments, input changes, the end of the stream and refusals.
#include "engine/MediaEngine.h"
#include "engine/encoder/AudioVolume.h"
#include "engine/loader/TFFLoader.h"
#include "tests/engine/AudioFrames.h"

#include <gtest/gtest.h>

#include <limits>

using namespace vidrelo;
using namespace vidrelo::test;

namespace {

TAudioConverterSetup Formats(AVSampleFormat inFormat, int inRate, int inChannels, AVSampleFormat outFormat, int outRate,
                             int outChannels, int frameSize)
{
    TAudioConverterSetup s;
    s.InSampleFmt = inFormat;
    s.InSampleRate = inRate;
    s.InLayout = Layout(inChannels);
    s.OutSampleFmt = outFormat;
    s.OutSampleRate = outRate;
    s.OutLayout = Layout(outChannels);
    s.FrameSize = frameSize;
    return s;
}

// A stream of frames of one format, pushed with continuous pts.
struct TFeed {
    AVSampleFormat Format;
    int Rate, Channels;
    TWave Wave;
    int64_t Next = 0;  // index of the next sample

    int Push(TAudioConverter& c, int samples, int64_t ptsUs)
    {
        const TFramePtr frame = MakeFrame(Format, Rate, Channels, samples, ptsUs, Next, Wave);
        Next += samples;
        return c.Push(frame.get());
    }
};

void ExpectEncoderFrames(const TConverted& out, int frameSize)
{
    ASSERT_FALSE(out.Sizes.empty());
    for (size_t i = 0; i + 1 < out.Sizes.size(); ++i) {
        EXPECT_EQ(out.Sizes[i], frameSize) << "frame " << i;
        EXPECT_EQ(out.Pts[i + 1], out.Pts[i] + out.Sizes[i]) << "frame " << i;
    }
    EXPECT_GT(out.Sizes.back(), 0);
    EXPECT_LE(out.Sizes.back(), frameSize);
}

class AudioConverterTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(TMediaEngine::Loader().Load(EncoderLibraries)) << TMediaEngine::Loader().LastErrMsg(); }

    void Configure(const TAudioConverterSetup& setup)
    {
        std::string error;
        ASSERT_TRUE(Converter.Configure(setup, error)) << error;
    }
    void Finish()
    {
        ASSERT_EQ(Converter.Push(nullptr), 0) << Converter.LastError();
        EXPECT_EQ(PullAll(Converter, Out), AVERROR_EOF);
    }

    TMediaEngineScope Engine;
    TAudioConverter Converter;
    TConverted Out;
};

TEST_F(AudioConverterTest, FiveOneFloatAt48kBecomesStereo16BitAt44100InFramesOf1152)
{
    Configure(Formats(AV_SAMPLE_FMT_FLTP, 48000, 6, AV_SAMPLE_FMT_S16, 44100, 2, 1152));
    const TWave tone = Sine(1000, 48000, 0.3);
    TFeed feed{AV_SAMPLE_FMT_FLTP, 48000, 6, [&](int c, int64_t i) { return c < 3 ? tone(c, i) : 0.0; }};
    for (int i = 0; i < 47; ++i) {
        ASSERT_EQ(feed.Push(Converter, 1024, 2000000 + i * 1024 * 1000000LL / 48000), 0) << Converter.LastError();
        EXPECT_EQ(PullAll(Converter, Out), AVERROR(EAGAIN));
    }
    Finish();
    EXPECT_EQ(Out.Format, AV_SAMPLE_FMT_S16);
    EXPECT_EQ(Out.Rate, 44100);
    ASSERT_EQ(Out.ChannelCount, 2);
    ExpectEncoderFrames(Out, 1152);
    EXPECT_NEAR(double(Out.Total()), 47 * 1024 * 44100.0 / 48000, 2);  // the resampler's delay came out
    EXPECT_EQ(Out.Pts[0], 2 * 44100);
    for (const auto& channel : Out.Channels) {
        EXPECT_NEAR(ToneFrequency(channel, 44100), 1000, 1);
        EXPECT_GT(*std::max_element(channel.begin(), channel.end()), 0.15);
    }
}

TEST_F(AudioConverterTest, SixteenBitBecomesPlanarFloatFor1024SampleFrames)
{
    Configure(Formats(AV_SAMPLE_FMT_S16, 44100, 2, AV_SAMPLE_FMT_FLTP, 44100, 2, 1024));
    const TWave tone = Sine(440, 44100);
    TFeed feed{AV_SAMPLE_FMT_S16, 44100, 2, [&](int c, int64_t i) { return c ? -tone(c, i) : tone(c, i); }};
    for (int i = 0; i < 10; ++i)
        ASSERT_EQ(feed.Push(Converter, 1152, AV_NOPTS_VALUE), 0);
    Finish();
    ExpectEncoderFrames(Out, 1024);
    EXPECT_EQ(Out.Sizes.back(), 11520 % 1024);
    EXPECT_EQ(Out.Pts[0], 0);
    ASSERT_EQ(Out.Total(), 11520u);
    for (int c = 0; c < 2; ++c)
        for (int64_t i = 0; i < 11520; i += 7)  // 16-bit values are exact in float
            ASSERT_EQ(Out.Channels[c][i], std::lround(feed.Wave(c, i) * 32768) / 32768.0) << c << " " << i;
}

TEST_F(AudioConverterTest, EqualFormatsPassTheBytesUnchanged)
{
    const TWave wave = [](int c, int64_t i) { return ((i * 7919 + c * 104729) % 65536 - 32768) / 32768.0; };
    for (int frameSize : {0, 1000}) {
        TAudioConverter converter;
        std::string error;
        ASSERT_TRUE(converter.Configure(Formats(AV_SAMPLE_FMT_S16, 48000, 2, AV_SAMPLE_FMT_S16, 48000, 2, frameSize), error));
        TConverted in, out;
        for (int i = 0; i < 5; ++i) {
            const TFramePtr frame = MakeFrame(AV_SAMPLE_FMT_S16, 48000, 2, 1536, i * 32000, i * 1536, wave);
            in.Add(*frame);
            ASSERT_EQ(converter.Push(frame.get()), 0);
            PullAll(converter, out);
        }
        converter.Push(nullptr);
        EXPECT_EQ(PullAll(converter, out), AVERROR_EOF);
        EXPECT_EQ(out.Bytes, in.Bytes) << "frame size " << frameSize;
        if (frameSize)
            EXPECT_EQ(out.Sizes, (std::vector<int>{1000, 1000, 1000, 1000, 1000, 1000, 1000, 680}));
        else
            EXPECT_EQ(out.Sizes, in.Sizes);
    }
}

TEST_F(AudioConverterTest, VolumeScalesAndClips16BitAndFloatSamples)
{
    const std::vector<double> s16 = {20000, -20000, 1000, -1001, 0};
    TAudioConverterSetup setup = Formats(AV_SAMPLE_FMT_S16, 48000, 1, AV_SAMPLE_FMT_S16, 48000, 1, 0);
    setup.Volume = 512;
    Configure(setup);
    Converter.Push(MakeFrame(AV_SAMPLE_FMT_S16, 48000, 1, 5, 0, 0, [&](int, int64_t i) { return s16[i] / 32768; }).get());
    PullAll(Converter, Out);
    ASSERT_EQ(Out.Total(), 5u);
    const std::vector<double> doubled = {32767, -32768, 2000, -2001, 0};
    for (size_t i = 0; i < 5; ++i)
        EXPECT_EQ(Out.Channels[0][i] * 32768, doubled[i]) << i;

    const std::vector<double> flt = {0.5, -0.8, 0.01};
    const std::vector<std::pair<int, std::vector<double>>> expected = {{128, {0.25, -0.4, 0.005}}, {512, {1, -1, 0.02}}};
    for (const auto& [volume, result] : expected) {
        TAudioConverter converter;
        std::string error;
        setup = Formats(AV_SAMPLE_FMT_FLT, 48000, 1, AV_SAMPLE_FMT_FLT, 48000, 1, 0);
        setup.Volume = volume;
        ASSERT_TRUE(converter.Configure(setup, error));
        converter.Push(MakeFrame(AV_SAMPLE_FMT_FLT, 48000, 1, 3, 0, 0, [&](int, int64_t i) { return flt[i]; }).get());
        TConverted out;
        PullAll(converter, out);
        ASSERT_EQ(out.Total(), 3u);
        for (size_t i = 0; i < 3; ++i)
            EXPECT_FLOAT_EQ(out.Channels[0][i], result[i]) << "volume " << volume;
    }
}

TEST_F(AudioConverterTest, VolumeIsAppliedOnceThroughTheResampler)
{
    TAudioConverterSetup setup = Formats(AV_SAMPLE_FMT_FLTP, 48000, 2, AV_SAMPLE_FMT_S16, 44100, 2, 1024);
    setup.Volume = 128;
    Configure(setup);
    TFeed feed{AV_SAMPLE_FMT_FLTP, 48000, 2, Sine(500, 48000, 0.8)};
    for (int i = 0; i < 20; ++i)
        feed.Push(Converter, 1024, AV_NOPTS_VALUE);
    Finish();
    EXPECT_NEAR(*std::max_element(Out.Channels[0].begin(), Out.Channels[0].end()), 0.4, 0.01);
}

TEST_F(AudioConverterTest, VolumeClipsOtherIntegerFormatsAtTheirRange)
{
    const TFramePtr u8 = BlankFrame(AV_SAMPLE_FMT_U8P, 48000, 2, 2);
    const uint8_t in[2][2] = {{200, 100}, {20, 128}};
    for (int c = 0; c < 2; ++c)
        std::memcpy(u8->extended_data[c], in[c], 2);
    ApplyAudioVolume(u8.get(), 512);
    EXPECT_EQ(u8->extended_data[0][0], 255);
    EXPECT_EQ(u8->extended_data[0][1], 73);  // 128 + (-28 x 512 + 128) / 256
    EXPECT_EQ(u8->extended_data[1][0], 0);
    EXPECT_EQ(u8->extended_data[1][1], 128);

    const TFramePtr s32 = BlankFrame(AV_SAMPLE_FMT_S32, 48000, 2, 2);
    int32_t samples[4] = {2000000000, -2000000000, 1000, -7};
    std::memcpy(s32->extended_data[0], samples, sizeof samples);
    ApplyAudioVolume(s32.get(), 512);
    std::memcpy(samples, s32->extended_data[0], sizeof samples);
    EXPECT_EQ(samples[0], std::numeric_limits<int32_t>::max());
    EXPECT_EQ(samples[1], std::numeric_limits<int32_t>::min());
    EXPECT_EQ(samples[2], 2000);
    EXPECT_EQ(samples[3], -13);  // (-7 x 512 + 128) / 256, towards zero
}

TEST_F(AudioConverterTest, CompensateInsertsSilenceAndDropsSamples)
{
    Configure(Formats(AV_SAMPLE_FMT_S16, 48000, 1, AV_SAMPLE_FMT_S16, 48000, 1, 0));
    TFeed feed{AV_SAMPLE_FMT_S16, 48000, 1, [](int, int64_t i) { return (i % 1000 + 1) / 32768.0; }};
    auto pushAndPull = [&](int64_t pts) {
        Out = {};
        EXPECT_EQ(feed.Push(Converter, 480, pts), 0);
        PullAll(Converter, Out);
    };
    auto isInput = [&](size_t from, int64_t first) {
        for (size_t i = from; i < Out.Total(); ++i)
            if (Out.Channels[0][i] != feed.Wave(0, first + int64_t(i - from)))
                return false;
        return true;
    };
    EXPECT_EQ(Converter.NextInputPts(), AV_NOPTS_VALUE);
    Converter.Compensate(100);  // before the first frame: the audio starts earlier
    pushAndPull(1000000);
    ASSERT_EQ(Out.Total(), 580u);
    EXPECT_EQ(Out.Pts[0], 48000 - 100);
    EXPECT_EQ(Out.Channels[0][99], 0);
    EXPECT_TRUE(isInput(100, 0));
    EXPECT_EQ(Converter.NextInputPts(), 48480);

    Converter.Compensate(70);
    Converter.Compensate(-20);
    pushAndPull(AV_NOPTS_VALUE);
    ASSERT_EQ(Out.Total(), 530u);
    EXPECT_EQ(Out.Pts[0], 48480);
    EXPECT_EQ(Out.Channels[0][49], 0);
    EXPECT_TRUE(isInput(50, 480));

    Converter.Compensate(-30);
    pushAndPull(AV_NOPTS_VALUE);
    ASSERT_EQ(Out.Total(), 450u);
    EXPECT_TRUE(isInput(0, 960 + 30));

    Converter.Compensate(-5000);  // a drop ends with the frame
    pushAndPull(AV_NOPTS_VALUE);
    EXPECT_EQ(Out.Total(), 0u);
    pushAndPull(AV_NOPTS_VALUE);
    ASSERT_EQ(Out.Total(), 480u);
    EXPECT_EQ(Out.Pts[0], 48480 + 530 + 450);
    EXPECT_TRUE(isInput(0, 4 * 480));
}

TEST_F(AudioConverterTest, ResetStartsANewSegmentAtItsFirstFrame)
{
    Configure(Formats(AV_SAMPLE_FMT_S16, 48000, 2, AV_SAMPLE_FMT_S16, 44100, 2, 1152));
    TFeed first{AV_SAMPLE_FMT_S16, 48000, 2, [](int, int64_t) { return 0.5; }};
    for (int i = 0; i < 3; ++i)
        first.Push(Converter, 1024, AV_NOPTS_VALUE);
    PullAll(Converter, Out);
    ASSERT_EQ(Out.Sizes.size(), 2u);  // the rest waits in the FIFO and the resampler

    Converter.Reset();
    Out = {};
    TFeed second{AV_SAMPLE_FMT_S16, 48000, 2, [](int, int64_t) { return -0.5; }};
    for (int i = 0; i < 4; ++i)
        second.Push(Converter, 1024, 10000000 + i * 21333);
    Finish();
    EXPECT_EQ(Out.Pts[0], 441000);
    EXPECT_NEAR(double(Out.Total()), 4096 * 44100.0 / 48000, 2);
    EXPECT_LT(*std::max_element(Out.Channels[0].begin(), Out.Channels[0].end()), 0.1);  // nothing of before
}

TEST_F(AudioConverterTest, AnInputFormatChangeReconfiguresTheInputSide)
{
    Configure(Formats(AV_SAMPLE_FMT_S16, 48000, 2, AV_SAMPLE_FMT_S16, 48000, 2, 1152));
    TFeed stereo{AV_SAMPLE_FMT_S16, 48000, 2, Sine(1000, 48000)};
    TFeed surround{AV_SAMPLE_FMT_FLTP, 44100, 6, Sine(1000, 44100)};
    for (int i = 0; i < 3; ++i)
        stereo.Push(Converter, 1024, AV_NOPTS_VALUE);
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(surround.Push(Converter, 1024, AV_NOPTS_VALUE), 0) << Converter.LastError();
    for (int i = 0; i < 2; ++i)
        ASSERT_EQ(stereo.Push(Converter, 1024, AV_NOPTS_VALUE), 0);
    Finish();
    ExpectEncoderFrames(Out, 1152);
    EXPECT_NEAR(double(Out.Total()), 3072 + 3072 * 48000.0 / 44100 + 2048, 3);
    const std::vector<double> middle(Out.Channels[0].begin() + 3100, Out.Channels[0].begin() + 6300);
    EXPECT_NEAR(ToneFrequency(middle, 48000), 1000, 2);
}

TEST_F(AudioConverterTest, TheFlushDrainsTheRestAndEndsTheStream)
{
    Configure(Formats(AV_SAMPLE_FMT_S16, 48000, 1, AV_SAMPLE_FMT_S16, 48000, 1, 1024));
    TFeed feed{AV_SAMPLE_FMT_S16, 48000, 1, Sine(100, 48000)};
    feed.Push(Converter, 1500, 0);
    EXPECT_EQ(PullAll(Converter, Out), AVERROR(EAGAIN));
    Finish();
    EXPECT_EQ(Out.Sizes, (std::vector<int>{1024, 476}));
    TFramePtr frame(ff::av_frame_alloc());
    EXPECT_EQ(Converter.Pull(frame.get()), AVERROR_EOF);
    EXPECT_EQ(feed.Push(Converter, 10, 0), AVERROR_EOF);
    EXPECT_EQ(Converter.LastError(), "Audio pushed after the end of the stream");
    Converter.Reset();
    EXPECT_EQ(feed.Push(Converter, 10, 0), 0);
}

TEST_F(AudioConverterTest, AsyncAbove1FillsAGapInTheTimestamps)
{
    TAudioConverterSetup setup = Formats(AV_SAMPLE_FMT_S16, 48000, 1, AV_SAMPLE_FMT_S16, 48000, 1, 960);
    setup.SyncMethod = 2;
    Configure(setup);
    TFeed feed{AV_SAMPLE_FMT_S16, 48000, 1, Sine(1000, 48000)};
    for (int i = 0; i < 20; ++i)  // 20 ms frames, half a second missing after the tenth
        feed.Push(Converter, 960, i * 20000 + (i >= 10 ? 500000 : 0));
    Finish();
    EXPECT_NEAR(double(Out.Total()), 20 * 960 + 24000, 48);
}

TEST_F(AudioConverterTest, AsyncAbove1StretchesASmallDriftAway)
{
    TAudioConverterSetup setup = Formats(AV_SAMPLE_FMT_S16, 48000, 1, AV_SAMPLE_FMT_S16, 48000, 1, 960);
    setup.SyncMethod = 1000;
    Configure(setup);
    TFeed feed{AV_SAMPLE_FMT_S16, 48000, 1, Sine(1000, 48000)};
    for (int i = 0; i < 100; ++i)  // the clock says 10 samples more per frame: too little to pad
        feed.Push(Converter, 960, i * (20000 + 10 * 1000000 / 48000));
    Finish();
    EXPECT_GT(double(Out.Total()), 100 * 960 + 300);
    EXPECT_LT(double(Out.Total()), 100 * 960 + 1000);
}

TEST_F(AudioConverterTest, RefusesWhatItCannotConvert)
{
    std::string error;
    TAudioConverterSetup setup = Formats(AV_SAMPLE_FMT_S16, 48000, 2, AV_SAMPLE_FMT_S16, 0, 2, 1024);
    EXPECT_FALSE(Converter.Configure(setup, error));
    EXPECT_EQ(error, "Invalid output sample rate 0");
    setup.OutSampleRate = 48000, setup.FrameSize = -1;
    EXPECT_FALSE(Converter.Configure(setup, error));
    EXPECT_EQ(error, "Invalid audio frame size -1");

    const TFramePtr frame = MakeFrame(AV_SAMPLE_FMT_S16, 48000, 2, 16, 0, 0, Sine(1000, 48000));
    EXPECT_EQ(Converter.Push(frame.get()), AVERROR(EINVAL));
    EXPECT_EQ(Converter.LastError(), "The audio converter is not configured");
    Configure(Formats(AV_SAMPLE_FMT_S16, 48000, 2, AV_SAMPLE_FMT_S16, 48000, 2, 1024));
    frame->sample_rate = 0;
    EXPECT_EQ(Converter.Push(frame.get()), AVERROR(EINVAL));
    EXPECT_EQ(Converter.LastError(), "Invalid decoded audio sample rate 0");

    // More channels than the resampler takes: refused at every frame, never passed on unconverted.
    const TFramePtr wide = MakeFrame(AV_SAMPLE_FMT_FLTP, 48000, 65, 16, 0, 0, Sine(1000, 48000));
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(Converter.Push(wide.get()), AVERROR(EINVAL));
        EXPECT_EQ(Converter.LastError(), "Can not resample 65 channels @ 48000 Hz to 2 channels @ 48000 Hz");
    }
    EXPECT_EQ(PullAll(Converter, Out), AVERROR(EAGAIN));
    EXPECT_EQ(Out.Total(), 0u);
}

}  // namespace
