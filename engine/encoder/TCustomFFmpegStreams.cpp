// The streams of a job's outputs: the first ones an output gets and those
// "newvideo", "newaudio" and "newsubtitle" add.
#include "engine/StringFormat.h"
#include "engine/encoder/FFmpegException.h"
#include "engine/encoder/OptionValues.h"
#include "engine/encoder/TCustomFFmpeg.h"
#include "engine/loader/AVBindings.h"

#include <bit>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace vidrelo {
namespace {

constexpr double kNoAudioQuality = -99999;

// "start,end,q/start,end,q/...": q > 0 a quantiser, q <= 0 a quality factor
// of -q percent.
std::vector<RcOverride> ParseRcOverride(const std::string& text)
{
    std::vector<RcOverride> overrides;
    if (text.empty())
        return overrides;
    const char* p = text.c_str();
    while (p) {
        int start = 0, end = 0, q = 0;
        if (std::sscanf(p, "%d,%d,%d", &start, &end, &q) != 3)
            throw FFmpegException("error parsing rc_override");
        RcOverride o{};
        o.start_frame = start;
        o.end_frame = end;
        o.qscale = q > 0 ? q : 0;
        o.quality_factor = q > 0 ? 1.0f : static_cast<float>(-q / 100.0);
        overrides.push_back(o);
        p = std::strchr(p, '/');
        if (p)
            ++p;
    }
    return overrides;
}

// A copy the codec context owns (it frees it with av_free).
template <typename T>
T* LibraryCopy(const std::vector<T>& items)
{
    auto* copy = static_cast<T*>(ff::av_malloc(items.size() * sizeof(T)));
    if (!copy)
        throw std::bad_alloc();
    std::memcpy(copy, items.data(), items.size() * sizeof(T));
    return copy;
}

bool Contains(const AVPixelFormat* list, AVPixelFormat format)
{
    for (; *list != AV_PIX_FMT_NONE; ++list)
        if (*list == format)
            return true;
    return false;
}

// The requested pixel format when the encoder takes it, else its first.
void ChoosePixelFormat(AVCodecContext* context, const AVCodec* codec)
{
    if (!codec || !codec->pix_fmts)
        return;
    static const AVPixelFormat mjpeg[] = {AV_PIX_FMT_YUVJ420P, AV_PIX_FMT_YUVJ422P, AV_PIX_FMT_YUV420P,
                                          AV_PIX_FMT_YUV422P, AV_PIX_FMT_NONE};
    static const AVPixelFormat ljpeg[] = {AV_PIX_FMT_YUVJ420P, AV_PIX_FMT_YUVJ422P, AV_PIX_FMT_YUVJ444P,
                                          AV_PIX_FMT_YUV420P,  AV_PIX_FMT_YUV422P,  AV_PIX_FMT_YUV444P,
                                          AV_PIX_FMT_BGRA,     AV_PIX_FMT_NONE};
    const AVPixelFormat* accepted = codec->pix_fmts;
    if (context->strict_std_compliance <= FF_COMPLIANCE_UNOFFICIAL) {
        if (context->codec_id == AV_CODEC_ID_MJPEG)
            accepted = mjpeg;
        else if (context->codec_id == AV_CODEC_ID_LJPEG)
            accepted = ljpeg;
    }
    if (!Contains(accepted, context->pix_fmt))
        context->pix_fmt = codec->pix_fmts[0];
}

void ChooseSampleFormat(AVCodecContext* context, const AVCodec* codec)
{
    if (!codec || !codec->sample_fmts)
        return;
    for (const AVSampleFormat* f = codec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f)
        if (*f == context->sample_fmt)
            return;
    context->sample_fmt = codec->sample_fmts[0];
}

// The supported rate closest to the requested one (the first of equally
// close ones); 0 when the encoder lists none.
int ClosestSampleRate(int requested, const AVCodec* codec)
{
    if (!codec || !codec->supported_samplerates)
        return 0;
    int best = 0;
    int bestDistance = INT_MAX;
    for (const int* rate = codec->supported_samplerates; *rate; ++rate) {
        const int distance = std::abs(requested - *rate);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = *rate;
        }
    }
    return best;
}

