#pragma once
// nativehue: hue and saturation of planar 8-bit YUV pictures, changed in
// place on the two chroma planes.
//
// Options (PictureFilterCommon.h): hue:saturation:hue address:saturation
// address, each value -100..100, 0 meaning no change. Hue -100..100 turns the
// chroma by -pi..pi; saturation -100..100 scales it by 0..2.
#include "engine/filter/TNativeFilter.h"

#include <cstdint>

namespace vidrelo {

struct HueState {
    int32_t* HueSource = nullptr;  // &Hue, or a live value of the caller's
    int32_t* SaturationSource = nullptr;
    int32_t Hue = 0;
    int32_t Saturation = 0;
    int32_t LastHue = 0;  // the values last logged
    int32_t LastSaturation = 0;
    int32_t VShift = 0;  // chroma subsampling of the pixel format being processed
    int32_t HShift = 0;
    // Changes the chroma rows of luma rows [y, y + h); set at initialisation.
    void (*Process)(const HueState& state, AVFrame& frame, int y, int h, int32_t hue,
                    int32_t saturation) = nullptr;
};

// The definition of "nativehue", alive for the whole run.
const TNativeFilterDefinition& NativeHueDefinition();

// Adds nativehue to the native filter registry; doing it again is harmless.
// Raises EAssertionFailed ("Assertion failure", source "vf_hue") while the
// filter library is not bound.
void RegisterNativeHue();

}  // namespace vidrelo
