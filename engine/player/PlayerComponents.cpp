// The stream components of a playback: opening and closing a stream's
// decoder with its thread or audio device, the frame-rate decision, and
// switching streams while playing.
#include "engine/StringFormat.h"
#include "engine/loader/AVBindings.h"
#include "engine/player/PlayerImpl.h"

namespace vidrelo {
namespace {

double Q2D(AVRational q)
{
    return q.den ? double(q.num) / q.den : 0.0;
}

}  // namespace

void TCustomPlayer::TImpl::DecideFrameDelay(TVideoState& s, AVStream* st)
{
    const AVRational codecRate = st->avg_frame_rate.num ? st->avg_frame_rate : st->r_frame_rate;
    const AVRational tb = st->time_base;
    AVRational forced{0, 1};
    if (!s.Settings.ForceFrameRate.empty() && ff::av_parse_video_rate(&forced, s.Settings.ForceFrameRate.c_str()) >= 0 &&
        forced.num > 0) {
        s.frame_delay = double(forced.den) / forced.num;
        Log(llInfo, Format("Force stream %d frame rate: %2.2f (%d/%d) -> %2.2f (%d/%d)", st->index, Q2D(codecRate),
                           codecRate.num, codecRate.den, Q2D(forced), forced.num, forced.den));
        return;
    }
    const AVRational container = st->r_frame_rate;
    const int ticks = s.VideoCodec ? std::max(1, s.VideoCodec->ticks_per_frame) : 1;
    const AVRational codecTb = s.VideoCodec && s.VideoCodec->time_base.num ? s.VideoCodec->time_base : tb;
    const bool agree = codecTb.num == container.den && int64_t(container.num) * ticks == codecTb.den;
    if (!s.Settings.AutoAdjustFrameRate || agree || !container.num) {
        s.frame_delay = codecTb.den ? Q2D(codecTb) * ticks : 0.04;
        if (s.frame_delay <= 0 || s.frame_delay > 1)
            s.frame_delay = container.num ? double(container.den) / container.num : 0.04;
        return;
    }
    Log(llInfo, Format("Seems stream %d codec frame rate differs from container frame rate: %2.2f (%d/%d) -> %2.2f (%d/%d)",
                       st->index, Q2D(AVRational{codecTb.den, codecTb.num * ticks}), codecTb.den, codecTb.num * ticks,
                       Q2D(container), container.num, container.den));
    s.frame_delay = double(container.den) / container.num;
}

bool TCustomPlayer::TImpl::OpenComponent(TVideoState& s, int index)
{
    if (index < 0 || index >= int(s.ic->nb_streams))
        return false;
    AVStream* st = s.ic->streams[index];
    const AVCodec* codec = ff::avcodec_find_decoder(st->codecpar->codec_id);
    AVCodecContext* ctx = codec ? ff::avcodec_alloc_context3(codec) : nullptr;
    if (ctx && ff::avcodec_parameters_to_context(ctx, st->codecpar) >= 0) {
        ctx->pkt_timebase = st->time_base;
        ctx->workaround_bugs = Owner.workaround_bugs;
        ctx->error_concealment = Owner.error_concealment;
        ctx->lowres = Owner.lowres;
        ctx->idct_algo = Owner.idct_algo;
        if (Owner.fast)
            ctx->flags2 |= AV_CODEC_FLAG2_FAST;
        if (ctx->codec_type == AVMEDIA_TYPE_AUDIO && ctx->ch_layout.nb_channels > 2)
            ff::av_channel_layout_default(&ctx->ch_layout, 2);
    }
    if (!ctx || ff::avcodec_open2(ctx, codec, nullptr) < 0) {
        ff::avcodec_free_context(&ctx);
        Log(llError, "avcodec_open() failed.");
        return false;
    }
    std::lock_guard lock(s.ComponentLock);
    st->discard = AVDISCARD_DEFAULT;
    switch (ctx->codec_type) {
    case AVMEDIA_TYPE_AUDIO:
        s.AudioCodec = ctx;
        s.audio_st = st;
        s.audio_stream = index;
        s.AudioDuration = st->duration != AV_NOPTS_VALUE ? ff::av_rescale_q(st->duration, st->time_base, {1, 1000000}) : -1;
        s.audioq.Start();
        if (!OpenAudio(s, ctx))
            Log(llInfo, "playing without sound");
        return true;
    case AVMEDIA_TYPE_VIDEO:
        s.VideoCodec = ctx;
        s.video_st = st;
        s.video_stream = index;
        s.FrameWidth = ctx->width;
        s.FrameHeight = ctx->height;
        s.SampleAspect = st->sample_aspect_ratio.num ? Q2D(st->sample_aspect_ratio)
                         : ctx->sample_aspect_ratio.num ? Q2D(ctx->sample_aspect_ratio) : 1.0;
        DecideFrameDelay(s, st);
        s.videoq.Start();
        s.VideoThread = std::thread([this, &s] { VideoThreadRun(s); });
        return true;
    case AVMEDIA_TYPE_SUBTITLE:
        s.SubtitleCodec = ctx;
        s.subtitle_st = st;
        s.subtitle_stream = index;
        {
            std::lock_guard sub(s.SubtitleLock);
            s.Subtitles = std::make_unique<TSubtitleBurner>();
            ++s.SubtitlesGeneration;
            if (s.FrameWidth > 0)
                s.Subtitles->SetCanvasSize(s.FrameWidth, s.FrameHeight);
        }
        s.subtitleq.Start();
        s.SubtitleThread = std::thread([this, &s] { SubtitleThreadRun(s); });
        return true;
    default:
        ff::avcodec_free_context(&ctx);
        return false;
    }
}

void TCustomPlayer::TImpl::CloseComponent(TVideoState& s, AVMediaType type)
{
    std::lock_guard lock(s.ComponentLock);
    switch (type) {
    case AVMEDIA_TYPE_AUDIO:
        if (s.audio_stream < 0)
            return;
        s.audioq.Abort();
        CloseAudio(s);
        s.audioq.Flush();
        ff::avcodec_free_context(&s.AudioCodec);
        s.audio_st->discard = AVDISCARD_ALL;
        s.audio_st = nullptr;
        s.audio_stream = -1;
        return;
    case AVMEDIA_TYPE_VIDEO:
        if (s.video_stream < 0)
            return;
        s.videoq.Abort();
        {
            std::lock_guard pict(s.PictLock);
            s.PictCond.notify_all();
        }
        if (s.VideoThread.joinable())
            s.VideoThread.join();
        s.videoq.Flush();
        ff::avcodec_free_context(&s.VideoCodec);
        s.video_st->discard = AVDISCARD_ALL;
        s.video_st = nullptr;
        s.video_stream = -1;
        return;
    case AVMEDIA_TYPE_SUBTITLE:
        if (s.subtitle_stream < 0)
            return;
        s.subtitleq.Abort();
        if (s.SubtitleThread.joinable())
            s.SubtitleThread.join();
        s.subtitleq.Flush();
        ff::avcodec_free_context(&s.SubtitleCodec);
        s.subtitle_st->discard = AVDISCARD_ALL;
        s.subtitle_st = nullptr;
        s.subtitle_stream = -1;
        {
            std::lock_guard sub(s.SubtitleLock);
            s.Subtitles.reset();
            ++s.SubtitlesGeneration;
        }
        return;
    default:
        return;
    }
}

void TCustomPlayer::TImpl::CloseComponents(TVideoState& s)
{
    CloseComponent(s, AVMEDIA_TYPE_AUDIO);
    CloseComponent(s, AVMEDIA_TYPE_VIDEO);
    CloseComponent(s, AVMEDIA_TYPE_SUBTITLE);
}

bool TCustomPlayer::TImpl::SwitchStream(AVMediaType type, int index)
{
    TStateRef s = Current();
    if (!s || !s->ic) {
        Fail("the current stream is not valid.");
        return false;
    }
    if (index == -1 && type == AVMEDIA_TYPE_SUBTITLE) {
        CloseComponent(*s, type);
        return true;
    }
    if (index < 0 || index >= int(s->ic->nb_streams)) {
        Fail("the stream index is not valid.");
        return false;
    }
    const AVCodecParameters* par = s->ic->streams[index]->codecpar;
    if (par->codec_type != type) {
        Fail("the stream type is not matched.");
        return false;
    }
    if (type == AVMEDIA_TYPE_AUDIO && (par->sample_rate <= 0 || par->ch_layout.nb_channels <= 0)) {
        Fail("the audio stream is not invalid.");
        return false;
    }
    // The read thread must not hand packets to a component that is changing.
    {
        std::lock_guard hold(DataLock);
        CloseComponent(*s, type);
        if (!OpenComponent(*s, index))
            return false;
    }
    // What was read ahead holds no packets of the new stream (at the end
    // of a short source none come any more): reading again from where the
    // playback is lets it be heard, or seen, from there.
    if (type != AVMEDIA_TYPE_VIDEO && CurrentPTS >= 0)
        Owner.Seek(0, false, CurrentPTS);
    return true;
}

bool TCustomPlayer::SetAudioStreamIndex(int index)
{
    return FImpl->SwitchStream(AVMEDIA_TYPE_AUDIO, index);
}

bool TCustomPlayer::SetVideoStreamIndex(int index)
{
    return FImpl->SwitchStream(AVMEDIA_TYPE_VIDEO, index);
}

bool TCustomPlayer::SetSubtitleStreamIndex(int index)
{
    return FImpl->SwitchStream(AVMEDIA_TYPE_SUBTITLE, index);
}

}  // namespace vidrelo
