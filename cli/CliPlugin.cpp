#include "cli/CliPlugin.h"

#include "dvd/DVDPlugIn.h"

#include <cstdio>

namespace vidrelo::cli {

bool LoadPluginForCommand(std::vector<std::string>& args, const std::string& programFolder)
{
    std::string folder = programFolder + "LibAV";
    for (size_t i = 0; i + 1 < args.size(); ++i) {
        if (args[i] == "--libav") {
            folder = args[i + 1];
            args.erase(args.begin() + i, args.begin() + i + 2);
            break;
        }
    }
    if (LoadDVDPlugin(folder))
        return true;
    std::fprintf(stderr, "%s\n", DVDPluginLastError().c_str());
    return false;
}

}  // namespace vidrelo::cli
