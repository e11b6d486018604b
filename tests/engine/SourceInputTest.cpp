// Opening inputs through the source protocol registry: a registered name is
// read through its opener (here a test protocol serving a file from memory),
// announced streams the probe did not meet are added, and failures say why.
#include "engine/MediaEngine.h"
#include "engine/loader/AVBindings.h"
#include "engine/loader/MediaErrorText.h"
#include "engine/loader/TFFLoader.h"
#include "engine/loader/TOpenedInput.h"
#include "engine/loader/TSourceInput.h"
#include "engine/loader/TSourceProtocols.h"
#include "tests/engine/EncoderJobSupport.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

using namespace vidrelo;

namespace {

class SourceInputTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Clip = test::MakeMpegClip(test::MakeTempDir("clip"));
    }

    void SetUp() override
    {
        ASSERT_TRUE(TMediaEngine::Loader().Load(DecoderLibraries)) << TMediaEngine::Loader().LastErrMsg();
        std::ifstream in(Clip, std::ios::binary);
        Bytes.assign(std::istreambuf_iterator<char>(in), {});
        TMediaEngine::SourceProtocols().Register("memtest", [this](const std::string& url) {
            TSourceOpenResult result;
            if (url.find("missing") != std::string::npos) {
                result.Error = "memtest: no such clip";
                return result;
            }
            result.Stream = std::make_unique<test::TTestStream>(Bytes);
            result.Hints.ForceFormat = "mpeg";
            result.Hints.Streams = {{TSourceStreamHint::Video, 0x1E0, "mpeg2video"},
                                    {TSourceStreamHint::Subtitle, 0x20, "dvd_subtitle"}};
            result.Hints.SubtitlePalette.assign(16, 0x000000);
            result.Hints.SubtitlePalette.front() = 0xFFFFFF;
            result.Hints.SubtitlePalette.back() = 0x12AB34;
            return result;
        });
    }

    AVFormatContext* NewContext()
    {
        AVFormatContext* context = ff::avformat_alloc_context();
        EXPECT_NE(context, nullptr);
        return context;
    }

    static inline std::string Clip;
    std::string Bytes;
    TMediaEngineScope Engine;
};

TEST_F(SourceInputTest, ARegisteredNameIsReadThroughItsOpener)
{
    AVFormatContext* context = NewContext();
    const TSourceInputResult r = OpenSourceInput(&context, "memtest:clip", nullptr, nullptr);
    ASSERT_EQ(r.Code, 0) << r.Error;
    EXPECT_TRUE(r.FromSource);
    EXPECT_STREQ(context->iformat->name, "mpeg");  // the opener's format, not a guess
    ASSERT_GE(ff::avformat_find_stream_info(context, nullptr), 0);
    ASSERT_EQ(context->nb_streams, 2u);

    // The announced subtitle stream is added; the video is not doubled.
    EXPECT_EQ(AddHintedStreams(context, r.Hints), 1);
    ASSERT_EQ(context->nb_streams, 3u);
    EXPECT_EQ(context->streams[2]->id, 0x20);
    EXPECT_EQ(context->streams[2]->codecpar->codec_type, AVMEDIA_TYPE_SUBTITLE);
    EXPECT_EQ(context->streams[2]->codecpar->codec_id, AV_CODEC_ID_DVD_SUBTITLE);
    EXPECT_EQ(AddHintedStreams(context, r.Hints), 0);
    // The subtitle decoder gets the source's palette as the text it reads.
    const AVCodecParameters* sub = context->streams[2]->codecpar;
    ASSERT_NE(sub->extradata, nullptr);
    const std::string palette(reinterpret_cast<const char*>(sub->extradata), sub->extradata_size);
    EXPECT_TRUE(palette.starts_with("palette: ffffff, 000000, 000000, ")) << palette;
    EXPECT_TRUE(palette.ends_with(", 000000, 12ab34\n")) << palette;
    EXPECT_EQ(std::count(palette.begin(), palette.end(), ','), 15);

    // The whole clip reads through the opener's stream.
    AVPacket* packet = ff::av_packet_alloc();
    int videoPackets = 0;
    while (ff::av_read_frame(context, packet) >= 0) {
        videoPackets += context->streams[packet->stream_index]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO;
        ff::av_packet_unref(packet);
    }
    ff::av_packet_free(&packet);
    EXPECT_EQ(videoPackets, 25);
    CloseSourceInput(&context);
    EXPECT_EQ(context, nullptr);
}

