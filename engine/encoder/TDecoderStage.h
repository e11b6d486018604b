#pragma once
// Decoding one input stream: packets in, pictures, samples or subtitles out,
// each with its time on the job's clock: its own, or predicted from the
// last one's length when it has none; each frame's time and length predict
// the next.
//
// Threads: the job's thread.
#include "engine/loader/MediaHeaders.h"

#include <functional>

namespace vidrelo {

struct TAVInputStream;

class TDecoderStage {
public:
    // A decoded frame and its time in microseconds; the sink may change the
    // frame but not keep it.
    using TFrameSink = std::function<void(AVFrame* AFrame, int64_t ATime)>;
    // A decoded subtitle and its packet's time in microseconds.
    using TSubtitleSink = std::function<void(const AVSubtitle& ASubtitle, int64_t ATime)>;

    // AStream's decoder is open; the record outlives the stage.
    explicit TDecoderStage(TAVInputStream& AStream);
    ~TDecoderStage();
    TDecoderStage(const TDecoderStage&) = delete;
    TDecoderStage& operator=(const TDecoderStage&) = delete;

    // Decodes a packet, or drains the decoder (null), handing each frame to
    // ASink; 0, or the libraries' (negative) error code.
    int Decode(const AVPacket* APacket, const TFrameSink& ASink);
    int DecodeSubtitle(const AVPacket* APacket, const TSubtitleSink& ASink);
    // What the decoder holds is dropped (a looped input starts over).
    void Reset();

private:
    int Receive(const TFrameSink& ASink);
    int64_t Stamp(const AVFrame& AFrame);

    TAVInputStream& FStream;
    AVFrame* FFrame = nullptr;
};

}  // namespace vidrelo
