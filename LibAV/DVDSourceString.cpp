#include "LibAV/DVDSourceString.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <map>

namespace vidrelo::dvddec {

namespace {

constexpr char kPrefix[] = "opendvd:";

std::string Trim(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// Decimal, or hexadecimal with a 0x prefix (stream ids are often written so).
bool ParseInt(const std::string& text, int& value)
{
    if (text.empty())
        return false;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, hex ? 16 : 10);
    if (errno != 0 || *end != '\0' || end == text.c_str() || v < INT_MIN || v > INT_MAX)
        return false;
    value = static_cast<int>(v);
    return true;
}

bool Assign(DVDSourceRequest& r, const std::string& key, int value, bool& hasTitle)
{
    static const std::map<std::string, int DVDSourceRequest::*> kFields{
        {"Title", &DVDSourceRequest::title},           {"FromChapter", &DVDSourceRequest::fromChapter},
        {"ToChapter", &DVDSourceRequest::toChapter},   {"AudioID", &DVDSourceRequest::audioId},
        {"SubtitleID", &DVDSourceRequest::subtitleId}, {"AudioChannels", &DVDSourceRequest::audioChannels},
    };
    if (key == "Deinterlace") {
        r.deinterlace = value != 0;
        return true;
    }
    const auto it = kFields.find(key);
    if (it == kFields.end())
        return false;
    r.*(it->second) = value;
    hasTitle = hasTitle || key == "Title";
    return true;
}

bool ValidAudioId(int id)
{
    return (id >= 0x80 && id <= 0x8F) || (id >= 0xA0 && id <= 0xA7) || (id >= 0xC0 && id <= 0xC7);
}

std::string CheckRanges(const DVDSourceRequest& r)
{
    if (r.title < 1)
        return "The title number must be 1 or more, not " + std::to_string(r.title) + ".";
    if (r.fromChapter < 1)
        return "FromChapter must be 1 or more, not " + std::to_string(r.fromChapter) + ".";
    if (r.toChapter != 0 && r.toChapter < r.fromChapter)
        return "The chapter range " + std::to_string(r.fromChapter) + " to " + std::to_string(r.toChapter) +
               " is empty: FromChapter is after ToChapter.";
    if (r.audioId != 0 && r.audioId != -1 && !ValidAudioId(r.audioId))
        return "AudioID " + std::to_string(r.audioId) + " is not a DVD audio stream id.";
    if (r.subtitleId != 0 && (r.subtitleId < 0x20 || r.subtitleId > 0x3F))
        return "SubtitleID " + std::to_string(r.subtitleId) + " is not a DVD subpicture stream id (32 to 63).";
    return {};
}

}  // namespace

std::optional<DVDSourceRequest> ParseDVDSource(const std::string& source, std::string& error)
{
    const std::string quoted = "\"" + source + "\"";
    if (source.compare(0, sizeof kPrefix - 1, kPrefix) != 0) {
        error = "The source " + quoted + " is not a DVD title source (it must start with \"opendvd:\").";
        return std::nullopt;
    }
    const std::size_t bar = source.rfind('|');
    if (bar == std::string::npos || bar < sizeof kPrefix - 1) {
        error = "The DVD source " + quoted + " has no settings after the path (no '|').";
        return std::nullopt;
    }
    DVDSourceRequest r;
    r.path = source.substr(sizeof kPrefix - 1, bar - (sizeof kPrefix - 1));
    if (r.path.empty()) {
        error = "The DVD source " + quoted + " names no disc.";
        return std::nullopt;
    }
    bool hasTitle = false;
    std::size_t at = bar + 1;
    while (at <= source.size()) {
        std::size_t comma = source.find(',', at);
        if (comma == std::string::npos)
            comma = source.size();
        const std::string item = source.substr(at, comma - at);
        at = comma + 1;
        if (Trim(item).empty())
            continue;
        const std::size_t eq = item.find('=');
        int value = 0;
        const std::string key = Trim(item.substr(0, eq == std::string::npos ? item.size() : eq));
        if (eq == std::string::npos || !ParseInt(Trim(item.substr(eq + 1)), value)) {
            error = "The DVD source setting \"" + item + "\" is not of the form Name=number.";
            return std::nullopt;
        }
        if (!Assign(r, key, value, hasTitle)) {
            error = "The DVD source has an unknown setting \"" + key + "\".";
            return std::nullopt;
        }
    }
    if (!hasTitle) {
        error = "The DVD source " + quoted + " names no title (Title=...).";
        return std::nullopt;
    }
    error = CheckRanges(r);
    if (!error.empty())
        return std::nullopt;
    return r;
}

}  // namespace vidrelo::dvddec
