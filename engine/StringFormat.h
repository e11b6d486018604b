#pragma once
#include <cstdarg>
#include <cstdint>
#include <string>

namespace vidrelo {

// printf-style formatting into a std::string of whatever length it needs.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The same with the arguments as a va_list, appended to `out`; `args` is
// left unconsumed (a copy is used), so the caller may use it again.
void AppendFormatV(std::string& out, const char* format, va_list args) __attribute__((format(printf, 2, 0)));
// A length or position as "hh:mm:ss" (whole seconds; hours not wrapped, so
// 100 hours read "100:00:00").
std::string ClockTime(int64_t microseconds);

}  // namespace vidrelo
