#pragma once
// nativeeq: brightness and contrast of planar 8-bit YUV pictures, changed in
// place on the luma plane.
//
// Options (PictureFilterCommon.h): brightness:contrast:brightness
// address:contrast address, each value -100..100, 0 meaning no change. The
// conversion job passes fixed values; the crop editor's preview passes the
// addresses of its own values, which the filter reads at every slice, so a
// change shows from the next slice on.
#include "engine/filter/TNativeFilter.h"

#include <cstdint>

namespace vidrelo {

struct EqState {
    int32_t* BrightnessSource = nullptr;  // &Brightness, or a live value of the caller's
    int32_t* ContrastSource = nullptr;
    int32_t Brightness = 0;
    int32_t Contrast = 0;
    int32_t LastBrightness = 0;  // the values last logged
    int32_t LastContrast = 0;
    // Changes rows [y, y + h) of the luma plane; set at initialisation.
    void (*Process)(const EqState& state, AVFrame& frame, int y, int h, int32_t brightness,
                    int32_t contrast) = nullptr;
};

// The definition of "nativeeq", alive for the whole run.
const TNativeFilterDefinition& NativeEqDefinition();

// Adds nativeeq to the native filter registry; doing it again is harmless.
// Raises EAssertionFailed ("Assertion failure", source "vf_eq") while the
// filter library is not bound.
void RegisterNativeEq();

}  // namespace vidrelo
