#include "cli/CliPlugin.h"

#include "dvd/DVDPlugIn.h"

#include <cstdio>

namespace vidrelo::cli {

bool LoadPluginForCommand(std::vector<std::string>& args, const std::string& programFolder)
{
    const std::string folder = LibAVFolder(args, programFolder);
    DropLibAVOption(args);
    if (LoadDVDPlugin(folder))
        return true;
    std::fprintf(stderr, "%s\n", DVDPluginLastError().c_str());
    return false;
}

bool IsDVDSource(const std::string& source)
{
    return source.rfind("opendvd:", 0) == 0;
}

std::string LibAVFolder(const std::vector<std::string>& args, const std::string& programFolder)
{
    for (size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == "--libav")
            return args[i + 1];
    return programFolder + "LibAV";
}

void DropLibAVOption(std::vector<std::string>& args)
{
    for (size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == "--libav") {
            args.erase(args.begin() + static_cast<std::ptrdiff_t>(i), args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
            return;
        }
}

}  // namespace vidrelo::cli
