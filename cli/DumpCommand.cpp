#include "cli/DumpCommand.h"

#include "cli/CliPlugin.h"
#include "engine/MediaEngine.h"
#include "engine/loader/MediaErrorText.h"
#include "engine/loader/TSourceProtocols.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

namespace vidrelo::cli {
namespace {

const char* const DumpUsage = "usage: vidrelo-cli dump SOURCE FILE [--libav DIR]\n";

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

int Dump(const std::string& source, const std::string& file)
{
    const TSourceOpener opener = TMediaEngine::SourceProtocols().Find(source);
    if (!opener) {
        std::fprintf(stderr, "vidrelo-cli dump: \"%s\" is not a source the DVD plug-in reads\n", source.c_str());
        return 1;
    }
    TSourceOpenResult opened = opener(source);
    if (!opened.Stream) {
        std::fprintf(stderr, "%s\n", opened.Error.c_str());
        return 1;
    }
    // Written under a temporary name, so that FILE exists only when complete.
    const std::string partial = file + ".part";
    std::unique_ptr<FILE, TFileCloser> out(std::fopen(partial.c_str(), "wb"));
    if (!out) {
        std::fprintf(stderr, "vidrelo-cli dump: cannot create %s\n", partial.c_str());
        return 1;
    }
    std::string error = CopyStream(*opened.Stream, out.get());
    if (std::fclose(out.release()) != 0 && error.empty())
        error = "writing failed";
    const std::string problems = opened.Stream->Problems();
    if (!problems.empty())
        std::fprintf(stderr, "%s\n", problems.c_str());
    std::error_code ec;
    if (error.empty())
        std::filesystem::rename(partial, file, ec);
    if (!error.empty() || ec) {
        std::filesystem::remove(partial, ec);
        std::fprintf(stderr, "vidrelo-cli dump: %s\n", error.empty() ? "cannot write the file" : error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int RunDump(std::vector<std::string> args, const std::string& programFolder)
{
    TMediaEngineScope engine;
    if (!LoadPluginForCommand(args, programFolder))
        return 1;
    if (args.size() != 2) {
        std::fputs(DumpUsage, stderr);
        return 2;
    }
    return Dump(args[0], args[1]);
}

}  // namespace vidrelo::cli
