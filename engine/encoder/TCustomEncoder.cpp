// The encoder component: its task list and how tasks are added.
#include "engine/encoder/TCustomEncoder.h"

#include "engine/StringFormat.h"
#include "engine/encoder/FFmpegException.h"
#include "engine/encoder/TDoTerminateThreads.h"
#include "engine/encoder/TExtOptions.h"
#include "engine/encoder/TFFmpeg.h"
#include "engine/encoder/TextUtils.h"
#include "engine/loader/TFFLoader.h"
#include "engine/probe/TFFDecoder.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace vidrelo {
namespace {

// A decimal number of a field line; AFallback when it is not one.
int64_t DecimalOr(const std::string& AText, int64_t AFallback)
{
    const std::string text = Trim(AText);
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    return text.empty() || *end != '\0' || errno == ERANGE ? AFallback : value;
}

std::string AppendLine(const std::string& AText, const TExtOption& ALine)
{
    return (AText.empty() ? "" : AText + "\n") + ALine.Name + "=" + ALine.Value;
}

// An input record from "name=value" lines: "TimeStart" is the field, the
// rest are the record's ExtOptions.
TInputOptions InputRecord(const std::string& AExtOptions)
{
    TInputOptions options;
    for (const TExtOption& line : ParseExtOptions(AExtOptions)) {
        if (SameText(line.Name, "TimeStart"))
            options.TimeStart = DecimalOr(line.Value, NoTimeValue);
        else
            options.ExtOptions = AppendLine(options.ExtOptions, line);
    }
    return options;
}

// Runs an add step; an exception becomes the component's LastErrMsg.
template <typename TStep>
bool Guarded(std::string& ALastErrMsg, TStep AStep)
{
    try {
        return AStep();
    } catch (const std::exception& e) {
        ALastErrMsg = e.what();
    } catch (...) {
        ALastErrMsg = "Unknown error";
    }
    return false;
}

}  // namespace

TCustomEncoder::TCustomEncoder(const TEngineServices& AServices)
    : FServices(AServices),
      FDecoder(std::make_unique<TFFDecoder>(AServices.Loader)),
      FTerminateThreads(std::make_unique<TDoTerminateThreads>(AServices.Dispatcher))
{
}

TCustomEncoder::~TCustomEncoder()
{
    // Every running task ends and every terminate event is delivered before
    // the handlers go, so that none of them runs on a half-destroyed object.
    if (FWorking && !FTerminated)
        Stop(true);
    FTerminateThreads->WaitAll();
    for (TLock* lock : {&FAudioHookLock, &FPreviewLock, &FProgressLock, &FTerminateLock, &FVideoHookLock}) {
        std::lock_guard guard(*lock);
        if (lock == &FAudioHookLock)
            OnAudioHook = nullptr;
        else if (lock == &FPreviewLock)
            OnPreviewBitmap = nullptr;
        else if (lock == &FProgressLock)
            OnProgress = nullptr;
        else if (lock == &FTerminateLock)
            OnTerminate = nullptr;
        else
            OnVideoInputHook = OnVideoOutputHook = nullptr;
    }
    FFFmpegList.Clear();
}

bool TCustomEncoder::AVLibLoaded() const
{
    return FServices.Loader.Loaded(EncoderLibraries);
}

bool TCustomEncoder::LoadAVLib(const std::string& APath)
{
    TFFLoader& loader = FServices.Loader;
    loader.SetLibraryPath(APath);
    if (loader.Load(EncoderLibraries))
        return true;
    FLastErrMsg = loader.LastErrMsg();
    return false;
}

void TCustomEncoder::UnloadAVLib()
{
    FServices.Loader.Unload(EncoderLibraries);
}

void TCustomEncoder::CheckNotWorking(const char* AOperation) const
{
    if (FWorking)
        throw EEngineError(Format("Cannot %s while working.", AOperation));
}

TFFmpeg& TCustomEncoder::TaskAt(int ATaskIndex) const
{
    TFFmpeg* task = FFFmpegList.Item(ATaskIndex);
    EngineAssert(task != nullptr, Format("List index out of bounds (%d)", ATaskIndex), "TCustomEncoder");
    return *task;
}

