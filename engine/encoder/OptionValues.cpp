#include "engine/encoder/OptionValues.h"

#include "engine/StringFormat.h"
#include "engine/encoder/FFmpegException.h"
#include "engine/encoder/TextUtils.h"
#include "engine/loader/AVBindings.h"

#include <cerrno>
#include <cstdlib>
#include <limits>
#include <sstream>

namespace vidrelo {
namespace {

bool IsDecimalInteger(const std::string& value)
{
    std::size_t i = value.size() > 1 && (value[0] == '-' || value[0] == '+') ? 1 : 0;
    if (i == value.size())
        return false;
    for (; i < value.size(); ++i)
        if (value[i] < '0' || value[i] > '9')
            return false;
    return true;
}

[[noreturn]] void NotAnInteger(const std::string& value)
{
    throw FFmpegException(Format("'%s' is not a valid integer value", value.c_str()));
}

}  // namespace

bool OptionBool(const std::string& value)
{
    return value != "0";
}

int64_t OptionInt64(const std::string& value)
{
    const std::string text = Trim(value);
    if (!IsDecimalInteger(text))
        NotAnInteger(value);
    errno = 0;
    const long long number = std::strtoll(text.c_str(), nullptr, 10);
    if (errno == ERANGE)
        NotAnInteger(value);
    return number;
}

int OptionInt(const std::string& value)
{
    const int64_t number = OptionInt64(value);
    if (number < std::numeric_limits<int>::min() || number > std::numeric_limits<int>::max())
        NotAnInteger(value);
    return static_cast<int>(number);
}

double OptionFloat(const std::string& value)
{
    const std::string text = Trim(value);
    char* end = nullptr;
    errno = 0;
    const double number = std::strtod(text.c_str(), &end);  // the locale's decimal separator
    if (text.empty() || *end != '\0' || errno == ERANGE)
        throw FFmpegException(Format("'%s' is not a valid floating point value", value.c_str()));
    return number;
}

int64_t OptionDuration(const std::string& option, const std::string& value)
{
    int64_t us = 0;
    if (ff::av_parse_time(&us, value.c_str(), 1) < 0)
        throw FFmpegException(
            Format("Invalid %s specification for %s: %s", "duration", option.c_str(), value.c_str()));
    return us;
}

int64_t OptionDate(const std::string& option, const std::string& value)
{
    int64_t us = 0;
    if (ff::av_parse_time(&us, value.c_str(), 0) < 0)
        throw FFmpegException(Format("Invalid %s specification for %s: %s", "date", option.c_str(), value.c_str()));
    return us;
}

uint32_t OptionCodecTag(const std::string& value)
{
    char* end = nullptr;
    const unsigned long number = std::strtoul(value.c_str(), &end, 0);
    if (!value.empty() && *end == '\0')
        return static_cast<uint32_t>(number);
    if (value.size() != 4)
        throw FFmpegException("tag parameter must be 4 chars or int value");
    const auto byte = [&](int i) { return static_cast<uint32_t>(static_cast<unsigned char>(value[i])); };
    return byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24;
}

std::vector<uint16_t> OptionMatrix(const std::string& value)
{
    std::vector<uint16_t> matrix;
    std::stringstream in(value);
    std::string item;
    for (int i = 0; i < 64; ++i) {
        const bool read = static_cast<bool>(std::getline(in, item, ','));
        const std::string text = Trim(item);
        if (!read || !IsDecimalInteger(text) || std::strtol(text.c_str(), nullptr, 10) < 0 ||
            std::strtol(text.c_str(), nullptr, 10) > 0xFFFF)
            throw FFmpegException(Format("Syntax error in matrix \"%s\" at coeff %d", value.c_str(), i));
        matrix.push_back(static_cast<uint16_t>(std::strtol(text.c_str(), nullptr, 10)));
    }
    return matrix;
}

std::vector<int64_t> OptionDurationList(const std::string& option, const std::string& value)
{
    std::vector<int64_t> times;
    std::stringstream in(value);
    std::string item;
    while (std::getline(in, item, ','))
        times.push_back(OptionDuration(option, Trim(item)));
    return times;
}

}  // namespace vidrelo