// The sample aspect ratio that shows a picture of the given size at the
// display aspect `dar` (a 4:3 frame when the size is unknown).
AVRational SampleAspect(double dar, int width, int height)
{
    const double sar = width > 0 && height > 0 ? dar * height / width : dar * 3 / 4;
    return ff::av_d2q(sar, 255);
}

}  // namespace

const AVCodec* TCustomFFmpeg::FindCodec(const std::string& AName, AVMediaType AType, bool AEncoder) const
{
    const char* kind = AEncoder ? "encoder" : "decoder";
    const AVCodec* codec = AEncoder ? ff::avcodec_find_encoder_by_name(AName.c_str())
                                    : ff::avcodec_find_decoder_by_name(AName.c_str());
    if (!codec)
        throw FFmpegException(Format("Unknown %s '%s'", kind, AName.c_str()));
    if (codec->type != AType)
        throw FFmpegException(Format("Invalid %s type '%s'", kind, AName.c_str()));
    const int strict = static_cast<int>(FOptions->CodecTemplateInt(AType, "strict"));
    if ((codec->capabilities & AV_CODEC_CAP_EXPERIMENTAL) && strict > FF_COMPLIANCE_EXPERIMENTAL) {
        std::string message = Format("%s '%s' is experimental and might produce bad results.\n"
                                     "Add '-strict experimental' if you want to use it.",
                                     kind, codec->name);
        const AVCodec* other = AEncoder ? ff::avcodec_find_encoder(codec->id) : ff::avcodec_find_decoder(codec->id);
        if (other && !(other->capabilities & AV_CODEC_CAP_EXPERIMENTAL))
            message += Format("\nOr use the non experimental %s '%s'.", kind, other->name);
        throw FFmpegException(message);
    }
    return codec;
}

void TCustomFFmpeg::NewStreamOnLastOutput(AVMediaType AType)
{
    if (FOutputs.Empty())
        throw FFmpegException("At least one output file must be specified");
    AVFormatContext* output = FOutputs.LastContext();
    const int index = nb_output_files() - 1;
    if (AType == AVMEDIA_TYPE_VIDEO)
        NewVideoStream(output, index);
    else if (AType == AVMEDIA_TYPE_AUDIO)
        NewAudioStream(output, index);
    else
        NewSubtitleStream(output, index);
}

TOutputStreamSetup& TCustomFFmpeg::AddOutputStream(AVFormatContext* AContext, int AFileIndex, AVMediaType AType,
                                                   const std::string& ACodecName, bool AStreamCopy)
{
    const AVCodec* encoder = nullptr;
    AVCodecID codecId = AV_CODEC_ID_NONE;
    if (!AStreamCopy) {
        encoder = ACodecName.empty() ? nullptr : FindCodec(ACodecName, AType, true);
        codecId = encoder ? encoder->id : ff::av_guess_codec(AContext->oformat, nullptr, AContext->url, nullptr, AType);
        if (!encoder)
            encoder = ff::avcodec_find_encoder(codecId);
    }
    AVStream* stream = ff::avformat_new_stream(AContext, nullptr);
    if (!stream)
        throw FFmpegException("Could not alloc stream");
    if (const auto id = Fstreamid_map.find(stream->index); id != Fstreamid_map.end())
        stream->id = id->second;
    TOutputStreamSetup& setup = FOutputs.Setups(AFileIndex).emplace_back();
    setup.Stream = stream;
    setup.Encoder = encoder;
    setup.StreamCopy = AStreamCopy;
    setup.Context = ff::avcodec_alloc_context3(encoder);
    if (!setup.Context)
        throw std::bad_alloc();
    AVCodecContext* context = setup.Context;
    context->codec_type = AType;
    context->codec_id = codecId;
    context->thread_count = FOpt.Fthread_count;
    context->codec_tag = AType == AVMEDIA_TYPE_VIDEO   ? FOpt.Fvideo_codec_tag
                         : AType == AVMEDIA_TYPE_AUDIO ? FOpt.Faudio_codec_tag
                                                       : FOpt.Fsubtitle_codec_tag;
    if (!AStreamCopy)
        Options().ApplyToCodec(context, AType, true);
    if ((AContext->oformat->flags & AVFMT_GLOBALHEADER) && AType != AVMEDIA_TYPE_SUBTITLE)
        context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    stream->codecpar->codec_type = AType;
    stream->codecpar->codec_id = codecId;
    stream->codecpar->codec_tag = context->codec_tag;
    return setup;
}

