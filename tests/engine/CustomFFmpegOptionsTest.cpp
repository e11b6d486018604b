// Setting a transcoding job's options: what each leaves in the job, what
// is refused and with which text.
#include "engine/encoder/FFmpegException.h"
#include "engine/encoder/TCustomFFmpeg.h"
#include "engine/encoder/TFFPresets.h"

#include "tests/engine/EncoderJobSupport.h"

#include <cmath>

using namespace vidrelo;

namespace {

class CustomFFmpegOptionsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Libraries.Loaded); }

    // The text SetExtOption fails with; empty when it succeeds.
    std::string Refusal(const std::string& name, const std::string& value)
    {
        try {
            Job.SetExtOption(name, value);
        } catch (const FFmpegException& e) {
            return e.what();
        }
        return {};
    }
    const TJobOptionState& State() { return Job.OptionState(); }
    std::string Collected(const std::string& name)
    {
        for (const TFFOptions::TOption& option : Job.GenericOptions().Collected())
            if (option.Name == name)
                return option.Value;
        return "<none>";
    }

    test::TEncoderLibraries Libraries;
    test::TLogCapture Log;
    TCustomFFmpeg Job{4, test::EngineServices()};
};

TEST_F(CustomFFmpegOptionsTest, StartsFromItsDefaults)
{
    EXPECT_EQ(State().Fthread_count, 0);  // every core, not one
    EXPECT_EQ(State().Faudio_sample_rate, 44100);
    EXPECT_EQ(State().Faudio_channels, 2);
    EXPECT_EQ(State().Fframe_rate.num, 25);
    EXPECT_EQ(State().Fframe_rate.den, 0);
    EXPECT_EQ(State().Fintra_dc_precision, 8);
    EXPECT_EQ(State().Frecording_time, INT64_MAX);
    EXPECT_EQ(State().Fsws_flags, SWS_BICUBIC);
    EXPECT_EQ(Job.ReadTimeout(), 10000);
    EXPECT_TRUE(Job.HaltOnInvalidOption);
    EXPECT_EQ(Job.TotalOutputDuration(), -1);
}

TEST_F(CustomFFmpegOptionsTest, OnlyZeroIsFalse)
{
    struct TCase {
        const char* Value;
        bool Expected;
    };
    for (const TCase& c : {TCase{"false", true}, TCase{"0", false}, TCase{"", true}, TCase{"no", true},
                           TCase{"00", true}}) {
        Job.SetExtOption("an", c.Value);
        EXPECT_EQ(State().Faudio_disable, c.Expected) << '"' << c.Value << '"';
    }
}

TEST_F(CustomFFmpegOptionsTest, ALowBitRateIsKeptWithAWarning)
{
    const std::string warning =
        "WARNING: The bitrate parameter is set too low. It takes bits/s as argument, not kbits/s";
    Job.SetExtOption("b", "64");
    EXPECT_TRUE(Log.Has(warning, llWarning));
    EXPECT_EQ(Job.GenericOptions().CodecTemplateInt(AVMEDIA_TYPE_VIDEO, "b"), 64);
    EXPECT_EQ(Collected("b"), "64");
    Job.SetExtOption("ab", "128000");
    Job.SetExtOption("vb", "1000");
    EXPECT_EQ(Log.Count(warning), 1);
}

