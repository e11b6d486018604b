#pragma once
// The spectrum display of a source without video: a picture that scrolls
// one column per refresh, each column the frequencies of the newest samples
// (low at the bottom), bright where the sound is loud. The first channel
// colours red, the second green, blue their mean.
#include "engine/loader/MediaHeaders.h"

#include <cstdint>
#include <vector>

namespace vidrelo {

class TSpectrum {
public:
    TSpectrum() = default;
    TSpectrum(const TSpectrum&) = delete;
    TSpectrum& operator=(const TSpectrum&) = delete;
    ~TSpectrum();

    // Starts afresh on a picture of this size (black).
    void Resize(int width, int height);
    // Paints the next column from the samples of `channels` interleaved
    // channels that end at `end` in the ring `samples`. False when the
    // transform cannot be set up (the column stays black).
    bool AddColumn(const std::vector<int16_t>& samples, size_t end, int channels);
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    const std::vector<uint32_t>& Pixels() const { return FPixels; }  // 0xffRRGGBB, top row first
    int NextColumn() const { return FColumn; }

private:
    bool SetupTransform();
    void Transform(const std::vector<int16_t>& samples, size_t end, int channels, int channel, std::vector<float>& level);

    int FWidth = 0, FHeight = 0, FColumn = 0;
    int FBits = 0;  // the transform takes 2^FBits samples, 2^(FBits-1) frequencies
    std::vector<uint32_t> FPixels;
    AVTXContext* FContext = nullptr;
    av_tx_fn FTransform = nullptr;
    std::vector<float> FIn;
    std::vector<AVComplexFloat> FOut;
};

}  // namespace vidrelo
