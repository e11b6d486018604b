#pragma once
// The engine's own video filters ("native" filters).
//
// libavfilter cannot take filters from outside, so a filter chain that names
// one of ours is cut into libavfilter segments and native stages
// (FilterChainText.h); a native stage changes each frame the previous segment
// produced in place, slice by slice, and hands it on to the next segment.
//
// A definition is one long-lived record per filter (TNativeFilterRegistry
// keeps a pointer to it for the whole run). Its factory makes an instance from
// the option text that follows "=" in the chain; an instance belongs to one
// chain and is used by the one thread that runs that chain.
#include "engine/loader/MediaHeaders.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vidrelo {

class TNativeFilterInstance;
struct TNativeFilterDefinition;

// What a factory hands back: an instance, or why there is none.
struct TNativeFilterCreated {
    std::unique_ptr<TNativeFilterInstance> Instance;  // null when initialisation failed
    int ErrorCode = 0;                                // a negative AVERROR code then
    std::string ErrorText;
};

using TNativeFilterFactory =
    std::function<TNativeFilterCreated(const TNativeFilterDefinition& definition, const std::string& options)>;

struct TNativeFilterDefinition {
    std::string Name;
    std::string Description;
    // The pixel formats an instance processes, in the filter's order of preference.
    std::vector<AVPixelFormat> PixelFormats;
    TNativeFilterFactory Factory;

    bool Accepts(int format) const;
    // Runs the factory with this definition; a missing factory is a failure,
    // not a crash.
    TNativeFilterCreated Create(const std::string& options) const;
};

// One filter of one chain. Processing is in place: a frame whose buffers are
// shared with another reference is made writable first (a copy), so that
// pictures the decoder still refers to are never changed behind its back.
class TNativeFilterInstance {
public:
    explicit TNativeFilterInstance(const TNativeFilterDefinition& definition);
    virtual ~TNativeFilterInstance() = default;
    TNativeFilterInstance(const TNativeFilterInstance&) = delete;
    TNativeFilterInstance& operator=(const TNativeFilterInstance&) = delete;

    const TNativeFilterDefinition& Definition() const { return FDefinition; }

    // Runs the filter over rows [y, y + h) of `frame`. 0, or a negative
    // AVERROR code with LastErrMsg when the frame is refused (a format the
    // filter does not accept, rows outside the picture, missing planes); a
    // refused frame is left as it was.
    int ProcessSlice(AVFrame* frame, int y, int h);
    // The whole picture as one slice: rows [0, height).
    int ProcessFrame(AVFrame* frame);
    const std::string& LastErrMsg() const { return FLastErrMsg; }

    // The context to log with: the libraries' log shows the filter's name
    // ("[nativeeq @ 0x...]").
    void* LogContext() { return &FLogContext; }

protected:
    // Called before the first slice of a frame whose pixel format differs
    // from the previous one's; 0 or a negative AVERROR code (with a text in
    // `error`) to refuse the format.
    virtual int ConfigureFormat(const AVPixFmtDescriptor& format, std::string& error);
    // The filter's own work on rows [y, y + h) of a frame that passed every
    // check: accepted format, rows inside the picture, planes present, writable.
    virtual void Slice(AVFrame& frame, int y, int h) = 0;

private:
    // What av_log sees: an AVClass pointer first, then what its item name reads.
    struct TLogContext {
        const AVClass* Class;
        const char* Name;
    };

    int Refuse(int code, std::string text);
    int CheckFrame(const AVFrame& frame, int y, int h);
    int CheckPlanes(const AVFrame& frame, const AVPixFmtDescriptor& desc);
    int MakeWritable(AVFrame& frame);

    const TNativeFilterDefinition& FDefinition;
    TLogContext FLogContext;
    int FConfiguredFormat = AV_PIX_FMT_NONE;
    std::string FLastErrMsg;
};

}  // namespace vidrelo
