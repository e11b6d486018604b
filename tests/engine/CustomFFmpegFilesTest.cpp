// Opening a job's inputs and outputs: what the options set before an open
// do to it, the streams an output gets, and how failures are reported and
// cleaned up.
#include "engine/encoder/FFmpegException.h"
#include "engine/encoder/TCustomFFmpeg.h"

#include "tests/engine/EncoderJobSupport.h"

#include <chrono>
#include <filesystem>
#include <thread>

using namespace vidrelo;

namespace {

class CustomFFmpegFilesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Clips = test::MakeTempDir("jobclips");
        MpegClip = test::MakeMpegClip(Clips);
        SubtitledClip = test::MakeSubtitledClip(Clips);
        TsClip = Clips + "/clip.ts";
        ASSERT_TRUE(test::MakeClip({"-i", MpegClip, "-c", "copy", "-f", "mpegts", TsClip}));
    }

    void SetUp() override
    {
        ASSERT_TRUE(Libraries.Loaded);
        Out = test::MakeTempDir("jobout");
    }

    // Registers `prefix` as a source serving `file`'s bytes; from `stallAt`
    // on its reads block until the gate opens.
    void RegisterSource(const std::string& prefix, const std::string& file, TSourceHints hints,
                        std::shared_ptr<test::TTestStream::TGate> gate = nullptr, int64_t stallAt = -1)
    {
        const std::string bytes = test::ReadAll(file);
        TMediaEngine::SourceProtocols().Register(prefix, [=](const std::string&) {
            TSourceOpenResult result;
            result.Stream = std::make_unique<test::TTestStream>(bytes, gate, stallAt);
            result.Hints = hints;
            return result;
        });
    }

    static TSourceHints DvdLikeHints()
    {
        TSourceHints hints;
        hints.ForceFormat = "mpeg";
        hints.Duration = 5000000;
        hints.ChapterStarts = {0, 2000000};
        hints.Deinterlace = true;
        hints.Streams = {{TSourceStreamHint::Video, 0x1E0, "mpeg2video", ""},
                         {TSourceStreamHint::Subtitle, 0x20, "dvd_subtitle", ""}};
        return hints;
    }

    static int CountOf(const std::vector<TOutputStreamSetup>& streams, AVMediaType type)
    {
        int n = 0;
        for (const TOutputStreamSetup& s : streams)
            n += s.Stream->codecpar->codec_type == type;
        return n;
    }

    static inline std::string Clips, MpegClip, SubtitledClip, TsClip;
    test::TEncoderLibraries Libraries;
    test::TLogCapture Log;
    std::string Out;
};

TEST_F(CustomFFmpegFilesTest, AMissingInputSaysWhyAndLeavesNothingOpen)
{
    TCustomFFmpeg job(2, test::EngineServices());
    const std::string missing = Out + "/nothing.vob";
    EXPECT_FALSE(job.OpenInput(missing));
    EXPECT_EQ(job.LastErrMsg(), missing + ": No such file or directory");
    EXPECT_EQ(job.nb_input_files(), 0);
    job.SetExtOption("f", "nofmt");
    try {
        job.OpenInput(MpegClip);
        ADD_FAILURE();
    } catch (const FFmpegException& e) {
        EXPECT_STREQ(e.what(), "Unknown input format: \"nofmt\"");
    }
    job.SetExtOption("vcodec", "nodecoder");
    EXPECT_FALSE(job.OpenInput(MpegClip));
    EXPECT_EQ(job.LastErrMsg(), "Unknown decoder 'nodecoder'");
    job.SetExtOption("vcodec", "");  // names are used up only by an input that opens
    job.SetExtOption("programid", "99");
    EXPECT_FALSE(job.OpenInput(TsClip));
    EXPECT_EQ(job.LastErrMsg(), "Specified program id not found");
    EXPECT_EQ(job.nb_input_files(), 0);
}

