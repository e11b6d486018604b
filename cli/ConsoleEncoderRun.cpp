#include "cli/ConsoleEncoderRun.h"

#include "cli/ConsoleProgress.h"
#include "cli/JsonProgress.h"
#include "editing/vf_eq.h"
#include "editing/vf_hue.h"
#include "engine/encoder/TCustomEncoder.h"
#include "engine/encoder/TFFmpeg.h"
#include "engine/log/TFFLogger.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

namespace vidrelo::cli {
namespace {

// The signal that asked the run to stop; 0 while none did.
volatile std::sig_atomic_t Interrupted = 0;

void OnInterrupt(int ASignal)
{
    Interrupted = ASignal;
}

// SIGINT and SIGTERM are noted while the run lasts.
class TInterruptScope {
public:
    TInterruptScope()
    {
        Interrupted = 0;
        struct sigaction action {};
        action.sa_handler = OnInterrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &FOldInt);
        sigaction(SIGTERM, &action, &FOldTerm);
    }
    ~TInterruptScope()
    {
        sigaction(SIGINT, &FOldInt, nullptr);
        sigaction(SIGTERM, &FOldTerm, nullptr);
    }

private:
    struct sigaction FOldInt {};
    struct sigaction FOldTerm {};
};

// Tells what went wrong on standard error; the exit status of the run.
int ExitStatus(const std::vector<TTerminateInfo>& AEnds, int AStoppedBy, const char* ACommand)
{
    bool allFinished = !AEnds.empty();
    for (const TTerminateInfo& end : AEnds) {
        allFinished = allFinished && end.Finished;
        if (end.Exception)
            std::fprintf(stderr, "vidrelo-cli %s: %s\n", ACommand, end.ExceptionMsg.c_str());
        // The file is kept (it holds what could be read), but is no success.
        if (end.Incomplete) {
            allFinished = false;
            std::fprintf(stderr, "vidrelo-cli %s: the converted file is kept, but incomplete\n", ACommand);
        }
    }
    if (AStoppedBy) {
        // As a shell reports a program the signal ended, though the stopped
        // task's file was finished first.
        std::fprintf(stderr, "vidrelo-cli %s: stopped\n", ACommand);
        return 128 + AStoppedBy;
    }
    return allFinished ? 0 : 1;
}

// Each task's output file, taken before the run (the list may change
// while it lasts).
std::vector<std::string> TaskFiles(const TCustomEncoder& AEncoder)
{
    std::vector<std::string> files;
    for (int i = 0; i < AEncoder.TasksCount(); ++i) {
        const TFFmpeg* task = AEncoder.Task(i);
        files.push_back(task && task->nb_output_files() > 0 ? task->OutputOptions(0).FileName : std::string());
    }
    return files;
}

// How a task ended, for scripts; a stop asked before its end counts as
// "stopped" unless the task failed on its own.
void ShowOutcome(TJsonProgress& AProgress, const TTerminateInfo& AEnd, bool AStopAsked, const std::string& AFile)
{
    std::string outcome = "finished", message = AEnd.Warning;
    if (AEnd.Exception || !AEnd.Finished || AEnd.Incomplete) {
        outcome = "failed";
        message = AEnd.Exception ? AEnd.ExceptionMsg : AEnd.Incomplete ? "the converted file is kept, but incomplete"
                                                                        : message;
    }
    if (AStopAsked && !AEnd.Exception) {
        outcome = "stopped";
        message = "stopped";
    }
    AProgress.Outcome(AEnd.TaskIndex, outcome, AFile, message);
}

}  // namespace

bool LoadEncoderLibraries(TCustomEncoder& AEncoder, const std::string& ALibAV, const char* ACommand)
{
    if (!AEncoder.LoadAVLib(ALibAV)) {
        std::fprintf(stderr, "vidrelo-cli %s: %s\n", ACommand, AEncoder.LastErrMsg().c_str());
        return false;
    }
    RegisterNativeEq();
    RegisterNativeHue();
    return true;
}

int RunEncoderOnConsole(TCustomEncoder& AEncoder, const char* ACommand, TProgressStyle AStyle)
{
    const bool json = AStyle == TProgressStyle::Json;
    TConsoleProgress progress(stderr, AEncoder.TasksCount());
    TJsonProgress jsonProgress(stdout);
    const std::vector<std::string> files = TaskFiles(AEncoder);
    std::mutex lock;
    std::vector<TTerminateInfo> ends;
    std::atomic<bool> final{false}, stopAsked{false};
    AEncoder.TriggerEventInMainThread = false;  // no event loop here: events come on the workers
    AEncoder.OnProgress = [&](TCustomEncoder*, TProgressInfo* info) {
        json ? jsonProgress.Show(*info) : progress.Show(*info);
    };
    AEncoder.OnTerminate = [&](TCustomEncoder*, const TTerminateInfo& info) {
        if (json && info.TaskIndex >= 0) {
            const std::size_t task = static_cast<std::size_t>(info.TaskIndex);
            ShowOutcome(jsonProgress, info, stopAsked, task < files.size() ? files[task] : std::string());
        }
        std::lock_guard guard(lock);
        if (info.TaskIndex < 0)
            final = true;
        else
            ends.push_back(info);
    };
    TInterruptScope interrupt;
    AEncoder.Start(1);
    int stoppedBy = 0;
    while (!final) {
        if (Interrupted && !stoppedBy) {
            stoppedBy = Interrupted;
            stopAsked = true;
            AEncoder.Stop(true);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!json)
        progress.Finish();
    std::lock_guard guard(lock);
    return ExitStatus(ends, stoppedBy, ACommand);
}

TConsoleLog::TConsoleLog(bool AVerbose)
{
    TFFLogger& logger = FFLogger();
    logger.SetTriggerEventInMainThread(false);
    logger.SetOnLog([AVerbose](void*, uint32_t, TLogLevel level, const std::string& message) {
        // A task's fatal message (logged "quiet") is printed with its end.
        if (AVerbose || (level != llQuiet && level <= llWarning))
            std::fprintf(stderr, "%s\n", message.c_str());
    });
}

TConsoleLog::~TConsoleLog()
{
    FFLogger().SetOnLog(nullptr);
}

}  // namespace vidrelo::cli
