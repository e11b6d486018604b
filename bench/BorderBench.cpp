// vidrelo-borderbench: the engine's border detection on each source given,
// timed, the engine's side of bench/borders.sh.
//
//   vidrelo-borderbench [--libav DIR] SOURCE...
//
// Sources may be "opendvd:" strings; the DVD plug-in is then loaded from the
// LibAV folder beside the program (or DIR). One line per source on standard
// output: the source, the margins as "left,top,right,bottom" (or "failed"),
// the milliseconds it took and the pictures sampled, tab-separated.
#include "dvd/DVDPlugIn.h"
#include "engine/MediaEngine.h"
#include "engine/ProgramPaths.h"
#include "engine/loader/AVBindings.h"
#include "engine/loader/TFFLoader.h"
#include "engine/probe/BorderDetect.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

using namespace vidrelo;

namespace {

void Measure(TFFLoader& loader, const std::string& source)
{
    TBorderDetection found;
    std::string error;
    const auto start = std::chrono::steady_clock::now();
    const bool ok = DetectBorders(loader, source, found, error);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const TBorderMargins& m = found.Margins;
    if (ok)
        std::printf("%s\t%d,%d,%d,%d\t%.0f\t%d\n", source.c_str(), m.Left, m.Top, m.Right, m.Bottom, ms,
                    found.PicturesSampled);
    else
        std::printf("%s\tfailed: %s\t%.0f\t0\n", source.c_str(), error.c_str(), ms);
}

}  // namespace

int main(int argc, char* argv[])
{
    std::vector<std::string> sources(argv + 1, argv + argc);
    std::string folder = ProgramFolder() + "LibAV";
    if (sources.size() >= 2 && sources[0] == "--libav") {
        folder = sources[1];
        sources.erase(sources.begin(), sources.begin() + 2);
    }
    if (sources.empty()) {
        std::fputs("usage: vidrelo-borderbench [--libav DIR] SOURCE...\n", stderr);
        return 2;
    }
    TMediaEngineScope engine;
    TFFLoader& loader = TMediaEngine::Loader();
    loader.SetLibraryPath(folder);
    if (!loader.Load(DecoderLibraries)) {
        std::fprintf(stderr, "vidrelo-borderbench: %s\n", loader.LastErrMsg().c_str());
        return 1;
    }
    ff::av_log_set_level(AV_LOG_QUIET);
    const bool dvd = LoadDVDPlugin(folder);
    for (const std::string& source : sources)
        Measure(loader, source);
    if (dvd)
        UnloadDVDPlugin();
    return 0;
}
