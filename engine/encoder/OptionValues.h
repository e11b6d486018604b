#pragma once
// How job option values are read. Failures raise FFmpegException with the
// text the user sees.
#include <cstdint>
#include <string>
#include <vector>

namespace vidrelo {

// False only for exactly "0"; anything else, the empty text included, is true.
bool OptionBool(const std::string& value);
// A decimal integer (an optional sign, digits, nothing else).
int OptionInt(const std::string& value);
int64_t OptionInt64(const std::string& value);
// A number with the decimal separator of the current locale.
double OptionFloat(const std::string& value);
// The libraries' duration syntax ("90", "1:30", "00:01:30.5"), in
// microseconds. Fails with "Invalid duration specification for <option>: <value>".
int64_t OptionDuration(const std::string& option, const std::string& value);
// The libraries' date syntax, in microseconds since the epoch. Fails with
// "Invalid date specification for <option>: <value>".
int64_t OptionDate(const std::string& option, const std::string& value);
// A codec tag: an integer, or exactly four characters (first one lowest).
// Fails with "tag parameter must be 4 chars or int value".
uint32_t OptionCodecTag(const std::string& value);
// 64 comma-separated integers. Fails with "Syntax error in matrix "%s" at coeff %d".
std::vector<uint16_t> OptionMatrix(const std::string& value);
// Durations separated by commas, each in microseconds.
std::vector<int64_t> OptionDurationList(const std::string& option, const std::string& value);

}  // namespace vidrelo
