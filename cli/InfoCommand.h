#pragma once
#include <string>
#include <vector>

namespace vidrelo::cli {

// vidrelo-cli info SOURCE [--libav DIR]: prints the information text of a
// media file or an "opendvd:" source string, as the preview writes it into
// the events log.
extern const char* const InfoUsage;
int RunInfo(std::vector<std::string> args, const std::string& programFolder);

}  // namespace vidrelo::cli
