#pragma once
// Small text helpers of the option handling.
#include <algorithm>
#include <cctype>
#include <string>

namespace vidrelo {

// Without leading and trailing white space (and control characters).
inline std::string Trim(const std::string& text)
{
    auto blank = [](unsigned char c) { return c <= ' '; };
    const auto first = std::find_if_not(text.begin(), text.end(), blank);
    const auto last = std::find_if_not(text.rbegin(), std::string::const_reverse_iterator(first), blank).base();
    return std::string(first, last);
}

inline std::string LowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// Equal without regard to (ASCII) case.
inline bool SameText(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && LowerCase(a) == LowerCase(b);
}

}  // namespace vidrelo
