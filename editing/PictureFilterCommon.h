#pragma once
// What the two picture adjustment filters (nativeeq, nativehue) share: the
// pixel formats they accept, their option text, and how a value is read
// through its source.
//
// Option text: "value1:value2:address1:address2", split at the first three
// ':' (the rest after the third is the fourth field as a whole). Each field
// is trimmed; an empty or missing field keeps its default (0 for a value, the
// filter's own value for an address). Values are decimal 32-bit integers. An
// address field is the decimal address, in full pointer width, of a live
// value (TLiveFilterValue) of this process; when it is not 0 the filter reads
// and writes that value instead of its own, and the value field is not used.
// Any other address is refused: a filter text can come from a file or a
// catalogue, and must never make a filter touch memory it was not given.
//
// Live values are shared with the thread that shows the editor: it may write
// them at any time, and the filter reads them once per slice. Both sides go
// through std::atomic_ref (relaxed), so each read sees either the old or the
// new value. A live value must outlive the filters that were given it.
#include "engine/loader/MediaHeaders.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vidrelo {

// An integer an editor shares with running filters, registered for its
// lifetime so that its address is accepted in their option texts.
class TLiveFilterValue {
public:
    explicit TLiveFilterValue(int32_t value = 0);
    ~TLiveFilterValue();
    TLiveFilterValue(const TLiveFilterValue&) = delete;
    TLiveFilterValue& operator=(const TLiveFilterValue&) = delete;

    void Store(int32_t value);
    int32_t Load() const;
    // The address field for an option text.
    std::string AddressText() const;

private:
    alignas(int32_t) mutable int32_t FValue;
};

// yuv420p, yuv422p, yuv444p, yuv410p, yuv411p, yuv440p, yuvj420p, yuvj422p,
// yuvj444p, yuvj440p: planar 8-bit YUV, in this order.
const std::vector<AVPixelFormat>& PictureFilterPixelFormats();

struct TPictureFilterOptions {
    std::array<int32_t, 2> Values{0, 0};
    std::array<int32_t*, 2> Live{nullptr, nullptr};  // null: the filter's own value
};

// Parses `text` into `options`; false with `error` naming the field (by the
// value names given, e.g. {"brightness", "contrast"}) that is not a decimal
// integer, or an address that is not a live value's.
bool ParsePictureFilterOptions(std::string_view text, const std::array<const char*, 2>& names,
                               TPictureFilterOptions& options, std::string& error);

// Reads the value `source` refers to into `value`, pinned to -100..100. A
// value outside is written back pinned and logged at error level
// ("Invalid <name> value <old>, force to <new>") with `logContext`; true then.
bool ReadPictureFilterValue(int32_t* source, void* logContext, const char* name, int32_t& value);

}  // namespace vidrelo
