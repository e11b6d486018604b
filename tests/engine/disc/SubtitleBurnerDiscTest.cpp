// Burning a real DVD subtitle: disc A title 1's subpicture stream read
// through the DVD plug-in, decoded with the title's own palette, and drawn
// into a picture while it is on screen only.
#include "dvd/DVDPlugIn.h"
#include "engine/MediaEngine.h"
#include "engine/encoder/TSubtitleBurner.h"
#include "engine/loader/AVBindings.h"
#include "engine/loader/TFFLoader.h"
#include "engine/loader/TOpenedInput.h"
#include "tests/engine/TestPictures.h"
#include "tests/support/TestDiscs.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>

using namespace vidrelo;
using namespace vidrelo::test;

namespace {

constexpr AVRational kMicroseconds{1, 1000000};

class SubtitleBurnerDiscTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(TMediaEngine::Loader().Load(EncoderLibraries)) << TMediaEngine::Loader().LastErrMsg();
        ASSERT_TRUE(LoadDVDPlugin(BinDir() + "/LibAV")) << DVDPluginLastError();
    }
    void TearDown() override
    {
        ff::avcodec_free_context(&Decoder);
        Opened = std::make_unique<TOpenedInput>();
        UnloadDVDPlugin();
    }

    // Opens the title with its subtitle stream and that stream's decoder.
    void Open(const std::string& url, int streamId)
    {
        ASSERT_EQ(Opened->Open(url), "");
        Input = Opened->Context();
        StartTime = Opened->Hints().StartTime;
        for (unsigned i = 0; i < Input->nb_streams; ++i)
            if (Input->streams[i]->id == streamId)
                Stream = Input->streams[i];
        ASSERT_NE(Stream, nullptr);
        const AVCodec* codec = ff::avcodec_find_decoder(Stream->codecpar->codec_id);
        ASSERT_NE(codec, nullptr);
        Decoder = ff::avcodec_alloc_context3(codec);
        ASSERT_GE(ff::avcodec_parameters_to_context(Decoder, Stream->codecpar), 0);
        ASSERT_GE(ff::avcodec_open2(Decoder, codec, nullptr), 0);
    }

    // Decodes every subtitle packet into the burner, times from the title's start.
    int DecodeInto(TSubtitleBurner& burner)
    {
        int subtitles = 0;
        AVPacket* packet = ff::av_packet_alloc();
        while (ff::av_read_frame(Input, packet) >= 0) {
            AVSubtitle subtitle{};
            int got = 0;
            if (packet->stream_index == Stream->index && packet->pts != AV_NOPTS_VALUE &&
                ff::avcodec_decode_subtitle2(Decoder, &subtitle, &got, packet) >= 0 && got) {
                burner.Add(subtitle, ff::av_rescale_q(packet->pts, Stream->time_base, kMicroseconds) - StartTime);
                ff::avsubtitle_free(&subtitle);
                ++subtitles;
            }
            ff::av_packet_unref(packet);
        }
        ff::av_packet_free(&packet);
        return subtitles;
    }

    std::unique_ptr<TOpenedInput> Opened = std::make_unique<TOpenedInput>();
    AVFormatContext* Input = nullptr;  // Opened's
    AVStream* Stream = nullptr;
    AVCodecContext* Decoder = nullptr;
    int64_t StartTime = 0;
    TMediaEngineScope Engine;
};

// Luma samples of rows [from, to) that are no longer mid grey, and the brightest.
std::pair<int, int> Changed(const AVFrame& frame, int from, int to)
{
    int changed = 0, brightest = 0;
    for (int y = from; y < to; ++y)
        for (int x = 0; x < frame.width; ++x) {
            const int luma = LumaAt(frame, x, y);
            changed += luma != 128;
            brightest = std::max(brightest, luma);
        }
    return {changed, brightest};
}

TEST_F(SubtitleBurnerDiscTest, TheFirstSubtitleOfDiscATitle1IsBurnedWhileItIsOn)
{
    const TestDisc& disc = Disc("discA");
    const TestSubtitleTrack& track = disc.Title(1).subtitles.at(0);
    ASSERT_LT(track.lines.at(0).start, 2.0);
    ASSERT_GT(track.lines.at(0).end, 2.0);
    ASSERT_LT(track.lines.at(0).end, 4.0);
    Open("opendvd:" + disc.path + "|Title=1,AudioID=128,SubtitleID=" + std::to_string(track.streamId),
         track.streamId);
    ASSERT_NE(Stream->codecpar->extradata, nullptr) << "no palette for the decoder";
    const std::string extradata(reinterpret_cast<const char*>(Stream->codecpar->extradata),
                                Stream->codecpar->extradata_size);
    EXPECT_TRUE(extradata.starts_with("palette: ")) << extradata;

    TSubtitleBurner burner;
    burner.SetCanvasSize(disc.width, disc.height);
    EXPECT_GE(DecodeInto(burner), 2);

    TFramePtr on = FlatPicture(disc.width, disc.height, 128);
    ASSERT_EQ(burner.Blend(on.get(), 2000000), 0);
    EXPECT_EQ(Changed(*on, 0, disc.height / 2).first, 0) << "a DVD subtitle sits in the lower half";
    const auto [changed, brightest] = Changed(*on, disc.height / 2, disc.height);
    EXPECT_GT(changed, 500);
    EXPECT_GE(brightest, 230) << "the title's palette draws the text white";

    TFramePtr off = FlatPicture(disc.width, disc.height, 128);
    ASSERT_EQ(burner.Blend(off.get(), 4000000), 0);
    EXPECT_EQ(Changed(*off, 0, disc.height).first, 0);
}

}  // namespace
