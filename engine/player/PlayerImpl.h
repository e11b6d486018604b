#pragma once
// The inside of the preview player: the state of one playback and the
// player's own machinery (threads, signals, the event ring). Private to
// engine/player.
#include "engine/TFormatConverter.h"
#include "engine/encoder/TAudioConverter.h"
#include "engine/encoder/TSubtitleBurner.h"
#include "engine/encoder/TVideoFilterGraph.h"
#include "engine/loader/TSDLLoader.h"
#include "engine/loader/TSourceProtocols.h"
#include "engine/log/TLogLevel.h"
#include "engine/player/PlayerQueues.h"
#include "engine/player/TCustomPlayer.h"
#include "engine/player/TPlayEvent.h"
#include "engine/probe/TFFDecoder.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vidrelo {

// What a playback takes from the player's properties when it opens, so its
// threads never read the properties the owner may change meanwhile.
struct TPlaySettings {
    std::string FileName;
    std::string ForceFormat;
    std::string ForceFrameRate;
    std::string VideoFilters;
    int FrameWidth = 0, FrameHeight = 0;
    bool DisableAudio = false, DisableVideo = false, DisableDisplay = false;
    bool AutoAdjustFrameRate = true, Deinterlace = false, VerticalFlip = false;
    bool VideoHook = false, AudioHook = false;
    int VideoHookBitsPixel = 24;
    int ReadTimeout = 10000;
    bool CheckIOEOF = true, CheckIOERR = true;
    int64_t StartAt = kNoPlayerTime;
    int64_t PlayTime = kNoPlayerTime;
    TRepeatType RepeatType = TRepeatType::rtStop;
    TShowAudio ShowAudio = TShowAudio::saWave;
    int WantedStream[3] = {-1, -1, -1};  // video, audio, subtitle
    Tav_sync_type SyncType = Tav_sync_type::AV_SYNC_AUDIO_MASTER;
    int DecoderReorderPts = -1;
    int FrameDrop = 0;
    int RdftSpeed = 20;
    bool GenPts = false;
    int SeekByBytes = -1;
};

// One decoded picture waiting to be shown.
struct TPictureSlot {
    std::shared_ptr<const TSurfacePicture> Picture;
    double Pts = 0;          // seconds, stream timestamps
    double TargetClock = 0;  // when it is due (NowSeconds())
    int64_t BytePos = -1;
};

// Why Open's wait ended.
enum TOpenedState : int { osOpening = 0, osOpen = 1, osFailed = -1, osCleanedUp = -2 };

class TSpectrum;

// One open source (the classic player's per-source state and ours).
struct TVideoState;
struct TVideoState {
    TPlaySettings Settings;
    std::atomic<bool> abort_request{false};
    std::atomic<bool> paused{false};
    bool last_paused = false;
    // Seek request, guarded by SeekLock.
    std::mutex SeekLock;
    bool seek_req = false;
    int seek_flags = 0;
    int64_t seek_pos = 0;
    int64_t seek_rel = 0;

    AVFormatContext* ic = nullptr;  // owned by the read thread
    TSourceHints Hints;
    std::atomic<int> Opened{osOpening};
    std::string OpenError;  // set by the read thread before Opened becomes -1
    int64_t StartTime = 0;     // microseconds
    int64_t Duration = -1;     // microseconds
    int64_t AudioDuration = -1;
    bool IsImage2 = false, IsDevice = false;
    bool IOEOFLog = false, IOERRLog = false;
    std::atomic<bool> EventEOF{false}, ReachEOF{false}, Reading{false}, EndOfInput{false};
    std::atomic<int64_t> LastReadStamp{INT64_MAX};  // microseconds, for the read time-out

    // Streams.
    std::atomic<int> video_stream{-1}, audio_stream{-1}, subtitle_stream{-1};
    AVStream* video_st = nullptr;
    AVStream* audio_st = nullptr;
    AVStream* subtitle_st = nullptr;
    TPacketQueue videoq, audioq, subtitleq;
    AVCodecContext* VideoCodec = nullptr;
    AVCodecContext* AudioCodec = nullptr;
    AVCodecContext* SubtitleCodec = nullptr;
    std::thread VideoThread, SubtitleThread, ReadThread, RefreshThread;
    std::mutex ComponentLock;  // opening and closing components

