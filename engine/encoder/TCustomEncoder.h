#pragma once
// The encoder component: the one object through which the program converts.
//
// It keeps an ordered list of tasks (TFFmpeg: one transcoding job each).
// The caller builds every task first (AddTask, AddInputFile, SetOutputFile),
// then Start runs them, on worker threads (Start(n), at most n at once) or
// one after another on the caller's thread (Start(0)). Each task's end is
// reported by OnTerminate, then one final OnTerminate with TaskIndex -1.
// After a run only ClearTasks brings the component back to building tasks.
//
// Threads: build, start, stop and destroy on one thread (the main thread
// in the program). Progress and preview events come on the main thread
// (through the main-thread dispatcher) when TriggerEventInMainThread is on,
// else on the task's worker; the hooks always come on the worker; in thread
// mode OnTerminate comes on a short-lived thread of its own and must hand
// window work to the main thread itself. No lock of the component is held
// while a worker waits for the main thread. Destroy the component neither
// from one of its events nor while a handler may still be called.
//
// Services: the loader binds its libraries, main-thread hand-offs and the
// waits that serve them go through the dispatcher, and its tasks get the
// same services; all of them from the record it was created with.
#include "engine/EngineServices.h"
#include "engine/TFFBaseComponent.h"
#include "engine/encoder/TConvertThread.h"
#include "engine/encoder/TCustomFFmpeg.h"
#include "engine/encoder/TEncoderTypes.h"
#include "engine/encoder/TFFmpegList.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace vidrelo {

class TDoTerminateThreads;
class TFFDecoder;

class TCustomEncoder : public TFFBaseComponent {
public:
    explicit TCustomEncoder(const TEngineServices& AServices);
    ~TCustomEncoder() override;

    const TEngineServices& Services() const { return FServices; }

    // The media libraries the encoder needs.
    bool AVLibLoaded() const;
    bool LoadAVLib(const std::string& APath);  // false with LastErrMsg
    void UnloadAVLib();

    // A new task reading AFileName: its index, or -1 with LastErrMsg.
    int AddTask(const std::string& AFileName, TInputOptions* AOptions = nullptr);
    // AExtOptions: "name=value" lines; "TimeStart" sets the start (in
    // microseconds), every other line is an input option.
    int AddTask(const std::string& AFileName, const std::string& AExtOptions);
    bool AddInputFile(int ATaskIndex, const std::string& AFileName, TInputOptions* AOptions = nullptr);
    bool AddInputFile(int ATaskIndex, const std::string& AFileName, const std::string& AExtOptions);
    // The file is refused when it exists (unless the record's Overwrite says
    // to replace it) and when it is one of the task's inputs; AddInputFile
    // refuses one of the task's outputs likewise.
    bool SetOutputFile(int ATaskIndex, const std::string& AFileName, TOutputOptions* AOptions = nullptr);
    // "AudioHook", "VideoInputHook", "VideoOutputHook", "Join", "Overwrite",
    // "VideoHookBitsPixel", "TimeStart" and "TimeLength" lines set the
    // record's fields; every other line is an output option.
    bool SetOutputFile(int ATaskIndex, const std::string& AFileName, const std::string& AExtOptions);
    void ClearTasks();
    void Exchange(int ATaskIndex1, int ATaskIndex2);
    void RemoveTask(int ATaskIndex);
    int GetTaskIndex(const TCustomFFmpeg* AFFmpeg) const;
    int TasksCount() const { return FFFmpegList.Count(); }
    TFFmpeg* Task(int ATaskIndex) const { return FFFmpegList.Item(ATaskIndex); }

    // Runs the tasks: AThreadCount > 0 on worker threads, at most that many
    // at once; otherwise each in turn on the caller's thread, returning
    // after the final terminate event.
    void Start(int AThreadCount);
    void Pause();
    void Resume();
    // Ends the run: no further task starts; running tasks break off
    // (AWaitForStop: and are waited for, serving the main thread's
    // hand-offs meanwhile); a task that never started is terminated on a
    // thread of its own. Every task still reports its end once, then the
    // final event follows.
    void Stop(bool AWaitForStop);

    TFFDecoder& Decoder() const { return *FDecoder; }
    const std::string& LastErrMsg() const { return FLastErrMsg; }
    bool Terminated() const { return FTerminated; }
    bool Working() const { return FWorking; }
    bool Paused() const { return FPaused; }

