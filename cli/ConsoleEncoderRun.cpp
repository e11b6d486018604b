#include "cli/ConsoleEncoderRun.h"

#include "cli/ConsoleProgress.h"
#include "editing/vf_eq.h"
#include "editing/vf_hue.h"
#include "engine/encoder/TCustomEncoder.h"
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

int RunEncoderOnConsole(TCustomEncoder& AEncoder, const char* ACommand)
{
    TConsoleProgress progress(stderr, AEncoder.TasksCount());
    std::mutex lock;
    std::vector<TTerminateInfo> ends;
    std::atomic<bool> final{false};
    AEncoder.TriggerEventInMainThread = false;  // no event loop here: events come on the workers
    AEncoder.OnProgress = [&](TCustomEncoder*, TProgressInfo* info) { progress.Show(*info); };
    AEncoder.OnTerminate = [&](TCustomEncoder*, const TTerminateInfo& info) {
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
            AEncoder.Stop(true);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    progress.Finish();
    std::lock_guard guard(lock);
    bool allFinished = !ends.empty();
    for (const TTerminateInfo& end : ends) {
        allFinished = allFinished && end.Finished;
        if (end.Exception)
            std::fprintf(stderr, "vidrelo-cli %s: %s\n", ACommand, end.ExceptionMsg.c_str());
        // The file is kept (it holds what could be read), but is no success.
        if (end.Incomplete) {
            allFinished = false;
            std::fprintf(stderr, "vidrelo-cli %s: the converted file is kept, but incomplete\n", ACommand);
        }
    }
    if (stoppedBy) {
        // As a shell reports a program the signal ended, though the stopped
        // task's file was finished first.
        std::fprintf(stderr, "vidrelo-cli %s: stopped\n", ACommand);
        return 128 + stoppedBy;
    }
    return allFinished ? 0 : 1;
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