    // Audio (the SDL callback's own, except where atomic).
    std::atomic<uint32_t> AudioDevice{0};  // read by the video and play threads while the read thread closes it
    int AudioRate = 0, AudioChannels = 0;
    std::unique_ptr<TAudioConverter> AudioConv;
    std::vector<uint8_t> AudioBuf;  // converted samples of the current chunk
    size_t AudioBufIndex = 0;
    std::atomic<double> audio_clock{0};        // seconds, end of the current chunk
    std::atomic<double> audio_callback_time{0};
    std::atomic<int> audio_pending_bytes{0};  // bytes of the chunk not yet handed to SDL
    double audio_diff_cum = 0, audio_diff_avg_coef = 0, audio_diff_threshold = 0;
    int audio_diff_avg_count = 0;
    bool AudioFlushPending = false;
    std::mutex SampleLock;                   // the visualisation's samples
    std::vector<int16_t> sample_array;
    size_t sample_array_index = 0;
    std::atomic<int> show_audio{0};
    // The play thread's: the spectrum picture, kept from refresh to refresh
    // while the spectrum is shown (a new one after any other display).
    std::unique_ptr<TSpectrum> Spectrum;
    int LastShowAudio = 0;

    // Video.
    double frame_delay = 0.04;
    double video_clock = 0;  // video thread
    std::mutex PictLock;     // picture queue and the display clock below
    std::condition_variable PictCond;
    std::array<TPictureSlot, 2> pictq;
    int pictq_size = 0, pictq_rindex = 0, pictq_windex = 0;
    // frame_last_pts is NaN while no picture was timed since the start or
    // the last seek: the first one then waits the previous delay only.
    double frame_timer = 0, frame_last_pts = std::numeric_limits<double>::quiet_NaN(), frame_last_delay = 0.04;
    // Where the start time or the last seek asked to land (seconds, stream
    // time), NaN when none: pictures before it are decoded but not shown,
    // so a seek lands on the asked picture rather than on the key frame
    // before it.
    std::atomic<double> SeekTarget{std::numeric_limits<double>::quiet_NaN()};
    // A seek's target, taken over as SeekTarget when the video thread meets
    // the seek's flush marker (pictures before it are from the old place).
    std::atomic<double> PendingSeekTarget{std::numeric_limits<double>::quiet_NaN()};
    // The same for the sound: samples before the target are not played.
    std::atomic<double> AudioSeekTarget{std::numeric_limits<double>::quiet_NaN()};
    // A seek's flush marker is on its way to the video thread: a picture
    // still waiting for a free slot (the queue is full while paused) is from
    // the old place and gives up its wait. Guarded by PictLock.
    bool FlushPending = false;
    std::atomic<double> PendingAudioSeekTarget{std::numeric_limits<double>::quiet_NaN()};
    double video_current_pts = 0, video_current_pts_drift = 0;
    bool ShowOneWhilePaused = false;  // a paused open or seek still shows one picture
    std::shared_ptr<const TSurfacePicture> Current;  // last shown
    // Frame skipping (PictLock): the video thread passes a decoded picture
    // on only when the index reaches skip_frames; dropping late pictures
    // raises it, a video thread that waits for a free slot lowers it.
    double skip_frames = 1, skip_frames_index = 0;
    // The external clock (PictLock): its value at external_clock_time, NaN
    // until the first picture after the start or a seek sets it.
    double external_clock = std::numeric_limits<double>::quiet_NaN(), external_clock_time = 0;
    std::atomic<bool> open_paused{false}, seek_paused{false}, seek_done{false}, seek_flushed{false};
    int OpenPausedPictures = 0;
    int FrameWidth = 0, FrameHeight = 0;
    double SampleAspect = 1;
    std::mutex SubtitleLock;  // the burner, shared by the subtitle and video threads
    std::unique_ptr<TSubtitleBurner> Subtitles;
    int SubtitlesGeneration = 0;  // counts changes of Subtitles: the video thread's graph holds the burner
    std::atomic<double> paused_at{0};
    std::atomic<bool> DecoderAttached{false};  // the owner has read the input's summary
    bool Redraw = false;           // the play thread's: show the current picture again
    bool PlayTimeReached = false;  // the play thread's
    void* AudioImpl = nullptr;  // the player behind the audio callback
    int AudioHwBufSize = 0;
    int SeekByBytes = -1;
    std::atomic<bool> InterruptLogged{false};
    std::string InterruptWhy;  // the read thread's, read by Open after it ended

