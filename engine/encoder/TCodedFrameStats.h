#pragma once
// What a video encoder tells about the pictures it coded, read from each
// packet's quality side data: the quality and picture type of the last one,
// a histogram of the quantisers used ("qphist"), and, when the encoder was
// asked to measure it ("psnr"), each plane's squared error, from which the
// report line and the statistics file give the peak signal-to-noise ratio.
#include "engine/loader/MediaHeaders.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace vidrelo {

class TCodedFrameStats {
public:
    // Takes one coded picture's side data (AV_PKT_DATA_QUALITY_STATS): its
    // quality (32 bits), picture type, how many error sums follow and, from
    // byte 8 on, one 64-bit squared error per plane, all little-endian.
    void Add(const uint8_t* AData, std::size_t ASize);

    int LastQuality() const { return FLastQuality; }  // lambda units; -1: none yet
    char LastPictureType() const { return FLastType; }  // 'I', 'P', 'B', ...; '?' unknown
    // 32 hexadecimal digits, one per quantiser 0..31: the binary logarithm
    // of one more than the number of pictures coded with it.
    std::string Histogram() const;
    // "PSNR=Y:%2.2f U:%2.2f V:%2.2f *:%2.2f " for the last picture, or over
    // every measured picture (ATotal); empty when nothing was measured.
    std::string PsnrText(int AWidth, int AHeight, AVPixelFormat AFormat, bool ATotal) const;
    // The last picture's luma PSNR; NAN when it was not measured.
    double LastLumaPsnr(int AWidth, int AHeight) const;

private:
    int FLastQuality = -1;
    char FLastType = '?';
    std::array<int, 32> FHistogram{};
    int FPlanes = 0;                          // error sums the last picture carried
    std::array<double, 3> FLastError{};
    std::array<double, 3> FTotalError{};
    int FMeasured = 0;                        // pictures that carried error sums
};

}  // namespace vidrelo