    bool Preview() const { return FPreview; }
    void SetPreview(bool AValue);
    bool PreviewBitmap() const { return FPreviewBitmap; }
    void SetPreviewBitmap(bool AValue);
    int ProgressInterval() const { return FProgressInterval; }
    void SetProgressInterval(int AMilliseconds);  // at or below 100: 100
    int CustomMaxFiles() const { return FCustomMaxFiles; }
    void SetCustomMaxFiles(int AValue);  // 1..512

    TThreadPriority ThreadPriority = tpNormal;
    bool TriggerEventInMainThread = true;
    bool HaltOnInvalidOption = true;
    int ReadTimeout = 10000;  // milliseconds; 0 or less: no I/O timeout
    void* UserData = nullptr;
    int Verbose = 1;

    // Set while no task runs.
    TEncoderProgressEvent OnProgress;
    TEncoderTerminateEvent OnTerminate;
    TEncoderPreviewBitmapEvent OnPreviewBitmap;
    TEncoderVideoHookEvent OnVideoInputHook;
    TEncoderVideoHookEvent OnVideoOutputHook;
    TEncoderAudioHookEvent OnAudioHook;
    TBeforeFindStreamInfoEvent OnBeforeFindStreamInfo;

protected:
    // What each task's job events become.
    virtual void DoInputVideoHook(TCustomFFmpeg* Sender, TEngineBitmap* ABitmap, int AFrameNumber, int64_t APTS,
                                  bool& AUpdate, bool& AStopHook);
    virtual void DoOutputVideoHook(TCustomFFmpeg* Sender, TEngineBitmap* ABitmap, int AFrameNumber, int64_t APTS,
                                   bool& AUpdate, bool& AStopHook);
    virtual void DoPreviewBitmap(TCustomFFmpeg* Sender, TEngineBitmap* ABitmap, int AFrameNumber, int64_t APTS);
    virtual void DoProgress(TCustomFFmpeg* Sender, int AFileIndex, int AFrameNumber, int AFPS, float AQuality,
                            float ABitRate, int64_t ACurrentSize, int64_t ACurrentDuration, int64_t ATotalDuration);
    virtual void DoTerminate(TCustomFFmpeg* Sender);

private:
    friend class TFFmpeg;
    using TLock = std::recursive_mutex;  // a handler may stop the run and serve hand-offs

    void CheckNotWorking(const char* AOperation) const;
    TFFmpeg& TaskAt(int ATaskIndex) const;
    std::unique_ptr<TFFmpeg> NewTask();
    bool AddInput(TFFmpeg& ATask, const std::string& AFileName, TInputOptions* AOptions);
    void AttachOutputHooks(TFFmpeg& ATask, const TOutputOptions& AOptions);
    void DoVideoHook(const TEncoderVideoHookEvent& AHandler, TCustomFFmpeg* Sender, TEngineBitmap* ABitmap,
                     int AFrameNumber, int64_t APTS, bool& AUpdate, bool& AStopHook);
    void DoAudioHook(TCustomFFmpeg* Sender, int64_t APTS, void* ASample, int ASize, int ASampleRate, int AChannels,
                     int ASampleFormat);
    // Runs `ACall` on the main thread when events go there, else here.
    void Deliver(const std::function<void()>& ACall) const;
    void StartNextTask();
    void DeliverFinal();
    void WaitForFinal();

    const TEngineServices FServices;
    TFFmpegList FFFmpegList;
    std::unique_ptr<TFFDecoder> FDecoder;
    std::unique_ptr<TDoTerminateThreads> FTerminateThreads;
    std::string FLastErrMsg;
    int FCompleteTasks = 0;   // under FTerminateLock
    int FCurrentTask = -1;    // under FStartLock
    std::atomic<int> FPendingTasks{0};
    std::atomic<bool> FTerminated{false};
    bool FThreadMode = false;
    std::atomic<bool> FWorking{false};
    std::atomic<bool> FPaused{false};
    bool FPreview = false;
    bool FPreviewBitmap = false;
    int FProgressInterval = 500;
    int FCustomMaxFiles = 20;

    TProgressInfo FProgressInfo;
    TTerminateInfo FTerminateInfo;
    TPreviewInfo FPreviewInfo;
    THookInfo FVideoHookInfo;
    TLock FAudioHookLock;
    TLock FPreviewLock;
    TLock FProgressLock;
    TLock FTerminateLock;
    TLock FVideoHookLock;
    TLock FStartLock;  // starting tasks: the Start loop and ending tasks
};

}  // namespace vidrelo
