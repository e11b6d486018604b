#pragma once
#include <string>
#include <vector>

namespace vidrelo::cli {

// vidrelo-cli profiles [--catalogue DIR]: loads the output profile catalogue
// (default: the dvd-ripper-profiles folder beside this program) as the
// program does at start-up, without any remembered choice, and lists every
// format of every profile, tab-separated, after a header line. Catalogue
// failures go to standard error; the status is 1 when any stage failed.
extern const char* const ProfilesUsage;
int RunProfiles(const std::vector<std::string>& args, const std::string& programFolder);

}  // namespace vidrelo::cli
