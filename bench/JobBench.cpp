// vidrelo-jobbench: one transcoding job, set up from an ffmpeg-like argument
// list and run in place, so that the engine's conversion speed can be timed
// against the ffmpeg program's with the same settings (bench/run.sh).
//
//   vidrelo-jobbench [--libav DIR] [-name value | -i INPUT]... OUTPUT
//
// Inputs may be "opendvd:" source strings; the DVD plug-in is then loaded
// from the LibAV folder beside the program (or DIR). The engine log goes to
// standard error, the summary to standard output. Exit status: 0 when the
// job finished, 1 when it failed, 2 for a wrong argument list.
#include "bench/JobBenchArgs.h"
#include "dvd/DVDPlugIn.h"
#include "engine/EngineError.h"
#include "engine/MediaEngine.h"
#include "engine/ProgramPaths.h"
#include "engine/encoder/TCustomFFmpeg.h"
#include "engine/loader/TFFLoader.h"
#include "engine/log/TFFLogger.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

using namespace vidrelo;

namespace {

const char* const Usage = "usage: vidrelo-jobbench [--libav DIR] [-name value | -i INPUT]... OUTPUT\n";

// Passes the engine log on to standard error and keeps the run's last
// report line and its closing size line for the summary.
class TSummaryLog {
public:
    TSummaryLog()
    {
        FFLogger().SetTriggerEventInMainThread(false);  // no event loop here
        FFLogger().SetOnLog([this](void*, uint32_t, TLogLevel, const std::string& line) { Take(line); });
    }
    ~TSummaryLog() { FFLogger().SetOnLog(nullptr); }
    TSummaryLog(const TSummaryLog&) = delete;
    TSummaryLog& operator=(const TSummaryLog&) = delete;

    std::string Report() const
    {
        std::lock_guard lock(FLock);
        return FReport + FSizes;
    }

private:
    void Take(const std::string& line)
    {
        std::fputs(line.c_str(), stderr);
        if (line.empty() || line.back() != '\n')
            std::fputc('\n', stderr);
        std::lock_guard lock(FLock);
        if (line.rfind("frame=", 0) == 0 || line.rfind("size=", 0) == 0)
            FReport = line + "\n";
        else if (line.rfind("video:", 0) == 0)
            FSizes = line.back() == '\n' ? line : line + "\n";
    }

    mutable std::mutex FLock;
    std::string FReport;
    std::string FSizes;
};

bool NeedsDVDPlugin(const bench::TJobBenchArgs& args)
{
    for (const bench::TJobBenchStep& step : args.Steps)
        if (step.Input && step.Value.rfind("opendvd:", 0) == 0)
            return true;
    return false;
}

// The DVD plug-in, loaded when an input is an "opendvd:" source and
// released again before the engine stops.
struct TDVDPluginScope {
    bool Loaded = false;
    ~TDVDPluginScope()
    {
        if (Loaded)
            UnloadDVDPlugin();
    }
};

// Sets the job up as the list says; false after saying why.
bool SetUp(TCustomFFmpeg& job, const bench::TJobBenchArgs& args)
{
    for (const bench::TJobBenchStep& step : args.Steps) {
        if (!step.Input) {
            job.SetExtOption(step.Name, step.Value);
        } else if (!job.OpenInput(step.Value)) {
            std::fprintf(stderr, "vidrelo-jobbench: %s\n", job.LastErrMsg().c_str());
            return false;
        }
    }
    // Replaced as "ffmpeg -y" would: each measured run writes the same file.
    if (job.OpenOutput(args.Output, false, true) < 0) {
        std::fprintf(stderr, "vidrelo-jobbench: %s\n", job.LastErrMsg().c_str());
        return false;
    }
    return true;
}

int Run(const bench::TJobBenchArgs& args)
{
    const std::string folder = args.LibraryFolder.empty() ? ProgramFolder() + "LibAV" : args.LibraryFolder;
    TMediaEngineScope engine;
    TFFLoader& loader = TMediaEngine::Loader();
    loader.SetLibraryPath(folder);
    if (!loader.Load(EncoderLibraries)) {
        std::fprintf(stderr, "vidrelo-jobbench: %s\n", loader.LastErrMsg().c_str());
        return 1;
    }
    TDVDPluginScope plugin;
    if (NeedsDVDPlugin(args) && !(plugin.Loaded = LoadDVDPlugin(folder))) {
        std::fprintf(stderr, "vidrelo-jobbench: %s\n", DVDPluginLastError().c_str());
        return 1;
    }
    TSummaryLog log;
    bool finished = false;
    double seconds = 0;
    std::string failure;
    try {
        TCustomFFmpeg job(16, TMediaEngine::Services());
        if (!SetUp(job, args))
            return 1;
        const auto start = std::chrono::steady_clock::now();
        job.StartConvert(false);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        finished = job.Finished();
        failure = job.FatalMessage().empty() ? "the conversion did not finish" : job.FatalMessage();
    } catch (const EEngineError& e) {
        std::fprintf(stderr, "vidrelo-jobbench: %s\n", e.what());
        return 1;
    }
    std::fputs(log.Report().c_str(), stdout);
    if (!finished) {
        std::printf("failed after %.2f s: %s\n", seconds, failure.c_str());
        return 1;
    }
    std::printf("finished %s in %.2f s\n", args.Output.c_str(), seconds);
    return 0;
}

}  // namespace

int main(int argc, char* argv[])
{
    bench::TJobBenchArgs args;
    std::string error;
    if (!bench::ParseJobBenchArgs(std::vector<std::string>(argv + 1, argv + argc), args, error)) {
        std::fprintf(stderr, "vidrelo-jobbench: %s\n%s", error.c_str(), Usage);
        return 2;
    }
    return Run(args);
}
