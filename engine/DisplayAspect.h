#pragma once
// The shape a stored picture is shown at. DVD pixels are not square: a
// 720x480 frame is shown at 4:3 or at 16:9, as the disc says, so its
// proportions in pixels say nothing about the picture's own shape.
#include <cstdint>

namespace vidrelo {

// A whole frame's shown shape as width : height (4:3, 16:9); 0:0 unknown.
struct TDisplayAspect {
    int32_t Width = 0;
    int32_t Height = 0;
    bool Known() const { return Width > 0 && Height > 0; }
};

// The height at which a part CH pixels high of an SW x SH frame is shown
// when the whole frame is shown at `aspect`: CH x SW / (SH x aspect),
// rounded to the nearest integer, ties to even (exactly: the aspect is a
// ratio of whole numbers). A 720x480 frame at 16:9 gives 405. Raises
// std::range_error when there is no such figure (a zero size or an unknown
// aspect).
int ShownHeight(int CH, int SW, int SH, TDisplayAspect aspect);

}  // namespace vidrelo
