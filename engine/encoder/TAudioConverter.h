#pragma once
// The audio path of one output stream: decoded frames of any sample format,
// rate and channel layout in; frames for the encoder out, in its format,
// rate and layout and of exactly its frame size (the last one may be
// shorter), with the job's volume applied.
//
// Resampling and format conversion go through libswresample, and only when
// something differs (or sync compensation is on); a FIFO cuts the result
// into encoder-sized frames. One thread at a time (the job's worker).
//
// Typical use: Configure once; per decoded frame Push it, then Pull until
// AVERROR(EAGAIN); at the end Push(nullptr) and Pull until AVERROR_EOF.
#include "engine/loader/MediaHeaders.h"

#include <cstdint>
#include <memory>
#include <string>

namespace vidrelo {

struct TAudioConverterSetup {
    // What goes in (from the decoder; may change later, see Push).
    int InSampleRate = 0;
    AVSampleFormat InSampleFmt = AV_SAMPLE_FMT_NONE;
    AVChannelLayout InLayout{};   // copied
    // What the encoder wants.
    int OutSampleRate = 0;
    AVSampleFormat OutSampleFmt = AV_SAMPLE_FMT_NONE;
    AVChannelLayout OutLayout{};  // copied
    int FrameSize = 0;            // samples per encoder frame; 0: any (variable frame size)
    // The job's settings.
    int Volume = 256;             // "vol": 256 unchanged; 16-bit samples clip at -32768..32767,
                                  // other formats are scaled equivalently (applied once, to
                                  // the samples of the frames Pull gives)
    int SyncMethod = 0;           // "async": above 1 the converter keeps sync by itself from
                                  // the frames' pts (the rate is stretched by up to SyncMethod
                                  // samples a second; beyond DriftThreshold samples are padded or
                                  // dropped);
                                  // 0 and 1 leave it to the run (Compensate)
    double DriftThreshold = 0.1;  // "adrift_threshold": with SyncMethod above 1, seconds of drift
                                  // beyond which samples are padded or dropped
};

class TAudioConverter {
public:
    TAudioConverter();
    ~TAudioConverter();
    TAudioConverter(const TAudioConverter&) = delete;
    TAudioConverter& operator=(const TAudioConverter&) = delete;

    // False with `error` when the resampler cannot be set up.
    bool Configure(const TAudioConverterSetup& setup, std::string& error);

    // Hands one decoded frame in (pts in microseconds, or AV_NOPTS_VALUE);
    // null flushes at the end. A frame whose format, rate or layout differs
    // from the last one reconfigures the input side. 0 or a negative code.
    int Push(const AVFrame* frame);
    // Asks for `samples` (at the output rate) of silence to be inserted
    // (positive) or dropped (negative) before the next pushed frame, for
    // sync ("async" 1). Calls add up until that frame. A drop takes at most
    // that frame's samples; the run measures the drift again at the next one.
    // Before the first frame of a segment, this moves the start: the first
    // frame's own samples keep the time its pts gives them.
    void Compensate(int samples);
    // The next encoder frame (pts in samples of the output rate, counted
    // from the first sample that went in, offset by the first frame's pts):
    // 0, AVERROR(EAGAIN) when more input is needed, AVERROR_EOF after the
    // flush has drained. `frame` is unreferenced first.
    int Pull(AVFrame* frame);

    // Starts over for a new segment (join mode): empties the FIFO and the
    // resampler's delay, keeps the configuration; the next frame pushed sets
    // the pts again.
    void Reset();

    // The output pts the next pushed sample will get, after what waits in
    // the FIFO and the resampler (the run's sync measures the drift against
    // it); AV_NOPTS_VALUE before the first frame of a segment.
    int64_t NextInputPts() const;
    // Why the last Push or Pull failed.
    const std::string& LastError() const;

private:
    struct TImpl;
    std::unique_ptr<TImpl> FImpl;
};

}  // namespace vidrelo
