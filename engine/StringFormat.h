#pragma once
#include <string>

namespace vidrelo {

// printf-style formatting into a std::string of whatever length it needs.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace vidrelo
