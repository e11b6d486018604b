#pragma once
// A transcoding job: one or more inputs turned into one or more outputs by
// the media libraries.
//
// A job is put together the way a command line is read, left to right:
// options are set one at a time (SetExtOption), an input is opened with the
// options set so far, then more options, then an output with its first
// streams, and so on; each open consumes the settings that belong to it.
// StartConvert then runs the conversion once: it maps input streams to
// output streams, opens the codecs, reads packets in timestamp order,
// decodes, filters, encodes and writes them, reports progress, cleans up and
// gives the terminate notification (OnTerminate) exactly once.
//
// The job conducts stages that own their data: the inputs (TJobInputs), a
// decoder per decoded stream (TDecoderStage), the picture chains and audio
// converters, an encoder per encoded stream (TEncoderStage) and the outputs
// (TJobOutputs); the conductor maps streams, converts frame rates, syncs
// audio, joins segments, runs the hooks and reports progress.
//
// Threads: options are set and files opened on one thread (the owner's);
// Stop, Pause and Resume may be called from any thread. Events are raised on
// the thread that runs the conversion; a handler must not destroy the job.
// Video encoders code on threads of their own ("pipeline"), fed through a
// short queue; they raise no events.
// Needs the encoder's media libraries loaded while it holds anything
// (construction included).
#include "engine/EngineServices.h"
#include "engine/TThreadOwner.h"
#include "engine/encoder/TAVInputStream.h"
#include "engine/encoder/TAVOutputStream.h"
#include "engine/encoder/TConvertThread.h"
#include "engine/encoder/TCustomFFmpegTypes.h"
#include "engine/encoder/TEncoderStage.h"
#include "engine/encoder/TFFOptions.h"
#include "engine/encoder/TFFTargets.h"
#include "engine/encoder/TJobInputs.h"
#include "engine/encoder/TJobOptionState.h"
#include "engine/encoder/TJobOutputs.h"
#include "engine/encoder/TPartialOutput.h"
#include "engine/loader/MediaHeaders.h"
#include "engine/loader/TInterruptCB.h"
#include "engine/log/TLogLevel.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vidrelo {

struct TPresetLine;
class TEngineBitmap;
class TFormatConverter;
class TOpenedInput;

using TNotifyEvent = std::function<void(TCustomFFmpeg* Sender)>;
using TBeforeFindStreamInfoEvent = std::function<void(TCustomFFmpeg* Sender, AVFormatContext* AFormatContext)>;
using TProgressEvent =
    std::function<void(TCustomFFmpeg* Sender, int AFileIndex, int AFrameNumber, int AFPS, float AQuality,
                       float ABitRate, int64_t ACurrentSize, int64_t ACurrentDuration, int64_t ATotalDuration)>;
// A picture as a bitmap: leave AUpdate true to have the bitmap (changed or
// not) written back into the picture; set AStopHook to be called no more.
using TVideoHookEvent = std::function<void(TCustomFFmpeg* Sender, TEngineBitmap* ABitmap, int AFrameNumber,
                                           int64_t APTS, bool& AUpdate, bool& AStopHook)>;
using TPreviewBitmapEvent =
    std::function<void(TCustomFFmpeg* Sender, TEngineBitmap* ABitmap, int AFrameNumber, int64_t APTS)>;
// Decoded samples as the decoder gives them (ASampleFormat is the
// libraries' number; for a planar format ASample is the first channel's
// plane and ASize its bytes).
using TAudioHookEvent = std::function<void(TCustomFFmpeg* Sender, int64_t APTS, void* ASample, int ASize,
                                           int ASampleRate, int AChannels, int ASampleFormat)>;

// What is done with each encoded picture: a preview window (no painter in
// this engine: the switch is kept and ignored), preview bitmaps
// (OnPreviewBitmap), and the classic handle form (kept, never acted on).
enum TPostHook { phPreview, phBitmap, phHBITMAP };

class TCustomFFmpeg {
public:
    static constexpr int64_t NoIO = std::numeric_limits<int64_t>::max();  // FLastRead: no blocking I/O

    // 1 <= AMaxFiles <= 512 (EAssertionFailed otherwise): the most inputs
    // and the most outputs the job takes. AServices: the main-thread
    // hand-offs, the interrupt registry and the filter registry it uses.
    TCustomFFmpeg(int AMaxFiles, const TEngineServices& AServices);
    virtual ~TCustomFFmpeg();
    TCustomFFmpeg(const TCustomFFmpeg&) = delete;
    TCustomFFmpeg& operator=(const TCustomFFmpeg&) = delete;

