#pragma once
// Disc targets ("vcd", "svcd", "dvd", "dv", "dv50"): the settings a disc
// player expects, for a television norm. A target text may name the norm
// first ("pal-dvd", "ntsc-vcd", "film-dvd"); without one the norm is guessed
// from the frame rate of the job and of its inputs.
#include "engine/loader/MediaHeaders.h"

#include <string>
#include <utility>
#include <vector>

namespace vidrelo {

enum class TTargetNorm { Auto, PAL, NTSC, Film };

struct TTargetText {
    TTargetNorm Norm = TTargetNorm::Auto;
    std::string Type;  // "dvd"
};

// What a target sets: job options in the order they are set, and the
// settings that depend on what the job already holds.
struct TTargetSettings {
    std::vector<std::pair<std::string, std::string>> Options;
    std::string DefaultAspect;  // set when the job has no aspect yet; empty: none
    bool MonoToStereo = false;  // one audio channel becomes two
    double MuxPreload = -1;     // seconds; negative: unchanged
};

class TFFTargets {
public:
    // "pal-dvd" gives PAL and "dvd"; "dvd" gives Auto and "dvd".
    static TTargetText Split(const std::string& text);
    // The norm of a job whose frame rate is `frameRate`: 25 fps is PAL,
    // 29.97 and 23.976 are NTSC; else the first input video stream that
    // tells; else `defaultNorm` (film and NTSC as they are, anything else
    // PAL). Raises FFmpegException "frame_rate is invalid." for a rate
    // without a denominator.
    static TTargetNorm Guess(AVRational frameRate, const std::vector<AVFormatContext*>& inputs,
                             TTargetNorm defaultNorm);
    // The settings of a target type for a known norm. Raises FFmpegException
    // "Unknown target type" for another type.
    static TTargetSettings Settings(const std::string& type, TTargetNorm norm);
};

}  // namespace vidrelo
