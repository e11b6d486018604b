#pragma once
// The preview player: plays a source (a file or an "opendvd:" string) with
// pictures on a host surface and sound through SDL2, on its own threads (a
// read thread, a refresh thread, a video thread, a subtitle thread, SDL's
// audio callback, the play thread that decides what is shown, and the event
// thread that delivers position and state events).
//
// Public contract (the windows, vidrelo-cli play and the tests rely on it):
// operations are called on the player's owning thread (the main thread in
// the program). Open, Stop(true) and Seek(..., true) wait; while they wait on
// the main thread they keep serving the main-thread dispatcher, so handlers
// delivered there cannot deadlock against them. Failures leave their text in
// LastErrMsg() and make the operation return false. The player binds its
// libraries through, hands events over through, and registers its blocking
// reads with, the services it was created with.
//
// THIS HEADER IS THE INTERFACE BETWEEN THE PLAYER AND ITS USERS. Private
// members are the implementer's; the public part stays as it is.
#include "engine/EngineServices.h"
#include "engine/TFFBaseComponent.h"
#include "engine/player/TPlayerSurface.h"
#include "engine/player/TPlayerTypes.h"

#include <cstdint>
#include <limits>
#include <memory>
#include <string>

namespace vidrelo {

class TEngineBitmap;
class TFFDecoder;

// "No value" for the 64-bit times.
inline constexpr int64_t kNoPlayerTime = std::numeric_limits<int64_t>::min();

// Counters of the current (or last) playback, reset by Open.
struct TPlayerStatistics {
    int64_t OpenToFirstPicture = -1;  // microseconds from Open's call to the first Present, -1: none yet
    int64_t PicturesShown = 0;        // handed to the surface
    int64_t PicturesLate = 0;         // shown after their target time had passed by more than a frame
    int64_t PicturesDropped = 0;      // decoded but never shown
};

class TCustomPlayer : public TFFBaseComponent {
public:
    explicit TCustomPlayer(const TEngineServices& AServices);
    ~TCustomPlayer() override;

    // --- libraries ---
    // The media libraries of the player's set from `path` (then the
    // system); with `autoLoadSDL` also SDL (LoadSDLLib(path)).
    bool LoadAVLib(const std::string& path, bool autoLoadSDL = true);
    bool AVLibLoaded() const;
    void UnloadAVLib();
    bool LoadSDLLib(const std::string& path, const std::string& file = "libSDL2-2.0.so.0");
    bool SDLLibLoaded() const;
    void UnloadSDLLib();

    // --- playback ---
    // Stops any current playback (waiting), opens the source, calls
    // OnFileOpen, starts the threads. `surface` (may be null: no display)
    // must outlive the playback. With `paused` the first picture is shown
    // and playback stays paused.
    bool Open(const std::string& fileName, TPlayerSurface* surface, bool paused = false);
    void Stop(bool waitForStop);
    void Pause();
    void Resume();
    void TogglePause();
    void StepToNextFrame();
    // To `time` microseconds from the start of the source (sfByte: to a byte).
    void Seek(TSeekFlags flags, bool waitForSeekEnd, int64_t time);
    // By `delta` seconds from the master clock.
    void SeekBy(TSeekFlags flags, bool waitForSeekEnd, double delta);
    // The picture at the head of the picture queue (black before it has one,
    // 0 x 0 without video), owned by the player until the next call; `pts`
    // its position in microseconds, -1 without video.
    const TEngineBitmap& CurrentFrame();
    const TEngineBitmap& CurrentFrame(int64_t& pts);
    void ToggleAudioDisplay();
    // The host moved or resized the surface: the current picture is fitted
    // into the surface's size again and shown at once, also while paused.
    void UpdateScreenPosition();

    // --- state ---
    const std::string& FileName() const;
    bool Paused() const;  // true when nothing is open
    TPlayState PlayState() const;
    bool Seeking() const;
    int64_t CurrentPTS() const;  // -1 before any position
    TPlayerStatistics Statistics() const;  // any thread
    const std::string& LastErrMsg() const;
    TFFDecoder& Decoder();

    // --- properties (set before Open unless said otherwise) ---
    int ScreenWidth = 0;  // 0: the surface's size
    int ScreenHeight = 0;
    int FrameWidth = 0;
    int FrameHeight = 0;
    bool DisableAudio = false;
    bool DisableVideo = false;
    bool DisableDisplay = false;
    bool AutoAdjustFrameRate = true;
    bool Deinterlace = false;
    bool VerticalFlip = false;
    std::string VideoFilters;
    bool VideoHook = false;
    bool AudioHook = false;
    int VideoHookBitsPixel = 24;
    bool TriggerEventInMainThread = true;
    int ReadTimeout = 10000;  // milliseconds, 0: none
    bool CheckIOEOF = true;
    bool CheckIOERR = true;
    int64_t PlayTime = kNoPlayerTime;
    TRepeatType RepeatType = TRepeatType::rtStop;
    int64_t start_time = kNoPlayerTime;
    TShowAudio ShowAudio = TShowAudio::saWave;
    TAudioDriver AudioDriver = TAudioDriver::adDefault;
    TVideoDriver VideoDriver = TVideoDriver::vdDefault;
    int wanted_audio_stream = -1;
    int wanted_video_stream = -1;
    int wanted_subtitle_stream = -1;
    Tav_sync_type av_sync_type = Tav_sync_type::AV_SYNC_AUDIO_MASTER;
    int workaround_bugs = 1;
    int error_recognition = 1;
    int error_concealment = 3;
    int decoder_reorder_pts = -1;
    int framedrop = 0;
    int rdftspeed = 20;
    int lowres = 0;
    int idct_algo = 0;
    bool fast = false;
    bool genpts = false;
    int seek_by_bytes = -1;
    int debug_mv = 0;

    // Properties with setters: they act on a playing source at once.
    int AudioVolume() const;  // 0..128, 128 leaves samples unchanged
    void SetAudioVolume(int volume);
    bool Mute() const;
    void SetMute(bool mute);
    double AspectRatio() const;  // > 0 forced, 0 the stream's, < 0 fill
    void SetAspectRatio(double ratio);
    const std::string& ForceFrameRate() const;
    void SetForceFrameRate(const std::string& rate);  // raises "Incorrect frame rate"
    const std::string& ForceFormat() const;
    void SetForceFormat(const std::string& format);   // raises "Unknown input format: %s"
    int AudioStreamIndex() const;  // -1 when closed
    bool SetAudioStreamIndex(int index);  // false with LastErrMsg on a wrong index
    int VideoStreamIndex() const;
    bool SetVideoStreamIndex(int index);
    int SubtitleStreamIndex() const;
    bool SetSubtitleStreamIndex(int index);  // -1 closes the subtitles

    // --- events (see TPlayerTypes.h) ---
    TFileOpenEvent OnFileOpen;
    TPositionEvent OnPosition;
    TStateEvent OnState;
    TPlayerVideoHookEvent OnVideoHook;
    TPlayerAudioHookEvent OnAudioHook;
    TPlayerBeforeFindStreamInfoEvent OnBeforeFindStreamInfo;

private:
    struct TImpl;
    std::unique_ptr<TImpl> FImpl;
};

// The published component: nothing of its own.
class TFFPlayer : public TCustomPlayer {
public:
    using TCustomPlayer::TCustomPlayer;
};

}  // namespace vidrelo