    // Sets one option (names compared exactly). A refused option raises
    // FFmpegException with the text the user sees.
    void SetExtOption(const std::string& AName, const std::string& AValue);
    // Disc target settings for `AType` ("dvd") in the norm given, or guessed
    // (Auto) with `ADefaultNorm` as the last resort.
    void SetTarget(const std::string& AType, TTargetNorm ANorm, TTargetNorm ADefaultNorm);

    // Opens an input with the options set so far. False with LastErrMsg when
    // it fails (also when it is one of the job's outputs); raises
    // FFmpegException for an unknown forced format.
    bool OpenInput(const std::string& AFileName);
    // Opens an output and creates its first streams; its index, or -1 with
    // LastErrMsg. AJoin: the output is fed by all inputs one after another.
    // A local file is written under its temporary name and gets its own when
    // the run ends (a failed run removes it); one of the inputs is always
    // refused, an existing file unless AReplace.
    int OpenOutput(const std::string& AFileName, bool AJoin = false, bool AReplace = false);

    // Runs the conversion, once. With AUseThread on a worker thread of its
    // own, which is returned created suspended (the caller resumes it; the
    // job owns it); otherwise in place, returning null after the job has
    // terminated. Null too when the job is converting or has terminated, and
    // when it cannot start: without an output ("At least one output file
    // must be specified") or an input ("At least one input file must be
    // specified") it records that as fatal, cleans up and terminates.
    TConvertThread* StartConvert(bool AUseThread, TThreadPriority APriority = tpNormal);
    // Asks the job to stop. Before the run this abandons an input or output
    // that is being opened (its blocking I/O gives up at the next poll).
    // During a threaded run, AWaitForStop waits until the worker has ended
    // (terminate notification included); a wait on the main thread keeps
    // running the main thread's hand-offs meanwhile.
    void Stop(bool AWaitForStop);
    // Stop when converting; a job that never started is terminated instead
    // (its notification given on a thread of its own, waited for with
    // AWaitForStop).
    void StopOrTerminate(bool AWaitForStop);
    // Holds a threaded run between two packets, holding no lock; Resume lets
    // it go on. Both do nothing without a worker thread.
    void Pause();
    void Resume();
    bool Paused() const;
    // True while a paused worker waits (it has stopped between two packets).
    bool WorkerParked() const;

    int nb_input_files() const { return FInputs.Count(); }
    int nb_output_files() const { return FOutputs.Count(); }
    int MaxFiles() const { return FMaxFiles; }
    bool Converting() const { return FConverting; }
    bool Finished() const { return FFinished; }
    bool FatalException() const { return FFatalException; }
    const std::string& FatalMessage() const { return FFatalMessage; }
    // What went wrong without ending the run (see TTerminateInfo).
    const std::string& Warning() const { return FWarning; }
    bool Incomplete() const { return FIncomplete; }
    const std::string& LastErrMsg() const { return FLastErrMsg; }
    bool Terminated() const { return FTerminated; }
    int64_t TotalOutputDuration() const { return FTotalOutputDuration; }
    bool JoinMode() const { return FJoinMode; }
    int ReadTimeout() const { return FReadTimeout; }
    void SetReadTimeout(int AMilliseconds) { FReadTimeout = AMilliseconds; }

    // What has been set and opened, for the encoder component and for checks.
    const TJobOptionState& OptionState() const { return FOpt; }
    TFFOptions& GenericOptions() { return Options(); }
    AVFormatContext* InputFile(int AIndex) const { return FInputs.Context(AIndex); }
    const TInputFileSetup& InputSetup(int AIndex) const { return FInputs.Setup(AIndex); }
    AVFormatContext* OutputFile(int AIndex) const { return FOutputs.Context(AIndex); }
    const std::vector<TOutputStreamSetup>& OutputStreams(int AIndex) const { return FOutputs.Setups(AIndex); }
    const std::vector<TAVStreamMap>& StreamMaps() const { return Fstream_maps; }
    const std::vector<std::array<TAVMetaDataMap, 2>>& MetaDataMaps() const { return Fmeta_data_maps; }
    const std::vector<TAVChapterMap>& ChapterMaps() const { return Fchapter_maps; }

    // Switches a post hook on or off; also while the job runs (under a
    // process-wide lock that the frame processing takes too).
    void SetPostHook(TPostHook AHook, bool AOn);
    bool PostHookOn(TPostHook AHook) const;

