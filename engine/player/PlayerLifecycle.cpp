// Opening, stopping, pausing and seeking a playback: the protocols between
// the owner's thread and the playback's threads.
#include "engine/CLocale.h"
#include "engine/MainThreadDispatcher.h"
#include "engine/StringFormat.h"
#include "engine/loader/AVBindings.h"
#include "engine/loader/TSourceInput.h"
#include "engine/log/TFFLogger.h"
#include "engine/player/PlayerImpl.h"
#include "engine/player/PlayerSpectrum.h"

#include <algorithm>

namespace vidrelo {
namespace {

// SDL's subsystems are started and stopped by one player at a time.
std::mutex SDLInitLock;

}  // namespace

TVideoState::~TVideoState()
{
    if (ic)
        CloseSourceInput(&ic);
}

void TCustomPlayer::TImpl::Log(TLogLevel level, const std::string& text)
{
    FFLogger().Log(&Owner, level, text);
}

void TCustomPlayer::TImpl::Fail(const std::string& text, bool log)
{
    LastErrMsg = text;
    if (log)
        Log(llError, text);
}

TStateRef TCustomPlayer::TImpl::Current() const
{
    std::lock_guard lock(const_cast<std::mutex&>(StateLock));
    return State;
}

TPlaySettings TCustomPlayer::TImpl::TakeSettings() const
{
    const TCustomPlayer& o = Owner;
    TPlaySettings s;
    s.ForceFormat = ForceFormat;
    s.ForceFrameRate = ForceFrameRate;
    s.VideoFilters = o.VideoFilters;
    s.FrameWidth = o.FrameWidth;
    s.FrameHeight = o.FrameHeight;
    s.DisableAudio = o.DisableAudio;
    s.DisableDisplay = o.DisableDisplay;
    s.DisableVideo = o.DisableVideo || o.DisableDisplay;
    s.AutoAdjustFrameRate = o.AutoAdjustFrameRate;
    s.Deinterlace = o.Deinterlace;
    s.VerticalFlip = o.VerticalFlip;
    s.VideoHook = o.VideoHook && o.OnVideoHook;
    s.AudioHook = o.AudioHook && o.OnAudioHook;
    s.VideoHookBitsPixel = o.VideoHookBitsPixel;
    s.ReadTimeout = o.ReadTimeout;
    s.CheckIOEOF = o.CheckIOEOF;
    s.CheckIOERR = o.CheckIOERR;
    s.StartAt = o.start_time;
    s.PlayTime = o.PlayTime;
    s.RepeatType = o.RepeatType;
    s.ShowAudio = o.ShowAudio;
    s.WantedStream[0] = o.wanted_video_stream;
    s.WantedStream[1] = o.wanted_audio_stream;
    s.WantedStream[2] = o.wanted_subtitle_stream;
    s.SyncType = o.av_sync_type;
    s.DecoderReorderPts = o.decoder_reorder_pts;
    s.FrameDrop = o.framedrop;
    s.RdftSpeed = std::max(1, o.rdftspeed);
    s.GenPts = o.genpts;
    s.SeekByBytes = o.seek_by_bytes;
    return s;
}

bool TCustomPlayer::TImpl::Open(const std::string& fileName, TPlayerSurface* surface, bool paused)
{
    const TCLocaleScope numbers;
    OpenCalled = TPlayClock::now();
    if (!Owner.AVLibLoaded()) {
        Fail("libav not loaded.");
        return false;
    }
    if (!SDL.Loaded()) {
        Fail("sdl not loaded.");
        return false;
    }
    Stop(true);
    LastErrMsg.clear();
    {
        std::lock_guard lock(SDLInitLock);
        if (SDL.SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            Fail(Format("Could not initialize SDL with ScreenHandle(%u): %s", 0u, SDL.SDL_GetError()));
            RestoreDefaults();
            return false;
        }
        SDLInitialised = true;
        const char* driver = SDL.SDL_GetCurrentAudioDriver();
        Log(llDebug, Format("SDL audio driver: %s", driver ? driver : ""));
    }
    {
        std::lock_guard lock(StatsLock);
        Stats = {};
    }
    auto state = std::make_shared<TVideoState>();
    state->Settings = TakeSettings();
    state->Settings.FileName = fileName;
    if (paused) {
        state->paused_at = NowSeconds();  // what Resume measures the pause from
        state->paused = true;
        state->open_paused = true;
    }
    state->ShowOneWhilePaused = true;
    Surface = state->Settings.DisableDisplay ? nullptr : surface;
    if (!OpenSource(state)) {
        ShutdownSDL();
        RestoreDefaults();
        return false;
    }
    FileName = fileName;
    try {
        Decoder.SetFileHandle(state->ic);
    } catch (const std::exception& e) {
        Log(llError, e.what());
    }
    state->DecoderAttached = true;
    CallFileOpen(*state);
    StartEventThread();
    StopEvent.Reset();
    PlayThread = std::thread([this, state] { PlayThreadRun(state); });
    return true;
}

void TCustomPlayer::TImpl::CallFileOpen(TVideoState& s)
{
    int width = Owner.ScreenWidth, height = Owner.ScreenHeight;
    if (Owner.OnFileOpen) {
        const bool video = s.video_stream >= 0;
        const int64_t duration = s.IsImage2 ? 0 : s.Duration;
        auto call = [&] {
            Owner.OnFileOpen(Owner, duration, video ? s.FrameWidth : -1, video ? s.FrameHeight : -1, width, height);
        };
        if (Owner.TriggerEventInMainThread)
            Services.Dispatcher.Invoke(call);
        else
            call();
    }
    DisplayWidth = width;
    DisplayHeight = height;
}

void TCustomPlayer::TImpl::ShutdownSDL()
{
    std::lock_guard lock(SDLInitLock);
    if (SDLInitialised && SDL.Loaded()) {
        SDL.SDL_QuitSubSystem(SDL_INIT_AUDIO);
        // The last player out lets SDL free what it keeps process-wide
        // (hints, driver lists); while another plays, a subsystem is still in.
        if (SDL.SDL_WasInit(SDL_INIT_EVERYTHING) == 0)
            SDL.SDL_Quit();
    }
    SDLInitialised = false;
}

void TCustomPlayer::TImpl::Stop(bool wait)
{
    TStateRef s = Current();
    if (!s) {
        std::lock_guard lock(StateLock);
        if (Opening) {
            Opening->LastReadStamp = 0;
            Opening->abort_request = true;
        }
    } else {
        Stepping = false;
        s->paused = false;
        PostEvent(TPlayerEventType::Quit);
    }
    if (!wait)
        return;
    if (s)
        StopWaiting(s);
    if (PlayThread.joinable()) {
        WaitServing(Services.Dispatcher, [this] { return StopEvent.IsSet(); });
        PlayThread.join();
    }
    ReleaseClosed();
    if (s || SDLInitialised) {
        ShutdownSDL();
        RestoreDefaults();
    }
}

void TCustomPlayer::TImpl::StopWaiting(const TStateRef& s)
{
    int passes = 0;
    for (;;) {
        const auto until = TPlayClock::now() + std::chrono::milliseconds(100);
        WaitServing(Services.Dispatcher, [&] { return StopEvent.IsSet() || !Current() || TPlayClock::now() >= until; });
        if (StopEvent.IsSet() || !Current())
            return;
        std::unique_lock lock(DataLock, std::defer_lock);
        if (!lock.try_lock_for(std::chrono::milliseconds(100)))
            continue;
        ++passes;
        if ((passes > 10 && s->Reading) || passes > 20) {
            CloseSource(s);
            return;
        }
        PostEvent(TPlayerEventType::Quit);
    }
}

void TCustomPlayer::TImpl::RestoreDefaults()
{
    Surface = nullptr;
    LastReported = kNoPlayerTime;
    CurrentPTS = -1;
    Stepping = false;
    Owner.wanted_audio_stream = Owner.wanted_video_stream = Owner.wanted_subtitle_stream = -1;
    Owner.seek_by_bytes = -1;
    Owner.start_time = kNoPlayerTime;
    Owner.PlayTime = kNoPlayerTime;
    Owner.RepeatType = TRepeatType::rtStop;
    Owner.VerticalFlip = false;
    SeekEvent.Set();
    SeekingFlag = false;
}

void TCustomPlayer::TImpl::SetPaused(const TStateRef& s, bool pause)
{
    if (!SeekEvent.WaitFor(250))
        SeekEvent.Set();
    if (pause == s->paused)
        return;
    if (pause) {
        if (s->video_stream >= 0 && !PictEvent.WaitFor(250))
            PictEvent.Set();
        std::lock_guard lock(s->PictLock);
        s->video_current_pts = VideoClockLocked(*s);
        s->external_clock = ExternalClockLocked(*s);
        s->paused_at = NowSeconds();
        s->paused = true;
        return;
    }
    std::lock_guard lock(s->PictLock);
    const double now = NowSeconds();
    s->frame_timer += now - s->paused_at;
    s->external_clock_time = now;
    for (int i = 0; i < s->pictq_size; ++i)
        s->pictq[(s->pictq_rindex + i) % 2].TargetClock += now - s->paused_at;
    s->video_current_pts_drift = s->video_current_pts - now;
    s->paused = false;
    s->PictCond.notify_all();
}

void TCustomPlayer::TImpl::Seek(TSeekFlags flags, bool wait, int64_t pos, int64_t rel)
{
    TStateRef s = Current();
    if (!s)
        return;
    {
        std::lock_guard lock(s->SeekLock);
        if (s->seek_req)
            return;
        SeekingFlag = true;
        s->seek_paused = s->paused.load();
        s->seek_pos = pos;
        s->seek_rel = rel;
        s->seek_flags = static_cast<int>(flags);
        SeekEvent.Reset();
        s->seek_req = true;
    }
    if (!wait)
        return;
    const bool video = s->video_stream >= 0;
    WaitServing(Services.Dispatcher, [&] { return SeekEvent.IsSet() && (!video || PictEvent.IsSet()); });
}

}  // namespace vidrelo
