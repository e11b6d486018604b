#include "engine/log/TLogLevel.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <cctype>
#include <string_view>

namespace vidrelo {
namespace {

constexpr const char* LevelNames[] = {"quiet", "panic", "fatal", "error", "warning", "info", "verbose", "debug"};

bool SameNameIgnoringCase(const std::string& arg, std::string_view name)
{
    return arg.size() == name.size() && std::equal(arg.begin(), arg.end(), name.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == b;
           });
}

}  // namespace

int LogLevelToAV(TLogLevel level)
{
    return (static_cast<int>(level) - 1) * 8;
}

TLogLevel AVToLogLevel(int avLevel)
{
    // Integer division truncates toward zero, so -7 .. 7 all land on llPanic.
    const int ordinal = avLevel / 8 + 1;
    return static_cast<TLogLevel>(std::clamp(ordinal, static_cast<int>(llQuiet), static_cast<int>(llDebug)));
}

const char* LogLevelName(TLogLevel level)
{
    return LevelNames[std::clamp(static_cast<int>(level), 0, static_cast<int>(std::size(LevelNames)) - 1)];
}

std::optional<TLogLevel> LogLevelFromOption(const std::string& arg)
{
    for (int i = 0; i < static_cast<int>(std::size(LevelNames)); ++i) {
        if (SameNameIgnoringCase(arg, LevelNames[i]))
            return static_cast<TLogLevel>(i);
    }
    int value = 0;
    const char* first = arg.data();
    const char* last = first + arg.size();
    const auto [end, error] = std::from_chars(first, last, value);
    if (arg.empty() || error != std::errc() || end != last)
        return std::nullopt;
    return AVToLogLevel(value);
}

}  // namespace vidrelo
