#include "cli/InfoCommand.h"

#include "cli/CliPlugin.h"
#include "engine/MediaEngine.h"
#include "engine/loader/AVBindings.h"
#include "engine/loader/MediaErrorText.h"
#include "engine/loader/TFFLoader.h"
#include "engine/loader/TInterruptCB.h"
#include "engine/loader/TSourceInput.h"
#include "engine/probe/TFFDecoder.h"

#include <cstddef>
#include <cstdio>

namespace vidrelo::cli {
namespace {

const char* const InfoUsage = "usage: vidrelo-cli info SOURCE [--libav DIR]\n";

// An input opened through the source registry, closed when it goes.
class TOpenedInput {
public:
    ~TOpenedInput() { CloseSourceInput(&FContext); }
    // The error text, or "" when the input is open with its streams found.
    std::string Open(const std::string& source)
    {
        FContext = ff::avformat_alloc_context();
        if (!FContext)
            return MediaErrorText(source, AVERROR(ENOMEM));
        InstallInterruptCallback(FContext);
        const TSourceInputResult opened = OpenSourceInput(&FContext, source, nullptr, nullptr);
        if (opened.Code < 0)
            return opened.Error;
        const int found = ff::avformat_find_stream_info(FContext, nullptr);
        if (found < 0)
            return MediaErrorText(source, found);
        // A DVD subtitle whose first packet comes after the probe is known
        // only from the plug-in's announcement.
        AddHintedStreams(FContext, opened.Hints);
        return {};
    }
    AVFormatContext* Context() const { return FContext; }

private:
    AVFormatContext* FContext = nullptr;
};

int PrintInfo(const std::string& source, const std::string& libav)
{
    TFFDecoder decoder;
    TMediaEngine::Loader().SetInstallLogger(false);  // the libraries' own stderr output is enough here
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
        return PrintInfo(source, libav);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vidrelo-cli info: %s\n", e.what());
        return 1;
    }
}

}  // namespace vidrelo::cli
