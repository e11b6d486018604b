#include "engine/encoder/TDecoderStage.h"

#include "engine/encoder/FFmpegException.h"
#include "engine/encoder/TAVInputStream.h"
#include "engine/loader/AVBindings.h"

namespace vidrelo {
namespace {

int64_t ToMicroseconds(int64_t ts, AVRational tb)
{
    return ts == AV_NOPTS_VALUE ? AV_NOPTS_VALUE : ff::av_rescale_q(ts, tb, AV_TIME_BASE_Q);
}

// One picture's length in microseconds, from the frame, else from the stream's rate.
int64_t PictureDuration(const AVStream& stream, const AVFrame& frame)
{
    if (frame.pkt_duration > 0)
        return ToMicroseconds(frame.pkt_duration, stream.time_base);
    AVRational rate = stream.avg_frame_rate.num > 0 ? stream.avg_frame_rate : stream.r_frame_rate;
    if (rate.num <= 0 || rate.den <= 0)
        rate = AVRational{25, 1};
    return ff::av_rescale_q(2 + frame.repeat_pict, AVRational{rate.den, rate.num * 2}, AV_TIME_BASE_Q);
}

}  // namespace

TDecoderStage::TDecoderStage(TAVInputStream& AStream) : FStream(AStream)
{
    FFrame = ff::av_frame_alloc();
    if (!FFrame)
        throw FFmpegException("av_mallocz fail");
}

TDecoderStage::~TDecoderStage()
{
    if (ff::av_frame_free)  // (the libraries may be gone already)
        ff::av_frame_free(&FFrame);
}

int TDecoderStage::Decode(const AVPacket* APacket, const TFrameSink& ASink)
{
    int code = ff::avcodec_send_packet(FStream.dec, APacket);
    if (code == AVERROR(EAGAIN)) {
        // Frames the decoder still holds go first.
        if ((code = Receive(ASink)) < 0)
            return code;
        code = ff::avcodec_send_packet(FStream.dec, APacket);
    }
    if (code == AVERROR_EOF)
        code = 0;
    const int received = Receive(ASink);
    return code < 0 ? code : received;
}

int TDecoderStage::Receive(const TFrameSink& ASink)
{
    struct TUnref {
        AVFrame* Frame;
        ~TUnref() { ff::av_frame_unref(Frame); }
    };
    for (;;) {
        const int code = ff::avcodec_receive_frame(FStream.dec, FFrame);
        if (code == AVERROR(EAGAIN) || code == AVERROR_EOF)
            return 0;
        if (code < 0)
            return code;
        const TUnref unref{FFrame};
        ++FStream.frame_number;
        ASink(FFrame, Stamp(*FFrame));
    }
}

int64_t TDecoderStage::Stamp(const AVFrame& AFrame)
{
    int64_t time = ToMicroseconds(AFrame.best_effort_timestamp, FStream.st->time_base);
    if (time == AV_NOPTS_VALUE)
        time = FStream.next_pts != AV_NOPTS_VALUE ? FStream.next_pts : FStream.pts;
    FStream.pts = time;
    if (FStream.st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
        FStream.next_pts = time + PictureDuration(*FStream.st, AFrame);
    else if (AFrame.sample_rate > 0)
        FStream.next_pts = time + ff::av_rescale(AFrame.nb_samples, AV_TIME_BASE, AFrame.sample_rate);
    return time;
}

int TDecoderStage::DecodeSubtitle(const AVPacket* APacket, const TSubtitleSink& ASink)
{
    if (!APacket)
        return 0;
    AVSubtitle subtitle{};
    int got = 0;
    const int code = ff::avcodec_decode_subtitle2(FStream.dec, &subtitle, &got, const_cast<AVPacket*>(APacket));
    if (code < 0)
        return code;
    if (!got)
        return 0;
    struct TFree {
        AVSubtitle* Subtitle;
        ~TFree() { ff::avsubtitle_free(Subtitle); }
    } free{&subtitle};
    ASink(subtitle, ToMicroseconds(APacket->pts, FStream.st->time_base));
    return 0;
}

void TDecoderStage::Reset()
{
    ff::avcodec_flush_buffers(FStream.dec);
}

}  // namespace vidrelo
