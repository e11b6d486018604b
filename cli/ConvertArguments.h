#pragma once
// The command line of "vidrelo-cli convert", read into the encoder's option
// records: options before the first input describe that input, "--join"
// adds further inputs joined into the one output, options after the inputs
// describe the output.
#include "engine/encoder/TEncoderTypes.h"

#include <string>
#include <vector>

namespace vidrelo::cli {

struct TConvertRequest {
    std::vector<std::string> Inputs;  // the first, then the joined ones
    TInputOptions Input;
    std::string Output;
    TOutputOptions OutputOptions;
};

extern const char* const ConvertUsage;

// Reads `args` ("--libav DIR" already taken out). On a mistake returns
// false with the reason in `error`.
bool ParseConvertArguments(const std::vector<std::string>& args, TConvertRequest& request, std::string& error);

// "HH:MM:SS[.fff]", "MM:SS" or seconds, in microseconds; false when it is
// none of these (a sign is none of these: times are never negative).
bool ParseTime(const std::string& text, int64_t& microseconds);
// What to add to the refusal of a time that ParseTime did not take: why a
// negative one is refused, else nothing.
std::string TimeRefusalHint(const std::string& text);
// Bits per second from "800000", "800k" or "1.5M".
bool ParseBitRate(const std::string& text, int& bitsPerSecond);

}  // namespace vidrelo::cli
