#pragma once
// One run of libavfilter filters of a video chain, as a graph of its own:
// a buffer source "src" → the run's text (between the "in" and "out"
// labels, as the libraries' graph parser reads it) → a buffer sink "out".
// The video filter graph strings runs together with the native stages in
// between (TVideoFilterGraph). One thread at a time.
#include "engine/loader/MediaHeaders.h"

#include <string>

namespace vidrelo {

// The pictures on one side of a run.
struct TLavfiPictures {
    int Width = 0;
    int Height = 0;
    AVPixelFormat PixFmt = AV_PIX_FMT_NONE;
    AVRational SampleAspect{0, 1};
    AVRational TimeBase{1, 1000000};
    AVRational FrameRate{0, 1};  // 0/1: unknown
};

class TLavfiRun {
public:
    TLavfiRun() = default;
    ~TLavfiRun();
    TLavfiRun(const TLavfiRun&) = delete;
    TLavfiRun& operator=(const TLavfiRun&) = delete;

    // Builds and configures the graph for pictures `input`; an empty text
    // passes them on unchanged. `swsFlags` go to the scalers the libraries
    // insert for conversions. 0, or a negative media error code with the
    // reason in `error` (a filter name the libraries do not know is named).
    int Open(const TLavfiPictures& input, const std::string& text, int swsFlags, std::string& error);

    // Hands a picture in, taking its reference over (`frame` is reset);
    // null ends the input. 0 or a negative media error code.
    int Send(AVFrame* frame);
    // The next picture: 0, AVERROR(EAGAIN), or AVERROR_EOF once drained.
    int Receive(AVFrame* frame);
    bool InputEnded() const { return FInputEnded; }

    // What the sink gives (valid after a successful Open).
    TLavfiPictures Output() const;

private:
    int CreateEnds(const TLavfiPictures& input);
    int Parse(const std::string& text);
    void Close();

    AVFilterGraph* FGraph = nullptr;
    AVFilterContext* FSource = nullptr;
    AVFilterContext* FSink = nullptr;
    bool FInputEnded = false;
};

}  // namespace vidrelo
