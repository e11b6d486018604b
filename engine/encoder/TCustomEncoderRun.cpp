// The encoder component's run: starting the tasks, pausing and stopping
// them, and turning each task's notifications into the component's events.
#include "engine/MainThreadDispatcher.h"
#include "engine/encoder/TCustomEncoder.h"
#include "engine/encoder/TDoTerminateThreads.h"
#include "engine/encoder/TFFmpeg.h"
#include "engine/log/TFFLogger.h"

#include <chrono>
#include <thread>

namespace vidrelo {
namespace {

// Calls an event handler; what it throws is logged, never passed into the
// task that raised the event.
template <typename TCall>
void CallHandler(TCustomEncoder* AEncoder, const char* AEvent, TCall ACall)
{
    try {
        ACall();
    } catch (const std::exception& e) {
        FFLogger().Log(AEncoder, llError, std::string("Error occurs ") + AEvent + " event: " + e.what());
    }
}

}  // namespace

void TCustomEncoder::Start(int AThreadCount)
{
    CheckNotWorking("StartTask");
    {
        std::lock_guard start(FStartLock);
        std::lock_guard terminate(FTerminateLock);
        FCompleteTasks = 0;
        FCurrentTask = 0;
        FPendingTasks = TasksCount();
        FTerminated = false;
        FThreadMode = AThreadCount > 0;
        FWorking = true;
        FPaused = false;
    }
    if (TasksCount() == 0) {
        DeliverFinal();
        return;
    }
    if (FThreadMode) {
        for (int started = 0; started < AThreadCount && FPendingTasks > 0; ++started)
            StartNextTask();
        return;
    }
    while (FPendingTasks > 0)
        StartNextTask();
    // A stop from another thread terminates the tasks that never ran on
    // threads of their own: their events come before the final one.
    WaitForFinal();
    DeliverFinal();
}

void TCustomEncoder::StartNextTask()
{
    TFFmpeg* task = nullptr;
    {
        std::lock_guard lock(FStartLock);
        if (FPendingTasks <= 0)
            return;
        --FPendingTasks;
        task = Task(FCurrentTask++);
        task->ReportInterval = static_cast<int64_t>(FProgressInterval) * 1000;
        if (FThreadMode) {
            // Under the lock, so that a stop sees each task either started
            // or not: a task that cannot start terminates right here.
            if (TConvertThread* thread = task->StartConvert(true, ThreadPriority))
                thread->Resume();
            return;
        }
    }
    task->StartConvert(false);
}

void TCustomEncoder::WaitForFinal()
{
    auto allEnded = [this] {
        std::lock_guard lock(FTerminateLock);
        return FCompleteTasks >= TasksCount();
    };
    TMainThreadDispatcher& dispatcher = FServices.Dispatcher;
    if (dispatcher.IsMainThread()) {
        dispatcher.WaitUntil(allEnded);
        return;
    }
    while (!allEnded())
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

void TCustomEncoder::Pause()
{
    if (!FWorking || FPaused)
        return;
    for (int i = 0; i < TasksCount(); ++i)
        Task(i)->Pause();
    FPaused = true;
}

void TCustomEncoder::Resume()
{
    if (!FWorking || !FPaused)
        return;
    for (int i = 0; i < TasksCount(); ++i)
        Task(i)->Resume();
    FPaused = false;
}

void TCustomEncoder::Stop(bool AWaitForStop)
{
    int started = 0;
    {
        // After this no task starts: those before FCurrentTask have been
        // started (they run or have ended), the rest never will.
        std::lock_guard lock(FStartLock);
        FPendingTasks = 0;
        started = FCurrentTask < 0 ? 0 : FCurrentTask;
    }
    if (!FWorking)
        return;
    FPaused = false;
    for (int i = 0; i < TasksCount(); ++i) {
        TFFmpeg* task = Task(i);
        if (i >= started)
            task->StopOrTerminate(AWaitForStop);
        else if (!task->Terminated())
            task->Stop(AWaitForStop);
    }
}

// --- events --------------------------------------------------------------------

void TCustomEncoder::Deliver(const std::function<void()>& ACall) const
{
    if (TriggerEventInMainThread)
        FServices.Dispatcher.Invoke(ACall);
    else
        ACall();
}

void TCustomEncoder::DoProgress(TCustomFFmpeg* Sender, int AFileIndex, int AFrameNumber, int AFPS, float AQuality,
                                float ABitRate, int64_t ACurrentSize, int64_t ACurrentDuration,
                                int64_t ATotalDuration)
{
    const TProgressInfo info{GetTaskIndex(Sender), AFileIndex, AFrameNumber, AFPS, AQuality, ABitRate,
                             ACurrentSize, ACurrentDuration, ATotalDuration};
    CallHandler(this, "Progress", [&] {
        Deliver([&] {
            std::lock_guard lock(FProgressLock);
            FProgressInfo = info;
            if (OnProgress)
                OnProgress(this, &FProgressInfo);
        });
    });
}

void TCustomEncoder::DoPreviewBitmap(TCustomFFmpeg* Sender, TEngineBitmap* ABitmap, int AFrameNumber, int64_t APTS)
{
    const TPreviewInfo info{GetTaskIndex(Sender), ABitmap, AFrameNumber, APTS};
    CallHandler(this, "PreviewBitmap", [&] {
        Deliver([&] {
            std::lock_guard lock(FPreviewLock);
            FPreviewInfo = info;
            if (OnPreviewBitmap)
                OnPreviewBitmap(this, FPreviewInfo);
        });
    });
}

void TCustomEncoder::DoInputVideoHook(TCustomFFmpeg* Sender, TEngineBitmap* ABitmap, int AFrameNumber, int64_t APTS,
                                      bool& AUpdate, bool& AStopHook)
{
    DoVideoHook(OnVideoInputHook, Sender, ABitmap, AFrameNumber, APTS, AUpdate, AStopHook);
}

void TCustomEncoder::DoOutputVideoHook(TCustomFFmpeg* Sender, TEngineBitmap* ABitmap, int AFrameNumber,
                                       int64_t APTS, bool& AUpdate, bool& AStopHook)
{
    DoVideoHook(OnVideoOutputHook, Sender, ABitmap, AFrameNumber, APTS, AUpdate, AStopHook);
}

// Runs on the task's worker; the task logs what the handler throws and
// leaves the picture alone then.
void TCustomEncoder::DoVideoHook(const TEncoderVideoHookEvent& AHandler, TCustomFFmpeg* Sender,
                                 TEngineBitmap* ABitmap, int AFrameNumber, int64_t APTS, bool& AUpdate,
                                 bool& AStopHook)
{
    std::lock_guard lock(FVideoHookLock);
    if (!AHandler)
        return;
    FVideoHookInfo = THookInfo{GetTaskIndex(Sender), ABitmap, AFrameNumber, APTS, AUpdate, AStopHook};
    AHandler(this, &FVideoHookInfo);
    AUpdate = FVideoHookInfo.Update;
    AStopHook = FVideoHookInfo.StopHook;
}

void TCustomEncoder::DoAudioHook(TCustomFFmpeg* Sender, int64_t APTS, void* ASample, int ASize, int ASampleRate,
                                 int AChannels, int ASampleFormat)
{
    std::lock_guard lock(FAudioHookLock);
    if (OnAudioHook)
        CallHandler(this, "AudioHook", [&] {
            OnAudioHook(this, GetTaskIndex(Sender), APTS, ASample, ASize, ASampleRate, AChannels, ASampleFormat);
        });
}

void TCustomEncoder::DoTerminate(TCustomFFmpeg* Sender)
{
    static_cast<TFFmpeg*>(Sender)->ForgetClosedInputs();
    bool last = false;
    {
        std::lock_guard lock(FTerminateLock);
        FTerminateInfo = TTerminateInfo{GetTaskIndex(Sender), Sender->Finished(), Sender->FatalException(),
                                        Sender->FatalMessage(), Sender->Warning(), Sender->Incomplete()};
        if (FThreadMode) {
            FTerminateThreads->Start([this, info = FTerminateInfo, handler = OnTerminate] {
                if (handler)
                    CallHandler(this, "Terminate", [&] { handler(this, info); });
            });
        } else if (OnTerminate) {
            CallHandler(this, "Terminate", [&] { OnTerminate(this, FTerminateInfo); });
        }
        ++FCompleteTasks;
        last = FPendingTasks <= 0 && FCompleteTasks >= TasksCount();
    }
    FServices.Dispatcher.Notify();
    if (!FThreadMode)
        return;  // Start delivers the final event once the last task returned
    if (last)
        DeliverFinal();
    else
        StartNextTask();
}

void TCustomEncoder::DeliverFinal()
{
    std::lock_guard lock(FTerminateLock);
    FTerminateInfo = TTerminateInfo{-1, true, false, "", "", false};
    if (!FThreadMode) {
        FTerminated = true;
        if (OnTerminate)
            CallHandler(this, "Terminate", [&] { OnTerminate(this, FTerminateInfo); });
        return;
    }
    // After every per-task event: those run on threads of their own too.
    FTerminateThreads->Start([this, info = FTerminateInfo, handler = OnTerminate] {
        while (FTerminateThreads->Running() > 1)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        FTerminated = true;
        FServices.Dispatcher.Notify();
        if (handler)
            CallHandler(this, "Terminate", [&] { handler(this, info); });
    });
}

}  // namespace vidrelo