TEST_F(CustomFFmpegOptionsTest, DiscTargetsSetTheirNormsValues)
{
    struct TCase {
        const char* Target;
        int Width, Height, RateNum, RateDen;
        int64_t Gop;
        const char* VideoCodec;
        const char* AudioCodec;
        const char* Format;
        int SampleRate;
        double Aspect;
    };
    const TCase cases[] = {
        {"pal-dvd", 720, 576, 25, 1, 15, "mpeg2video", "ac3", "dvd", 48000, 16.0 / 9},
        {"ntsc-dvd", 720, 480, 30000, 1001, 18, "mpeg2video", "ac3", "dvd", 48000, 16.0 / 9},
        {"film-dvd", 720, 480, 24000, 1001, 18, "mpeg2video", "ac3", "dvd", 48000, 16.0 / 9},
        {"ntsc-vcd", 352, 240, 30000, 1001, 18, "mpeg1video", "mp2", "vcd", 44100, 4.0 / 3},
        {"pal-svcd", 480, 576, 25, 1, 15, "mpeg2video", "mp2", "svcd", 44100, 4.0 / 3},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Target);
        TCustomFFmpeg job(1, test::EngineServices());
        job.SetExtOption("ac", "1");
        job.SetExtOption("target", c.Target);
        const TJobOptionState& s = job.OptionState();
        EXPECT_EQ(s.Fframe_width, c.Width);
        EXPECT_EQ(s.Fframe_height, c.Height);
        EXPECT_EQ(s.Fframe_rate.num, c.RateNum);
        EXPECT_EQ(s.Fframe_rate.den, c.RateDen);
        EXPECT_EQ(job.GenericOptions().CodecTemplateInt(AVMEDIA_TYPE_VIDEO, "g"), c.Gop);
        EXPECT_EQ(s.Fvideo_codec_name, c.VideoCodec);
        EXPECT_EQ(s.Faudio_codec_name, c.AudioCodec);
        EXPECT_EQ(s.Flast_asked_format, c.Format);
        EXPECT_EQ(s.Faudio_sample_rate, c.SampleRate);
        EXPECT_EQ(s.Faudio_channels, 2);  // one channel becomes two
        EXPECT_DOUBLE_EQ(s.Fframe_aspect_ratio, c.Aspect);
    }
    EXPECT_TRUE(Log.Has("Assuming 16:9 for aspect ratio", llInfo));
    EXPECT_TRUE(Log.Has("Assuming 4:3 for aspect ratio", llInfo));
}

TEST_F(CustomFFmpegOptionsTest, ADvdTargetKeepsAGivenAspectAndTheDvdBitRates)
{
    Job.SetExtOption("aspect", "4:3");
    Job.SetExtOption("target", "pal-dvd");
    EXPECT_DOUBLE_EQ(State().Fframe_aspect_ratio, 4.0 / 3);
    EXPECT_EQ(Log.Count("Assuming 16:9 for aspect ratio"), 0);
    EXPECT_EQ(Job.GenericOptions().CodecTemplateInt(AVMEDIA_TYPE_VIDEO, "b"), 6000000);
    EXPECT_EQ(Job.GenericOptions().CodecTemplateInt(AVMEDIA_TYPE_AUDIO, "b"), 448000);
    EXPECT_EQ(Collected("muxrate"), "10080000");
    EXPECT_EQ(Collected("packetsize"), "2048");
}

TEST_F(CustomFFmpegOptionsTest, AGuessedNormNeedsARateAndIsLogged)
{
    EXPECT_EQ(Refusal("target", "dvd"), "frame_rate is invalid.");  // no rate yet
    EXPECT_EQ(Refusal("target", "pal-bluray"), "Unknown target type");
    Job.SetExtOption("r", "30000/1001");
    Job.SetExtOption("target", "dvd");
    EXPECT_EQ(State().Fframe_height, 480);
    EXPECT_TRUE(Log.Has("Assuming NTSC for target.", llVerbose));
    TCustomFFmpeg pal(1, test::EngineServices());
    pal.SetExtOption("r", "12");  // tells nothing: the encoder's default norm decides
    pal.SetTarget("dv", TTargetNorm::Auto, TTargetNorm::Auto);
    EXPECT_EQ(pal.OptionState().Fframe_height, 576);
    EXPECT_EQ(pal.OptionState().Fframe_pix_fmt, AV_PIX_FMT_YUV420P);
    EXPECT_TRUE(Log.Has("Assuming PAL for target.", llVerbose));
}

TEST_F(CustomFFmpegOptionsTest, APresetNamedForTheVideoCodecAppliesItsBuiltInText)
{
    Job.SetExtOption("vcodec", "libx264");
    Job.SetExtOption("vpre", "default");
    const std::vector<TPresetLine> lines =
        TFFPresets::Parse("libx264-default", *TFFPresets::FindBuiltIn("libx264-default"));
    EXPECT_EQ(Job.GenericOptions().Collected().size(), lines.size());
    EXPECT_EQ(Collected("me_method"), "hex");
    EXPECT_EQ(Collected("direct-pred"), "spatial");
    EXPECT_EQ(Collected("8x8dct"), "1");
    EXPECT_EQ(Job.GenericOptions().CodecTemplateInt(AVMEDIA_TYPE_VIDEO, "g"), 250);
}