    // Settings of the owner.
    bool HaltOnInvalidOption = true;     // a refused generic option fails SetExtOption
    int64_t ReportInterval = 500000;     // microseconds between progress reports
    int64_t PreviewInterval = 100000;    // microseconds between previews
    int VideoHookBitsPixel = 24;         // bitmaps of the video hooks and previews: 8, 15, 16, 24, 32

    TNotifyEvent OnTerminate;
    TProgressEvent OnProgress;
    TBeforeFindStreamInfoEvent OnBeforeFindStreamInfo;
    // Set before the run; the hooks run on the converting thread.
    TVideoHookEvent OnInputVideoHook;    // each decoded picture, before the filters
    TVideoHookEvent OnOutputVideoHook;   // each picture to encode
    TPreviewBitmapEvent OnPreviewBitmap; // encoded pictures at PreviewInterval, with phBitmap on
    TAudioHookEvent OnAudioHook;         // each decoded audio frame

protected:
    // The option state with its construction values, generic options kept.
    void ResetOptionState();
    // Closes and frees every input and output and the run's tables; the
    // collected generic options go too.
    void CleanUp();

private:
    // The run (TCustomFFmpegRun.cpp).
    static bool LibrariesLoaded();
    static std::mutex& CodecListLock();  // process-wide: opening and closing codecs
    bool FailStart(const std::string& AMessage);
    void RunJob();
    void CaptureFatal(const std::function<void()>& AStep);
    void CloseCodecs();
    void NotifyTerminate();
    void GiveTerminateNotification();
    void WaitForWorker();
    void EndWorkers();
    static bool RunPredicate(void* ASender);

    // The conversion (TCustomFFmpegLoop.cpp).
    void Transcode();
    void PrepareRun();
    void MainLoop();
    int ChooseInput(bool& ATryAgain);
    bool LimitsReached();
    int ReadPacket(int AFile);
    bool ReadAndProcess(int AFile);
    void ReportDecodingError(const TAVInputStream& AStream, int ACode);
    bool EndOfInput(int AFile);

    // Inputs read in a loop (TCustomFFmpegInputLoop.cpp).
    void CheckLoopedInputs() const;
    bool StartInputOver(int AFile);
    bool FinishSegment();
    void FinishRun();
    // Logs what the sources lost and checks the output against the length
    // expected of them (TCustomFFmpegSourceLosses.cpp).
    void ReportSourceLosses();
    void ReportCopyCuts();
    // A copied PCM stream the output's muxer cannot carry (a DVD's LPCM in
    // Matroska) is encoded instead, into plain PCM of the same samples;
    // true when AStream was switched to encoding that way.
    bool RewrapUnmuxablePcm(TAVOutputStream& AStream, TAVInputStream& AInput);
    // Sets the index of a map that names its stream by id; raises
    // FFmpegException when the input has no such stream.
    void FindMappedStream(TAVStreamMap& AMap) const;
    int64_t ExpectedOutputDuration() const;
    void AddWarning(const std::string& AText);

    // Stream tables (TCustomFFmpegTables.cpp).
    int CountOutputStreams();
    void CheckStreamMaps(int ATotal);
    void BuildOutputTables();
    TAVStreamRef ChooseInputStream(TAVOutputStream& AStream, int AMapIndex, int AOnlyFile);
    TAVStreamRef ChooseAutomatically(AVMediaType AType, int AOnlyFile, bool AUnusedOnly);
    void UseInputStream(TAVOutputStream& AStream, TAVStreamRef ARef);
    void FreeRunTables();
    std::string StreamText(const TAVOutputStream& AStream) const;

    // Stream setup (TCustomFFmpegStreamSetup.cpp).
    void SetupOutputStream(TAVOutputStream& AStream);
    void SetupStreamCopy(TAVOutputStream& AStream, TAVInputStream& AInput);
    void CheckCopyAllowed(AVMediaType AType) const;
    void SetupAudioCopy(AVCodecParameters* AOut, const AVCodecParameters* AIn);
    void SetupAudioEncoding(TAVOutputStream& AStream, TAVInputStream& AInput);
    void ConfigureAudioConverter(TAVOutputStream& AStream, const AVFrame& AFrame);
    void SetupVideoEncoding(TAVOutputStream& AStream, TAVInputStream& AInput);
    void ConfigurePictureChain(TAVOutputStream& AStream, TAVInputStream& AInput, int AWidth, int AHeight,
                               AVPixelFormat AFormat);
    void SetupSubtitleBurning(TAVOutputStream& AStream, TAVInputStream& AInput);
    void SetupTwoPass(TAVOutputStream& AStream);
    void SetupBitstreamFilters(TAVOutputStream& AStream);
    void OpenEncoder(TAVOutputStream& AStream);
    void CopyCodedSideData(TAVOutputStream& AStream);
    void OpenDecoder(TAVInputStream& AStream);
    void OpenCodecs();
    [[noreturn]] void FailEncoder(const std::string& AMessage);
    void TakeSubtitleHeader(TAVOutputStream& AStream);
    void CopyMetadata();
    void ApplyMetadataMaps();

