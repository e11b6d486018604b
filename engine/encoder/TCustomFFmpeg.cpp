#include "engine/encoder/SteadyClock.h"
#include "engine/encoder/TCustomFFmpeg.h"

#include "engine/EngineError.h"
#include "engine/TFormatConverter.h"
#include "engine/loader/AVBindings.h"
#include "engine/loader/TSourceInput.h"
#include "engine/log/TFFLogger.h"

#include <chrono>

namespace vidrelo {

// Whether the job's media libraries are bound (a job can outlive them).
bool TCustomFFmpeg::LibrariesLoaded()
{
    return ff::avcodec_free_context && ff::avformat_free_context && ff::av_dict_free;
}

TCustomFFmpeg::TCustomFFmpeg(int AMaxFiles, const TEngineServices& AServices)
    : FMaxFiles(AMaxFiles),
      FServices(AServices),
      FInputs(
          FOpt, [this](TLogLevel ALevel, const std::string& AText) { Log(ALevel, AText); },
          [this](AVStream* AStream, const AVCodec* AForced) { return NewInputStreamSetup(AStream, AForced); }),
      FOutputs(FOpt, [this](TLogLevel ALevel, const std::string& AText) { Log(ALevel, AText); })
{
    EngineAssert(AMaxFiles >= 1 && AMaxFiles <= 512, "Assertion failure", "TCustomFFmpeg.Create");
    if (LibrariesLoaded())
        ResetOptionState();
}

TCustomFFmpeg::~TCustomFFmpeg()
{
    EndWorkers();
    if (LibrariesLoaded()) {
        CleanUp();
        return;
    }
    // The libraries are gone: what they allocated cannot be freed any more.
    (void)FOptions.release();
    *FOpt.Fmetadata.Address() = nullptr;
}

TFFOptions& TCustomFFmpeg::Options()
{
    EngineAssert(LibrariesLoaded(), "The media libraries are not loaded.", "TCustomFFmpeg");
    if (!FOptions)
        FOptions = std::make_unique<TFFOptions>(FOpt.Fsws_flags);
    return *FOptions;
}

void TCustomFFmpeg::ResetOptionState()
{
    FOpt = TJobOptionState{};
    Options();
}

void TCustomFFmpeg::Log(TLogLevel ALevel, const std::string& AMessage)
{
    FFLogger().Log(this, ALevel, AMessage);
}

// --- the timeout predicate ---------------------------------------------------

TCustomFFmpeg::TBlockingIO::TBlockingIO(TCustomFFmpeg& AJob, TIOPhase APhase)
    : FJob(AJob), FScope(AJob.FServices.Interrupts, &AJob, &TCustomFFmpeg::TimeoutPredicate)
{
    FJob.FInterrupted = 0;
    FJob.FIOPhase = APhase;
    FJob.FLastRead = NowMicroseconds();
}

TCustomFFmpeg::TBlockingIO::~TBlockingIO()
{
    FJob.FLastRead = NoIO;
    // Logged here rather than in the predicate, which runs under the
    // interrupt registry's lock and must not wait for the log's handler.
    if (FJob.FInterrupted)
        FJob.Log(llInfo, FJob.InterruptText());
}

bool TCustomFFmpeg::TimeoutPredicate(void* ASender)
{
    auto* job = static_cast<TCustomFFmpeg*>(ASender);
    if (job->FInterrupted)
        return true;
    const int64_t lastRead = job->FLastRead;
    if (lastRead == NoIO)
        return false;
    if (lastRead == 0) {
        job->FInterrupted = 2;
        return true;
    }
    return job->ReadTimedOut(lastRead);
}

bool TCustomFFmpeg::ReadTimedOut(int64_t ALastRead)
{
    const int timeout = FReadTimeout;
    if (timeout > 0 && NowMicroseconds() - ALastRead > int64_t(timeout) * 1000) {
        FInterrupted = 1;
        return true;
    }
    return false;
}

std::string TCustomFFmpeg::InterruptText() const
{
    if (!FInterrupted)
        return {};
    const char* phase = FIOPhase == TIOPhase::Connecting ? "connecting"
                        : FIOPhase == TIOPhase::Reading  ? "reading"
                                                         : "writing";
    return std::string(phase) + (FInterrupted == 2 ? " canceled" : " timeout");
}

// --- clean-up ----------------------------------------------------------------

void TCustomFFmpeg::FreeOutputs()
{
    FOutputs.Free([this](int AFile, bool AClosed) { SettleOutputFile(AFile, AClosed); });
}

// A finished or stopped run (its trailer written) keeps its file under the
// final name; anything else removes it, and a failed run logs that it did.
void TCustomFFmpeg::SettleOutputFile(std::size_t AIndex, bool AClosed)
{
    TPartialOutput& partial = *FOutputs.Partial(static_cast<int>(AIndex));
    const std::string finalName = partial.FinalName();
    const bool finalised = FOutputs.Finalised(static_cast<int>(AIndex));
    if (!finalised || !AClosed) {
        partial.Discard();
        if (!FFatalException && AClosed)
            return;  // never started: nothing was written
        Log(llWarning, "The unfinished output '" + finalName + "' was removed");
        if (!FFatalException) {
            FFatalException = true;
            FFatalMessage = "Could not finish writing '" + finalName + "'";
        }
        FFinished = false;
        return;
    }
    std::string written, error;
    if (!partial.Commit(written, error)) {
        Log(llError, error);
        FFatalException = true;
        FFatalMessage = error + "; the converted file is kept as '" + partial.PartialName() + "'";
        FFinished = false;
        return;
    }
    if (written != finalName)
        Log(llWarning, "'" + finalName + "' appeared while converting: the result was saved as '" + written + "'");
}

void TCustomFFmpeg::FreeInputs()
{
    FInputs.Free();
}

void TCustomFFmpeg::CleanUp()
{
    FreeRunTables();
    FreeOutputs();
    FreeInputs();
    FOpt.Fintra_matrix.clear();
    FOpt.Finter_matrix.clear();
    FOpt.Fvstats_filename.clear();
    Fstreamid_map.clear();
    Fstream_maps.clear();
    Fmeta_data_maps.clear();
    Fchapter_maps.clear();
    FOpt.Fvideo_codec_name.clear();
    FOpt.Faudio_codec_name.clear();
    FOpt.Fsubtitle_codec_name.clear();
    FOpt.Fvideo_standard.clear();
    FOpt.Fvideo_rc_override_string.clear();
    FOpt.Fmetadata.Clear();
    if (FOptions)
        FOptions->Clear();
    FJoinMode = false;
}

}  // namespace vidrelo
