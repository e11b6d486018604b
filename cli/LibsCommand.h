#pragma once
#include <string>
#include <vector>

namespace vidrelo::cli {

// vidrelo-cli libs [--libav DIR]: loads the encoder's libraries and lists
// each one's row name, the file loaded and its version.
extern const char* const LibsUsage;
int RunLibs(const std::vector<std::string>& args, const std::string& programFolder);

}  // namespace vidrelo::cli
