#pragma once
#include <string>
#include <vector>

namespace vidrelo::cli {

// vidrelo-cli play SOURCE [--start T] [--seconds N] [--snapshot T:FILE ...]
// [--volume V] [--no-audio] [--libav DIR]: see PlayUsage.
int RunPlay(std::vector<std::string> args, const std::string& programFolder);

}  // namespace vidrelo::cli
