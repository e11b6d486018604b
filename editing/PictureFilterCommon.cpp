#include "editing/PictureFilterCommon.h"

#include "engine/loader/AVBindings.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <mutex>
#include <set>

namespace vidrelo {
namespace {

constexpr int32_t MinValue = -100;
constexpr int32_t MaxValue = 100;

// The addresses of the live values that exist now.
struct TLiveValues {
    std::mutex Lock;
    std::set<const int32_t*> Addresses;
};

TLiveValues& LiveValues()
{
    static TLiveValues values;
    return values;
}

bool IsLiveValue(uintptr_t address)
{
    TLiveValues& live = LiveValues();
    const std::lock_guard lock(live.Lock);
    return live.Addresses.count(reinterpret_cast<const int32_t*>(address)) != 0;
}

std::string_view Trimmed(std::string_view field)
{
    while (!field.empty() && static_cast<unsigned char>(field.front()) <= ' ')
        field.remove_prefix(1);
    while (!field.empty() && static_cast<unsigned char>(field.back()) <= ' ')
        field.remove_suffix(1);
    return field;
}

// The first three ':' split; the fourth field is the rest as a whole.
std::array<std::string_view, 4> SplitFields(std::string_view text)
{
    std::array<std::string_view, 4> fields{};
    for (size_t i = 0; i < 3; ++i) {
        const size_t colon = text.find(':');
        if (colon == std::string_view::npos) {
            fields[i] = Trimmed(text);
            return fields;
        }
        fields[i] = Trimmed(text.substr(0, colon));
        text.remove_prefix(colon + 1);
    }
    fields[3] = Trimmed(text);
    return fields;
}

// The whole of `field` as a decimal number with an optional sign.
template <class TNumber>
bool ParseDecimal(std::string_view field, TNumber& number)
{
    if (field.starts_with('+')) {
        field.remove_prefix(1);
        if (field.starts_with('-'))
            return false;
    }
    const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), number);
    return ec == std::errc() && end == field.data() + field.size();
}

bool ParseValue(std::string_view field, const char* name, int32_t& value, std::string& error)
{
    if (field.empty() || ParseDecimal(field, value))
        return true;
    error = std::string(name) + " \"" + std::string(field) + "\" is not a decimal 32-bit integer";
    return false;
}

bool ParseAddress(std::string_view field, const char* name, int32_t*& live, std::string& error)
{
    if (field.empty())
        return true;
    uintptr_t address = 0;
    if (field.front() == '-' || !ParseDecimal(field, address)) {
        error = std::string(name) + " address \"" + std::string(field) + "\" is not a decimal address";
        return false;
    }
    if (address == 0)
        return true;
    if (!IsLiveValue(address)) {
        error = std::string(name) + " address " + std::string(field) + " is not that of a live value";
        return false;
    }
    live = reinterpret_cast<int32_t*>(address);
    return true;
}

}  // namespace

TLiveFilterValue::TLiveFilterValue(int32_t value) : FValue(value)
{
    TLiveValues& live = LiveValues();
    const std::lock_guard lock(live.Lock);
    live.Addresses.insert(&FValue);
}

TLiveFilterValue::~TLiveFilterValue()
{
    TLiveValues& live = LiveValues();
    const std::lock_guard lock(live.Lock);
    live.Addresses.erase(&FValue);
}

void TLiveFilterValue::Store(int32_t value)
{
    std::atomic_ref<int32_t>(FValue).store(value, std::memory_order_relaxed);
}

int32_t TLiveFilterValue::Load() const
{
    return std::atomic_ref<int32_t>(FValue).load(std::memory_order_relaxed);
}

std::string TLiveFilterValue::AddressText() const
{
    return std::to_string(reinterpret_cast<uintptr_t>(&FValue));
}

const std::vector<AVPixelFormat>& PictureFilterPixelFormats()
{
    static const std::vector<AVPixelFormat> formats{
        AV_PIX_FMT_YUV420P,  AV_PIX_FMT_YUV422P,  AV_PIX_FMT_YUV444P,  AV_PIX_FMT_YUV410P,  AV_PIX_FMT_YUV411P,
        AV_PIX_FMT_YUV440P,  AV_PIX_FMT_YUVJ420P, AV_PIX_FMT_YUVJ422P, AV_PIX_FMT_YUVJ444P, AV_PIX_FMT_YUVJ440P};
    return formats;
}

bool ParsePictureFilterOptions(std::string_view text, const std::array<const char*, 2>& names,
                               TPictureFilterOptions& options, std::string& error)
{
    options = TPictureFilterOptions{};
    const std::array<std::string_view, 4> fields = SplitFields(text);
    return ParseValue(fields[0], names[0], options.Values[0], error) &&
           ParseValue(fields[1], names[1], options.Values[1], error) &&
           ParseAddress(fields[2], names[0], options.Live[0], error) &&
           ParseAddress(fields[3], names[1], options.Live[1], error);
}

bool ReadPictureFilterValue(int32_t* source, void* logContext, const char* name, int32_t& value)
{
    std::atomic_ref<int32_t> shared(*source);
    const int32_t current = shared.load(std::memory_order_relaxed);
    value = std::clamp(current, MinValue, MaxValue);
    if (value == current)
        return false;
    shared.store(value, std::memory_order_relaxed);
    if (ff::av_log)
        ff::av_log(logContext, AV_LOG_ERROR, "Invalid %s value %d, force to %d\n", name, current, value);
    return true;
}

}  // namespace vidrelo
