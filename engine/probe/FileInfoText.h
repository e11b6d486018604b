#pragma once
// The information text of an opened input: file, format, size, duration,
// metadata, chapters, programs and one line per stream, every line ended by
// CR LF. The main window writes it into the events log when a title is
// opened for preview; vidrelo-cli info prints it.
#include "engine/loader/MediaHeaders.h"

#include <cstdint>
#include <string>

namespace vidrelo {

// The whole text; `fileSize` as the decoder's summary has it.
std::string FileInfoText(AVFormatContext* context, int64_t fileSize);

// The pieces, for the tests and for anyone printing single values.
// "%d Byte" up to 1024 bytes, then "%.2f KB", "%.2f MB", "%.2f GB".
std::string FileSizeText(int64_t size);
// "hh:mm:ss.zzz" of microseconds; "N/A" for the libraries' no-value time.
std::string DurationText(int64_t microseconds);
// "seconds.microseconds", six digits after the point.
std::string StartTimeText(int64_t microseconds);
// ", 29.97 fps", ", 25 tbr", ", 90k tbn": two decimals when the rate has
// them, thousands with a "k" when it is a whole number of thousands.
std::string RateText(double rate, const char* unit);
// "yyyy-mm-dd hh:nn:ss" of seconds since 1970 in local standard time (the
// time zone's offset without daylight saving).
std::string TimeStampText(int64_t seconds);
// The "Metadata:" block of a dictionary, each line after `indent`; empty
// when there is nothing but (or not even) a "language" entry.
std::string MetadataBlock(const AVDictionary* metadata, const std::string& indent);
// The line of stream `index` (without CR LF), then its metadata block.
std::string StreamLines(AVFormatContext* context, unsigned index);

}  // namespace vidrelo
