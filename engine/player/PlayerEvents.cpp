// State and position reports and the event thread that delivers them,
// in the main thread when the player is asked to.
#include "engine/MainThreadDispatcher.h"
#include "engine/player/PlayerImpl.h"

#include <cmath>
#include <cstdlib>

namespace vidrelo {

void TCustomPlayer::TImpl::ReportState(TPlayState state)
{
    State_ = state;
    if (Owner.OnState)
        Events.Post({TPlayEventKind::State, state, 0});
    else if (state == TPlayState::psStop)
        Events.Post({TPlayEventKind::EndOfDelivery, state, 0});
}

void TCustomPlayer::TImpl::ReportPosition(TVideoState& s)
{
    const bool video = s.video_stream >= 0;
    const double clock = video ? VideoClock(s) : AudioClock(s);
    int64_t pos = std::llround(clock * 1000000) - s.StartTime;
    if (!video && s.AudioDuration > 0 && pos > s.AudioDuration && s.Duration > s.AudioDuration)
        pos = s.Duration;
    const bool atEnd = s.Duration > 0 && pos >= s.Duration;
    if (atEnd)
        pos = s.Duration;
    pos = std::max<int64_t>(pos, 0);
    CurrentPTS = pos;
    const int64_t last = LastReported;
    if (last == kNoPlayerTime || std::llabs(pos - last) > 10000 || (atEnd && last != pos)) {
        LastReported = pos;
        if (Owner.OnPosition)
            Events.Post({TPlayEventKind::Position, TPlayState::psPlay, pos});
    }
    CheckPlayTime(s, pos);
    // The end is reported once per reaching it (a seek or a resume after it
    // may reach it again).
    if (!s.IsDevice && s.ReachEOF && !s.EventEOF) {
        std::lock_guard lock(s.PictLock);
        if (s.pictq_size == 0) {
            s.EventEOF = true;
            ReportState(TPlayState::psEnd);
        }
    }
}

void TCustomPlayer::TImpl::CheckPlayTime(TVideoState& s, int64_t position)
{
    const TPlaySettings& set = s.Settings;
    if (set.PlayTime == kNoPlayerTime || set.RepeatType == TRepeatType::rtNone)
        return;
    const int64_t end = set.StartAt != kNoPlayerTime ? set.StartAt + set.PlayTime : set.PlayTime;
    if (position < end) {
        s.PlayTimeReached = false;
        return;
    }
    if (s.PlayTimeReached)
        return;
    s.PlayTimeReached = true;
    if (set.RepeatType == TRepeatType::rtStop) {
        s.paused = false;
        PostEvent(TPlayerEventType::Quit);
        return;
    }
    std::lock_guard lock(s.SeekLock);
    if (s.seek_req)
        return;
    SeekingFlag = true;
    s.seek_pos = (set.StartAt != kNoPlayerTime ? set.StartAt : 0) + s.StartTime;
    s.seek_rel = 1;
    s.seek_flags = set.StartAt != kNoPlayerTime ? 0 : static_cast<int>(sfAny);
    s.seek_paused = s.paused.load();
    SeekEvent.Reset();
    s.seek_req = true;
}

void TCustomPlayer::TImpl::StartEventThread()
{
    StopEventThread();
    Events.Clear();
    EventThreadStop = false;
    EventThreadDone = false;
    EventThread = std::thread([this] { EventLoop(); });
}

void TCustomPlayer::TImpl::StopEventThread()
{
    if (!EventThread.joinable())
        return;
    EventThreadStop = true;
    // The thread may be handing an event to the main thread: serve it.
    WaitServing(Services.Dispatcher, [this] { return EventThreadDone.load(); });
    EventThread.join();
}

void TCustomPlayer::TImpl::EventLoop()
{
    while (!EventThreadStop) {
        const std::optional<TPlayEventItem> item = Events.Take(100);
        if (!item)
            continue;
        if (item->Kind == TPlayEventKind::EndOfDelivery)
            break;
        Deliver(*item);
        if (item->Kind == TPlayEventKind::State && item->State == TPlayState::psStop)
            break;
    }
    EventThreadDone = true;
    Services.Dispatcher.Notify();
}

void TCustomPlayer::TImpl::Deliver(const TPlayEventItem& item)
{
    auto call = [this, item] {
        if (item.Kind == TPlayEventKind::Position && Owner.OnPosition)
            Owner.OnPosition(Owner, item.Position);
        else if (item.Kind == TPlayEventKind::State && Owner.OnState)
            Owner.OnState(Owner, item.State);
    };
    try {
        if (Owner.TriggerEventInMainThread)
            Services.Dispatcher.Invoke(call);
        else
            call();
    } catch (const std::exception& e) {
        Log(llError, e.what());
    }
}

}  // namespace vidrelo
