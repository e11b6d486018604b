#pragma once
#include <cstdarg>
#include <string>

namespace vidrelo {

// printf-style formatting into a std::string of whatever length it needs.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The same with the arguments as a va_list, appended to `out`; `args` is
// left unconsumed (a copy is used), so the caller may use it again.
void AppendFormatV(std::string& out, const char* format, va_list args) __attribute__((format(printf, 2, 0)));

}  // namespace vidrelo
