#pragma once
// Loading the DVD plug-in for a command: from the LibAV folder beside the
// program unless --libav names another; failures go to standard error.
#include <string>
#include <vector>

namespace vidrelo::cli {

// Takes "--libav DIR" out of `args` (the default is programFolder + "LibAV")
// and loads the plug-in from there. The media engine must be running.
bool LoadPluginForCommand(std::vector<std::string>& args, const std::string& programFolder);

// True for an "opendvd:" source string.
bool IsDVDSource(const std::string& source);
// The folder "--libav DIR" names, else the LibAV folder beside the program:
// the media libraries come from there when it holds them, as the plug-in does.
std::string LibAVFolder(const std::vector<std::string>& args, const std::string& programFolder);
// Takes "--libav DIR" out of `args`.
void DropLibAVOption(std::vector<std::string>& args);

}  // namespace vidrelo::cli
