#pragma once
#include <string>
#include <vector>

namespace vidrelo::cli {

// vidrelo-cli scan PATH [--libav DIR] [--catalogue DIR]: the disc's
// information text as the "DVD Info" window shows it, a blank line, then one
// line per title row (caption and column texts, tab-separated).
int RunScan(std::vector<std::string> args, const std::string& programFolder);

}  // namespace vidrelo::cli
