// The video thread (decode, filter into RGB32 once, queue two pictures) and
// the subtitle thread (decode subpictures for the burner).
#include "engine/CLocale.h"
#include "engine/StringFormat.h"
#include "engine/loader/AVBindings.h"
#include "engine/player/PlayerImpl.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <chrono>
#include <thread>

namespace vidrelo {
namespace {

constexpr double FrameSkipFactor = 0.05;

void FreeFrame(AVFrame* frame)
{
    ff::av_frame_free(&frame);
}

}  // namespace

bool TCustomPlayer::TImpl::DecodeVideo(TVideoState& s, AVFrame* frame, bool& flushed)
{
    flushed = false;
    for (;;) {
        const int r = ff::avcodec_receive_frame(s.VideoCodec, frame);
        if (r >= 0)
            return true;
        AVPacket* packet = nullptr;
        if (!s.videoq.Get(packet, true))
            return false;
        if (IsFlushPacket(packet)) {
            ff::av_packet_free(&packet);
            ff::avcodec_flush_buffers(s.VideoCodec);
            flushed = true;
            return false;
        }
        // An empty packet at the end of input drains the decoder.
        ff::avcodec_send_packet(s.VideoCodec, packet->data ? packet : nullptr);
        const bool drain = !packet->data;
        ff::av_packet_free(&packet);
        if (drain) {
            if (ff::avcodec_receive_frame(s.VideoCodec, frame) >= 0)
                return true;
            ff::avcodec_flush_buffers(s.VideoCodec);
            PictEvent.Set();
            if (s.ReachEOF)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
}

bool TCustomPlayer::TImpl::SetupGraph(TVideoState& s, TVideoFilterGraph& graph, const AVFrame* frame)
{
    TVideoFilterGraphSetup setup;
    setup.Width = frame->width;
    setup.Height = frame->height;
    setup.PixFmt = static_cast<AVPixelFormat>(frame->format);
    setup.SampleAspect = frame->sample_aspect_ratio;
    setup.FrameRate = s.video_st ? s.video_st->r_frame_rate : AVRational{0, 1};
    setup.OutPixFmts = {AV_PIX_FMT_RGB32};
    setup.FilterText = s.Settings.VideoFilters;
    if (s.Settings.VerticalFlip)
        setup.FilterText += setup.FilterText.empty() ? "vflip" : ",vflip";
    setup.Deinterlace = s.Settings.Deinterlace;
    setup.SwsFlags = 4;
    setup.Subtitles = s.Subtitles.get();
    std::string error;
    if (graph.Configure(setup, error))
        return true;
    if (s.Settings.Deinterlace) {
        Log(llError, "deinterlacing failed.");
        s.Settings.Deinterlace = false;
        return SetupGraph(s, graph, frame);
    }
    Log(llError, error);
    return false;
}

void TCustomPlayer::TImpl::VideoThreadRun(TVideoState& s)
{
    const TCLocaleScope numbers;
    AVFrame* frame = ff::av_frame_alloc();
    TVideoFilterGraph graph;
    int width = 0, height = 0, format = -1, burner = -1;
    {
        std::lock_guard lock(s.PictLock);
        s.frame_timer = NowSeconds();
    }
    while (!s.videoq.Aborted()) {
        if (s.paused && !s.seek_paused && !s.open_paused) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        }
        bool flushed = false;
        if (!DecodeVideo(s, frame, flushed)) {
            if (flushed)
                FlushPictures(s);
            continue;
        }
        int64_t ts = s.Settings.DecoderReorderPts == 0   ? frame->pkt_dts
                     : s.Settings.DecoderReorderPts == 1 ? frame->pts
                                                         : frame->best_effort_timestamp;
        const double pts = ts == AV_NOPTS_VALUE ? 0 : ts * av_q2d(s.video_st->time_base);
        // Before the seek counts as done (which ends decoding while paused).
        if (BeforeSeekTarget(s, pts, ts != AV_NOPTS_VALUE)) {
            ff::av_frame_unref(frame);
            continue;
        }
        if (s.seek_done && s.seek_flushed) {
            s.seek_done = false;
            s.seek_paused = false;
        }
        if (!PassesSkip(s)) {
            CountStatistic(&TPlayerStatistics::PicturesDropped);
            ff::av_frame_unref(frame);
            continue;
        }
        frame->pts = ts == AV_NOPTS_VALUE ? AV_NOPTS_VALUE : int64_t(pts * 1000000);
        std::unique_lock sub(s.SubtitleLock);
        // A new size, or subtitles switched on, off or to another stream.
        if (frame->width != width || frame->height != height || frame->format != format ||
            burner != s.SubtitlesGeneration) {
            width = frame->width;
            height = frame->height;
            format = frame->format;
            burner = s.SubtitlesGeneration;
            if (!SetupGraph(s, graph, frame))
                break;
        }
        graph.Push(frame);
        for (;;) {
            AVFrame* out = ff::av_frame_alloc();
            if (graph.Pull(out) < 0) {
                ff::av_frame_free(&out);
                break;
            }
            sub.unlock();
            const bool queued = QueuePicture(s, out, pts, frame->pkt_pos);
            sub.lock();
            if (!queued)
                break;
        }
        ff::av_frame_unref(frame);
    }
    ff::av_frame_free(&frame);
}

// A picture decoded on the way from the key frame to where a seek (or the
// start time) asked to land; half a frame of slack keeps the asked one.
bool TCustomPlayer::TImpl::BeforeSeekTarget(TVideoState& s, double pts, bool timed)
{
    const double target = s.SeekTarget;
    if (std::isnan(target))
        return false;
    if (timed && pts < target - 0.5 * s.frame_delay)
        return true;
    s.SeekTarget = std::numeric_limits<double>::quiet_NaN();
    return false;
}

// Whether the frame skipping lets this decoded picture on to the queue.
bool TCustomPlayer::TImpl::PassesSkip(TVideoState& s)
{
    std::lock_guard lock(s.PictLock);
    s.skip_frames_index += 1;
    if (s.skip_frames_index < s.skip_frames)
        return false;
    s.skip_frames_index -= std::max(s.skip_frames, 1.0);
    return true;
}

bool TCustomPlayer::TImpl::QueuePicture(TVideoState& s, AVFrame* rgb, double pts, int64_t pos)
{
    std::shared_ptr<AVFrame> keep(rgb, FreeFrame);
    {
        std::unique_lock lock(s.PictLock);
        // Waiting for a free slot means the pictures are ahead: skip fewer.
        while (s.pictq_size >= 2 && !s.videoq.Aborted() && !s.FlushPending) {
            if (!RefreshIsPending())
                s.skip_frames = std::max(1.0 - FrameSkipFactor, s.skip_frames * (1.0 - FrameSkipFactor));
            s.PictCond.wait(lock);
        }
        if (s.videoq.Aborted())
            return false;
        if (s.FlushPending)
            return true;  // dropped: the decoder goes on to the seek's marker
    }
    // A timestamp of 0 continues the video clock.
    double framePts = pts;
    if (framePts != 0)
        s.video_clock = framePts;
    else
        framePts = s.video_clock;
    s.video_clock += s.frame_delay + rgb->repeat_pict * s.frame_delay * 0.5;
    if (s.Settings.VideoHook)
        RunVideoHook(s, rgb, framePts);
    auto picture = std::make_shared<TSurfacePicture>();
    picture->Width = rgb->width;
    picture->Height = rgb->height;
    picture->Stride = rgb->linesize[0];
    picture->Data = rgb->data[0];
    picture->PTS = int64_t(framePts * 1000000 + 0.5) - s.StartTime;
    picture->Keep = keep;
    {
        std::lock_guard lock(s.PictLock);
        TPictureSlot& slot = s.pictq[s.pictq_windex];
        slot.Picture = std::move(picture);
        slot.Pts = framePts;
        slot.BytePos = pos;
        slot.TargetClock = ComputeTargetTime(s, framePts);
        s.pictq_windex = (s.pictq_windex + 1) % 2;
        ++s.pictq_size;
    }
    AfterPictureQueued(s);
    return true;
}

void TCustomPlayer::TImpl::RunVideoHook(TVideoState& s, AVFrame* rgb, double pts)
{
    try {
        HookConverter.SetBitsPixel(s.Settings.VideoHookBitsPixel);
        TAVPicture source;
        source.data[0] = rgb->data[0];
        source.linesize[0] = rgb->linesize[0];
        if (!HookConverter.PictureToRGB(source, AV_PIX_FMT_RGB32, true, rgb->height, rgb->width)) {
            Log(llError, HookConverter.LastErrMsg());
            return;
        }
        bool update = true;
        Owner.OnVideoHook(Owner, HookConverter.Bitmap(), int64_t(pts * 1000000 + 0.5) - s.StartTime, update);
        if (!update || ff::av_frame_make_writable(rgb) < 0)
            return;
        HookConverter.BitmapToRGB();
        TAVPicture target;
        target.data[0] = rgb->data[0];
        target.linesize[0] = rgb->linesize[0];
        if (!HookConverter.RGBToPicture(target, AV_PIX_FMT_RGB32, rgb->height, rgb->width))
            Log(llError, HookConverter.LastErrMsg());
    } catch (const std::exception& e) {
        Log(llError, std::string("Error occurs OnVideoHook: ") + e.what());
    }
}

void TCustomPlayer::TImpl::AfterPictureQueued(TVideoState& s)
{
    PictEvent.Set();
    s.EventEOF = false;
    s.seek_flushed = true;
    {
        std::lock_guard lock(s.SeekLock);
        if (!s.seek_req)
            SeekingFlag = false;
    }
    if (s.open_paused && ++s.OpenPausedPictures >= 2) {
        s.open_paused = false;
        ReportState(TPlayState::psPause);
    }
    if (Stepping && !s.paused) {
        std::lock_guard lock(s.PictLock);
        s.paused_at = NowSeconds();
        s.video_current_pts = s.pictq_size ? s.pictq[s.pictq_rindex].Pts : s.video_current_pts;
        s.ShowOneWhilePaused = true;
        s.paused = true;
    }
}

void TCustomPlayer::TImpl::FlushPictures(TVideoState& s)
{
    std::lock_guard lock(s.PictLock);
    for (TPictureSlot& slot : s.pictq)
        slot = {};
    s.pictq_size = s.pictq_rindex = s.pictq_windex = 0;
    s.FlushPending = false;
    s.frame_last_pts = std::numeric_limits<double>::quiet_NaN();
    s.frame_last_delay = s.frame_delay;
    s.SeekTarget = s.PendingSeekTarget.exchange(std::numeric_limits<double>::quiet_NaN());
    s.frame_timer = NowSeconds();
    if (s.paused)
        s.paused_at = s.frame_timer;  // the timer starts afresh: Resume adds only what follows
    s.skip_frames = 1;
    s.external_clock = std::numeric_limits<double>::quiet_NaN();
    s.ShowOneWhilePaused = true;
    s.PictCond.notify_all();
}

void TCustomPlayer::TImpl::SubtitleThreadRun(TVideoState& s)
{
    AVPacket* packet = nullptr;
    while (s.subtitleq.Get(packet, true)) {
        if (IsFlushPacket(packet)) {
            ff::avcodec_flush_buffers(s.SubtitleCodec);
            std::lock_guard lock(s.SubtitleLock);
            if (s.Subtitles)
                s.Subtitles->Clear();
        } else {
            AVSubtitle sub{};
            int got = 0;
            if (ff::avcodec_decode_subtitle2(s.SubtitleCodec, &sub, &got, packet) >= 0 && got) {
                const int64_t pts = packet->pts == AV_NOPTS_VALUE
                                        ? AV_NOPTS_VALUE
                                        : int64_t(packet->pts * av_q2d(s.subtitle_st->time_base) * 1000000);
                std::lock_guard lock(s.SubtitleLock);
                if (s.Subtitles)
                    s.Subtitles->Add(sub, pts);
                ff::avsubtitle_free(&sub);
            }
        }
        ff::av_packet_free(&packet);
    }
}

}  // namespace vidrelo