TEST_F(CustomFFmpegFilesTest, AnInputTakesTheOptionsSetBeforeItAndLeavesItsParameters)
{
    TCustomFFmpeg job(2, test::EngineServices());
    job.SetExtOption("threads", "3");
    job.SetExtOption("acodec", "mp2");
    job.SetExtOption("vn", "1");
    job.SetExtOption("ss", "0.2");
    ASSERT_TRUE(job.OpenInput(MpegClip)) << job.LastErrMsg();
    const TJobOptionState& s = job.OptionState();
    EXPECT_EQ(s.Fframe_width, 320);
    EXPECT_EQ(s.Fframe_height, 240);
    EXPECT_EQ(s.Fframe_rate.num, 25);
    EXPECT_EQ(s.Fframe_rate.den, 1);
    EXPECT_EQ(s.Fframe_pix_fmt, AV_PIX_FMT_YUV420P);
    EXPECT_EQ(s.Faudio_channels, 1);
    EXPECT_EQ(s.Faudio_sample_rate, 44100);
    EXPECT_EQ(s.Fstart_time, 0);               // consumed by the seek
    EXPECT_TRUE(s.Faudio_codec_name.empty());  // consumed as the forced decoder
    EXPECT_GT(job.TotalOutputDuration(), 900000);

    AVFormatContext* input = job.InputFile(0);
    const TInputFileSetup& setup = job.InputSetup(0);
    EXPECT_FALSE(setup.FromSource);
    ASSERT_EQ(setup.Streams.size(), input->nb_streams);
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        const AVMediaType type = input->streams[i]->codecpar->codec_type;
        ASSERT_NE(setup.Streams[i].Decoder, nullptr);
        EXPECT_EQ(setup.Streams[i].Decoder->thread_count, 3);
        if (type == AVMEDIA_TYPE_VIDEO) {
            EXPECT_EQ(input->streams[i]->discard, AVDISCARD_ALL);
        }
        if (type == AVMEDIA_TYPE_AUDIO) {
            EXPECT_STREQ(setup.Streams[i].ForcedDecoder->name, "mp2");
        }
    }
}

TEST_F(CustomFFmpegFilesTest, ARegisteredSourceIsOpenedThroughItsOpenerAndKeepsItsHints)
{
    RegisterSource("dvdlike", MpegClip, DvdLikeHints());
    TCustomFFmpeg job(2, test::EngineServices());
    ASSERT_TRUE(job.OpenInput("dvdlike:/disc|Title=1")) << job.LastErrMsg();
    const TInputFileSetup& setup = job.InputSetup(0);
    EXPECT_TRUE(setup.FromSource);
    EXPECT_TRUE(setup.Hints.Deinterlace);
    EXPECT_EQ(setup.Hints.ChapterStarts, (std::vector<int64_t>{0, 2000000}));
    EXPECT_EQ(setup.Duration, 5000000);  // the source's exact length, not the estimate
    EXPECT_EQ(job.TotalOutputDuration(), 5000000);
    AVFormatContext* input = job.InputFile(0);
    EXPECT_STREQ(input->iformat->name, "mpeg");
    bool subtitle = false;  // announced, not yet met: added for the run
    for (unsigned i = 0; i < input->nb_streams; ++i)
        subtitle |= input->streams[i]->id == 0x20;
    EXPECT_TRUE(subtitle);
    EXPECT_EQ(setup.Streams.size(), input->nb_streams);
}

TEST_F(CustomFFmpegFilesTest, ASourcesSubtitlesGetNoOutputStreamAFilesDo)
{
    TSourceHints probe;  // the demuxer finds the format itself
    RegisterSource("dvdlike", SubtitledClip, probe);
    struct TCase {
        std::string Input;
        int Subtitles;
    };
    for (const TCase& c : {TCase{SubtitledClip, 1}, TCase{"dvdlike:subtitled", 0}}) {
        SCOPED_TRACE(c.Input);
        TCustomFFmpeg job(2, test::EngineServices());
        ASSERT_TRUE(job.OpenInput(c.Input)) << job.LastErrMsg();
        ASSERT_EQ(job.OpenOutput(Out + "/out.mkv"), 0) << job.LastErrMsg();
        EXPECT_EQ(CountOf(job.OutputStreams(0), AVMEDIA_TYPE_VIDEO), 1);
        EXPECT_EQ(CountOf(job.OutputStreams(0), AVMEDIA_TYPE_AUDIO), 1);
        EXPECT_EQ(CountOf(job.OutputStreams(0), AVMEDIA_TYPE_SUBTITLE), c.Subtitles);
    }
}

