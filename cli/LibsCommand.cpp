#include "cli/LibsCommand.h"

#include "engine/MediaEngine.h"
#include "engine/loader/TFFLoader.h"

#include <cstdio>

namespace vidrelo::cli {

const char* const LibsUsage =
    "usage: vidrelo-cli libs [--libav DIR]\n"
    "\n"
    "Loads the media libraries and lists each one with the file loaded and its version.\n"
    "\n"
    "  --libav DIR           the folder of the media libraries (default: the LibAV\n"
    "                        folder beside this program, else the system's)\n";

int RunLibs(const std::vector<std::string>& args, const std::string& programFolder)
{
    std::string libav = programFolder + "LibAV";
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--libav" && i + 1 < args.size()) {
            libav = args[++i];
        } else {
            std::fprintf(stderr, "vidrelo-cli libs: unexpected argument \"%s\"\n%s", args[i].c_str(), LibsUsage);
            return 2;
        }
    }
    TMediaEngineScope engine;
    TFFLoader& loader = TMediaEngine::Services().Loader;
    loader.SetInstallLogger(false);  // library chatter is not what this command prints
    loader.SetLibraryPath(libav);
    if (!loader.Load(EncoderLibraries)) {
        std::fprintf(stderr, "%s\n", loader.LastErrMsg().c_str());
        return 1;
    }
    for (int i = 0; i < LibraryCount; ++i) {
        const auto lib = static_cast<TLibrary>(i);
        if (EncoderLibraries.Contains(lib))
            std::printf("%-11s %s %s\n", LibraryName(lib), loader.LoadedFile(lib).c_str(),
                        TFFLoader::VersionText(lib).c_str());
    }
    return 0;
}

}  // namespace vidrelo::cli
