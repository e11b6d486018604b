#pragma once
// Audio frames for the converter's tests: made from a formula, read back as
// numbers, and everything a converter gives collected in one place.
#include "engine/encoder/TAudioConverter.h"
#include "engine/loader/AVBindings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <numbers>
#include <vector>

namespace vidrelo::test {

struct TFrameFree {
    void operator()(AVFrame* frame) const { ff::av_frame_free(&frame); }
};
using TFramePtr = std::unique_ptr<AVFrame, TFrameFree>;

inline AVChannelLayout Layout(int channels)
{
    AVChannelLayout layout{};
    ff::av_channel_layout_default(&layout, channels);
    return layout;
}

// Where sample `index` of `channel` lies, and its format without planes.
inline uint8_t* SampleAt(const AVFrame& frame, int channel, int index, AVSampleFormat& packed)
{
    const auto format = static_cast<AVSampleFormat>(frame.format);
    packed = ff::av_get_packed_sample_fmt(format);
    const int size = ff::av_get_bytes_per_sample(format);
    const int channels = frame.ch_layout.nb_channels;
    if (packed != format)
        return frame.extended_data[channel] + static_cast<size_t>(index) * size;
    return frame.extended_data[0] + (static_cast<size_t>(index) * channels + channel) * size;
}

// Full scale is 1.0 in every format.
inline double Sample(const AVFrame& frame, int channel, int index)
{
    AVSampleFormat packed;
    const uint8_t* at = SampleAt(frame, channel, index, packed);
    int16_t s16;
    int32_t s32;
    float flt;
    double dbl;
    switch (packed) {
    case AV_SAMPLE_FMT_S16: std::memcpy(&s16, at, 2); return s16 / 32768.0;
    case AV_SAMPLE_FMT_S32: std::memcpy(&s32, at, 4); return s32 / 2147483648.0;
    case AV_SAMPLE_FMT_FLT: std::memcpy(&flt, at, 4); return flt;
    case AV_SAMPLE_FMT_DBL: std::memcpy(&dbl, at, 8); return dbl;
    default: ADD_FAILURE() << "no test support for sample format " << frame.format; return 0;
    }
}

inline void SetSample(AVFrame& frame, int channel, int index, double value)
{
    AVSampleFormat packed;
    uint8_t* at = SampleAt(frame, channel, index, packed);
    const auto s16 = static_cast<int16_t>(std::lround(std::clamp(value * 32768, -32768.0, 32767.0)));
    const auto flt = static_cast<float>(value);
    switch (packed) {
    case AV_SAMPLE_FMT_S16: std::memcpy(at, &s16, 2); break;
    case AV_SAMPLE_FMT_FLT: std::memcpy(at, &flt, 4); break;
    case AV_SAMPLE_FMT_DBL: std::memcpy(at, &value, 8); break;
    default: ADD_FAILURE() << "no test support for sample format " << frame.format;
    }
}

using TWave = std::function<double(int channel, int64_t index)>;

// A frame of `samples` samples whose sample `index` (counted over the whole
// stream from `first`) is wave(channel, first + index); pts in microseconds.
inline TFramePtr BlankFrame(AVSampleFormat format, int rate, int channels, int samples)
{
    TFramePtr frame(ff::av_frame_alloc());
    frame->format = format;
    frame->sample_rate = rate;
    frame->nb_samples = samples;
    ff::av_channel_layout_default(&frame->ch_layout, channels);
    EXPECT_EQ(ff::av_frame_get_buffer(frame.get(), 0), 0);
    return frame;
}

inline TFramePtr MakeFrame(AVSampleFormat format, int rate, int channels, int samples, int64_t pts, int64_t first,
                           const TWave& wave)
{
    TFramePtr frame = BlankFrame(format, rate, channels, samples);
    frame->pts = pts;
    for (int c = 0; c < channels; ++c)
        for (int i = 0; i < samples; ++i)
            SetSample(*frame, c, i, wave(c, first + i));
    return frame;
}

inline TWave Sine(double hz, int rate, double amplitude = 0.5)
{
    return [=](int, int64_t index) { return amplitude * std::sin(2 * std::numbers::pi * hz * index / rate); };
}

// What a converter gave: the size and pts of each frame, and every
// channel's samples one after the other.
struct TConverted {
    std::vector<int> Sizes;
    std::vector<int64_t> Pts;
    std::vector<std::vector<double>> Channels;
    std::vector<uint8_t> Bytes;  // packed formats: the frames' data back to back
    int Format = -1;
    int Rate = 0;
    int ChannelCount = 0;
    size_t Total() const { return Channels.empty() ? 0 : Channels[0].size(); }

    void Add(const AVFrame& frame)
    {
        Sizes.push_back(frame.nb_samples);
        Pts.push_back(frame.pts);
        Format = frame.format;
        Rate = frame.sample_rate;
        ChannelCount = frame.ch_layout.nb_channels;
        Channels.resize(ChannelCount);
        for (int c = 0; c < ChannelCount; ++c)
            for (int i = 0; i < frame.nb_samples; ++i)
                Channels[c].push_back(Sample(frame, c, i));
        const auto format = static_cast<AVSampleFormat>(frame.format);
        if (ff::av_get_packed_sample_fmt(format) != format)
            return;
        const int bytes = frame.nb_samples * ChannelCount * ff::av_get_bytes_per_sample(format);
        Bytes.insert(Bytes.end(), frame.extended_data[0], frame.extended_data[0] + bytes);
    }
};

// Pulls until the converter wants more (or has ended); returns the last code.
inline int PullAll(TAudioConverter& converter, TConverted& out)
{
    TFramePtr frame(ff::av_frame_alloc());
    int code;
    while ((code = converter.Pull(frame.get())) == 0)
        out.Add(*frame);
    return code;
}

// The tone's frequency from the rising zero crossings between the first
// and the last one.
inline double ToneFrequency(const std::vector<double>& samples, int rate)
{
    int64_t first = -1, last = -1, crossings = 0;
    for (size_t i = 1; i < samples.size(); ++i)
        if (samples[i - 1] < 0 && samples[i] >= 0) {
            if (first < 0)
                first = static_cast<int64_t>(i);
            last = static_cast<int64_t>(i);
            ++crossings;
        }
    return crossings < 2 ? 0 : (crossings - 1) * static_cast<double>(rate) / static_cast<double>(last - first);
}

}  // namespace vidrelo::test
