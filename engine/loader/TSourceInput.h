#pragma once
// Opening a media input by name, as every engine component does: a name the
// source protocol registry knows ("opendvd:...") is read through its opener,
// wrapped in an AVIOContext; any other name goes to the libraries' own
// protocols. Streams the opener announces but the probe did not meet (a DVD
// subtitle whose first packet comes late) are added before the caller sees
// the context.
#include "engine/loader/TSourceProtocols.h"

#include <string>

struct AVDictionary;
struct AVFormatContext;
struct AVInputFormat;

namespace vidrelo {

struct TSourceInputResult {
    int Code = 0;          // 0, or the libraries' negative error code
    std::string Error;     // why it failed: the opener's text or the libraries' "name: message"
    bool FromSource = false;  // read through a registered opener
    TSourceHints Hints;    // the opener's hints (empty for other names)
};

// Opens `url` into `*context`, which the caller allocated (and gave its
// interrupt callback and input parameters); on failure the libraries free it
// and set it to null, as avformat_open_input does. `forced` may be null: a
// source's hinted format is used then. `options` as avformat_open_input.
TSourceInputResult OpenSourceInput(AVFormatContext** context, const std::string& url, const AVInputFormat* forced,
                                   AVDictionary** options);

// Adds a stream for every hinted stream the context does not have yet (by
// AVStream::id), typed from the hint's codec; the demuxer then fills it when
// its packets arrive. Every DVD subtitle stream without extradata (added
// here or found by the demuxer) then gets the hinted subtitle palette, as
// the text the decoder reads. Returns how many streams were added.
int AddHintedStreams(AVFormatContext* context, const TSourceHints& hints);

// What the registered source under an input opened by OpenSourceInput
// reported going wrong (sectors it skipped, what that lost); "" for inputs
// the libraries opened themselves.
std::string SourceInputProblems(AVFormatContext* context);

// Closes an input opened by OpenSourceInput, its byte source included, and
// sets `*context` to null. Null is fine.
void CloseSourceInput(AVFormatContext** context);

}  // namespace vidrelo
