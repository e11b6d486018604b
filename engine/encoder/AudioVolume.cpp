#include "engine/encoder/AudioVolume.h"

#include "engine/loader/AVBindings.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

namespace vidrelo {
namespace {

// Integer samples: the arithmetic runs in `Wide`, so the product never
// overflows before it is clipped. Unsigned 8-bit samples centre on 128.
template <typename T, typename Wide>
void ScaleIntegers(uint8_t* data, size_t count, int volume, Wide zero)
{
    constexpr Wide low = std::numeric_limits<T>::min();
    constexpr Wide high = std::numeric_limits<T>::max();
    for (size_t i = 0; i < count; ++i) {
        T sample;
        std::memcpy(&sample, data + i * sizeof(T), sizeof(T));
        const Wide scaled = ((static_cast<Wide>(sample) - zero) * volume + 128) / 256 + zero;
        sample = static_cast<T>(std::clamp(scaled, low, high));
        std::memcpy(data + i * sizeof(T), &sample, sizeof(T));
    }
}

template <typename T>
void ScaleFloats(uint8_t* data, size_t count, int volume)
{
    const T factor = static_cast<T>(volume) / 256;
    for (size_t i = 0; i < count; ++i) {
        T sample;
        std::memcpy(&sample, data + i * sizeof(T), sizeof(T));
        sample = std::clamp(sample * factor, T(-1), T(1));
        std::memcpy(data + i * sizeof(T), &sample, sizeof(T));
    }
}

void ScalePlane(uint8_t* data, size_t count, AVSampleFormat packed, int volume)
{
    switch (packed) {
    case AV_SAMPLE_FMT_U8: ScaleIntegers<uint8_t, int32_t>(data, count, volume, 128); break;
    case AV_SAMPLE_FMT_S16: ScaleIntegers<int16_t, int32_t>(data, count, volume, 0); break;
    case AV_SAMPLE_FMT_S32: ScaleIntegers<int32_t, int64_t>(data, count, volume, 0); break;
    case AV_SAMPLE_FMT_S64: ScaleIntegers<int64_t, __int128>(data, count, volume, 0); break;
    case AV_SAMPLE_FMT_FLT: ScaleFloats<float>(data, count, volume); break;
    case AV_SAMPLE_FMT_DBL: ScaleFloats<double>(data, count, volume); break;
    default: break;
    }
}

}  // namespace

void ApplyAudioVolume(AVFrame* frame, int volume)
{
    if (volume == UnchangedAudioVolume || !frame || frame->nb_samples <= 0)
        return;
    const auto format = static_cast<AVSampleFormat>(frame->format);
    const AVSampleFormat packed = ff::av_get_packed_sample_fmt(format);
    const int channels = frame->ch_layout.nb_channels;
    const bool planar = packed != format;
    const int planes = planar ? channels : 1;
    const size_t perPlane = static_cast<size_t>(frame->nb_samples) * (planar ? 1 : channels);
    for (int p = 0; p < planes; ++p)
        ScalePlane(frame->extended_data[p], perPlane, packed, volume);
}

}  // namespace vidrelo
