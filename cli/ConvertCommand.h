#pragma once
#include <string>
#include <vector>

namespace vidrelo::cli {

// vidrelo-cli convert [input options] INPUT [--join INPUT ...]
// [output options] OUTPUT [--libav DIR]: one encoder task.
int RunConvert(std::vector<std::string> args, const std::string& programFolder);

}  // namespace vidrelo::cli
