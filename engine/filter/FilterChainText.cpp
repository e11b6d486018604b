#include "engine/filter/FilterChainText.h"

#include <algorithm>

namespace vidrelo {
namespace {

constexpr std::string_view Blanks = " \t\r\n";
constexpr size_t NoPos = std::string_view::npos;

bool IsBlank(char c)
{
    return Blanks.find(c) != NoPos;
}

// Index after the character escaped by the backslash at `i`.
size_t SkipEscape(std::string_view text, size_t i)
{
    return std::min(i + 2, text.size());
}

// Index after the quote closing the one at `i` (the end when none does, as
// libavfilter takes an open quote to run to the end).
size_t SkipQuote(std::string_view text, size_t i)
{
    const size_t close = text.find('\'', i + 1);
    return close == NoPos ? text.size() : close + 1;
}

// Index after the ']' closing the label opened at `i`; NoPos when none does.
size_t SkipLabel(std::string_view text, size_t i)
{
    for (size_t j = i + 1; j < text.size();) {
        if (text[j] == '\\')
            j = SkipEscape(text, j);
        else if (text[j] == '\'')
            j = SkipQuote(text, j);
        else if (text[j] == ']')
            return j + 1;
        else
            ++j;
    }
    return NoPos;
}

void SkipBlanks(std::string_view text, size_t& pos)
{
    while (pos < text.size() && IsBlank(text[pos]))
        ++pos;
}

// Reads up to a character of `terms` met outside quotes and escapes, as
// libavfilter reads a token: leading blanks skipped, quotes and escapes
// removed, and trailing blanks dropped unless they were quoted or escaped.
std::string ReadToken(std::string_view text, size_t& pos, std::string_view terms)
{
    SkipBlanks(text, pos);
    std::string out;
    size_t kept = 0;  // trailing blanks before this length were quoted or escaped
    while (pos < text.size() && terms.find(text[pos]) == NoPos) {
        const char c = text[pos++];
        if (c == '\\' && pos < text.size()) {
            out += text[pos++];
            kept = out.size();
        } else if (c == '\'') {
            while (pos < text.size() && text[pos] != '\'')
                out += text[pos++];
            if (pos < text.size())
                ++pos;
            kept = out.size();
        } else {
            out += c;
        }
    }
    while (out.size() > kept && IsBlank(out.back()))
        out.pop_back();
    return out;
}

void AppendLavfi(std::vector<TFilterChainSegment>& segments, const std::string& filter)
{
    if (!segments.empty() && segments.back().Kind == TFilterChainSegment::Lavfi) {
        segments.back().Text += ',';
        segments.back().Text += filter;
        return;
    }
    segments.push_back({TFilterChainSegment::Lavfi, filter, nullptr});
}

std::string Quoted(std::string_view text)
{
    return "\"" + std::string(text) + "\"";
}

}  // namespace

bool SplitFilterChainText(std::string_view chain, std::vector<std::string>& filters, std::string& error)
{
    filters.clear();
    if (chain.find_first_not_of(Blanks) == NoPos)
        return true;
    size_t begin = NoPos;  // first character of the current filter that is not a blank
    size_t end = 0;        // just after its last one
    auto finishFilter = [&] {
        filters.emplace_back(begin == NoPos ? std::string_view() : chain.substr(begin, end - begin));
        begin = NoPos;
    };
    for (size_t i = 0; i < chain.size();) {
        const char c = chain[i];
        if (c == ',' || IsBlank(c)) {
            if (c == ',')
                finishFilter();
            ++i;
            continue;
        }
        size_t next = i + 1;
        if (c == '\\')
            next = SkipEscape(chain, i);
        else if (c == '\'')
            next = SkipQuote(chain, i);
        else if (c == '[' && (next = SkipLabel(chain, i)) == NoPos) {
            error = "Unterminated link label in the filter chain " + Quoted(chain);
            filters.clear();
            return false;
        }
        if (begin == NoPos)
            begin = i;
        end = i = next;
    }
    finishFilter();
    return true;
}

TFilterText ParseFilterText(std::string_view filter)
{
    TFilterText parsed;
    size_t pos = 0;
    for (SkipBlanks(filter, pos); pos < filter.size() && filter[pos] == '['; SkipBlanks(filter, pos)) {
        const size_t next = SkipLabel(filter, pos);
        parsed.HasInputLabels = true;
        pos = next == NoPos ? filter.size() : next;
    }
    parsed.Name = ReadToken(filter, pos, "=,;[");
    if (pos < filter.size() && filter[pos] == '=') {
        ++pos;
        parsed.Options = ReadToken(filter, pos, "[],;");
    }
    SkipBlanks(filter, pos);
    parsed.Rest = filter.substr(pos);
    return parsed;
}

bool SplitFilterChainSegments(std::string_view chain, std::vector<TFilterChainSegment>& segments, std::string& error,
                              const TNativeFilterRegistry& registry)
{
    segments.clear();
    std::vector<std::string> filters;
    if (!SplitFilterChainText(chain, filters, error))
        return false;
    for (const std::string& filter : filters) {
        if (filter.empty()) {
            error = "Empty filter in the filter chain " + Quoted(chain);
            segments.clear();
            return false;
        }
        const TFilterText parsed = ParseFilterText(filter);
        const TNativeFilterDefinition* definition = registry.Find(parsed.Name);
        if (!definition) {
            AppendLavfi(segments, filter);
            continue;
        }
        if (parsed.HasInputLabels || !parsed.Rest.empty()) {
            error = "The native filter " + parsed.Name + " cannot have link labels or anything after its options: " +
                    Quoted(filter);
            segments.clear();
            return false;
        }
        segments.push_back({TFilterChainSegment::Native, parsed.Options, definition});
    }
    return true;
}

}  // namespace vidrelo