    // Chapters (TCustomFFmpegChapters.cpp).
    void CopyAllChapters();
    void CopyChaptersAutomatically(const std::vector<bool>& AMapped);
    void CopyChapters(int AOutput, int AInput);
    std::vector<int64_t> PlannedSegmentStarts() const;
    void AttachChapters(int AFile);
    void AttachChapters(int AFile, const std::vector<int64_t>& ASegmentStarts, int64_t AWrittenEnd);
    void AddChapter(AVFormatContext* AOutput, const TPendingChapter& AChapter, int64_t AShift, int64_t AEnd);
    void LogStreamMapping();

    // Packets and frames (TCustomFFmpegDecode.cpp). A packet's failure is
    // its negative media error code; the caller decides what it means.
    int ProcessPacket(TAVInputStream& AStream, const AVPacket* APacket);
    int DecodePacket(TAVInputStream& AStream, const AVPacket* APacket);  // null: drain
    void HandleSubtitle(TAVInputStream& AStream, const AVSubtitle& ASubtitle, int64_t ATime);
    void HandleVideoFrame(TAVInputStream& AStream, AVFrame* AFrame);
    void PrepareChainFor(TAVOutputStream& AStream, TAVInputStream& AInput, const AVFrame& AFrame);
    void HandleAudioFrame(TAVInputStream& AStream, AVFrame* AFrame);
    void NoteAudioFormat(TAVOutputStream& AStream, const TAVInputStream& AInput, const AVFrame& AFrame);
    void FinishInputStream(TAVInputStream& AStream);
    void CopyPacket(TAVOutputStream& AStream, TAVInputStream& AInput, const AVPacket* APacket);
    void EmulateRate(const TAVInputStream& AStream);
    std::vector<TAVOutputStream*> OutputsOf(const TAVInputStream& AStream) const;

    // Encoding (TCustomFFmpegEncode.cpp).
    void PullPictures(TAVOutputStream& AStream);
    void DoVideoOut(TAVOutputStream& AStream, AVFrame* AFrame);
    int VideoFramesToEmit(TAVOutputStream& AStream, double APosition);
    void EncodeVideoFrame(TAVOutputStream& AStream, AVFrame* AFrame);
    void SyncAudio(TAVOutputStream& AStream, const AVFrame* AFrame);
    void PullAudio(TAVOutputStream& AStream);
    void DoSubtitleOut(TAVOutputStream& AStream, const AVSubtitle& ASubtitle, int64_t APts);
    void FlushEncoders();
    // Waits until the encoders on threads of their own have written what
    // they were given (a pause parks the run with nothing in flight).
    void DrainEncoders();
    // Ends the encoders' threads, dropping what they still hold.
    void StopEncoders();

    // Hooks (TCustomFFmpegHooks.cpp).
    static std::mutex& PostHookLock();
    void RunInputVideoHook(TAVInputStream& AStream, AVFrame* AFrame);
    bool RunVideoHook(const TVideoHookEvent& AHook, bool& AStopped, std::unique_ptr<TFormatConverter>& AConverter,
                      AVFrame* AFrame, int AFrameNumber, int64_t APts);
    void RunOutputHooks(TAVOutputStream& AStream, AVFrame* AFrame);
    void RunPostHooks(AVFrame* AFrame, int AFrameNumber, int64_t APts, bool AConverted);
    void RunAudioHook(const AVFrame& AFrame);
    bool HasVideoHooks() const { return OnInputVideoHook || OnOutputVideoHook; }

    // Progress (TCustomFFmpegProgress.cpp).
    void PrintReport(bool AIsLast, int AFileIndex);
    std::string ReportLine(int AFrame, int AFps, float AQuality, int64_t ASize, double ATime, double ABitrate,
                           bool AIsLast) const;
    std::string VideoQualityText(const TAVOutputStream& AStream, bool AIsLast) const;

    friend class TOptionVocabulary;

