// Setting up each output stream for the run: stream copy with its rules, or
// the encoder's settings with the picture chain, the audio converter, a
// source's subtitles to burn in and the two-pass statistics.
#include "engine/StringFormat.h"
#include "engine/encoder/FFmpegException.h"
#include "engine/encoder/TAudioConverter.h"
#include "engine/encoder/TCustomFFmpeg.h"
#include "engine/encoder/TSubtitleBurner.h"
#include "engine/encoder/TVideoFilterGraph.h"
#include "engine/loader/AVBindings.h"
#include "engine/loader/MediaErrorText.h"

#include <climits>
#include <fstream>
#include <iterator>

namespace vidrelo {
namespace {

// The picture chain's error already names the filters; a failure without a
// reason still says what failed.
std::string FilterError(const std::string& error)
{
    if (error.empty())
        return "Error opening filters!";
    const std::string prefix = "Error opening filters";
    return error.compare(0, prefix.size(), prefix) == 0 ? error : "Error opening filters: " + error;
}

AVRational InputSampleAspect(const AVStream* stream)
{
    return stream->sample_aspect_ratio.num ? stream->sample_aspect_ratio : stream->codecpar->sample_aspect_ratio;
}

}  // namespace

void TCustomFFmpeg::SetupOutputStream(TAVOutputStream& AStream)
{
    TAVInputStream& input = *FInputs.Stream(AStream.source);
    if (Fmetadata_streams_autocopy)
        ff::av_dict_copy(&AStream.st->metadata, input.st->metadata, AV_DICT_DONT_OVERWRITE);
    AStream.st->disposition = input.st->disposition;
    AStream.enc->bits_per_raw_sample = input.st->codecpar->bits_per_raw_sample;
    AStream.enc->chroma_sample_location = input.st->codecpar->chroma_location;
    if (!AStream.encoding_needed) {
        if (!RewrapUnmuxablePcm(AStream, input))
            SetupStreamCopy(AStream, input);
        return;
    }
    switch (AStream.enc->codec_type) {
    case AVMEDIA_TYPE_AUDIO: SetupAudioEncoding(AStream, input); break;
    case AVMEDIA_TYPE_VIDEO: SetupVideoEncoding(AStream, input); break;
    case AVMEDIA_TYPE_SUBTITLE: break;
    default: throw FFmpegException("invalid codec_type of output stream");
    }
    SetupTwoPass(AStream);
}

// --- stream copy ---------------------------------------------------------------

void TCustomFFmpeg::SetupStreamCopy(TAVOutputStream& AStream, TAVInputStream& AInput)
{
    const AVCodecParameters* in = AInput.st->codecpar;
    AVCodecParameters* out = AStream.st->codecpar;
    if (in->extradata_size > INT_MAX - 8 || in->extradata_size < 0)
        throw FFmpegException("icodec.extradata_size is invalid (too large)");
    CheckCopyAllowed(in->codec_type);
    if (in->codec_type != AVMEDIA_TYPE_AUDIO && in->codec_type != AVMEDIA_TYPE_VIDEO &&
        in->codec_type != AVMEDIA_TYPE_SUBTITLE)
        throw FFmpegException("invalid codec_type of output stream");
    const uint32_t wantedTag = out->codec_tag;
    if (ff::avcodec_parameters_copy(out, in) < 0)
        throw FFmpegException("Could not copy the stream parameters");
    // The input's tag goes along only when the output format means the same
    // codec by it (or has no tag table, or no tag of its own for the codec).
    const AVOutputFormat* format = FOutputs.Context(AStream.file_index)->oformat;
    unsigned int ownTag = 0;
    if (wantedTag)
        out->codec_tag = wantedTag;
    else if (!format->codec_tag || ff::av_codec_get_id(format->codec_tag, in->codec_tag) == in->codec_id ||
             !ff::av_codec_get_tag2(format->codec_tag, in->codec_id, &ownTag))
        out->codec_tag = in->codec_tag;
    else
        out->codec_tag = 0;
    AStream.st->time_base = AInput.st->time_base;
    AStream.enc->time_base = AInput.st->time_base;
    if (in->codec_type == AVMEDIA_TYPE_AUDIO)
        SetupAudioCopy(out, in);
    if (in->codec_type == AVMEDIA_TYPE_VIDEO) {
        AStream.st->sample_aspect_ratio = InputSampleAspect(AInput.st);
        AStream.st->avg_frame_rate = AInput.st->avg_frame_rate;
        AStream.st->r_frame_rate = AInput.st->r_frame_rate;
    }
    AStream.enc->codec_id = in->codec_id;
    SetupBitstreamFilters(AStream);
}

void TCustomFFmpeg::CheckCopyAllowed(AVMediaType AType) const
{
    // What works on decoded frames cannot work on copied packets.
    if (AType == AVMEDIA_TYPE_AUDIO && FOpt.Faudio_volume != 256)
        throw FFmpegException("-acodec copy and -vol are incompatible (frames are not decoded)");
    if (AType == AVMEDIA_TYPE_AUDIO && OnAudioHook)
        throw FFmpegException("-acodec copy and AudioHook are incompatible (frames are not decoded)");
    if (AType == AVMEDIA_TYPE_VIDEO && HasVideoHooks())
        throw FFmpegException("-vcodec copy and VideoHook are incompatible (frames are not decoded)");
    if (AType == AVMEDIA_TYPE_VIDEO && (PostHookOn(phPreview) || PostHookOn(phBitmap)))
        throw FFmpegException("-vcodec copy and PostHooks are incompatible (frames are not decoded)");
}

void TCustomFFmpeg::SetupAudioCopy(AVCodecParameters* AOut, const AVCodecParameters* AIn)
{
    // A block alignment of 1 is what some muxers write for MP3 without
    // meaning it; AC-3 frames are never aligned to blocks.
    if ((AIn->codec_id == AV_CODEC_ID_MP3 && AIn->block_align == 1) || AIn->codec_id == AV_CODEC_ID_AC3)
        AOut->block_align = 0;
}

// --- encoding ------------------------------------------------------------------

void TCustomFFmpeg::SetupAudioEncoding(TAVOutputStream& AStream, TAVInputStream& AInput)
{
    AStream.audio = std::make_unique<TAudioConverter>();
    // A source may ask for fewer channels (a DVD's 5.1 track as stereo);
    // otherwise the decoder is asked for what the encoder takes. Decoders
    // that cannot downmix ignore the request and the converter mixes.
    const TInputFileSetup& setup = FInputs.Setup(AInput.file_index);
    int channels = AStream.enc->ch_layout.nb_channels;
    if (setup.FromSource && setup.Hints.AudioChannels > 0)
        channels = setup.Hints.AudioChannels;
    if (AInput.dec && channels > 0 && channels < AInput.st->codecpar->ch_layout.nb_channels) {
        AVChannelLayout layout{};
        ff::av_channel_layout_default(&layout, channels);
        if (layout.order == AV_CHANNEL_ORDER_NATIVE)
            ff::av_opt_set_int(AInput.dec, "request_channel_layout", static_cast<int64_t>(layout.u.mask), 0);
        if (channels <= 2)  // the AC-3 decoder's own request
            ff::av_opt_set(AInput.dec, "downmix", channels == 1 ? "mono" : "stereo", AV_OPT_SEARCH_CHILDREN);
        ff::av_channel_layout_uninit(&layout);
    }
}

void TCustomFFmpeg::ConfigureAudioConverter(TAVOutputStream& AStream, const AVFrame& AFrame)
{
    // Made for the first decoded frame (the decoder's format is known for
    // sure only then) and for the opened encoder (its frame size).
    const AVCodecContext* enc = AStream.enc;
    TAudioConverterSetup setup;
    setup.InSampleRate = AFrame.sample_rate;
    setup.InSampleFmt = static_cast<AVSampleFormat>(AFrame.format);
    setup.InLayout = AFrame.ch_layout;
    setup.OutSampleRate = enc->sample_rate;
    setup.OutSampleFmt = enc->sample_fmt;
    setup.OutLayout = enc->ch_layout;
    setup.FrameSize = (enc->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) ? 0 : enc->frame_size;
    setup.Volume = FOpt.Faudio_volume;
    setup.SyncMethod = FOpt.Faudio_sync_method;
    setup.DriftThreshold = FOpt.Faudio_drift_threshold;
    std::string error;
    if (!AStream.audio->Configure(setup, error))
        throw FFmpegException(error);
    AStream.audio_configured = true;
}

void TCustomFFmpeg::SetupVideoEncoding(TAVOutputStream& AStream, TAVInputStream& AInput)
{
    AVCodecContext* enc = AStream.enc;
    if (enc->pix_fmt == AV_PIX_FMT_NONE)
        throw FFmpegException("Video pixel format is unknown, stream cannot be encoded");
    const AVCodecParameters* in = AInput.st->codecpar;
    const auto inFormat = static_cast<AVPixelFormat>(in->format);
    AStream.video_resample = in->width != enc->width || in->height != enc->height || inFormat != enc->pix_fmt;
    SetupSubtitleBurning(AStream, AInput);
    AStream.filter = std::make_unique<TVideoFilterGraph>();
    ConfigurePictureChain(AStream, AInput, in->width, in->height, inFormat);
    const std::vector<int64_t>& keyFrames = FOutputs.Setups(AStream.file_index)[AStream.index].ForcedKeyFrames;
    for (const int64_t time : keyFrames)
        AStream.forced_kf_pts.push_back(ff::av_rescale_q(time, AV_TIME_BASE_Q, enc->time_base));
}

void TCustomFFmpeg::ConfigurePictureChain(TAVOutputStream& AStream, TAVInputStream& AInput, int AWidth, int AHeight,
                                          AVPixelFormat AFormat)
{
    AVCodecContext* enc = AStream.enc;
    const AVCodecParameters* in = AInput.st->codecpar;
    const TInputFileSetup& setup = FInputs.Setup(AInput.file_index);
    TVideoFilterGraphSetup chain;
    chain.Width = AWidth;
    chain.Height = AHeight;
    chain.PixFmt = AFormat;
    chain.SampleAspect = InputSampleAspect(AInput.st);
    chain.FrameRate = AInput.st->avg_frame_rate.num > 0 ? AInput.st->avg_frame_rate : AInput.st->r_frame_rate;
    // Before the encoder opens, a size the user asked for ("s") is what the
    // chain must end in; an unchanged size lets the filters decide (a "pad"
    // and "scale" chain gives the encoder its size). Once open, the encoder's
    // size is fixed.
    const bool sizeAsked = in->width != enc->width || in->height != enc->height;
    if (AStream.encoder_opened || sizeAsked) {
        chain.OutWidth = enc->width;
        chain.OutHeight = enc->height;
    }
    chain.OutPixFmts = {enc->pix_fmt};
    chain.FilterText = FOpt.Fvfilters;
    chain.Deinterlace = FOpt.Fdo_deinterlace || (setup.FromSource && setup.Hints.Deinterlace);
    chain.SwsFlags = Options().ScalerFlags();
    chain.Subtitles = AStream.burner.get();
    chain.Filters = &FServices.Filters;
    std::string error;
    if (!AStream.filter->Configure(chain, error))
        throw FFmpegException(FilterError(error));
    AStream.resample_width = AWidth;
    AStream.resample_height = AHeight;
    AStream.resample_pix_fmt = AFormat;
    if (AStream.encoder_opened)
        return;
    enc->width = AStream.filter->OutWidth();
    enc->height = AStream.filter->OutHeight();
    enc->pix_fmt = AStream.filter->OutPixFmt();
    const AVRational sar = AStream.filter->OutSampleAspect();
    if (sar.num > 0 && sar.den > 0 && !sizeAsked)
        enc->sample_aspect_ratio = sar;
    AStream.st->sample_aspect_ratio = enc->sample_aspect_ratio;
}

void TCustomFFmpeg::SetupSubtitleBurning(TAVOutputStream& AStream, TAVInputStream& AInput)
{
    // A registered source (a DVD title) carries the subpicture stream the
    // user chose; no container here takes DVD bitmaps, so they are drawn
    // into the picture of the video read from the same source.
    const std::vector<TAVStreamRef> sources = FJoinMode ? AStream.join_sources : std::vector{AStream.source};
    for (const TAVStreamRef& ref : sources) {
        if (!ref.Valid() || !FInputs.Setup(ref.file).FromSource)
            continue;
        for (TAVInputStream& candidate : FInputs.Streams(ref.file)) {
            if (candidate.st->codecpar->codec_type != AVMEDIA_TYPE_SUBTITLE || !candidate.dec ||
                candidate.st->discard == AVDISCARD_ALL || candidate.burner)
                continue;
            if (!AStream.burner) {
                AStream.burner = std::make_unique<TSubtitleBurner>();
                AStream.burner->SetCanvasSize(AInput.st->codecpar->width, AInput.st->codecpar->height);
            }
            candidate.burner = AStream.burner.get();
            candidate.discard = false;
            candidate.decoding_needed = true;
            break;
        }
    }
}

void TCustomFFmpeg::SetupTwoPass(TAVOutputStream& AStream)
{
    AVCodecContext* enc = AStream.enc;
    if (enc->codec_type != AVMEDIA_TYPE_VIDEO || !(enc->flags & (AV_CODEC_FLAG_PASS1 | AV_CODEC_FLAG_PASS2)))
        return;
    int number = 0;
    while (FOutputs.Records()[number] != &AStream)
        ++number;
    const std::string prefix = FOpt.Fpass_logfilename_prefix.empty() ? "ffmpeg2pass" : FOpt.Fpass_logfilename_prefix;
    const std::string name = Format("%s-%d.log", prefix.c_str(), number);
    if (enc->flags & AV_CODEC_FLAG_PASS1) {
        AStream.logfile = std::fopen(name.c_str(), "wb");
        if (!AStream.logfile)
            throw FFmpegException(Format("Cannot write log file %s for pass-1 encoding", name.c_str()));
        return;
    }
    std::ifstream file(name, std::ios::binary);
    if (!file)
        throw FFmpegException(
            Format("Cannot read file: Error reading log file \"%s\" for pass-2 encoding", name.c_str()));
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    auto* buffer = static_cast<char*>(ff::av_malloc(text.size() + 1));
    if (!buffer)
        throw FFmpegException(
            Format("Could not allocate file buffer: Error reading log file \"%s\" for pass-2 encoding", name.c_str()));
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = '\0';
    ff::av_freep(&enc->stats_in);
    enc->stats_in = buffer;
}

void TCustomFFmpeg::SetupBitstreamFilters(TAVOutputStream& AStream)
{
    for (const std::string& name : AStream.bitstream_filter_names) {
        const AVBitStreamFilter* filter = ff::av_bsf_get_by_name(name.c_str());
        if (!filter)
            throw FFmpegException(Format("Unknown bitstream filter %s", name.c_str()));
        AVBSFContext* context = nullptr;
        if (ff::av_bsf_alloc(filter, &context) < 0)
            throw FFmpegException(Format("Cannot allocate the bitstream filter %s", name.c_str()));
        // Each filter takes what the one before it gives, in its time base.
        const AVBSFContext* before = AStream.bitstream_filters.empty() ? nullptr : AStream.bitstream_filters.back();
        AStream.bitstream_filters.push_back(context);
        ff::avcodec_parameters_copy(context->par_in, before ? before->par_out : AStream.st->codecpar);
        context->time_base_in = before ? before->time_base_out : AStream.st->time_base;
        const int code = ff::av_bsf_init(context);
        if (code < 0)
            throw FFmpegException(MediaErrorText(Format("Cannot initialise the bitstream filter %s", name.c_str()), code));
    }
    if (!AStream.bitstream_filters.empty())
        ff::avcodec_parameters_copy(AStream.st->codecpar, AStream.bitstream_filters.back()->par_out);
}

}  // namespace vidrelo
