#pragma once
#include <string>
#include <vector>

namespace vidrelo::cli {

// vidrelo-cli dump SOURCE FILE [-y|--overwrite] [--libav DIR]: writes the byte stream of an
// "opendvd:" source string to FILE. A failed dump leaves no FILE behind.
extern const char* const DumpUsage;
int RunDump(std::vector<std::string> args, const std::string& programFolder);

}  // namespace vidrelo::cli
