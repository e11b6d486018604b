#pragma once
// Loading the DVD plug-in for a command: from the LibAV folder beside the
// program unless --libav names another; failures go to standard error.
#include <string>
#include <vector>

namespace vidrelo::cli {

// Takes "--libav DIR" out of `args` (the default is programFolder + "LibAV")
// and loads the plug-in from there. The media engine must be running.
bool LoadPluginForCommand(std::vector<std::string>& args, const std::string& programFolder);

}  // namespace vidrelo::cli
