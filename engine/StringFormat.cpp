#include "engine/StringFormat.h"

#include "engine/CLocale.h"

#include <cstdarg>
#include <cstdio>

namespace vidrelo {

void AppendFormatV(std::string& out, const char* format, va_list args)
{
    const TCLocaleScope numbers;
    va_list sizing;
    va_copy(sizing, args);
    const int length = std::vsnprintf(nullptr, 0, format, sizing);
    va_end(sizing);
    if (length <= 0)
        return;
    const std::size_t start = out.size();
    out.resize(start + static_cast<std::size_t>(length));
    va_list writing;
    va_copy(writing, args);
    std::vsnprintf(out.data() + start, static_cast<std::size_t>(length) + 1, format, writing);
    va_end(writing);
}

std::string Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text;
    AppendFormatV(text, format, args);
    va_end(args);
    return text;
}

std::string ClockTime(int64_t microseconds)
{
    const long long seconds = microseconds / 1000000;
    return Format("%.2lld:%.2lld:%.2lld", seconds / 3600, seconds / 60 % 60, seconds % 60);
}

}  // namespace vidrelo