TEST_F(CustomFFmpegFilesTest, AStalledSourceGivesTheReadingTimeoutAfterReadTimeout)
{
    auto gate = std::make_shared<test::TTestStream::TGate>();
    RegisterSource("stall", MpegClip, DvdLikeHints(), gate, 32 * 1024);
    TCustomFFmpeg job(2, test::EngineServices());
    job.SetReadTimeout(300);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(job.OpenInput("stall:clip"));
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(job.LastErrMsg(), "stall:clip: reading timeout");
    EXPECT_TRUE(Log.Has("reading timeout", llInfo));
    EXPECT_GE(waited, std::chrono::milliseconds(300));
    EXPECT_LT(waited, std::chrono::seconds(5));
    EXPECT_EQ(job.nb_input_files(), 0);
    gate->Release();
    EXPECT_TRUE(gate->WaitDestroyed(5000));  // the blocked read ended and the source was freed
}

TEST_F(CustomFFmpegFilesTest, StopCancelsAnOpenThatIsBlocked)
{
    auto gate = std::make_shared<test::TTestStream::TGate>();
    RegisterSource("stall", MpegClip, DvdLikeHints(), gate, 32 * 1024);
    TCustomFFmpeg job(2, test::EngineServices());
    std::thread stopper([&] {
        gate->WaitBlocked(5000);
        job.Stop(false);
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(job.OpenInput("stall:clip"));
    stopper.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));  // not the 10 s timeout
    EXPECT_EQ(job.LastErrMsg(), "stall:clip: reading canceled");
    EXPECT_TRUE(Log.Has("reading canceled", llInfo));
    gate->Release();
    EXPECT_TRUE(gate->WaitDestroyed(5000));
}

TEST_F(CustomFFmpegFilesTest, AJoinedOutputIsTheOnlyOutput)
{
    TCustomFFmpeg job(2, test::EngineServices());
    ASSERT_TRUE(job.OpenInput(MpegClip));
    ASSERT_TRUE(job.OpenInput(MpegClip));
    const int64_t one = job.InputSetup(0).Duration;
    ASSERT_GT(one, 0);
    EXPECT_EQ(job.TotalOutputDuration(), one);  // the longest input, before joining
    ASSERT_EQ(job.OpenOutput(Out + "/joined.mpg", true), 0) << job.LastErrMsg();
    EXPECT_TRUE(job.JoinMode());
    EXPECT_EQ(job.TotalOutputDuration(), 2 * one);  // one after another
    EXPECT_EQ(job.OpenOutput(Out + "/second.mpg"), -1);
    EXPECT_EQ(job.LastErrMsg(), "Cannot join more than one output file.");
    EXPECT_EQ(job.nb_output_files(), 1);
}

TEST_F(CustomFFmpegFilesTest, AFailedOutputSaysWhyAndLeavesNoOutput)
{
    struct TCase {
        std::vector<std::pair<std::string, std::string>> Options;
        std::string File;
        std::string Error;
    };
    const TCase cases[] = {
        {{{"vcodec", "nocodec"}}, "out.mpg", "new_video_stream fail: Unknown encoder 'nocodec'"},
        {{{"acodec", "mpeg4"}}, "out.mpg", "new_audio_stream fail: Invalid encoder type 'mpeg4'"},
        {{{"rc_override", "1,2"}}, "out.mpg", "new_video_stream fail: error parsing rc_override"},
        {{{"f", "nofmt"}}, "out.mpg", "Requested output format 'nofmt' is not a suitable output format"},
        {{}, "out.nosuchext", "Unable to find a suitable output format for '" + Out + "/out.nosuchext'"},
        {{}, "missing/out.mpg", Out + "/missing/out.mpg: No such file or directory"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.File);
        TCustomFFmpeg job(2, test::EngineServices());
        for (const auto& [name, value] : c.Options)
            job.SetExtOption(name, value);
        EXPECT_EQ(job.OpenOutput(Out + "/" + c.File), -1);
        EXPECT_EQ(job.LastErrMsg(), c.Error);
        EXPECT_EQ(job.nb_output_files(), 0);
    }
}

