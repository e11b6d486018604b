#include "engine/player/PlayerSpectrum.h"

#include "engine/loader/AVBindings.h"

#include <algorithm>
#include <cmath>

namespace vidrelo {

TSpectrum::~TSpectrum()
{
    if (FContext)
        ff::av_tx_uninit(&FContext);
}

void TSpectrum::Resize(int width, int height)
{
    FWidth = std::max(1, width);
    FHeight = std::max(1, height);
    FColumn = 0;
    FPixels.assign(size_t(FWidth) * FHeight, 0xff000000u);
}

// A transform of twice as many samples as the picture has rows, so every
// row is a frequency of its own.
bool TSpectrum::SetupTransform()
{
    int bits = 1;
    while ((1 << bits) < 2 * FHeight)
        ++bits;
    if (FContext && bits == FBits)
        return true;
    if (FContext)
        ff::av_tx_uninit(&FContext);
    const float scale = 1.0f;
    if (ff::av_tx_init(&FContext, &FTransform, AV_TX_FLOAT_RDFT, 0, 1 << bits, &scale, AV_TX_UNALIGNED) < 0) {
        FContext = nullptr;
        return false;
    }
    FBits = bits;
    FIn.resize(size_t(1) << bits);
    FOut.resize((size_t(1) << (bits - 1)) + 1);
    return true;
}

// The level of each frequency of one channel: the samples are windowed so
// the ends of the stretch do not smear over all frequencies.
void TSpectrum::Transform(const std::vector<int16_t>& samples, size_t end, int channels, int channel,
                          std::vector<float>& level)
{
    const int frequencies = 1 << (FBits - 1);
    const size_t n = samples.size();
    const size_t count = FIn.size();
    for (size_t i = 0; i < count; ++i) {
        const size_t back = (count - i) * channels - channel;
        const float w = float(int(i) - frequencies) / frequencies;
        FIn[i] = samples[(end + n - back % n) % n] * (1.0f - w * w);
    }
    FTransform(FContext, FOut.data(), FIn.data(), sizeof(float));
    const double weight = 1.0 / std::sqrt(double(frequencies));
    level.resize(frequencies);
    for (int k = 0; k < frequencies; ++k) {
        const double magnitude = std::hypot(FOut[k].re, FOut[k].im);
        level[k] = float(std::min(255.0, std::sqrt(weight * magnitude)));
    }
}

bool TSpectrum::AddColumn(const std::vector<int16_t>& samples, size_t end, int channels)
{
    if (FPixels.empty() || samples.empty() || channels <= 0)
        return false;
    const int x = FColumn;
    FColumn = (FColumn + 1) % FWidth;
    for (int y = 0; y < FHeight; ++y)
        FPixels[size_t(y) * FWidth + x] = 0xff000000u;
    if (!SetupTransform())
        return false;
    std::vector<float> first, second;
    Transform(samples, end, channels, 0, first);
    if (channels > 1)
        Transform(samples, end, channels, 1, second);
    else
        second = first;
    const int rows = std::min<int>(FHeight, int(first.size()));
    for (int k = 0; k < rows; ++k) {
        const auto a = uint32_t(first[k]), b = uint32_t(second[k]);
        FPixels[size_t(FHeight - 1 - k) * FWidth + x] = 0xff000000u | a << 16 | b << 8 | (a + b) / 2;
    }
    return true;
}

}  // namespace vidrelo
