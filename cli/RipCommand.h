#pragma once
#include <string>
#include <vector>

namespace vidrelo::cli {

// vidrelo-cli rip DISC [options]: scans the disc into the title list and
// converts the checked titles with the main window's job builder and
// encoder; "vidrelo-cli rip --help" lists the options. The exit status is
// 0 when every title was converted, 2 for a mistake on the command line,
// 130 after Ctrl-C, 1 otherwise.
int RunRip(std::vector<std::string> args, const std::string& programFolder);

}  // namespace vidrelo::cli