    ~TVideoState();
};

using TStateRef = std::shared_ptr<TVideoState>;

// The play thread's own event queue (quit, refresh, aspect).
enum class TPlayerEventType { Quit = 26, Refresh = 25, Aspect = 27 };

struct TCustomPlayer::TImpl {
    TImpl(TCustomPlayer& owner, const TEngineServices& services)
        : Owner(owner), Services(services), Decoder(services.Loader)
    {
    }
    TCustomPlayer& Owner;
    const TEngineServices Services;

    // Libraries.
    TSDLLoader SDL;
    bool SDLInitialised = false;
    std::string LastErrMsg;

    // Properties with setters.
    std::atomic<int> Volume{128};
    std::atomic<bool> Muted{false};
    std::atomic<double> Aspect{0};
    std::string ForceFrameRate, ForceFormat;
    std::string FileName;
    TPlayerSurface* Surface = nullptr;

    // The playback: `State` while it is open; `Opening` while Open waits.
    std::mutex StateLock;
    TStateRef State;
    TStateRef Opening;
    // A playback that closed on another thread than the owner's. Its input
    // stays open for `Decoder`, which only the owner's thread touches: the
    // owner detaches it and lets the input go (ReleaseClosed).
    TStateRef Closed;

    // Signals.
    std::timed_mutex DataLock;  // held by the play thread while it handles one event
    TManualEvent SeekEvent{true}, PictEvent{true}, StopEvent{true};
    std::atomic<bool> SeekingFlag{false};
    std::atomic<bool> Stepping{false};
    std::atomic<int64_t> CurrentPTS{-1};
    std::atomic<int64_t> LastReported{kNoPlayerTime};
    std::atomic<TPlayState> State_{TPlayState::psStop};

    // The play thread's events.
    std::mutex QueueLock;
    std::condition_variable QueueCond;
    std::deque<TPlayerEventType> Queue;
    bool RefreshPending = false;
    std::thread PlayThread;
    std::thread EventThread;
    std::atomic<bool> EventThreadStop{false};
    std::atomic<bool> EventThreadDone{true};
    std::atomic<int> DisplayWidth{0}, DisplayHeight{0};
    TPlayEvent Events;

    // Statistics.
    mutable std::mutex StatsLock;
    TPlayerStatistics Stats;
    TPlayClock::time_point OpenCalled;

    // CurrentFrame's bitmap and its converter; the video hook's converter.
    TFormatConverter FrameConverter;
    TFormatConverter HookConverter;
    TEngineBitmap EmptyBitmap;
    TFFDecoder Decoder;

    // --- TCustomPlayer.cpp: operations ---
    bool Open(const std::string& fileName, TPlayerSurface* surface, bool paused);
    void Stop(bool wait);
    void StopWaiting(const TStateRef& state);
    void RestoreDefaults();
    void SetPaused(const TStateRef& state, bool pause);
    void Seek(TSeekFlags flags, bool wait, int64_t pos, int64_t rel);
    TPlaySettings TakeSettings() const;
    TStateRef Current() const;
    void Log(TLogLevel level, const std::string& text);
    void Fail(const std::string& text, bool log = true);

    // --- PlayerEvents.cpp: state and position reports, the event thread ---
    void ReportState(TPlayState state);
    void ReportPosition(TVideoState& s);
    void StartEventThread();
    void StopEventThread();
    void EventLoop();
    void Deliver(const TPlayEventItem& item);