void TCustomFFmpeg::SetStreamLanguage(AVStream* AStream, std::string& ALanguage)
{
    if (!ALanguage.empty())
        ff::av_dict_set(&AStream->metadata, "language", ALanguage.c_str(), 0);
    ALanguage.clear();
}

void TCustomFFmpeg::NewVideoStream(AVFormatContext* AContext, int AFileIndex)
{
    // What can be refused is read before the stream exists.
    const bool copy = FOpt.Fvideo_stream_copy != 0;
    const std::vector<RcOverride> overrides = copy ? std::vector<RcOverride>() : ParseRcOverride(FOpt.Fvideo_rc_override_string);
    const std::vector<int64_t> keyFrames =
        FOpt.Fforced_key_frames.empty() ? std::vector<int64_t>() : OptionDurationList("force_key_frames", FOpt.Fforced_key_frames);
    TOutputStreamSetup& setup = AddOutputStream(AContext, AFileIndex, AVMEDIA_TYPE_VIDEO, FOpt.Fvideo_codec_name, copy);
    setup.BitstreamFilters = std::exchange(FOpt.Fvideo_bitstream_filters, {});
    setup.ForceFps = FOpt.Fforce_fps;
    if (!copy) {
        SetVideoEncoding(AContext, setup);
        if (!overrides.empty()) {
            setup.Context->rc_override = LibraryCopy(overrides);
            setup.Context->rc_override_count = static_cast<int>(overrides.size());
        }
        setup.ForcedKeyFrames = keyFrames;
    }
    SetStreamLanguage(setup.Stream, FOpt.Fvideo_language);
    FOpt.Fvideo_disable = false;
    FOpt.Fvideo_stream_copy = 0;
    FOpt.Fvideo_codec_name.clear();
    FOpt.Fframe_pix_fmt = AV_PIX_FMT_NONE;
    FOpt.Fforced_key_frames.clear();
}

void TCustomFFmpeg::SetVideoEncoding(AVFormatContext* AOutput, TOutputStreamSetup& AStream)
{
    AVCodecContext* c = AStream.Context;
    const AVCodec* codec = AStream.Encoder;
    AVRational fps = FOpt.Fframe_rate.num > 0 && FOpt.Fframe_rate.den > 0 ? FOpt.Fframe_rate : AVRational{25, 1};
    if (codec && codec->supported_framerates && !FOpt.Fforce_fps)
        fps = codec->supported_framerates[ff::av_find_nearest_q_idx(fps, codec->supported_framerates)];
    c->framerate = fps;
    c->time_base = AVRational{fps.den, fps.num};
    AStream.Stream->time_base = c->time_base;
    c->width = FOpt.Fframe_width;
    c->height = FOpt.Fframe_height;
    c->sample_aspect_ratio = AStream.Stream->sample_aspect_ratio =
        SampleAspect(FOpt.Fframe_aspect_ratio, FOpt.Fframe_width, FOpt.Fframe_height);
    c->pix_fmt = FOpt.Fframe_pix_fmt;
    ChoosePixelFormat(c, codec);
    if (FOpt.Fintra_only)
        c->gop_size = 0;
    if (FOpt.Fvideo_qscale != 0 || FOpt.Fsame_quality) {
        c->flags |= AV_CODEC_FLAG_QSCALE;
        c->global_quality = static_cast<int>(FF_QP2LAMBDA * FOpt.Fvideo_qscale);
    }
    if (!FOpt.Fintra_matrix.empty())
        c->intra_matrix = LibraryCopy(FOpt.Fintra_matrix);
    if (!FOpt.Finter_matrix.empty())
        c->inter_matrix = LibraryCopy(FOpt.Finter_matrix);
    SetVideoRateControl(c);
    if (AOutput->oformat->flags & AVFMT_GLOBALHEADER || (FOpt.Fvideo_global_header & 1))
        c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (FOpt.Fvideo_global_header & 2)
        c->flags2 |= AV_CODEC_FLAG2_LOCAL_HEADER;
}