    // Blocking I/O of the open steps, watched by the timeout predicate.
    enum class TIOPhase { Connecting, Reading, Writing };
    // One blocking step (open, probe, seek): stamps its start, installs the
    // timeout predicate for the calling thread, and when the predicate gave
    // up logs why at the end.
    class TBlockingIO {
    public:
        TBlockingIO(TCustomFFmpeg& AJob, TIOPhase APhase);
        ~TBlockingIO();
        TBlockingIO(const TBlockingIO&) = delete;
        TBlockingIO& operator=(const TBlockingIO&) = delete;

    private:
        TCustomFFmpeg& FJob;
        TInterruptScope FScope;
    };
    static bool TimeoutPredicate(void* ASender);
    // True (and the reason noted) when the blocking I/O that began at
    // ALastRead has run longer than ReadTimeout.
    bool ReadTimedOut(int64_t ALastRead);
    std::string InterruptText() const;  // "reading timeout", "" when not interrupted

    // Options (TCustomFFmpegOptions.cpp, TCustomFFmpegStreamOptions.cpp).
    void SetGenericOption(const std::string& AName, const std::string& AValue);
    std::string TrySetGenericOption(const std::string& AName, const std::string& AValue);
    void ApplyPreset(const std::string& AName, const std::string& AValue);
    void ApplyPresetLine(const std::string& APresetName, const TPresetLine& ALine);
    void SetCodecName(AVMediaType AType, const std::string& AValue);

    // Inputs (TCustomFFmpegInput.cpp).
    const AVInputFormat* ForcedInputFormat();  // "f"; raises FFmpegException for an unknown one
    bool FindForcedDecoders(std::array<const AVCodec*, 3>& ADecoders);
    void SetInputParameters(const AVInputFormat* AFormat, AVDictionary** AOptions) const;
    bool OpenInputFile(TOpenedInput& AInput, const std::string& AFileName, const AVInputFormat* AFormat,
                       TInputFileSetup& ASetup);
    bool KeepProgram(AVFormatContext* AContext);  // false: no such program
    int64_t SeekInput(AVFormatContext* AContext, const std::string& AFileName);  // the position sought
    bool PrepareInputStreams(AVFormatContext* AContext, TInputFileSetup& ASetup);  // false: a stream of no known kind
    TInputStreamSetup NewInputStreamSetup(AVStream* AStream, const AVCodec* AForced);
    void TakeVideoParameters(const AVStream* AStream, int AIndex);
    void TakeAudioParameters(const AVStream* AStream);
    void AppendInput(AVFormatContext* AContext, TInputFileSetup ASetup, int64_t AStartTime);
    bool FailInput(TOpenedInput& AInput, const std::string& AMessage);

    // Outputs (TCustomFFmpegOutput.cpp).
    const AVOutputFormat* ChooseMuxer(const std::string& AFileName);
    void WantedStreams(const AVOutputFormat* AFormat, bool AJoin, bool& AVideo, bool& AAudio, bool& ASubtitle) const;
    void InputKinds(bool AJoin, bool& AVideo, bool& AAudio, bool& ASubtitle) const;
    void CreateFirstStreams(AVFormatContext* AContext, int AFileIndex, bool AJoin);
    void SetOutputMetadata(AVFormatContext* AContext);
    bool OpenOutputFile(AVFormatContext* AContext, const std::string& AFileName, bool AReplace);
    bool StartPartialOutput(const std::string& AFileName, bool AReplace, std::string& AOpenName);
    bool IsOneOfTheInputs(const std::string& AFileName) const;
    bool IsOneOfTheOutputs(const std::string& AFileName) const;
    void SetMuxingParameters(AVFormatContext* AContext);
    void SwitchToJoinMode();
    int FailOutput(const std::string& AMessage);

    // New output streams (TCustomFFmpegStreams.cpp).
    void NewVideoStream(AVFormatContext* AContext, int AFileIndex);
    void NewAudioStream(AVFormatContext* AContext, int AFileIndex);
    void NewSubtitleStream(AVFormatContext* AContext, int AFileIndex);
    void NewStreamOnLastOutput(AVMediaType AType);
    TOutputStreamSetup& AddOutputStream(AVFormatContext* AContext, int AFileIndex, AVMediaType AType,
                                        const std::string& ACodecName, bool AStreamCopy);
    const AVCodec* FindCodec(const std::string& AName, AVMediaType AType, bool AEncoder) const;
    void SetVideoEncoding(AVFormatContext* AOutput, TOutputStreamSetup& AStream);
    void SetVideoRateControl(AVCodecContext* AContext);
    void SetAudioEncoding(TOutputStreamSetup& AStream);
    void SetStreamLanguage(AVStream* AStream, std::string& ALanguage);