    // --- PlayerPlay.cpp: the play thread, refresh and display ---
    void PostEvent(TPlayerEventType type);
    bool RefreshIsPending();
    void PlayThreadRun(TStateRef state);
    void RefreshThreadRun(TVideoState& s);
    void Refresh(TVideoState& s);
    void ShowPicture(TVideoState& s, TPictureSlot& slot);
    void ShowAudioPicture(TVideoState& s);
    void DrawWaveform(TVideoState& s, int width, int height, std::vector<uint32_t>& pixels);
    void DrawSpectrum(TVideoState& s, int width, int height, std::vector<uint32_t>& pixels);
    void CloseSource(const TStateRef& state);
    void ReleaseClosed();
    double VideoClockLocked(TVideoState& s);
    double ExternalClockLocked(TVideoState& s);
    bool SyncsVideo(TVideoState& s) const;
    void RefreshVideo(TVideoState& s);
    bool LateEnoughToDrop(TVideoState& s, double now);
    static TPictureSlot TakeHead(TVideoState& s);
    void CallFileOpen(TVideoState& s);
    void ShutdownSDL();
    double MasterClock(TVideoState& s);
    double VideoClock(TVideoState& s);
    double AudioClock(TVideoState& s);
    double ComputeTargetTime(TVideoState& s, double framePts);
    void CheckPlayTime(TVideoState& s, int64_t position);
    void CountStatistic(int64_t TPlayerStatistics::*counter);

    // --- PlayerRead.cpp: opening and the read thread ---
    bool OpenSource(TStateRef state);
    void ReadThreadRun(TStateRef state);
    bool OpenInput(TVideoState& s);
    void ChooseStreams(TVideoState& s, int (&chosen)[3]);
    void ReadLoop(TVideoState& s);
    bool ReadPacket(TVideoState& s);
    void ExecuteSeek(TVideoState& s);
    void HandleReadFailure(TVideoState& s, int result);
    bool QueuesFull(TVideoState& s);
    bool OpenComponent(TVideoState& s, int index);
    void CloseComponent(TVideoState& s, AVMediaType type);
    void CloseComponents(TVideoState& s);
    void DecideFrameDelay(TVideoState& s, AVStream* st);
    bool SwitchStream(AVMediaType type, int index);

    // --- PlayerVideo.cpp: the video and subtitle threads ---
    void VideoThreadRun(TVideoState& s);
    bool DecodeVideo(TVideoState& s, AVFrame* frame, bool& flushed);
    bool SetupGraph(TVideoState& s, TVideoFilterGraph& graph, const AVFrame* frame);
    static double LandingTarget(const TVideoState& s, int64_t pos, bool bytes);
    bool BeforeSeekTarget(TVideoState& s, double pts, bool timed);
    bool PassesSkip(TVideoState& s);
    bool QueuePicture(TVideoState& s, AVFrame* rgb, double pts, int64_t pos);
    void RunVideoHook(TVideoState& s, AVFrame* rgb, double pts);
    void AfterPictureQueued(TVideoState& s);
    void FlushPictures(TVideoState& s);
    void SubtitleThreadRun(TVideoState& s);

    // --- PlayerAudio.cpp: the audio component and SDL's callback ---
    bool OpenAudio(TVideoState& s, AVCodecContext* codec);
    void CloseAudio(TVideoState& s);
    static void AudioCallback(void* userdata, uint8_t* stream, int len);
    void FillAudio(TVideoState& s, uint8_t* stream, int len);
    int SamplesBeforeSeekTarget(TVideoState& s, const AVFrame& frame);
    int DecodeAudioChunk(TVideoState& s);
    int SynchronizeAudio(TVideoState& s, int bytes);
    void UpdateSampleDisplay(TVideoState& s, const uint8_t* samples, int size);
};

// The volume step of the audio callback: silence when muted or at 0, the
// samples unchanged at 128, otherwise mixed into silence at `volume` through
// `mix` (SDL's mixer, signed 16-bit). Exposed for the tests.
using TMixAudio = void (*)(uint8_t* dst, const uint8_t* src, uint16_t format, uint32_t len, int volume);
void ApplyPlayerVolume(uint8_t* dst, const uint8_t* src, int len, int volume, bool mute, TMixAudio mix);

}  // namespace vidrelo