TEST_F(CustomFFmpegOptionsTest, PresetFilesSetCodecsAndReportTheLineThatFailed)
{
    const std::string folder = test::MakeTempDir("presets");
    const std::string good = folder + "/good.ffpreset";
    std::ofstream(good) << "# mine\nVCODEC=mpeg4\ng=30\n";
    Job.SetExtOption("fpre", good);
    EXPECT_EQ(State().Fvideo_codec_name, "mpeg4");
    EXPECT_EQ(Collected("g"), "30");

    const std::string bad = folder + "/bad.ffpreset";
    std::ofstream(bad) << "g=30\nnonsense_opt = 1\n";
    EXPECT_EQ(Refusal("fpre", bad), "Unrecognized option \"nonsense_opt\"\r\n" + bad +
                                        ": Invalid option or argument: \"nonsense_opt = 1\", parsed as "
                                        "\"nonsense_opt\" = \"1\"");
    Job.HaltOnInvalidOption = false;
    EXPECT_EQ(Refusal("fpre", bad), "");
    EXPECT_EQ(Refusal("vpre", ""), "");  // an empty value does nothing
}

TEST_F(CustomFFmpegOptionsTest, UnknownOptionsFailOnlyWhenHalting)
{
    EXPECT_EQ(Refusal("nonsense_opt", "1"), "Unrecognized option \"nonsense_opt\"");
    EXPECT_EQ(Refusal("g", "many"), "Invalid value \"many\" for option \"g\"");
    EXPECT_EQ(Refusal(" ", "1"), "Unrecognized option \" \"");
    Job.HaltOnInvalidOption = false;
    EXPECT_EQ(Refusal("nonsense_opt", "1"), "");
    EXPECT_EQ(Refusal("g", "many"), "");
    EXPECT_TRUE(Job.GenericOptions().Collected().empty());
}

