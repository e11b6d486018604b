// Start, pause, resume and cancel a conversion over and over, the way the
// window drives it (events delivered on the main thread, Stop waiting while
// serving the worker's hand-offs). Not part of the suite: tools/soak.sh runs
// it under a sanitizer build. VIDRELO_SOAK_CYCLES sets the number of cycles
// (100); VIDRELO_SOAK_CYCLE_SECONDS the time one cycle may take (60).
//
// A cycle that does not end in time is reported by a watchdog, naming the
// cycle and the step it hung in, and the program ends at once. In an
// AddressSanitizer build each cycle ends with a leak check, so a leak is
// pinned to the cycle that made it.
#include "engine/MainThreadDispatcher.h"
#include "tests/engine/encoder/EncoderTestSupport.h"
#include "tests/support/EngineServices.h"

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

using namespace vidrelo;
using namespace vidrelo::test;

namespace {

int EnvNumber(const char* name, int fallback)
{
    const char* text = std::getenv(name);
    const int value = text ? std::atoi(text) : 0;
    return value > 0 ? value : fallback;
}

// Ends the program with a line naming the cycle and its step when a cycle
// outlives its limit; a deadlocked Stop cannot be waited out any other way.
class TCycleWatchdog {
public:
    explicit TCycleWatchdog(std::chrono::seconds limit) : FLimit(limit), FThread([this] { Watch(); }) {}
    ~TCycleWatchdog()
    {
        {
            std::lock_guard lock(FLock);
            FQuit = true;
        }
        FChanged.notify_all();
        FThread.join();
    }
    void Begin(int cycle)
    {
        std::lock_guard lock(FLock);
        FCycle = cycle;
        FStep = "start";
        FDeadline = std::chrono::steady_clock::now() + FLimit;
        FChanged.notify_all();
    }
    void Step(const char* step)
    {
        std::lock_guard lock(FLock);
        FStep = step;
    }
    void End()
    {
        std::lock_guard lock(FLock);
        FCycle = 0;
        FChanged.notify_all();
    }

private:
    void Watch()
    {
        std::unique_lock lock(FLock);
        while (!FQuit) {
            if (FCycle == 0) {
                FChanged.wait(lock);
                continue;
            }
            const int cycle = FCycle;
            if (FChanged.wait_until(lock, FDeadline, [&] { return FQuit || FCycle != cycle; }))
                continue;
            std::fprintf(stderr, "SOAK FAILED: conversion cycle %d hung (step: %s, limit %llds)\n", cycle, FStep,
                         static_cast<long long>(FLimit.count()));
            std::fflush(stderr);
            std::_Exit(3);
        }
    }

    const std::chrono::seconds FLimit;
    std::mutex FLock;
    std::condition_variable FChanged;
    bool FQuit = false;
    int FCycle = 0;
    const char* FStep = "";
    std::chrono::steady_clock::time_point FDeadline;
    std::thread FThread;
};

class ConversionSoak : public EncoderTest {
protected:
    // One cycle; false (with a failure naming the cycle) when it went wrong.
    bool RunCycle(int cycle, TCycleWatchdog& watchdog)
    {
        TMainThreadDispatcher& dispatcher = TMainThreadDispatcher::Instance();
        const std::string output = Out + "/soak" + std::to_string(cycle) + ".avi";
        TEncoderEvents events;
        TFFEncoder encoder(EngineServices());
        encoder.SetProgressInterval(100);
        events.Attach(encoder);
        // Read at the clip's own rate, so that the 4 s clip is still being
        // converted when the cycle pauses and cancels it.
        const int task = encoder.AddTask(LongClip, "re=1");
        TOutputOptions options;
        options.VideoCodec = "mpeg4";
        options.AudioCodec = "mp2";
        if (task != 0 || !encoder.SetOutputFile(task, output, &options)) {
            ADD_FAILURE() << "cycle " << cycle << ": " << encoder.LastErrMsg();
            return false;
        }
        const auto progressCount = [&] {
            std::lock_guard lock(events.Lock);
            return events.Progress.size();
        };
        encoder.Start(1);
        watchdog.Step("waiting for progress");
        dispatcher.WaitUntil([&] { return progressCount() > 0 || events.FinalSeen(); });
        watchdog.Step("pause");
        encoder.Pause();
        dispatcher.WaitUntil([&] { return encoder.Task(task)->WorkerParked() || events.FinalSeen(); });
        watchdog.Step("resume");
        const std::size_t seen = progressCount();
        encoder.Resume();
        dispatcher.WaitUntil([&] { return progressCount() > seen || events.FinalSeen(); });
        watchdog.Step("cancel");
        encoder.Stop(true);
        dispatcher.WaitUntil([&] { return events.FinalSeen(); });
        return CheckEnd(cycle, events, output);
    }

    // Cancelled before its end, the task reports it unfinished; whatever it
    // wrote is settled under the final name, never left as a ".part".
    static bool CheckEnd(int cycle, TEncoderEvents& events, const std::string& output)
    {
        std::lock_guard lock(events.Lock);
        const bool ended = events.Terminates.size() == 2 && events.Terminates[0].TaskIndex == 0;
        EXPECT_TRUE(ended) << "cycle " << cycle << ": " << events.Terminates.size() << " terminate events";
        if (!ended)
            return false;
        const TTerminateInfo& info = events.Terminates[0];
        EXPECT_FALSE(info.Finished) << "cycle " << cycle << ": the clip ended before it was cancelled";
        EXPECT_FALSE(info.Exception) << "cycle " << cycle << ": " << info.ExceptionMsg;
        EXPECT_FALSE(std::filesystem::exists(output + ".part")) << "cycle " << cycle;
        std::error_code ignored;
        std::filesystem::remove(output, ignored);
        return !info.Finished && !info.Exception && !std::filesystem::exists(output + ".part");
    }

    static bool LeakCheck(int cycle)
    {
#if defined(__SANITIZE_ADDRESS__)
        if (__lsan_do_recoverable_leak_check() != 0) {
            ADD_FAILURE() << "cycle " << cycle << ": LeakSanitizer reported a leak (above)";
            return false;
        }
#else
        (void)cycle;
#endif
        return true;
    }
};

TEST_F(ConversionSoak, StartPauseResumeCancel)
{
    const int cycles = EnvNumber("VIDRELO_SOAK_CYCLES", 100);
    TCycleWatchdog watchdog(std::chrono::seconds(EnvNumber("VIDRELO_SOAK_CYCLE_SECONDS", 60)));
    TMainThreadDispatcher& dispatcher = TMainThreadDispatcher::Instance();
    dispatcher.AttachMainThread();
    for (int cycle = 1; cycle <= cycles; ++cycle) {
        watchdog.Begin(cycle);
        const bool good = RunCycle(cycle, watchdog) && LeakCheck(cycle);
        watchdog.End();
        if (!good) {
            std::fprintf(stderr, "SOAK FAILED: conversion cycle %d\n", cycle);
            break;
        }
        std::printf("conversion cycle %d/%d ok\n", cycle, cycles);
        std::fflush(stdout);
    }
    dispatcher.DetachMainThread();
}

}  // namespace
