#pragma once
// Reading a filter chain text ("nativeeq=0:10, crop=700:460:10:10,scale=640:480")
// the way libavfilter reads it, so that the engine's own filters can be cut
// out of it: the chain is split at its top-level commas, and the filters are
// grouped into segments, each either one native filter or a run of
// libavfilter filters. The graph builder runs the segments in order: a
// libavfilter graph for each run, a native stage for each native filter.
//
// Quoting follows libavfilter's graph syntax: '...' quotes (a backslash inside
// quotes is literal), a backslash escapes the next character, and [labels]
// are skipped as a whole. Only the blanks around each filter are trimmed;
// libavfilter texts are otherwise handed on exactly as they were given.
#include "engine/filter/TNativeFilterRegistry.h"

#include <string>
#include <string_view>
#include <vector>

namespace vidrelo {

struct TFilterChainSegment {
    enum TKind { Lavfi, Native };
    TKind Kind = Lavfi;
    // Lavfi: the run of filters joined with ","; Native: the option text
    // after "=", unquoted as libavfilter would ("" without "=").
    std::string Text;
    const TNativeFilterDefinition* Definition = nullptr;  // Native only
};

// One filter's text taken apart.
struct TFilterText {
    bool HasInputLabels = false;
    std::string Name;     // unquoted
    std::string Options;  // unquoted, after "="
    std::string Rest;     // whatever follows the options: output labels, ";..."
};

// The top-level filters of `chain`, each trimmed of the blanks around it,
// empty ones included; a blank chain has none. False with `error` for a
// label that is never closed.
bool SplitFilterChainText(std::string_view chain, std::vector<std::string>& filters, std::string& error);

// Takes one filter's text apart as libavfilter's graph parser does.
TFilterText ParseFilterText(std::string_view filter);

// Splits `chain` and groups its filters into segments; a filter whose name
// `registry` knows becomes a native segment. False with `error` (segments
// cleared) for an unclosed label, an empty filter, or a native filter with
// link labels or a second chain after it. A blank chain gives no segments.
bool SplitFilterChainSegments(std::string_view chain, std::vector<TFilterChainSegment>& segments,
                              std::string& error,
                              const TNativeFilterRegistry& registry = TNativeFilterRegistry::Instance());

}  // namespace vidrelo