TEST_F(CustomFFmpegOptionsTest, RefusedValuesSayWhy)
{
    struct TCase {
        const char* Name;
        const char* Value;
        const char* Refusal;
    };
    const TCase cases[] = {
        {"metadata", "title", "Missing ="},
        {"metadata", "=x", "wrong parameter of metadata"},
        {"r", "abc", "Incorrect frame rate"},
        {"s", "huge", "Incorrect frame size"},
        {"aspect", "0", "Incorrect aspect ratio specification."},
        {"aspect", "4:0", "Incorrect aspect ratio specification."},
        {"pix_fmt", "nopix", "Unknown pixel format requested: nopix"},
        {"croptop", "8", "Removed, use the crop filter instead"},
        {"padcolor", "000000", "Removed, use the pad filter instead"},
        {"qscale", "0", "qscale must be > 0.0 and <= 255"},
        {"qscale", "256", "qscale must be > 0.0 and <= 255"},
        {"pass", "3", "pass number can be only 1 or 2"},
        {"atag", "abc", "tag parameter must be 4 chars or int value"},
        {"sample_fmt", "s17", "Invalid sample format \"s17\""},
        {"vbsf", "nobsf", "Unknown bitstream filter nobsf"},
        {"intra_matrix", "1,2,3", "Syntax error in matrix \"1,2,3\" at coeff 3"},
        {"streamid", "5", "Invalid value \"5\" for option \"streamid\", required syntax is \"index:value\""},
        {"itsscale", "20:1.5", "stream index over MAX_STREAMS(20)"},
        {"map_meta_data", "0,x:0", "Invalid metadata type x."},
        {"t", "soon", "Invalid duration specification for t: soon"},
        {"force_key_frames", "1,later", "Invalid duration specification for force_key_frames: later"},
        {"timestamp", "someday", "Invalid date specification for timestamp: someday"},
        {"vframes", "12a", "'12a' is not a valid integer value"},
        {"muxdelay", "x", "'x' is not a valid floating point value"},
        {"newvideo", "", "At least one output file must be specified"},
        {"fpre", "/nonexistent/x.ffpreset", "Preset \"/nonexistent/x.ffpreset\" not found"},
        {"vhook", "hook.so", "Failed to add video hook function: hook.so"},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(Refusal(c.Name, c.Value), c.Refusal) << c.Name << "=" << c.Value;
    EXPECT_FALSE(Refusal("loglevel", "loud").empty());
}

TEST_F(CustomFFmpegOptionsTest, AcceptedValuesLandInTheJob)
{
    Job.SetExtOption("s", "pal");
    Job.SetExtOption("r", "ntsc");
    Job.SetExtOption("aspect", "1.5");
    Job.SetExtOption("atag", "DX50");
    Job.SetExtOption("vtag", "0x31637661");
    Job.SetExtOption("ar", "0");  // ignored
    Job.SetExtOption("ac", "6");
    Job.SetExtOption("t", "1:30");
    Job.SetExtOption("ss", "2.5");
    Job.SetExtOption("acodec", "copy");
    Job.SetExtOption("threads", "4");
    std::string matrix;
    for (int i = 0; i < 63; ++i)
        matrix += "8, ";
    Job.SetExtOption("intra_matrix", matrix + "9");
    EXPECT_EQ(State().Fframe_width, 720);
    EXPECT_EQ(State().Fframe_height, 576);
    EXPECT_EQ(State().Fframe_rate.num, 30000);
    EXPECT_EQ(State().Fframe_rate.den, 1001);
    EXPECT_DOUBLE_EQ(State().Fframe_aspect_ratio, 1.5);
    EXPECT_EQ(State().Faudio_codec_tag, MKTAG('D', 'X', '5', '0'));
    EXPECT_EQ(State().Fvideo_codec_tag, 0x31637661u);
    EXPECT_EQ(State().Faudio_sample_rate, 44100);
    EXPECT_EQ(State().Faudio_channels, 6);
    EXPECT_EQ(State().Frecording_time, 90000000);
    EXPECT_EQ(Job.TotalOutputDuration(), 90000000);
    EXPECT_EQ(State().Fstart_time, 2500000);
    EXPECT_EQ(State().Faudio_stream_copy, 1);
    EXPECT_EQ(State().Fthread_count, 4);
    ASSERT_EQ(State().Fintra_matrix.size(), 64u);
    EXPECT_EQ(State().Fintra_matrix[63], 9);
    EXPECT_TRUE(Log.Has("Warning: if the ffmpeg libraries were not compiled with thread support, it would be using "
                        "thread emulation.",
                        llVerbose));
    Job.SetExtOption("benchmark", "");
    EXPECT_TRUE(Log.Has("Do nothing: option - benchmark", llInfo));
    Job.SetExtOption("timelimit", "10");
    EXPECT_TRUE(Log.Has("Warning: -timelimit not implemented on Windows", llWarning));
}

TEST_F(CustomFFmpegOptionsTest, MapsAreReadAsWritten)
{
    Job.SetExtOption("map", "0.1:1.0");
    Job.SetExtOption("map", "0.2");
    Job.SetExtOption("map_meta_data", "1,s0:0,c2");
    Job.SetExtOption("map_chapters", "0:1");
    ASSERT_EQ(Job.StreamMaps().size(), 2u);
    EXPECT_EQ(Job.StreamMaps()[0].stream_index, 1);
    EXPECT_EQ(Job.StreamMaps()[0].sync_file_index, 1);
    EXPECT_EQ(Job.StreamMaps()[0].sync_stream_index, 0);
    EXPECT_EQ(Job.StreamMaps()[1].sync_stream_index, 2);  // sync defaults to the stream itself
    ASSERT_EQ(Job.MetaDataMaps().size(), 1u);
    EXPECT_EQ(Job.MetaDataMaps()[0][0].file_idx, 1);
    EXPECT_EQ(Job.MetaDataMaps()[0][0].type_, 's');
    EXPECT_EQ(Job.MetaDataMaps()[0][1].type_, 'c');
    EXPECT_EQ(Job.MetaDataMaps()[0][1].index, 2);
    ASSERT_EQ(Job.ChapterMaps().size(), 1u);
    EXPECT_EQ(Job.ChapterMaps()[0].out_file, 0);
    EXPECT_EQ(Job.ChapterMaps()[0].in_file, 1);
}

TEST_F(CustomFFmpegOptionsTest, ALibraryDebugOptionRaisesTheLogToDebug)
{
    FFLogger().SetLogLevel(llInfo);
    Job.SetExtOption("debug", "mb_type");
    EXPECT_EQ(FFLogger().LogLevel(), llDebug);
    FFLogger().SetLogLevel(llInfo);
    Job.SetExtOption("loglevel", "warning");
    EXPECT_EQ(FFLogger().LogLevel(), llWarning);
    FFLogger().SetLogLevel(llInfo);
}

}  // namespace