    void FreeInputs();
    void FreeOutputs();
    void SettleOutputFile(std::size_t AIndex, bool AClosed);
    void Log(TLogLevel ALevel, const std::string& AMessage);
    TFFOptions& Options();  // the generic options; the libraries must be loaded
    bool Verbose(int AMinimum) const { return FOpt.Fverbose >= AMinimum; }

    const int FMaxFiles;
    const TEngineServices FServices;
    // What the options set so far hold; the stages read it.
    TJobOptionState FOpt;
    // The input files, their streams and their packets' times.
    TJobInputs FInputs;
    // The output files, their streams, and writing into them.
    TJobOutputs FOutputs;
    std::unique_ptr<TFFOptions> FOptions;  // the generic options (codec, format and scaler templates)

    // Maps.
    std::vector<TAVStreamMap> Fstream_maps;
    std::vector<std::array<TAVMetaDataMap, 2>> Fmeta_data_maps;  // output first, input second
    int Fmetadata_global_autocopy = 1;
    int Fmetadata_streams_autocopy = 1;
    int Fmetadata_chapters_autocopy = 1;
    std::vector<TAVChapterMap> Fchapter_maps;
    std::map<int, int> Fstreamid_map;  // output stream index -> identifier, for the next output
    std::vector<TAVStreamRef> FOpenedEncoders;  // (output, stream) of each opened encoder, closed at the end
    std::vector<TAVStreamRef> FOpenedDecoders;  // (input, stream) of each opened decoder
    std::vector<std::vector<TPendingChapter>> FPendingChapters;  // per output, until they are attached
    std::vector<int64_t> FSegmentStarts;        // microseconds: where each join segment began on the output
    AVPacket* FPacket = nullptr;       // the run's scratch packets and frames: read,
    AVPacket* FEncoded = nullptr;      // copied or a subtitle's,
    AVFrame* FDecoded = nullptr;       // decoded,
    AVFrame* FFiltered = nullptr;      // out of the picture chain or the audio converter

    // Statistics.
    TJobStatistics FStatistics;         // what the encoders and copies wrote
    int32_t Fnb_frames_dup = 0;
    int32_t Fnb_frames_drop = 0;
    bool FShowDupOrDrop = false;
    int64_t Ftimer_start = 0;
    int64_t FLastReport = 0;            // microseconds, the last progress report
    int FJoinSegment = 0;
    int64_t FLastDupDrop = 0;           // dup + drop at the last report line logged

    // Run state.
    std::atomic<bool> FConverting{false};
    std::atomic<bool> FBroken{false};
    std::atomic<bool> FFinished{false};
    std::atomic<bool> FTerminated{false};
    std::atomic<int> FReadTimeout{10000};   // milliseconds; 0 = no timeout
    std::atomic<int64_t> FLastRead{NoIO};   // microseconds: start of the blocking I/O; 0 = cancelled
    std::atomic<TIOPhase> FIOPhase{TIOPhase::Connecting};
    std::atomic<int> FInterrupted{0};       // why the predicate gave up during this I/O: 0, 1 timeout, 2 cancelled
    bool FFatalException = false;
    std::string FFatalMessage;
    std::string FWarning;
    bool FIncomplete = false;
    int64_t FSkippedStart = 0;              // microseconds: the most an input was started into ("ss")
    int64_t FTotalOutputDuration = -1;      // microseconds; -1 = none
    std::string FLastErrMsg;
    bool FJoinMode = false;
    std::unique_ptr<TConvertThread> FThread;
    mutable std::mutex FRunLock;          // guards FBodyRunning
    std::condition_variable FRunChanged;
    bool FBodyRunning = false;            // the worker's body (or the terminate notification) runs
    std::atomic<bool> FNotified{false};   // the terminate notification was given
    TThreadOwner FTerminators;            // give the notification of a job that never started

    // Hook state: converters made on first use and freed with the run.
    std::unique_ptr<TFormatConverter> FInputVideoHook;
    std::unique_ptr<TFormatConverter> FOutputVideoHook;
    bool FInputHookStopped = false;       // removed for the rest of the run
    bool FOutputHookStopped = false;
    unsigned FPostHooks = 0;              // bit per TPostHook, under the post-hook lock
    int64_t FPreviewLastTime = 0;         // wall clock, microseconds
};

}  // namespace vidrelo
