#include "cli/ConvertCommand.h"

#include "cli/CliPlugin.h"
#include "cli/ConsoleEncoderRun.h"
#include "cli/ConvertArguments.h"
#include "engine/MediaEngine.h"
#include "engine/StringFormat.h"
#include "engine/encoder/TFFEncoder.h"
#include "engine/encoder/TFFmpeg.h"
#include "engine/encoder/TPartialOutput.h"
#include "engine/loader/TFFLoader.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>

namespace vidrelo::cli {
namespace {

// Takes a switch without a value out of `args`; true when it was there.
bool TakeSwitch(std::vector<std::string>& args, const std::string& name)
{
    const auto found = std::find(args.begin(), args.end(), name);
    if (found == args.end())
        return false;
    args.erase(found);
    return true;
}

// H:MM:SS.mmm, whole numbers only (the same in every locale).
std::string TimeText(int64_t microseconds)
{
    const long long ms = microseconds / 1000;
    return Format("%lld:%02lld:%02lld.%03lld", ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000);
}

// Why the task would convert nothing: a start (--ss of the input, or of the
// output after the inputs one after another) at or past the end. Empty when
// it would not, or when an input does not know its length.
std::string StartRefusal(const TFFmpeg& task, const TConvertRequest& request)
{
    const int64_t first = task.InputSetup(0).Duration;
    if (first <= 0)
        return {};
    const int64_t inputStart = request.Input.TimeStart == NoTimeValue ? 0 : request.Input.TimeStart;
    if (inputStart >= first)
        return "--ss " + TimeText(inputStart) + " is at or past the end of " + request.Inputs[0] + ", which lasts " +
               TimeText(first);
    int64_t length = first - inputStart;
    for (int i = 1; i < task.nb_input_files(); ++i) {
        if (task.InputSetup(i).Duration <= 0)
            return {};
        length += task.InputSetup(i).Duration;
    }
    const int64_t outputStart = request.OutputOptions.TimeStart;
    if (outputStart != NoTimeValue && outputStart >= length)
        return "the output's --ss " + TimeText(outputStart) + " is at or past the end of the input, which gives " +
               TimeText(length);
    return {};
}

// A file OUTPUT would replace without -y; the engine refuses it too, but
// the message here says how to go on. (An input as OUTPUT the engine
// refuses in any case.)
bool RefuseExistingOutput(const TConvertRequest& request)
{
    const std::optional<std::string> path = LocalFilePath(request.Output);
    std::error_code error;
    if (request.OutputOptions.Overwrite || !path || !std::filesystem::is_regular_file(*path, error))
        return false;
    for (const std::string& input : request.Inputs)
        if (SameFile(input, request.Output))
            return false;
    std::fprintf(stderr, "vidrelo-cli convert: '%s' already exists (-y or --overwrite replaces it)\n",
                 request.Output.c_str());
    return true;
}

int Convert(const TEngineServices& services, TConvertRequest& request, const std::string& libav,
            TProgressStyle style)
{
    TFFEncoder encoder(services);
    if (!LoadEncoderLibraries(encoder, libav, "convert"))
        return 1;
    const auto fail = [&encoder] {
        std::fprintf(stderr, "vidrelo-cli convert: %s\n", encoder.LastErrMsg().c_str());
        return 1;
    };
    if (encoder.AddTask(request.Inputs[0], &request.Input) < 0)
        return fail();
    for (std::size_t i = 1; i < request.Inputs.size(); ++i)
        if (!encoder.AddInputFile(0, request.Inputs[i]))
            return fail();
    if (const std::string refusal = StartRefusal(*encoder.Task(0), request); !refusal.empty()) {
        std::fprintf(stderr, "vidrelo-cli convert: %s\n", refusal.c_str());
        return 2;
    }
    if (!encoder.SetOutputFile(0, request.Output, &request.OutputOptions))
        return fail();
    return RunEncoderOnConsole(encoder, "convert", style);
}

}  // namespace

int RunConvert(std::vector<std::string> args, const std::string& programFolder)
{
    if (TakeSwitch(args, "--help")) {
        std::fputs(ConvertUsage, stdout);
        return 0;
    }
    const bool verbose = TakeSwitch(args, "--verbose");
    TProgressStyle style = TProgressStyle::Human;
    std::string error;
    if (!TakeProgressStyle(args, style, error)) {
        std::fprintf(stderr, "vidrelo-cli convert: %s\n\n%s", error.c_str(), ConvertUsage);
        return 2;
    }
    const std::string libav = LibAVFolder(args, programFolder);
    std::vector<std::string> operands = args;
    DropLibAVOption(operands);
    TConvertRequest request;
    if (!ParseConvertArguments(operands, request, error)) {
        std::fprintf(stderr, "vidrelo-cli convert: %s\n\n%s", error.c_str(), ConvertUsage);
        return 2;
    }
    if (RefuseExistingOutput(request))
        return 1;
    TMediaEngineScope engine;
    TConsoleLog log(verbose);
    TMediaEngine::Services().Loader.SetInstallLogger(true);
    const bool needsPlugin = std::any_of(request.Inputs.begin(), request.Inputs.end(), IsDVDSource);
    if (needsPlugin && !LoadPluginForCommand(args, programFolder))
        return 1;
    return Convert(TMediaEngine::Services(), request, libav, style);
}

}  // namespace vidrelo::cli