TEST_F(CustomFFmpegFilesTest, AnOutputsStreamsTakeTheSettingsSetBeforeIt)
{
    TCustomFFmpeg job(2, test::EngineServices());
    ASSERT_TRUE(job.OpenInput(MpegClip));
    job.SetExtOption("vcodec", "mpeg4");
    job.SetExtOption("streamid", "0:33");
    job.SetExtOption("vlang", "eng");
    job.SetExtOption("metadata", "title=Test");
    job.SetExtOption("rc_override", "0,10,5/11,20,-50");
    job.SetExtOption("g", "40");
    ASSERT_EQ(job.OpenOutput(Out + "/out.mp4"), 0) << job.LastErrMsg();
    const std::vector<TOutputStreamSetup>& streams = job.OutputStreams(0);
    ASSERT_EQ(streams.size(), 2u);
    const AVCodecContext* video = streams[0].Context;
    EXPECT_STREQ(streams[0].Encoder->name, "mpeg4");
    EXPECT_EQ(streams[0].Stream->id, 33);
    EXPECT_STREQ(ff::av_dict_get(streams[0].Stream->metadata, "language", nullptr, 0)->value, "eng");
    EXPECT_EQ(video->width, 320);
    EXPECT_EQ(video->height, 240);
    EXPECT_EQ(video->time_base.num, 1);
    EXPECT_EQ(video->time_base.den, 25);
    EXPECT_EQ(video->pix_fmt, AV_PIX_FMT_YUV420P);
    EXPECT_EQ(video->gop_size, 40);
    ASSERT_EQ(video->rc_override_count, 2);
    EXPECT_FLOAT_EQ(video->rc_override[1].quality_factor, 0.5f);
    EXPECT_EQ(streams[1].Context->ch_layout.nb_channels, 1);  // as the input has it
    EXPECT_EQ(streams[1].Context->sample_rate, 44100);
    EXPECT_STREQ(ff::av_dict_get(job.OutputFile(0)->metadata, "title", nullptr, 0)->value, "Test");

    // Consumed by the output.
    EXPECT_TRUE(job.OptionState().Fvideo_codec_name.empty());
    EXPECT_TRUE(job.OptionState().Fvideo_language.empty());
    EXPECT_TRUE(job.OptionState().Fmetadata.Empty());

    job.SetExtOption("acodec", "mp2");
    job.SetExtOption("alang", "fre");
    job.SetExtOption("newaudio", "");
    ASSERT_EQ(job.OutputStreams(0).size(), 3u);
    EXPECT_STREQ(job.OutputStreams(0)[2].Encoder->name, "mp2");
    EXPECT_STREQ(ff::av_dict_get(job.OutputStreams(0)[2].Stream->metadata, "language", nullptr, 0)->value, "fre");
}

TEST_F(CustomFFmpegFilesTest, WithoutInputsTheFormatAndTheSwitchesDecideTheStreams)
{
    struct TCase {
        const char* Switch;
        int Video, Audio;
    };
    for (const TCase& c : {TCase{"", 1, 1}, TCase{"vn", 0, 1}, TCase{"an", 1, 0}}) {
        SCOPED_TRACE(c.Switch);
        TCustomFFmpeg job(1, test::EngineServices());
        if (*c.Switch)
            job.SetExtOption(c.Switch, "1");
        ASSERT_EQ(job.OpenOutput(Out + "/out.mpg"), 0) << job.LastErrMsg();
        EXPECT_EQ(CountOf(job.OutputStreams(0), AVMEDIA_TYPE_VIDEO), c.Video);
        EXPECT_EQ(CountOf(job.OutputStreams(0), AVMEDIA_TYPE_AUDIO), c.Audio);
        EXPECT_EQ(CountOf(job.OutputStreams(0), AVMEDIA_TYPE_SUBTITLE), 0);
    }
}

