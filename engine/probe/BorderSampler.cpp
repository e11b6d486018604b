#include "engine/probe/BorderSampler.h"

#include "engine/loader/AVBindings.h"

#include <string_view>

namespace vidrelo {
namespace {

// Packets read after a landing point before giving the place up: several
// groups of pictures of a DVD title, with its sound interleaved.
constexpr int kPacketBudget = 4096;

// The picture's first plane is its luma, a byte per value.
bool LumaPlaneFirst(const AVPixFmtDescriptor* desc)
{
    constexpr uint64_t notLuma = AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_BITSTREAM |
                                 AV_PIX_FMT_FLAG_HWACCEL;
    return desc && !(desc->flags & notLuma) && desc->nb_components >= 1 && desc->comp[0].plane == 0 &&
           desc->comp[0].depth == 8 && desc->comp[0].step == 1 && desc->comp[0].offset == 0;
}

bool FullRange(const AVFrame* frame, const AVPixFmtDescriptor* desc)
{
    if (frame->color_range == AVCOL_RANGE_JPEG)
        return true;
    const std::string_view name = desc && desc->name ? desc->name : "";
    return name.starts_with("yuvj") || (name == "gray" && frame->color_range != AVCOL_RANGE_MPEG);
}

}  // namespace

TBorderSampler::~TBorderSampler()
{
    ff::sws_freeContext(FScaler);
    ff::av_packet_free(&FPacket);
    ff::av_frame_free(&FConverted);
    ff::av_frame_free(&FFrame);
    ff::avcodec_free_context(&FCodec);
}

bool TBorderSampler::Open(std::string& error)
{
    for (unsigned i = 0; i < FInput->nb_streams && FStream < 0; ++i) {
        const AVStream* stream = FInput->streams[i];
        if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && !(stream->disposition & AV_DISPOSITION_ATTACHED_PIC))
            FStream = static_cast<int>(i);
    }
    if (FStream < 0) {
        error = "no video stream";
        return false;
    }
    const AVCodecParameters* par = FInput->streams[FStream]->codecpar;
    const AVCodec* codec = ff::avcodec_find_decoder(par->codec_id);
    FCodec = codec ? ff::avcodec_alloc_context3(codec) : nullptr;
    if (!FCodec || ff::avcodec_parameters_to_context(FCodec, par) < 0 || ff::avcodec_open2(FCodec, codec, nullptr) < 0) {
        error = std::string("cannot decode the video stream (") + ff::avcodec_get_name(par->codec_id) + ")";
        return false;
    }
    FFrame = ff::av_frame_alloc();
    FPacket = ff::av_packet_alloc();
    const int64_t size = FInput->pb ? ff::avio_size(FInput->pb) : -1;
    const bool jumpyClock = FInput->iformat->flags & AVFMT_TS_DISCONT;
    const bool byteSeekable = !(FInput->iformat->flags & AVFMT_NO_BYTE_SEEK) && size > 0;
    FByBytes = byteSeekable && (jumpyClock || FInput->duration <= 0 || FInput->duration == AV_NOPTS_VALUE);
    if (!FFrame || !FPacket) {
        error = "out of memory";
        return false;
    }
    return true;
}

std::optional<TLumaPicture> TBorderSampler::PictureAt(double share)
{
    if (!Seek(share) || !DecodePicture())
        return std::nullopt;
    if (FWidth == 0) {
        FWidth = FFrame->width;
        FHeight = FFrame->height;
    }
    if (FFrame->width != FWidth || FFrame->height != FHeight)
        return std::nullopt;
    return Luma();
}

// A source that can be sought neither way is read on from where it is.
bool TBorderSampler::Seek(double share)
{
    ff::avcodec_flush_buffers(FCodec);
    if (FByBytes) {
        const auto target = static_cast<int64_t>(share * static_cast<double>(ff::avio_size(FInput->pb)));
        return ff::av_seek_frame(FInput, -1, target, AVSEEK_FLAG_BYTE) >= 0;
    }
    if (FInput->duration <= 0 || FInput->duration == AV_NOPTS_VALUE)
        return true;
    const int64_t start = FInput->start_time == AV_NOPTS_VALUE ? 0 : FInput->start_time;
    const int64_t target = start + static_cast<int64_t>(share * static_cast<double>(FInput->duration));
    // A key frame at or before the place, else the next one.
    return ff::avformat_seek_file(FInput, -1, INT64_MIN, target, target, 0) >= 0 ||
           ff::avformat_seek_file(FInput, -1, target, target, INT64_MAX, 0) >= 0;
}

// The first picture the decoder calls whole, into FFrame.
bool TBorderSampler::DecodePicture()
{
    for (int read = 0; read < kPacketBudget; ++read) {
        if (ReceivePicture())
            return true;
        const int r = ff::av_read_frame(FInput, FPacket);
        if (r < 0) {
            ff::avcodec_send_packet(FCodec, nullptr);  // drain what the decoder holds
            return ReceivePicture();
        }
        if (FPacket->stream_index == FStream)
            ff::avcodec_send_packet(FCodec, FPacket);
        ff::av_packet_unref(FPacket);
    }
    return false;
}

bool TBorderSampler::ReceivePicture()
{
    while (ff::avcodec_receive_frame(FCodec, FFrame) >= 0) {
        if (!(FFrame->flags & AV_FRAME_FLAG_CORRUPT) && FFrame->decode_error_flags == 0)
            return true;
        ff::av_frame_unref(FFrame);
    }
    return false;
}

std::optional<TLumaPicture> TBorderSampler::Luma()
{
    const AVPixFmtDescriptor* desc = ff::av_pix_fmt_desc_get(static_cast<AVPixelFormat>(FFrame->format));
    if (!LumaPlaneFirst(desc))
        return ConvertedLuma();
    return TLumaPicture{FFrame->data[0], FFrame->linesize[0], FFrame->width, FFrame->height, FullRange(FFrame, desc)};
}

// Pictures stored otherwise (RGB, packed, deeper than 8 bits) become
// limited-range 4:2:0 first.
std::optional<TLumaPicture> TBorderSampler::ConvertedLuma()
{
    const int w = FFrame->width, h = FFrame->height;
    if (!FConverted) {
        FConverted = ff::av_frame_alloc();
        if (!FConverted)
            return std::nullopt;
        FConverted->width = w;
        FConverted->height = h;
        FConverted->format = AV_PIX_FMT_YUV420P;
        if (ff::av_frame_get_buffer(FConverted, 0) < 0) {
            ff::av_frame_free(&FConverted);
            return std::nullopt;
        }
    }
    FScaler = ff::sws_getCachedContext(FScaler, w, h, static_cast<AVPixelFormat>(FFrame->format), w, h,
                                       AV_PIX_FMT_YUV420P, SWS_POINT, nullptr, nullptr, nullptr);
    if (!FScaler)
        return std::nullopt;
    ff::sws_scale(FScaler, FFrame->data, FFrame->linesize, 0, h, FConverted->data, FConverted->linesize);
    return TLumaPicture{FConverted->data[0], FConverted->linesize[0], w, h, false};
}

}  // namespace vidrelo
