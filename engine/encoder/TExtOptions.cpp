#include "engine/encoder/TExtOptions.h"

#include "engine/encoder/TextUtils.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace vidrelo {
namespace {

void ReplaceAll(std::string& AText, std::string_view AFrom, std::string_view ATo)
{
    for (std::size_t at = AText.find(AFrom); at != std::string::npos; at = AText.find(AFrom, at + ATo.size()))
        AText.replace(at, AFrom.size(), ATo);
}

bool OneOf(const std::string& AName, std::initializer_list<std::string_view> ANames)
{
    const std::string name = LowerCase(AName);
    return std::find(ANames.begin(), ANames.end(), name) != ANames.end();
}

// The per-stream settings: the list name, and where the record keeps it.
struct TStreamSetting {
    const char* Name;
    std::string TOutputOptions::*Field;
};

constexpr std::array<TStreamSetting, 8> StreamSettings{{
    {"acodec", &TOutputOptions::AudioCodec},
    {"vcodec", &TOutputOptions::VideoCodec},
    {"scodec", &TOutputOptions::SubtitleCodec},
    {"apre", &TOutputOptions::AudioPreset},
    {"vpre", &TOutputOptions::VideoPreset},
    {"spre", &TOutputOptions::SubtitlePreset},
    {"s", &TOutputOptions::FrameSize},
    {"vf", &TOutputOptions::VideoFilters},
}};

}  // namespace

std::vector<TExtOption> ParseExtOptions(const std::string& AText)
{
    std::string text = Trim(AText);
    ReplaceAll(text, "\r\n", "\n");
    ReplaceAll(text, "\r", "\n");
    ReplaceAll(text, "<CRLF>", "\n");
    std::vector<TExtOption> lines;
    if (text.empty())
        return lines;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find('\n', start);
        const std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        // Names are matched in lower case everywhere ("VCodec" is "vcodec");
        // values go on as written.
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos)
            lines.push_back({LowerCase(line), ""});
        else
            lines.push_back({LowerCase(line.substr(0, eq)), line.substr(eq + 1)});
        if (end == std::string::npos)
            return lines;
        start = end + 1;
    }
}

bool IgnoredInputOption(const std::string& AName)
{
    return OneOf(AName, {"newvideo", "newaudio", "newsubtitle", "apre", "vpre", "spre", "vfilters", "vf"});
}

bool IgnoredOutputOption(const std::string& AName)
{
    return IgnoredInputOption(AName) || OneOf(AName, {"acodec", "vcodec", "scodec", "s"});
}

bool StreamCreatingOption(const std::string& AName)
{
    return OneOf(AName, {"newvideo", "newaudio", "newsubtitle"});
}

TStreamOptionList::TStreamOptionList(const TOutputOptions& AOptions, const std::vector<TExtOption>& ALines)
{
    for (const TStreamSetting& setting : StreamSettings)
        if (!(AOptions.*setting.Field).empty())
            Add(std::string("def_") + setting.Name, AOptions.*setting.Field);
    for (const TExtOption& line : ALines) {
        std::string name = LowerCase(line.Name);
        if (name == "vfilters")
            name = "vf";
        const bool perStream = std::any_of(StreamSettings.begin(), StreamSettings.end(),
                                           [&](const TStreamSetting& s) { return name == s.Name; });
        if (!perStream || line.Value.empty())
            continue;
        Add(name, line.Value);
        if (!Find("def_" + name))
            Add("def_" + name, line.Value);
    }
}

std::string TStreamOptionList::Default(const std::string& AName) const
{
    const std::string* value = Find("def_" + AName);
    return value ? *value : std::string();
}

std::string TStreamOptionList::Take(const std::string& AName)
{
    const auto entry = std::find_if(FEntries.begin(), FEntries.end(), [&](const auto& e) { return e.first == AName; });
    if (entry == FEntries.end())
        return Default(AName);
    std::string value = std::move(entry->second);
    FEntries.erase(entry);
    return value;
}

void TStreamOptionList::Add(const std::string& AName, const std::string& AValue)
{
    FEntries.emplace_back(AName, AValue);
}

const std::string* TStreamOptionList::Find(const std::string& AName) const
{
    const auto entry = std::find_if(FEntries.begin(), FEntries.end(), [&](const auto& e) { return e.first == AName; });
    return entry == FEntries.end() ? nullptr : &entry->second;
}

}  // namespace vidrelo
