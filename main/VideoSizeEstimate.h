#pragma once
// The estimated output size of a title in a catalogue format.
#include "catalogue/TCatalogueTypes.h"

#include <cstdint>
#include <optional>

// Megabytes that `trimmedLength` microseconds take at the format's video and
// audio bit rates (bits per second; an empty rate counts as nothing), the
// audio rate once for each of `audioTracks` encoded tracks. The
// length goes through its "hh:mm:ss" text and back as a time of day, so whole
// seconds count and a length of 24 hours or more cannot be estimated. Empty
// when the estimate fails (that, or a rate that is not a decimal integer).
std::optional<double> EstimateSizeMB(int64_t trimmedLength, const TFormat& format, int audioTracks = 1);