std::unique_ptr<TFFmpeg> TCustomEncoder::NewTask()
{
    auto task = std::make_unique<TFFmpeg>(this, FCustomMaxFiles);
    task->HaltOnInvalidOption = HaltOnInvalidOption;
    task->SetExtOption("v", std::to_string(Verbose));
    task->SetPostHook(phPreview, FPreview);
    task->SetPostHook(phBitmap, FPreviewBitmap);
    task->OnBeforeFindStreamInfo = [this](TCustomFFmpeg* Sender, AVFormatContext* AContext) {
        if (OnBeforeFindStreamInfo)
            OnBeforeFindStreamInfo(Sender, AContext);
    };
    task->OnPreviewBitmap = [this](TCustomFFmpeg* Sender, TEngineBitmap* ABitmap, int AFrame, int64_t APTS) {
        DoPreviewBitmap(Sender, ABitmap, AFrame, APTS);
    };
    return task;
}

bool TCustomEncoder::AddInput(TFFmpeg& ATask, const std::string& AFileName, TInputOptions* AOptions)
{
    ATask.SetReadTimeout(ReadTimeout);
    if (ATask.AddInput(AFileName, AOptions))
        return true;
    FLastErrMsg = ATask.LastErrMsg();
    return false;
}

int TCustomEncoder::AddTask(const std::string& AFileName, TInputOptions* AOptions)
{
    CheckNotWorking("AddTask");
    std::unique_ptr<TFFmpeg> task;
    const bool added = Guarded(FLastErrMsg, [&] {
        task = NewTask();
        if (!AddInput(*task, AFileName, AOptions))
            return false;
        task->OnProgress = [this](TCustomFFmpeg* Sender, int AFile, int AFrame, int AFPS, float AQ, float ABitRate,
                                  int64_t ASize, int64_t ADuration, int64_t ATotal) {
            DoProgress(Sender, AFile, AFrame, AFPS, AQ, ABitRate, ASize, ADuration, ATotal);
        };
        task->OnTerminate = [this](TCustomFFmpeg* Sender) { DoTerminate(Sender); };
        return true;
    });
    if (!added)
        return -1;
    return FFFmpegList.Add(std::move(task));
}

int TCustomEncoder::AddTask(const std::string& AFileName, const std::string& AExtOptions)
{
    TInputOptions options = InputRecord(AExtOptions);
    return AddTask(AFileName, &options);
}

bool TCustomEncoder::AddInputFile(int ATaskIndex, const std::string& AFileName, TInputOptions* AOptions)
{
    CheckNotWorking("AddInputFile");
    TFFmpeg& task = TaskAt(ATaskIndex);
    if (task.nb_input_files() >= task.MaxFiles()) {
        FLastErrMsg = Format("max input files %d reached", task.MaxFiles());
        return false;
    }
    return Guarded(FLastErrMsg, [&] { return AddInput(task, AFileName, AOptions); });
}

bool TCustomEncoder::AddInputFile(int ATaskIndex, const std::string& AFileName, const std::string& AExtOptions)
{
    TInputOptions options = InputRecord(AExtOptions);
    return AddInputFile(ATaskIndex, AFileName, &options);
}

bool TCustomEncoder::SetOutputFile(int ATaskIndex, const std::string& AFileName, TOutputOptions* AOptions)
{
    CheckNotWorking("SetOutputFile");
    TFFmpeg& task = TaskAt(ATaskIndex);
    if (task.nb_output_files() >= task.MaxFiles()) {
        FLastErrMsg = Format("max output files %d reached", task.MaxFiles());
        return false;
    }
    return Guarded(FLastErrMsg, [&] {
        task.HaltOnInvalidOption = HaltOnInvalidOption;
        task.SetReadTimeout(ReadTimeout);
        if (task.AddOutput(AFileName, AOptions))
            return true;
        FLastErrMsg = task.LastErrMsg();
        return false;
    });
}

