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
// int32_t in this process; when it is not 0 the filter reads and writes that
// integer instead of its own value, and the value field is not used.
//
// Live values are shared with the thread that shows the editor: it may write
// them at any time, and the filter reads them once per slice. Both sides go
// through std::atomic_ref (relaxed), so each read sees either the old or the
// new value; the writer should do the same, or own a std::atomic<int32_t>.
#include "engine/loader/MediaHeaders.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vidrelo {

// yuv420p, yuv422p, yuv444p, yuv410p, yuv411p, yuv440p, yuvj420p, yuvj422p,
// yuvj444p, yuvj440p: planar 8-bit YUV, in this order.
const std::vector<AVPixelFormat>& PictureFilterPixelFormats();

struct TPictureFilterOptions {
    std::array<int32_t, 2> Values{0, 0};
    std::array<int32_t*, 2> Live{nullptr, nullptr};  // null: the filter's own value
};

// Parses `text` into `options`; false with `error` naming the field (by the
// value names given, e.g. {"brightness", "contrast"}) that is not a decimal
// integer, or an address that cannot be a live int32_t's.
bool ParsePictureFilterOptions(std::string_view text, const std::array<const char*, 2>& names,
                               TPictureFilterOptions& options, std::string& error);

// Reads the value `source` refers to into `value`, pinned to -100..100. A
// value outside is written back pinned and logged at error level
// ("Invalid <name> value <old>, force to <new>") with `logContext`; true then.
bool ReadPictureFilterValue(int32_t* source, void* logContext, const char* name, int32_t& value);

}  // namespace vidrelo
