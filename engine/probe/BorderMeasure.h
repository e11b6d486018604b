#pragma once
// The arithmetic of border detection, apart from decoding: which edges of
// one picture's luma plane are black, and what the pictures of a source
// agree on.
#include "engine/probe/BorderDetect.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace vidrelo {

// An 8-bit luma plane as a decoder gives it.
struct TLumaPicture {
    const uint8_t* Data = nullptr;
    int Stride = 0;
    int Width = 0;
    int Height = 0;
    bool FullRange = false;  // black at 0 rather than at 16
};

// The black bars of one picture, not yet rounded. Nothing when the picture
// gives no evidence: it is dark all over (a fade, a night scene with a
// small bright object) or what is left of it would be less than a quarter
// of the frame.
std::optional<TBorderMargins> MeasurePicture(const TLumaPicture& picture);

// What every measured picture agrees on (the smallest margin at each edge),
// made even by moving each edge outwards, toward the picture. No margins
// when there was no evidence at all.
TBorderMargins CombineMargins(const std::vector<TBorderMargins>& measured);

}  // namespace vidrelo