bool TCustomEncoder::SetOutputFile(int ATaskIndex, const std::string& AFileName, const std::string& AExtOptions)
{
    TOutputOptions options;
    for (const TExtOption& line : ParseExtOptions(AExtOptions)) {
        const std::string name = LowerCase(line.Name);
        if (name == "audiohook")
            options.AudioHook = line.Value != "0";
        else if (name == "videoinputhook")
            options.VideoInputHook = line.Value != "0";
        else if (name == "videooutputhook")
            options.VideoOutputHook = line.Value != "0";
        else if (name == "join")
            options.Join = line.Value != "0";
        else if (name == "overwrite")
            options.Overwrite = line.Value != "0";
        else if (name == "videohookbitspixel")
            options.VideoHookBitsPixel = static_cast<int>(DecimalOr(line.Value, 24));
        else if (name == "timestart")
            options.TimeStart = DecimalOr(line.Value, NoTimeValue);
        else if (name == "timelength")
            options.TimeLength = DecimalOr(line.Value, NoTimeValue);
        else
            options.ExtOptions = AppendLine(options.ExtOptions, line);
    }
    return SetOutputFile(ATaskIndex, AFileName, &options);
}

void TCustomEncoder::AttachOutputHooks(TFFmpeg& ATask, const TOutputOptions& AOptions)
{
    if (AOptions.AudioHook)
        ATask.OnAudioHook = [this](TCustomFFmpeg* Sender, int64_t APTS, void* ASample, int ASize, int ARate,
                                   int AChannels, int AFormat) {
            DoAudioHook(Sender, APTS, ASample, ASize, ARate, AChannels, AFormat);
        };
    if (AOptions.VideoInputHook)
        ATask.OnInputVideoHook = [this](TCustomFFmpeg* Sender, TEngineBitmap* ABitmap, int AFrame, int64_t APTS,
                                        bool& AUpdate, bool& AStop) {
            DoInputVideoHook(Sender, ABitmap, AFrame, APTS, AUpdate, AStop);
        };
    if (AOptions.VideoOutputHook)
        ATask.OnOutputVideoHook = [this](TCustomFFmpeg* Sender, TEngineBitmap* ABitmap, int AFrame, int64_t APTS,
                                         bool& AUpdate, bool& AStop) {
            DoOutputVideoHook(Sender, ABitmap, AFrame, APTS, AUpdate, AStop);
        };
}

void TCustomEncoder::ClearTasks()
{
    if (FWorking && !FTerminated)
        throw EEngineError("Cannot ClearTasks while working.");
    FFFmpegList.Clear();
    FLastErrMsg.clear();
    FCompleteTasks = 0;
    FCurrentTask = -1;
    FPendingTasks = 0;
    FTerminated = false;
    FThreadMode = false;
    FWorking = false;
    FPaused = false;
}

void TCustomEncoder::Exchange(int ATaskIndex1, int ATaskIndex2)
{
    CheckNotWorking("Exchange");
    FFFmpegList.Exchange(ATaskIndex1, ATaskIndex2);
}

void TCustomEncoder::RemoveTask(int ATaskIndex)
{
    CheckNotWorking("RemoveTask");
    FFFmpegList.Delete(ATaskIndex);
}

int TCustomEncoder::GetTaskIndex(const TCustomFFmpeg* AFFmpeg) const
{
    return FFFmpegList.IndexOf(AFFmpeg);
}

void TCustomEncoder::SetPreview(bool AValue)
{
    FPreview = AValue;
    for (int i = 0; i < TasksCount(); ++i)
        Task(i)->SetPostHook(phPreview, AValue);
}

void TCustomEncoder::SetPreviewBitmap(bool AValue)
{
    FPreviewBitmap = AValue;
    for (int i = 0; i < TasksCount(); ++i)
        Task(i)->SetPostHook(phBitmap, AValue);
}

void TCustomEncoder::SetProgressInterval(int AMilliseconds)
{
    FProgressInterval = std::max(AMilliseconds, 100);
}

void TCustomEncoder::SetCustomMaxFiles(int AValue)
{
    FCustomMaxFiles = std::clamp(AValue, 1, 512);
}

}  // namespace vidrelo
