// The audio converter on a real DVD title: the French AC-3 track of disc A
// title 1, decoded through the "opendvd:" source and converted to 44100 Hz
// 16-bit stereo in MP3-sized frames, still carries its tone.
#include "dvd/DVDPlugIn.h"
#include "engine/MediaEngine.h"
#include "engine/loader/MediaErrorText.h"
#include "engine/loader/TFFLoader.h"
#include "engine/loader/TOpenedInput.h"
#include "tests/engine/AudioFrames.h"
#include "tests/support/TestDiscs.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

using namespace vidrelo;
using namespace vidrelo::test;

namespace {

// One audio stream of an input, decoded frame by frame.
class TAudioDecoder {
public:
    ~TAudioDecoder()
    {
        ff::avcodec_free_context(&FCodec);
    }

    // Empty, or why the stream cannot be decoded.
    std::string Open(const std::string& url, int streamId)
    {
        if (std::string why = FOpened.Open(url); !why.empty())
            return why;
        FInput = FOpened.Context();
        for (unsigned i = 0; i < FInput->nb_streams; ++i)
            if (FInput->streams[i]->id == streamId)
                FStream = FInput->streams[i];
        if (!FStream)
            return "no stream with id " + std::to_string(streamId);
        FCodec = ff::avcodec_alloc_context3(ff::avcodec_find_decoder(FStream->codecpar->codec_id));
        ff::avcodec_parameters_to_context(FCodec, FStream->codecpar);
        const int code = ff::avcodec_open2(FCodec, nullptr, nullptr);
        return code < 0 ? MediaErrorText("avcodec_open2", code) : "";
    }

    // Calls `use` with each decoded frame, its pts in microseconds.
    void DecodeAll(const std::function<void(AVFrame&)>& use)
    {
        AVPacket* packet = ff::av_packet_alloc();
        TFramePtr frame(ff::av_frame_alloc());
        bool more = true;
        while (more) {
            more = ff::av_read_frame(FInput, packet) >= 0;
            if (more && packet->stream_index != FStream->index) {
                ff::av_packet_unref(packet);
                continue;
            }
            ff::avcodec_send_packet(FCodec, more ? packet : nullptr);
            ff::av_packet_unref(packet);
            while (ff::avcodec_receive_frame(FCodec, frame.get()) == 0) {
                frame->pts = ff::av_rescale_q(frame->best_effort_timestamp, FStream->time_base, AVRational{1, 1000000});
                use(*frame);
            }
        }
        ff::av_packet_free(&packet);
    }

    const AVCodecContext& Codec() const { return *FCodec; }

private:
    TOpenedInput FOpened;
    AVFormatContext* FInput = nullptr;  // FOpened's
    AVStream* FStream = nullptr;
    AVCodecContext* FCodec = nullptr;
};

class AudioConverterDiscTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(TMediaEngine::Loader().Load(EncoderLibraries)) << TMediaEngine::Loader().LastErrMsg();
        ASSERT_TRUE(LoadDVDPlugin(BinDir() + "/LibAV")) << DVDPluginLastError();
    }
    void TearDown() override { UnloadDVDPlugin(); }

    TMediaEngineScope Engine;
};

TEST_F(AudioConverterDiscTest, TheFrenchTrackOfDiscATitle1KeepsItsToneAt44100Hz)
{
    const TestDisc& disc = Disc("discA");
    const TestAudioTrack& french = disc.Title(1).audio.at(1);
    ASSERT_EQ(french.language, "fr");
    const std::string url = "opendvd:" + disc.path + "|Title=1,AudioID=" + std::to_string(french.streamId);
    TAudioDecoder decoder;
    const std::string error = decoder.Open(url, french.streamId);
    ASSERT_EQ(error, "");

    TAudioConverter converter;
    TAudioConverterSetup setup;
    setup.InSampleRate = decoder.Codec().sample_rate;
    setup.InSampleFmt = decoder.Codec().sample_fmt;
    setup.InLayout = decoder.Codec().ch_layout;
    setup.OutSampleRate = 44100;
    setup.OutSampleFmt = AV_SAMPLE_FMT_S16;
    setup.OutLayout = Layout(2);
    setup.FrameSize = 1152;
    std::string configureError;
    ASSERT_TRUE(converter.Configure(setup, configureError)) << configureError;

    TConverted out;
    decoder.DecodeAll([&](AVFrame& frame) {
        ASSERT_EQ(converter.Push(&frame), 0) << converter.LastError();
        PullAll(converter, out);
    });
    ASSERT_EQ(converter.Push(nullptr), 0);
    EXPECT_EQ(PullAll(converter, out), AVERROR_EOF);

    ASSERT_EQ(out.ChannelCount, 2);
    ASSERT_GT(out.Total(), 44100u);
    for (size_t i = 0; i + 1 < out.Sizes.size(); ++i)
        ASSERT_EQ(out.Sizes[i], 1152) << "frame " << i;
    const std::vector<double> left(out.Channels[0].begin() + 4410, out.Channels[0].end() - 4410);
    EXPECT_GT(*std::max_element(left.begin(), left.end()), 0.05);
    EXPECT_NEAR(ToneFrequency(left, 44100), french.toneHz, 2);
}

}  // namespace
