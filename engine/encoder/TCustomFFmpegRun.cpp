// Running a job: starting it on a worker or in place, stopping, pausing,
// the end of the run and the terminate notification.
#include "engine/CLocale.h"
#include "engine/MainThreadDispatcher.h"
#include "engine/encoder/FFmpegException.h"
#include "engine/encoder/TCustomFFmpeg.h"
#include "engine/loader/AVBindings.h"
#include "engine/log/TFFLogger.h"

#include <chrono>

namespace vidrelo {
namespace {

// Waits until `done`; on the main thread the main thread's hand-offs (and the
// host's window messages) keep being served meanwhile, so that a worker which
// hands something to the main thread before it ends cannot block the wait.
void WaitServingMainThread(TMainThreadDispatcher& dispatcher, std::mutex& lock, std::condition_variable& changed,
                           const std::function<bool()>& done)
{
    if (dispatcher.IsMainThread()) {
        dispatcher.WaitUntil([&] {
            std::lock_guard guard(lock);
            return done();
        });
        return;
    }
    std::unique_lock guard(lock);
    changed.wait(guard, done);
}

}  // namespace

std::mutex& TCustomFFmpeg::CodecListLock()
{
    static std::mutex lock;
    return lock;
}

TConvertThread* TCustomFFmpeg::StartConvert(bool AUseThread, TThreadPriority APriority)
{
    if (FConverting || FTerminated || FNotified)
        return nullptr;
    if (FOutputs.Empty())
        return FailStart("At least one output file must be specified"), nullptr;
    if (FInputs.Empty())
        return FailStart("At least one input file must be specified"), nullptr;
    FConverting = true;
    FBroken = false;
    FFinished = false;
    FTerminated = false;
    FFatalException = false;
    FFatalMessage.clear();
    FWarning.clear();
    FIncomplete = false;
    FInputHookStopped = FOutputHookStopped = false;
    FPreviewLastTime = 0;
    {
        std::lock_guard lock(FRunLock);
        FBodyRunning = true;
        if (AUseThread)
            FThread = std::make_unique<TConvertThread>([this] { RunJob(); }, APriority);
    }
    if (AUseThread)
        return FThread.get();
    RunJob();
    return nullptr;
}

bool TCustomFFmpeg::FailStart(const std::string& AMessage)
{
    if (LibrariesLoaded())
        CleanUp();
    FFatalException = true;
    FFatalMessage = AMessage;
    Log(llQuiet, AMessage);
    NotifyTerminate();
    return false;
}

void TCustomFFmpeg::RunJob()
{
    const TCLocaleScope numbers;
    FFinished = false;
    CaptureFatal([this] { Transcode(); });
    CaptureFatal([this] { CloseCodecs(); });
    CaptureFatal([this] { CleanUp(); });
    NotifyTerminate();
    {
        std::lock_guard lock(FRunLock);
        FBodyRunning = false;
    }
    FRunChanged.notify_all();
    FServices.Dispatcher.Notify();
}

void TCustomFFmpeg::CaptureFatal(const std::function<void()>& AStep)
{
    std::string message;
    try {
        AStep();
        return;
    } catch (const std::exception& e) {
        message = e.what();
    } catch (...) {
        message = "Unknown error";
    }
    Log(llQuiet, message);
    // The first failure is the one that ended the run; what fails after it
    // while cleaning up is only logged.
    if (!FFatalException) {
        FFatalException = true;
        FFatalMessage = message;
    }
}

void TCustomFFmpeg::CloseCodecs()
{
    StopEncoders();  // their threads use the encoders to the last
    std::lock_guard lock(CodecListLock());
    for (const TAVStreamRef& ref : FOpenedEncoders) {
        AVCodecContext*& context = FOutputs.Setups(ref.file).at(ref.stream).Context;
        if (context)
            ff::av_freep(&context->stats_in);
        ff::avcodec_free_context(&context);
    }
    for (const TAVStreamRef& ref : FOpenedDecoders)
        FInputs.FreeDecoder(ref);
    FOpenedEncoders.clear();
    FOpenedDecoders.clear();
}

void TCustomFFmpeg::NotifyTerminate()
{
    if (FNotified.exchange(true))
        return;
    GiveTerminateNotification();
}

void TCustomFFmpeg::GiveTerminateNotification()
{
    FConverting = false;
    FTerminated = true;
    if (!OnTerminate)
        return;
    try {
        OnTerminate(this);
    } catch (const std::exception& e) {
        Log(llError, e.what());
    }
}

void TCustomFFmpeg::Stop(bool AWaitForStop)
{
    FBroken = true;
    TConvertThread* thread = nullptr;
    {
        std::lock_guard lock(FRunLock);
        thread = FThread.get();
    }
    if (!thread) {
        // Without a worker, an open in progress is given up at once (the
        // timeout predicate sees a cancelled start time); a run in place
        // sees FBroken between packets and during a read.
        if (!FConverting)
            FLastRead = 0;
        return;
    }
    thread->Resume();
    if (AWaitForStop && !thread->IsWorker())
        WaitForWorker();
}

void TCustomFFmpeg::WaitForWorker()
{
    WaitServingMainThread(FServices.Dispatcher, FRunLock, FRunChanged, [this] { return !FBodyRunning; });
}

void TCustomFFmpeg::StopOrTerminate(bool AWaitForStop)
{
    if (FConverting) {
        Stop(AWaitForStop);
        return;
    }
    if (FNotified.exchange(true))
        return;
    {
        std::lock_guard lock(FRunLock);
        FBodyRunning = true;
        FTerminators.Start([this] {
            const TCLocaleScope numbers;
            // The files opened for a run that never came are closed (an
            // empty output is removed) before the owner hears of the end.
            if (LibrariesLoaded())
                CaptureFatal([this] { CleanUp(); });
            GiveTerminateNotification();
            {
                std::lock_guard guard(FRunLock);
                FBodyRunning = false;
            }
            FRunChanged.notify_all();
            FServices.Dispatcher.Notify();
        });
    }
    if (AWaitForStop)
        WaitForWorker();
}

void TCustomFFmpeg::Pause()
{
    std::lock_guard lock(FRunLock);
    if (FThread && FConverting)
        FThread->Suspend();
}

void TCustomFFmpeg::Resume()
{
    std::lock_guard lock(FRunLock);
    if (FThread && FThread->Suspended())
        FThread->Resume();
}

bool TCustomFFmpeg::Paused() const
{
    std::lock_guard lock(FRunLock);
    return FThread && FConverting && FThread->Suspended();
}

bool TCustomFFmpeg::WorkerParked() const
{
    std::lock_guard lock(FRunLock);
    return FThread && FThread->Parked();
}

void TCustomFFmpeg::EndWorkers()
{
    Stop(true);
    std::unique_ptr<TConvertThread> thread;
    {
        std::lock_guard lock(FRunLock);
        thread = std::move(FThread);
    }
    thread.reset();  // joins
    FTerminators.JoinAll();
}

// --- the predicate of the main loop -------------------------------------------

bool TCustomFFmpeg::RunPredicate(void* ASender)
{
    auto* job = static_cast<TCustomFFmpeg*>(ASender);
    const int64_t lastRead = job->FLastRead;
    // Only reads are given up on: a write cut short would spoil an output
    // that the end of the run still finishes properly.
    if (lastRead == NoIO)
        return false;
    if (job->FInterrupted)
        return true;
    if (job->FBroken || lastRead == 0) {
        job->FInterrupted = 2;
        return true;
    }
    return job->ReadTimedOut(lastRead);
}

}  // namespace vidrelo
