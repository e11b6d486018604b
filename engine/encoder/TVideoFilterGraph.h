#pragma once
// The video filter chain of one output stream: decoded pictures in, pictures
// for the encoder out.
//
// The chain is built from the job's filter text ("vf") like the libraries'
// own "in ... out" graph: a "src" buffer source (timestamps in microseconds)
// → a deinterlacer when asked (first, before anything the user wrote) → the
// chain's segments in order: a libavfilter graph for each run of built-in
// filters, an in-place native stage (nativeeq, nativehue, ...) for each
// native filter, with a conversion to a format the stage accepts in front of
// it when needed → an automatic scale to the encoder's size when the chain
// leaves another size → a sink that accepts only the encoder's pixel
// formats. An empty text with nothing to change still converts size and
// pixel format. Subtitles to burn in are blended after deinterlacing and
// before the user's filters (TSubtitleBurner).
//
// One thread at a time (the job's worker) uses a graph.
#include "engine/loader/MediaHeaders.h"

#include <memory>
#include <string>
#include <vector>

namespace vidrelo {

class TNativeFilterRegistry;
class TSubtitleBurner;

struct TVideoFilterGraphSetup {
    // What goes in.
    int Width = 0;
    int Height = 0;
    AVPixelFormat PixFmt = AV_PIX_FMT_NONE;
    AVRational SampleAspect{0, 1};
    AVRational FrameRate{0, 1};      // a hint for filters that need one (deinterlacers); 0/1: unknown
    // What the encoder wants.
    int OutWidth = 0;
    int OutHeight = 0;
    std::vector<AVPixelFormat> OutPixFmts;  // accepted formats, best first; empty: any
    // The chain.
    std::string FilterText;          // the job's "vf" text; may be empty
    bool Deinterlace = false;        // put a deinterlacer first
    int SwsFlags = 4;                // scaler flags for the automatic scale (bicubic)
    TSubtitleBurner* Subtitles = nullptr;  // not owned; blended before the user's filters
    const TNativeFilterRegistry* Filters = nullptr;  // the engine's own filters (null: the process's)
};

class TVideoFilterGraph {
public:
    TVideoFilterGraph();
    ~TVideoFilterGraph();
    TVideoFilterGraph(const TVideoFilterGraph&) = delete;
    TVideoFilterGraph& operator=(const TVideoFilterGraph&) = delete;

    // Builds the chain; false with `error` ("Error opening filters: " and
    // the reason) when the text does not parse or a filter refuses. A graph
    // that was configured before is torn down first.
    bool Configure(const TVideoFilterGraphSetup& setup, std::string& error);
    bool Configured() const;

    // Hands one decoded picture in (its pts in microseconds); null flushes
    // the chain at the end. Does not take `frame` over. 0 or a negative
    // media error code.
    int Push(const AVFrame* frame);
    // The next picture for the encoder (pts in microseconds): 0, or
    // AVERROR(EAGAIN) when it needs more input, AVERROR_EOF after the flush
    // has drained. `frame` is unreferenced first.
    int Pull(AVFrame* frame);
    // Why the last Push or Pull failed when a native stage or the subtitle
    // burner refused a picture; empty otherwise.
    const std::string& LastErrMsg() const;

    // What comes out (valid after Configure).
    int OutWidth() const;
    int OutHeight() const;
    AVPixelFormat OutPixFmt() const;
    AVRational OutSampleAspect() const;

private:
    struct TImpl;
    std::unique_ptr<TImpl> FImpl;
};

}  // namespace vidrelo
