#pragma once
// The preview player's enumerations and event shapes.
#include <cstdint>
#include <functional>

namespace vidrelo {

enum class TPlayState { psPlay, psPause, psResume, psStep, psStop, psEnd };
enum class TRepeatType { rtNone, rtStop, rtLoop };
// What a source without video shows: nothing, its waveform or its spectrum.
enum class TShowAudio { saNone, saWave, saRDFT };
// SDL's audio driver: none named, or one by name (the video driver has no
// meaning here: pictures go to the host's surface).
enum class TAudioDriver { adDefault, adDirectSound, adWaveOut };
enum class TVideoDriver { vdDefault, vdDirectDraw, vdGDI };
enum class Tav_sync_type { AV_SYNC_AUDIO_MASTER, AV_SYNC_VIDEO_MASTER, AV_SYNC_EXTERNAL_CLOCK };

// Bit i stands for the libraries' seek flag 2^i.
enum TSeekFlag : unsigned { sfBackward = 1, sfByte = 2, sfAny = 4, sfFrame = 8 };
using TSeekFlags = unsigned;

class TCustomPlayer;
class TEngineBitmap;

// Once per successful Open, before playing: duration in microseconds (0 for
// an image sequence, -1 unknown), frame size (-1, -1 without video); the
// handler may set the display size.
using TFileOpenEvent = std::function<void(TCustomPlayer& sender, int64_t duration, int frameWidth, int frameHeight,
                                          int& screenWidth, int& screenHeight)>;
using TPositionEvent = std::function<void(TCustomPlayer& sender, int64_t pts)>;
using TStateEvent = std::function<void(TCustomPlayer& sender, TPlayState state)>;
// Each shown picture as a bitmap; `update` (true on entry) sends the bitmap,
// possibly drawn on, back into the shown picture.
using TPlayerVideoHookEvent = std::function<void(TCustomPlayer& sender, TEngineBitmap& bitmap, int64_t pts, bool& update)>;
// Each decoded audio chunk before the volume is applied: signed 16-bit
// interleaved samples.
using TPlayerAudioHookEvent = std::function<void(TCustomPlayer& sender, int64_t pts, const uint8_t* samples, int size,
                                           int sampleRate, int channels)>;
// After the input is opened and before its streams are probed (an AVFormatContext*).
using TPlayerBeforeFindStreamInfoEvent = std::function<void(TCustomPlayer& sender, void* formatContext)>;

}  // namespace vidrelo