TEST_F(SourceInputTest, TheSharedOpenerRunsTheCallersStepsAndSaysWhereItFailed)
{
    // A source: opened through its opener, the announced subtitle added.
    std::vector<std::string> steps;
    TOpenSteps how;
    how.BeforeOpen = [&](AVFormatContext*) { steps.push_back("before open"); };
    how.BeforeProbe = [&](AVFormatContext* context) {
        steps.push_back("before probe, " + std::to_string(context->nb_streams) + " streams");
        return std::string();
    };
    how.Blocking = [&](bool connecting, const std::function<void()>& step) {
        steps.push_back(connecting ? "connecting" : "probing");
        step();
    };
    {
        TOpenedInput input;
        ASSERT_EQ(input.Open("memtest:clip", how), "");
        EXPECT_TRUE(input.FromSource());
        EXPECT_EQ(input.Context()->nb_streams, 3u);
        EXPECT_EQ(input.Hints().ForceFormat, "mpeg");
        EXPECT_EQ(steps, (std::vector<std::string>{"before open", "connecting", "before probe, 0 streams", "probing"}));
        AVFormatContext* taken = input.Release();
        EXPECT_EQ(input.Context(), nullptr);
        CloseSourceInput(&taken);
    }

    struct TCase {
        std::string Source;
        bool RefuseBeforeProbe;
        TOpenedInput::TStep Step;
        std::string Error;
    };
    const std::string missing = test::MakeTempDir("none") + "/nothing.vob";
    const TCase cases[] = {
        {"memtest:missing", false, TOpenedInput::TStep::Open, "memtest: no such clip"},
        {missing, false, TOpenedInput::TStep::Open, missing + ": No such file or directory"},
        {"memtest:clip", true, TOpenedInput::TStep::Prepare, "Specified program id not found"},
        {std::string("a\0b", 3), false, TOpenedInput::TStep::Open, MediaErrorText(std::string("a\0b", 3), AVERROR(EINVAL))},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Source);
        TOpenSteps refuse;
        if (c.RefuseBeforeProbe)
            refuse.BeforeProbe = [](AVFormatContext*) { return std::string("Specified program id not found"); };
        TOpenedInput input;
        EXPECT_EQ(input.Open(c.Source, refuse), c.Error);
        EXPECT_EQ(input.FailedAt(), c.Step);
        EXPECT_LT(input.Code(), 0);
    }
}

TEST_F(SourceInputTest, FailuresSayWhy)
{
    AVFormatContext* context = NewContext();
    TSourceInputResult r = OpenSourceInput(&context, "memtest:missing", nullptr, nullptr);
    EXPECT_LT(r.Code, 0);
    EXPECT_EQ(r.Error, "memtest: no such clip");
    EXPECT_EQ(context, nullptr);

    // Not a source of the registry: the libraries' own file protocol.
    context = NewContext();
    const std::string missing = test::MakeTempDir("none") + "/nothing.vob";
    r = OpenSourceInput(&context, missing, nullptr, nullptr);
    EXPECT_FALSE(r.FromSource);
    EXPECT_EQ(r.Error, missing + ": No such file or directory");
    EXPECT_EQ(context, nullptr);

    context = NewContext();
    r = OpenSourceInput(&context, Clip, nullptr, nullptr);
    EXPECT_EQ(r.Code, 0) << r.Error;
    CloseSourceInput(&context);
    CloseSourceInput(&context);  // twice is harmless
}

}  // namespace
