// Generic options: which template takes a name, what is refused and why,
// and which contexts the collected options reach.
#include "engine/encoder/TFFOptions.h"

#include "tests/engine/EncoderJobSupport.h"

using namespace vidrelo;

namespace {

class FFOptionsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Libraries.Loaded); }

    AVCodecContext* Encoder(const char* name)
    {
        const AVCodec* codec = ff::avcodec_find_encoder_by_name(name);
        EXPECT_NE(codec, nullptr) << name;
        Contexts.push_back(ff::avcodec_alloc_context3(codec));
        return Contexts.back();
    }
    AVCodecContext* Decoder(AVCodecID id)
    {
        Contexts.push_back(ff::avcodec_alloc_context3(ff::avcodec_find_decoder(id)));
        return Contexts.back();
    }
    void TearDown() override
    {
        for (AVCodecContext*& c : Contexts)
            ff::avcodec_free_context(&c);
    }
    static int64_t PrivateInt(void* object, const char* name)
    {
        int64_t value = -1;
        ff::av_opt_get_int(object, name, AV_OPT_SEARCH_CHILDREN, &value);
        return value;
    }

    test::TEncoderLibraries Libraries;
    std::vector<AVCodecContext*> Contexts;
};

TEST_F(FFOptionsTest, AcceptsWhatTheLibrariesKnowAndSaysWhyNot)
{
    struct TCase {
        const char* Name;
        const char* Value;
        const char* Refusal;
    };
    const TCase cases[] = {
        {"g", "15", ""},                // codec, video
        {"vb", "800000", ""},           // "b" of the video template
        {"ab", "128000", ""},           // audio
        {"packetsize", "2048", ""},     // format
        {"sws_flags", "bilinear", ""},  // scaler
        {"me_method", "hex", ""},       // private to libx264
        {"muxrate", "10080000", ""},    // private to the MPEG muxers
        {"nonsense_opt", "1", "Unrecognized option \"nonsense_opt\""},
        {"g", "abc", "Invalid value \"abc\" for option \"g\""},
        {"vb", "fast", "Invalid value \"fast\" for option \"vb\""},
        // SVCD's old codec flag is an encoder option today.
        {"flags", "+scan_offset", "Invalid value \"+scan_offset\" for option \"flags\""},
    };
    for (const TCase& c : cases) {
        TFFOptions options(SWS_BICUBIC);
        EXPECT_EQ(options.Set(c.Name, c.Value), c.Refusal) << c.Name << "=" << c.Value;
        EXPECT_EQ(options.Collected().size(), *c.Refusal ? 0u : 1u) << c.Name;
    }
}

TEST_F(FFOptionsTest, APlainBitRateIsTheVideoOnesAndPrefixesPickTheKind)
{
    TFFOptions options(SWS_BICUBIC);
    const int64_t audioDefault = options.CodecTemplateInt(AVMEDIA_TYPE_AUDIO, "b");
    ASSERT_EQ(options.Set("b", "6000000"), "");
    EXPECT_EQ(options.CodecTemplateInt(AVMEDIA_TYPE_VIDEO, "b"), 6000000);
    EXPECT_EQ(options.CodecTemplateInt(AVMEDIA_TYPE_AUDIO, "b"), audioDefault);
    ASSERT_EQ(options.Set("ab", "448000"), "");
    ASSERT_EQ(options.Set("vb", "5000000"), "");
    EXPECT_EQ(options.CodecTemplateInt(AVMEDIA_TYPE_VIDEO, "b"), 5000000);

    AVCodecContext* video = Encoder("mpeg2video");
    AVCodecContext* audio = Encoder("mp2");
    options.ApplyToCodec(video, AVMEDIA_TYPE_VIDEO, true);
    options.ApplyToCodec(audio, AVMEDIA_TYPE_AUDIO, true);
    EXPECT_EQ(video->bit_rate, 5000000);  // the later "vb" wins over "b"
    EXPECT_EQ(audio->bit_rate, 448000);   // whatever order "b" and "ab" came in
}

TEST_F(FFOptionsTest, OptionsReachOnlyTheContextsTheyAreMeantFor)
{
    TFFOptions options(SWS_BICUBIC);
    for (const auto& [name, value] : std::vector<std::pair<std::string, std::string>>{
             {"g", "33"}, {"me_method", "umh"}, {"scan_offset", "1"}, {"packetsize", "2048"}, {"muxrate", "1411200"}})
        ASSERT_EQ(options.Set(name, value), "") << name;

    AVCodecContext* mpeg2 = Encoder("mpeg2video");
    AVCodecContext* x264 = Encoder("libx264");
    AVCodecContext* decoder = Decoder(AV_CODEC_ID_MPEG2VIDEO);
    AVCodecContext* audio = Encoder("mp2");
    const int decoderGop = decoder->gop_size;
    const int audioGop = audio->gop_size;
    options.ApplyToCodec(mpeg2, AVMEDIA_TYPE_VIDEO, true);
    options.ApplyToCodec(x264, AVMEDIA_TYPE_VIDEO, true);
    options.ApplyToCodec(decoder, AVMEDIA_TYPE_VIDEO, false);
    options.ApplyToCodec(audio, AVMEDIA_TYPE_AUDIO, true);

    EXPECT_EQ(mpeg2->gop_size, 33);
    EXPECT_EQ(PrivateInt(mpeg2->priv_data, "scan_offset"), 1);
    EXPECT_EQ(PrivateInt(x264->priv_data, "me_method"), 2);  // umh
    EXPECT_EQ(decoder->gop_size, decoderGop);                 // an encoding option
    EXPECT_EQ(audio->gop_size, audioGop);                     // a video option

    AVFormatContext* output = nullptr;
    ASSERT_GE(ff::avformat_alloc_output_context2(&output, nullptr, "vcd", nullptr), 0);
    options.ApplyToFormat(output, true);
    EXPECT_EQ(output->packet_size, 2048u);
    EXPECT_EQ(PrivateInt(output->priv_data, "muxrate"), 1411200);
    ff::avformat_free_context(output);

    // A demuxer not yet chosen is offered every private name; a known one
    // only its own.
    AVDictionary* forAny = options.InputFormatOptions(nullptr);
    EXPECT_NE(ff::av_dict_get(forAny, "me_method", nullptr, 0), nullptr);
    ff::av_dict_free(&forAny);
    AVDictionary* forMpeg = options.InputFormatOptions(ff::av_find_input_format("mpeg"));
    EXPECT_EQ(forMpeg, nullptr);
}

TEST_F(FFOptionsTest, ScalerFlagsAndDebugAreReadBackAndClearRestoresDefaults)
{
    TFFOptions options(SWS_BICUBIC);
    EXPECT_EQ(options.ScalerFlags(), SWS_BICUBIC);
    ASSERT_EQ(options.Set("sws_flags", "lanczos"), "");
    EXPECT_EQ(options.ScalerFlags(), SWS_LANCZOS);
    EXPECT_FALSE(options.DebugRequested());
    ASSERT_EQ(options.Set("debug", "mb_type"), "");
    EXPECT_TRUE(options.DebugRequested());
    ASSERT_EQ(options.Set("g", "7"), "");
    options.Clear();
    EXPECT_TRUE(options.Collected().empty());
    EXPECT_FALSE(options.DebugRequested());
    EXPECT_NE(options.CodecTemplateInt(AVMEDIA_TYPE_VIDEO, "g"), 7);
    EXPECT_EQ(options.ScalerFlags(), SWS_LANCZOS);  // the job's flags survive
}

}  // namespace
