#pragma once
// The job's audio volume ("vol"): 256 leaves the samples alone, 512 doubles
// them, 128 halves them.
#include "engine/loader/MediaHeaders.h"

namespace vidrelo {

inline constexpr int UnchangedAudioVolume = 256;

// Scales every sample of `frame` (writable, any sample format, planar or
// packed) by volume / 256 in place. Integer samples are rounded as
// (s x volume + 128) / 256 around their format's zero and clipped to its
// range (-32768..32767 for 16-bit); floating-point samples are clipped to
// -1..1. Nothing happens at 256.
void ApplyAudioVolume(AVFrame* frame, int volume);

}  // namespace vidrelo
