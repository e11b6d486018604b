// Stream copy of PCM the output's muxer cannot carry as it is. A DVD's LPCM
// (pcm_dvd) has no Matroska codec id, yet its samples are plain PCM: they
// go through the decoder into little-endian PCM of the same depth, rate and
// channels, which every such muxer takes. Nothing is mixed or resampled.
#include "engine/StringFormat.h"
#include "engine/encoder/TAudioConverter.h"
#include "engine/encoder/TCustomFFmpeg.h"
#include "engine/loader/AVBindings.h"

#include <cstring>

namespace vidrelo {
namespace {

bool IsPcm(AVCodecID AId)
{
    const AVCodecDescriptor* descriptor = ff::avcodec_descriptor_get(AId);
    return descriptor && std::strncmp(descriptor->name, "pcm_", 4) == 0;
}

}  // namespace

bool TCustomFFmpeg::RewrapUnmuxablePcm(TAVOutputStream& AStream, TAVInputStream& AInput)
{
    const AVCodecParameters* in = AInput.st->codecpar;
    if (in->codec_type != AVMEDIA_TYPE_AUDIO || !IsPcm(in->codec_id) || in->sample_rate <= 0)
        return false;
    const AVOutputFormat* format = FOutputs.Context(AStream.file_index)->oformat;
    // 1: taken as it is; below 0: the muxer cannot tell, so the copy is tried.
    if (ff::avformat_query_codec(format, in->codec_id, FF_COMPLIANCE_NORMAL) != 0)
        return false;
    CheckCopyAllowed(AVMEDIA_TYPE_AUDIO);
    const int bits = in->bits_per_raw_sample > 0 ? in->bits_per_raw_sample : in->bits_per_coded_sample;
    const bool deep = bits > 16;
    const AVCodecID target = deep ? AV_CODEC_ID_PCM_S24LE : AV_CODEC_ID_PCM_S16LE;
    if (ff::avformat_query_codec(format, target, FF_COMPLIANCE_NORMAL) != 1)
        return false;
    AVCodecContext* c = AStream.enc;
    c->codec_type = AVMEDIA_TYPE_AUDIO;
    c->codec_id = target;
    c->sample_fmt = deep ? AV_SAMPLE_FMT_S32 : AV_SAMPLE_FMT_S16;
    c->bits_per_raw_sample = deep ? 24 : 16;
    c->sample_rate = in->sample_rate;
    c->time_base = AVRational{1, in->sample_rate};
    ff::av_channel_layout_uninit(&c->ch_layout);
    if (ff::av_channel_layout_copy(&c->ch_layout, &in->ch_layout) < 0 || c->ch_layout.nb_channels <= 0)
        ff::av_channel_layout_default(&c->ch_layout, in->ch_layout.nb_channels > 0 ? in->ch_layout.nb_channels : 2);
    AStream.st->codecpar->codec_id = target;
    AStream.st->codecpar->codec_tag = 0;
    AStream.st->time_base = c->time_base;
    AStream.codec_id = target;
    AStream.encoding_needed = true;
    AStream.audio = std::make_unique<TAudioConverter>();
    AInput.decoding_needed = true;
    AddWarning(Format("Output stream #%d.%d: %s cannot be stored in %s as it is; its samples are stored unchanged "
                      "as %s.",
                      AStream.file_index, AStream.index, ff::avcodec_get_name(in->codec_id), format->name,
                      ff::avcodec_get_name(target)));
    return true;
}

}  // namespace vidrelo
