#include "cli/DumpCommand.h"

#include "cli/CliPlugin.h"
#include "engine/MediaEngine.h"
#include "engine/encoder/TPartialOutput.h"
#include "engine/loader/MediaErrorText.h"
#include "engine/loader/TSourceProtocols.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace vidrelo::cli {

const char* const DumpUsage =
    "usage: vidrelo-cli dump SOURCE FILE [-y|--overwrite] [--libav DIR]\n"
    "\n"
    "Writes the MPEG stream of an \"opendvd:\" source string SOURCE to FILE; a failed\n"
    "dump leaves no FILE behind.\n"
    "\n"
    "  -y, --overwrite       replace FILE when it exists (refused otherwise)\n"
    "  --libav DIR           the folder of the DVD plug-in and the media libraries\n";

namespace {

struct TFileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};

// Copies the whole stream into `out`; the error text, or empty on success.
std::string CopyStream(ISourceStream& stream, FILE* out)
{
    std::vector<uint8_t> buffer(1 << 20);
    for (;;) {
        const int n = stream.Read(buffer.data(), static_cast<int>(buffer.size()));
        if (n == 0)
            return {};
        if (n < 0)
            return MediaErrorText("reading failed", n);
        if (std::fwrite(buffer.data(), 1, static_cast<size_t>(n), out) != static_cast<size_t>(n))
            return "writing failed";
    }
}

// Gives the complete dump its name; false after saying why.
bool Finish(TPartialOutput& partial)
{
    std::string written, error;
    if (!partial.Commit(written, error)) {
        std::fprintf(stderr, "vidrelo-cli dump: %s\n", error.c_str());
        return false;
    }
    if (written != partial.FinalName())
        std::fprintf(stderr, "vidrelo-cli dump: '%s' appeared meanwhile: the dump is '%s'\n",
                     partial.FinalName().c_str(), written.c_str());
    return true;
}

int Dump(const std::string& source, const std::string& file, bool overwrite)
{
    const TSourceOpener opener = TMediaEngine::SourceProtocols().Find(source);
    if (!opener) {
        std::fprintf(stderr, "vidrelo-cli dump: \"%s\" is not a source the DVD plug-in reads\n", source.c_str());
        return 1;
    }
    // Written under a temporary name, so that FILE exists only when complete.
    std::string error;
    const std::unique_ptr<TPartialOutput> partial = TPartialOutput::Create(file, overwrite, error);
    if (!partial) {
        std::fprintf(stderr, "vidrelo-cli dump: %s%s\n", error.c_str(),
                     overwrite ? "" : " (-y or --overwrite replaces it)");
        return 1;
    }
    TSourceOpenResult opened = opener(source);
    if (!opened.Stream) {
        std::fprintf(stderr, "%s\n", opened.Error.c_str());
        return 1;
    }
    std::unique_ptr<FILE, TFileCloser> out(std::fopen(partial->PartialName().c_str(), "wb"));
    if (!out) {
        std::fprintf(stderr, "vidrelo-cli dump: cannot write %s\n", partial->PartialName().c_str());
        return 1;
    }
    error = CopyStream(*opened.Stream, out.get());
    if (std::fclose(out.release()) != 0 && error.empty())
        error = "writing failed";
    const std::string problems = opened.Stream->Problems();
    if (!problems.empty())
        std::fprintf(stderr, "%s\n", problems.c_str());
    if (!error.empty()) {
        std::fprintf(stderr, "vidrelo-cli dump: %s\n", error.c_str());
        return 1;  // the temporary file goes with `partial`
    }
    return Finish(*partial) ? 0 : 1;
}

}  // namespace

int RunDump(std::vector<std::string> args, const std::string& programFolder)
{
    TMediaEngineScope engine;
    if (!LoadPluginForCommand(args, programFolder))
        return 1;
    const auto overwrite = std::find_if(args.begin(), args.end(),
                                        [](const std::string& a) { return a == "-y" || a == "--overwrite"; });
    const bool replace = overwrite != args.end();
    if (replace)
        args.erase(overwrite);
    if (args.size() != 2) {
        std::fputs(DumpUsage, stderr);
        return 2;
    }
    return Dump(args[0], args[1], replace);
}

}  // namespace vidrelo::cli
