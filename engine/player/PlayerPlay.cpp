// The play thread (the player's event loop, the only thread that presents),
// the refresh thread, the clocks and the decision which picture is due.
#include "engine/CLocale.h"
#include "engine/StringFormat.h"
#include "engine/loader/AVBindings.h"
#include "engine/player/PictureFit.h"
#include "engine/player/PlayerImpl.h"

#include <algorithm>
#include <cmath>
#include <thread>

namespace vidrelo {
namespace {

constexpr double SyncThreshold = 0.01;
constexpr double NoSyncThreshold = 10.0;
constexpr double FrameSkipFactor = 0.05;
constexpr double DropLateness = 0.5;  // seconds past the next picture's time that drop a lone picture

}  // namespace

void TCustomPlayer::TImpl::PostEvent(TPlayerEventType type)
{
    {
        std::lock_guard lock(QueueLock);
        if (type == TPlayerEventType::Refresh) {
            if (RefreshPending)
                return;
            RefreshPending = true;
        }
        Queue.push_back(type);
    }
    QueueCond.notify_all();
}

bool TCustomPlayer::TImpl::RefreshIsPending()
{
    std::lock_guard lock(QueueLock);
    return RefreshPending;
}

void TCustomPlayer::TImpl::PlayThreadRun(TStateRef state)
{
    const TCLocaleScope numbers;
    ReportState(TPlayState::psPlay);
    state->RefreshThread = std::thread([this, raw = state.get()] { RefreshThreadRun(*raw); });
    try {
        for (;;) {
            TPlayerEventType event;
            {
                std::unique_lock lock(QueueLock);
                QueueCond.wait(lock, [&] { return !Queue.empty(); });
                event = Queue.front();
                Queue.pop_front();
                if (event == TPlayerEventType::Refresh)
                    RefreshPending = false;
            }
            std::lock_guard data(DataLock);
            TStateRef s = Current();
            if (!s)
                break;
            if (event == TPlayerEventType::Quit) {
                CloseSource(s);
                break;
            }
            if (event == TPlayerEventType::Aspect)
                s->Redraw = true;
            Refresh(*s);
        }
    } catch (const std::exception& e) {
        Log(llFatal, std::string("PlayThread Exception: ") + e.what());
        if (TStateRef s = Current())
            CloseSource(s);
    }
    {
        std::lock_guard lock(QueueLock);
        Queue.clear();
        RefreshPending = false;
    }
    if (Surface)
        Surface->Clear();
    ReportState(TPlayState::psStop);
    StopEvent.Set();
}

void TCustomPlayer::TImpl::RefreshThreadRun(TVideoState& s)
{
    while (!s.abort_request) {
        PostEvent(TPlayerEventType::Refresh);
        const int ms = s.show_audio != 0 && s.video_stream < 0 ? s.Settings.RdftSpeed : 5;
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
}

void TCustomPlayer::TImpl::CloseSource(const TStateRef& state)
{
    {
        std::lock_guard lock(StateLock);
        if (State != state)
            return;
        State.reset();
    }
    state->abort_request = true;
    for (TPacketQueue* q : {&state->audioq, &state->videoq, &state->subtitleq})
        q->Abort();
    {
        std::lock_guard lock(state->PictLock);
        state->PictCond.notify_all();
    }
    if (state->ReadThread.joinable())
        state->ReadThread.join();
    if (state->RefreshThread.joinable())
        state->RefreshThread.join();
    std::lock_guard lock(StateLock);
    Closed = state;
}

void TCustomPlayer::TImpl::ReleaseClosed()
{
    TStateRef closed;
    {
        std::lock_guard lock(StateLock);
        closed = std::move(Closed);
    }
    if (closed && closed->ic && Decoder.FileHandle() == closed->ic)
        Decoder.SetFileHandle(nullptr);  // detaching never raises
}

double TCustomPlayer::TImpl::VideoClockLocked(TVideoState& s)
{
    if (s.paused)
        return s.video_current_pts;
    if (s.video_current_pts_drift == 0)
        return s.StartTime / 1000000.0;
    return s.video_current_pts_drift + NowSeconds();
}

double TCustomPlayer::TImpl::VideoClock(TVideoState& s)
{
    std::lock_guard lock(s.PictLock);
    return VideoClockLocked(s);
}

double TCustomPlayer::TImpl::AudioClock(TVideoState& s)
{
    const int bytesPerSec = s.AudioRate * s.AudioChannels * 2;
    if (bytesPerSec <= 0)
        return 0;
    const double atCallback = s.audio_clock - double(s.audio_pending_bytes + s.AudioHwBufSize) / bytesPerSec;
    if (s.paused || s.audio_callback_time == 0)
        return atCallback;
    const double elapsed = std::min(NowSeconds() - s.audio_callback_time, 2.0 * s.AudioHwBufSize / bytesPerSec);
    return atCallback + std::max(0.0, elapsed);
}

// A clock of its own that runs with the wall clock from the first picture
// after the start or a seek and stands still while paused. Called with
// PictLock held.
double TCustomPlayer::TImpl::ExternalClockLocked(TVideoState& s)
{
    if (std::isnan(s.external_clock))
        return VideoClockLocked(s);
    if (s.paused)
        return s.external_clock;
    return s.external_clock + NowSeconds() - s.external_clock_time;
}

double TCustomPlayer::TImpl::MasterClock(TVideoState& s)
{
    const bool audio = s.AudioDevice != 0 && s.audio_stream >= 0;
    if ((s.Settings.SyncType == Tav_sync_type::AV_SYNC_AUDIO_MASTER && audio) || s.video_stream < 0)
        return AudioClock(s);
    std::lock_guard lock(s.PictLock);
    if (s.Settings.SyncType == Tav_sync_type::AV_SYNC_EXTERNAL_CLOCK)
        return ExternalClockLocked(s);
    return VideoClockLocked(s);
}

// Whether the pictures follow another clock than their own.
bool TCustomPlayer::TImpl::SyncsVideo(TVideoState& s) const
{
    switch (s.Settings.SyncType) {
    case Tav_sync_type::AV_SYNC_AUDIO_MASTER: return s.AudioDevice != 0 && s.audio_stream >= 0;
    case Tav_sync_type::AV_SYNC_EXTERNAL_CLOCK: return true;
    default: return false;
    }
}

// Called with PictLock held.
double TCustomPlayer::TImpl::ComputeTargetTime(TVideoState& s, double framePts)
{
    // The first picture after the start or a seek is due at once; the
    // ones after it follow at their distance.
    const bool first = std::isnan(s.frame_last_pts);
    double delay = framePts - s.frame_last_pts;
    if (!(delay > 0 && delay < 10.0))
        delay = s.frame_last_delay;
    s.frame_last_delay = delay;
    s.frame_last_pts = framePts;
    if (first) {
        delay = 0;
        // The pictures after it follow from when it is shown, not from the
        // start or the seek: decoding from the key frame up to where the
        // seek asked to land takes a while, and counting that time would
        // make them all due at once and run ahead of the sound.
        if (!s.paused)
            s.frame_timer = std::max(s.frame_timer, NowSeconds());
    }
    if (SyncsVideo(s) && s.Current) {
        const double master = s.Settings.SyncType == Tav_sync_type::AV_SYNC_EXTERNAL_CLOCK ? ExternalClockLocked(s)
                                                                                            : AudioClock(s);
        const double diff = VideoClockLocked(s) - master;
        const double threshold = std::max(SyncThreshold, delay);
        if (std::fabs(diff) < NoSyncThreshold) {
            if (diff <= -threshold)
                delay = 0;
            else if (diff >= threshold)
                delay = 2 * delay;
        }
    }
    s.frame_timer += delay;
    return s.frame_timer;
}

void TCustomPlayer::TImpl::Refresh(TVideoState& s)
{
    if (s.video_stream >= 0)
        RefreshVideo(s);
    else if (s.show_audio != 0)
        ShowAudioPicture(s);
    ReportPosition(s);
}

// Called with PictLock held and a picture queued.
TPictureSlot TCustomPlayer::TImpl::TakeHead(TVideoState& s)
{
    TPictureSlot head = std::move(s.pictq[s.pictq_rindex]);
    s.pictq[s.pictq_rindex] = {};
    s.pictq_rindex = (s.pictq_rindex + 1) % 2;
    --s.pictq_size;
    s.PictCond.notify_all();
    return head;
}

// The head picture is due; with frame dropping on, is it so late that it
// goes unseen? Called with PictLock held.
bool TCustomPlayer::TImpl::LateEnoughToDrop(TVideoState& s, double now)
{
    if (s.Settings.FrameDrop == 0 || s.IsDevice)
        return false;
    const TPictureSlot& head = s.pictq[s.pictq_rindex];
    const double next = s.pictq_size > 1 ? s.pictq[(s.pictq_rindex + 1) % 2].TargetClock
                                         : head.TargetClock + s.frame_last_delay;
    if (now <= next)
        return false;
    s.skip_frames *= 1.0 + FrameSkipFactor;
    return s.pictq_size > 1 || now > next + DropLateness;
}

void TCustomPlayer::TImpl::RefreshVideo(TVideoState& s)
{
    TPictureSlot due;
    bool show = false;
    int dropped = 0;
    {
        std::lock_guard lock(s.PictLock);
        const bool pausedShow = s.paused && s.ShowOneWhilePaused;
        while (s.pictq_size > 0 && (!s.paused || pausedShow)) {
            const double now = NowSeconds();
            if (!pausedShow && now < s.pictq[s.pictq_rindex].TargetClock)
                break;
            if (!pausedShow && (s.seek_done || LateEnoughToDrop(s, now))) {
                TakeHead(s);
                ++dropped;
                continue;
            }
            due = TakeHead(s);
            s.video_current_pts = due.Pts;
            s.video_current_pts_drift = due.Pts - now;
            if (std::isnan(s.external_clock)) {
                s.external_clock = due.Pts;
                s.external_clock_time = now;
            }
            s.ShowOneWhilePaused = false;
            show = true;
            break;
        }
    }
    for (; dropped > 0; --dropped)
        CountStatistic(&TPlayerStatistics::PicturesDropped);
    if (show || (s.Redraw && s.Current))
        ShowPicture(s, due);
    s.Redraw = false;
}

void TCustomPlayer::TImpl::ShowPicture(TVideoState& s, TPictureSlot& slot)
{
    const bool fresh = slot.Picture != nullptr;
    std::shared_ptr<const TSurfacePicture> base = fresh ? slot.Picture : s.Current;
    if (!base)
        return;
    {
        std::lock_guard lock(s.PictLock);
        s.Current = base;
    }
    if (!Surface)
        return;
    int width = DisplayWidth, height = DisplayHeight;
    if (width <= 0 || height <= 0)
        Surface->SurfaceSize(width, height);
    auto picture = std::make_shared<TSurfacePicture>(*base);
    picture->Target = FitPicture(width, height, base->Width, base->Height, s.SampleAspect, Aspect);
    const bool running = s.AudioDevice != 0 || s.video_stream >= 0;
    picture->MasterPTS = running ? int64_t(std::llround(MasterClock(s) * 1000000)) - s.StartTime : -1;
    Surface->Present(std::move(picture));
    if (!fresh)
        return;
    std::lock_guard lock(StatsLock);
    if (Stats.OpenToFirstPicture < 0)
        Stats.OpenToFirstPicture =
            std::chrono::duration_cast<std::chrono::microseconds>(TPlayClock::now() - OpenCalled).count();
    ++Stats.PicturesShown;
    if (NowSeconds() - slot.TargetClock > s.frame_delay && !s.paused)
        ++Stats.PicturesLate;
}

void TCustomPlayer::TImpl::CountStatistic(int64_t TPlayerStatistics::*counter)
{
    std::lock_guard lock(StatsLock);
    ++(Stats.*counter);
}

}  // namespace vidrelo
