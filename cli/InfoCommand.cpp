#include "cli/InfoCommand.h"

#include "cli/CliPlugin.h"
#include "engine/MediaEngine.h"
#include "engine/loader/AVBindings.h"
#include "engine/loader/TFFLoader.h"
#include "engine/loader/TOpenedInput.h"
#include "engine/probe/TFFDecoder.h"

#include <cstddef>
#include <cstdio>

namespace vidrelo::cli {

const char* const InfoUsage =
    "usage: vidrelo-cli info SOURCE [--libav DIR]\n"
    "\n"
    "Prints the information text of SOURCE, a media file or an \"opendvd:\" source\n"
    "string: format, duration, streams.\n"
    "\n"
    "  --libav DIR           the folder of the DVD plug-in and the media libraries\n";

namespace {

int PrintInfo(TFFLoader& loader, const std::string& source, const std::string& libav)
{
    TFFDecoder decoder(loader);
    loader.SetInstallLogger(false);  // the libraries' own stderr output is enough here
    if (!decoder.LoadAVLib(libav)) {
        std::fprintf(stderr, "%s\n", decoder.LastErrMsg().c_str());
        return 1;
    }
    ff::av_log_set_level(AV_LOG_ERROR);
    TOpenedInput input;
    const std::string error = input.Open(source);
    if (!error.empty()) {
        std::fprintf(stderr, "vidrelo-cli info: %s\n", error.c_str());
        return 1;
    }
    decoder.SetFileHandle(input.Context());
    const std::string text = decoder.GetFileInfoText();
    decoder.SetFileHandle(nullptr);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}

}  // namespace

int RunInfo(std::vector<std::string> args, const std::string& programFolder)
{
    std::vector<std::string> operands = args;
    DropLibAVOption(operands);
    if (operands.size() != 1 || operands[0].rfind("--", 0) == 0) {
        std::fputs(InfoUsage, stderr);
        return 2;
    }
    const std::string& source = operands[0];
    const std::string libav = LibAVFolder(args, programFolder);
    TMediaEngineScope engine;
    if (IsDVDSource(source) && !LoadPluginForCommand(args, programFolder))
        return 1;
    try {
        return PrintInfo(TMediaEngine::Services().Loader, source, libav);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vidrelo-cli info: %s\n", e.what());
        return 1;
    }
}

}  // namespace vidrelo::cli
