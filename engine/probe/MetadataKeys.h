#pragma once
// Container-specific metadata keys (ID3 frames, RIFF INFO chunks, ASF and
// Matroska tags) and the generic names the information text shows instead.
#include <string>

namespace vidrelo {

// The generic name of `key` ("TIT2" gives "title"); other keys unchanged.
// Keys are compared exactly, case included.
std::string GenericMetadataKey(const std::string& key);

}  // namespace vidrelo