TEST_F(CustomFFmpegFilesTest, AnUnsupportedSampleRateBecomesTheClosestWithAWarning)
{
    TCustomFFmpeg job(1, test::EngineServices());
    job.SetExtOption("vn", "1");
    job.SetExtOption("acodec", "ac3");
    job.SetExtOption("ar", "44000");
    ASSERT_EQ(job.OpenOutput(Out + "/out.ac3"), 0) << job.LastErrMsg();
    EXPECT_EQ(job.OutputStreams(0).at(0).Context->sample_rate, 44100);
    EXPECT_TRUE(Log.Has("Requested sampling rate unsupported using closest supported (44100)", llWarning));
    EXPECT_EQ(job.OutputStreams(0).at(0).Context->sample_fmt, AV_SAMPLE_FMT_FLTP);  // ac3's own
}

TEST_F(CustomFFmpegFilesTest, APixelFormatTheEncoderRefusesBecomesItsFirst)
{
    struct TCase {
        const char* Codec;
        const char* Requested;
        const char* Strict;
        AVPixelFormat Expected;
    };
    const TCase cases[] = {
        {"mpeg2video", "rgb24", "normal", AV_PIX_FMT_YUV420P},
        {"mpeg2video", "yuv422p", "normal", AV_PIX_FMT_YUV422P},
        {"mjpeg", "yuv444p", "normal", AV_PIX_FMT_YUV444P},
        // Below official compliance MJPEG takes only its classic formats.
        {"mjpeg", "yuv444p", "unofficial", AV_PIX_FMT_YUVJ420P},
        {"mjpeg", "yuv422p", "unofficial", AV_PIX_FMT_YUV422P},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.Codec) + " " + c.Requested + " " + c.Strict);
        TCustomFFmpeg job(1, test::EngineServices());
        job.SetExtOption("an", "1");
        job.SetExtOption("strict", c.Strict);
        job.SetExtOption("vcodec", c.Codec);
        job.SetExtOption("pix_fmt", c.Requested);
        ASSERT_EQ(job.OpenOutput(Out + "/out.mkv"), 0) << job.LastErrMsg();
        EXPECT_EQ(job.OutputStreams(0).at(0).Context->pix_fmt, c.Expected);
        EXPECT_EQ(job.OptionState().Fframe_pix_fmt, AV_PIX_FMT_NONE);  // used by this stream only
    }
}

TEST_F(CustomFFmpegFilesTest, AnExistingOutputIsKeptUnlessReplacingAndAJobThatNeverRanLeavesNoFile)
{
    const std::string file = Out + "/old.mpg";
    std::ofstream(file) << "old content";
    {
        TCustomFFmpeg job(1, test::EngineServices());
        EXPECT_EQ(job.OpenOutput(file), -1);
        EXPECT_EQ(job.LastErrMsg(), "File '" + file + "' already exists");
        EXPECT_FALSE(std::filesystem::exists(file + ".part"));
        ASSERT_EQ(job.OpenOutput(file, false, true), 0) << job.LastErrMsg();
        EXPECT_EQ(std::filesystem::file_size(file + ".part"), 0u);
        EXPECT_EQ(std::string(job.OutputFile(0)->url), file) << "the muxer sees the final name";
    }
    EXPECT_EQ(test::ReadAll(file), "old content") << "replaced only by a run that ends well";
    EXPECT_FALSE(std::filesystem::exists(file + ".part"));
    {
        TCustomFFmpeg job(1, test::EngineServices());
        ASSERT_EQ(job.OpenOutput(Out + "/new.mpg"), 0) << job.LastErrMsg();
    }
    EXPECT_FALSE(std::filesystem::exists(Out + "/new.mpg"));
    EXPECT_FALSE(std::filesystem::exists(Out + "/new.mpg.part"));
}

}  // namespace
