#pragma once
#include <string>
#include <vector>

namespace vidrelo::cli {

// vidrelo-cli scan PATH [--json] [--libav DIR] [--catalogue DIR]: the
// disc's information text as the "DVD Info" window shows it, a blank line,
// then one line per title row (caption and column texts, tab-separated);
// with --json the same facts as one JSON document (see ScanJson.h).
extern const char* const ScanUsage;
int RunScan(std::vector<std::string> args, const std::string& programFolder);

}  // namespace vidrelo::cli