void TCustomFFmpeg::SetVideoRateControl(AVCodecContext* AContext)
{
    AContext->rc_initial_buffer_occupancy = AContext->rc_buffer_size * 3 / 4;
    AContext->intra_dc_precision = FOpt.Fintra_dc_precision - 8;
    if (FOpt.Fdo_pass == 1)
        AContext->flags |= AV_CODEC_FLAG_PASS1;
    if (FOpt.Fdo_pass == 2)
        AContext->flags |= AV_CODEC_FLAG_PASS2;
    if (FOpt.Fdo_psnr)
        AContext->flags |= AV_CODEC_FLAG_PSNR;
}

void TCustomFFmpeg::NewAudioStream(AVFormatContext* AContext, int AFileIndex)
{
    const bool copy = FOpt.Faudio_stream_copy != 0;
    TOutputStreamSetup& setup = AddOutputStream(AContext, AFileIndex, AVMEDIA_TYPE_AUDIO, FOpt.Faudio_codec_name, copy);
    setup.BitstreamFilters = std::exchange(FOpt.Faudio_bitstream_filters, {});
    if (!copy)
        SetAudioEncoding(setup);
    SetStreamLanguage(setup.Stream, FOpt.Faudio_language);
    FOpt.Faudio_disable = false;
    FOpt.Faudio_stream_copy = 0;
    FOpt.Faudio_codec_name.clear();
}

void TCustomFFmpeg::SetAudioEncoding(TOutputStreamSetup& AStream)
{
    AVCodecContext* c = AStream.Context;
    if (FOpt.Faudio_qscale > kNoAudioQuality) {
        c->flags |= AV_CODEC_FLAG_QSCALE;
        c->global_quality = static_cast<int>(FF_QP2LAMBDA * FOpt.Faudio_qscale);
    }
    ff::av_channel_layout_uninit(&c->ch_layout);
    // The input's layout is kept only when it describes as many channels
    // as are asked for; otherwise the usual layout of that many channels.
    if (FOpt.Fchannel_layout && std::popcount(FOpt.Fchannel_layout) == FOpt.Faudio_channels)
        ff::av_channel_layout_from_mask(&c->ch_layout, FOpt.Fchannel_layout);
    else
        ff::av_channel_layout_default(&c->ch_layout, FOpt.Faudio_channels);
    c->sample_fmt = FOpt.Faudio_sample_fmt;
    ChooseSampleFormat(c, AStream.Encoder);
    c->sample_rate = FOpt.Faudio_sample_rate;
    if (const int closest = ClosestSampleRate(FOpt.Faudio_sample_rate, AStream.Encoder); closest) {
        if (closest != FOpt.Faudio_sample_rate)
            Log(llWarning, Format("Requested sampling rate unsupported using closest supported (%d)", closest));
        c->sample_rate = closest;
    }
    c->time_base = AVRational{1, c->sample_rate > 0 ? c->sample_rate : 1};
}

void TCustomFFmpeg::NewSubtitleStream(AVFormatContext* AContext, int AFileIndex)
{
    const bool copy = FOpt.Fsubtitle_stream_copy != 0;
    TOutputStreamSetup& setup =
        AddOutputStream(AContext, AFileIndex, AVMEDIA_TYPE_SUBTITLE, FOpt.Fsubtitle_codec_name, copy);
    setup.BitstreamFilters = std::exchange(FOpt.Fsubtitle_bitstream_filters, {});
    SetStreamLanguage(setup.Stream, FOpt.Fsubtitle_language);
    FOpt.Fsubtitle_disable = false;
    FOpt.Fsubtitle_stream_copy = 0;
    FOpt.Fsubtitle_codec_name.clear();
}

}  // namespace vidrelo
