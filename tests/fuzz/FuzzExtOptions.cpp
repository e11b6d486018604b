// ExtOptions text through the option vocabulary: the lines before a line
// "--" are the input's options, the rest the output's, given to a task as
// the job builder gives them (a small MPEG clip in, a file in a private
// folder out). Every option must be taken or refused with a message; the
// files opened with them must open or fail cleanly, and nothing is left
// behind. The conversion itself is not run: the options set what it would do,
// and its own tests and the catalogue sweep cover running.
#include "engine/MediaEngine.h"
#include "engine/encoder/FFmpegException.h"
#include "engine/encoder/TExtOptions.h"
#include "engine/encoder/TFFEncoder.h"
#include "engine/log/TFFLogger.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/support/EngineServices.h"

#include <filesystem>
#include <string>

using namespace vidrelo;

namespace {

struct TEngine {
    TMediaEngineScope Scope;
    TEngine()
    {
        FFLogger().SetTriggerEventInMainThread(false);
        FFLogger().SetOnLog([](void*, uint32_t, TLogLevel, const std::string&) {});
    }
};

void Convert(const std::string& inputOptions, const std::string& outputOptions)
{
    static const std::string input = fuzz::FuzzSourceDir() + "/media/tiny.vob";
    const std::string output = fuzz::WorkDir() + "/out.mkv";
    TFFEncoder encoder(test::EngineServices());
    encoder.TriggerEventInMainThread = false;
    if (!encoder.LoadAVLib(""))
        std::abort();
    const int task = encoder.AddTask(input, inputOptions);
    if (task >= 0)
        encoder.SetOutputFile(task, output, outputOptions);
    encoder.ClearTasks();
    std::error_code ignored;
    std::filesystem::remove(output, ignored);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    static TEngine engine;
    FFLogger().SetLogLevel(llQuiet);
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::size_t split = text.find("\n--\n");
    const std::string inputOptions = split == std::string::npos ? std::string() : text.substr(0, split);
    const std::string outputOptions = split == std::string::npos ? text : text.substr(split + 4);

    TStreamOptionList streams(TOutputOptions{}, ParseExtOptions(outputOptions));
    for (const char* name : {"vcodec", "acodec", "s", "vf", "b"})
        streams.Take(name);
    try {
        Convert(inputOptions, outputOptions);
    } catch (const FFmpegException&) {
    }
    return 0;
}
