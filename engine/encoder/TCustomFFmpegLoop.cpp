// The conversion: preparing the run, the main loop that reads packets in
// output time order, join segments, and the end of the run.
#include "engine/StringFormat.h"
#include "engine/encoder/FFmpegException.h"
#include "engine/encoder/TAudioConverter.h"
#include "engine/encoder/SteadyClock.h"
#include "engine/encoder/TCustomFFmpeg.h"
#include "engine/encoder/TSubtitleBurner.h"
#include "engine/encoder/TVideoFilterGraph.h"
#include "engine/loader/AVBindings.h"
#include "engine/loader/MediaErrorText.h"

#include <chrono>
#include <cstdlib>
#include <new>
#include <thread>

namespace vidrelo {
namespace {

// The frame limit of a media type ("vframes", "aframes", "dframes").
int MaxFramesIndex(AVMediaType type)
{
    switch (type) {
    case AVMEDIA_TYPE_VIDEO: return 0;
    case AVMEDIA_TYPE_AUDIO: return 1;
    case AVMEDIA_TYPE_SUBTITLE: return 3;
    default: return 2;
    }
}

}  // namespace

void TCustomFFmpeg::Transcode()
{
    // Stopped before it began: nothing is written (the empty outputs are
    // removed by the clean-up).
    if (FBroken)
        return;
    PrepareRun();
    MainLoop();
    FinishRun();
}

void TCustomFFmpeg::PrepareRun()
{
    FPacket = ff::av_packet_alloc();
    FEncoded = ff::av_packet_alloc();
    FDecoded = ff::av_frame_alloc();
    FFiltered = ff::av_frame_alloc();
    if (!FPacket || !FEncoded || !FDecoded || !FFiltered)
        throw FFmpegException("av_mallocz fail");
    FStatistics.Reset(FOpt.Fvstats_filename);
    CheckLoopedInputs();
    FInputs.BuildTables();
    CheckStreamMaps(CountOutputStreams());
    BuildOutputTables();
    try {
        OpenCodecs();
        CopyMetadata();
        FOutputs.WriteHeaders();
    } catch (...) {
        LogStreamMapping();
        throw;
    }
    LogStreamMapping();
}

void TCustomFFmpeg::MainLoop()
{
    Ftimer_start = FLastReport = NowMicroseconds();
    FJoinSegment = 0;
    // A stop or a stalled source gives up a read in progress; the predicate
    // serves this thread only, and only while the loop runs.
    TInterruptScope scope(FServices.Interrupts, this, &TCustomFFmpeg::RunPredicate);
    while (!FBroken) {
        if (FThread) {
            // A pause waits here, between two packets, once the encoders
            // have written what they were given.
            if (FThread->Suspended())
                DrainEncoders();
            FThread->CheckPoint();
        }
        if (FBroken)
            break;
        bool tryAgain = false;
        const int file = ChooseInput(tryAgain);
        if (file == -2)
            break;  // a frame limit was reached
        if (file < 0) {
            if (FJoinMode || !tryAgain)
                break;
            for (int input = 0; input < nb_input_files(); ++input)
                FInputs.Record(input).try_again = false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        }
        if (LimitsReached() || !ReadAndProcess(file))
            break;
        if (NowMicroseconds() - FLastReport > ReportInterval) {
            PrintReport(false, file);
            FLastReport = NowMicroseconds();
        }
    }
}

int TCustomFFmpeg::ChooseInput(bool& ATryAgain)
{
    int chosen = -1;
    double smallest = 1e300;
    for (TAVOutputStream* record : FOutputs.Records()) {
        const TAVOutputStream& ost = *record;
        if (ost.frame_number >= FOpt.Fmax_frames[MaxFramesIndex(ost.st->codecpar->codec_type)])
            return -2;
        const TAVInputStream* input = FInputs.Stream(ost.source);
        if (!input || (FJoinMode && ost.source.file != FJoinSegment))
            continue;
        const TAVInputFile& file = FInputs.Record(ost.source.file);
        ATryAgain |= file.try_again;
        if (file.eof_reached || file.try_again || input->is_past_recording_time)
            continue;
        // (An encoded stream's writing belongs to its encoder's thread.)
        double time = ost.encoding_needed ? ost.sync_opts * av_q2d(ost.enc->time_base) : ost.out_time;
        if (FOpt.Finput_sync)
            time = input->pts / 1e6;
        if (time < smallest) {
            smallest = time;
            chosen = ost.source.file;
        }
    }
    return chosen;
}

bool TCustomFFmpeg::LimitsReached()
{
    return FOpt.Flimit_filesize > 0 && FOutputs.Size() >= FOpt.Flimit_filesize;
}

int TCustomFFmpeg::ReadPacket(int AFile)
{
    FInterrupted = 0;
    FIOPhase = TIOPhase::Reading;
    FLastRead = NowMicroseconds();
    const int code = ff::av_read_frame(FInputs.Context(AFile), FPacket);
    FLastRead = NoIO;
    if (FInterrupted == 1) {
        Log(llInfo, InterruptText());
        throw FFmpegException(FInputs.Setup(AFile).FileName + ": " + InterruptText());
    }
    return code;
}

bool TCustomFFmpeg::ReadAndProcess(int AFile)
{
    const int code = ReadPacket(AFile);
    if (code == AVERROR(EAGAIN)) {
        FInputs.Record(AFile).try_again = true;
        return true;
    }
    if (code < 0) {
        if (FBroken)
            return false;
        if (code == AVERROR_EOF && FInputs.Setup(AFile).LoopInput && StartInputOver(AFile))
            return true;
        if (code != AVERROR_EOF && FOpt.Fverbose >= 0)
            Log(llVerbose, MediaErrorText(FInputs.Setup(AFile).FileName, code));
        return EndOfInput(AFile);
    }
    struct TUnref {
        AVPacket* Packet;
        ~TUnref() { ff::av_packet_unref(Packet); }
    } unref{FPacket};
    // The "mpeg" demuxer adds streams as they turn up: prepare the record of
    // a new one (which nothing uses) instead of indexing past the table.
    TAVInputStream* input = FInputs.Grow(AFile, FPacket->stream_index);
    if (!input || input->discard)
        return true;
    FInputs.AdjustTimestamps(FPacket, *input);
    FInputs.NotePacketEnd(FPacket, *input);
    if (!FInputs.PastRecordingTime(FPacket, *input))
        ReportDecodingError(*input, ProcessPacket(*input, FPacket));
    return true;
}

void TCustomFFmpeg::ReportDecodingError(const TAVInputStream& AStream, int ACode)
{
    if (ACode >= 0)
        return;
    const char* reason = MediaErrorMessage(ACode);
    const std::string message = Format("Error while decoding stream #%d.%d (%s)", AStream.file_index, AStream.index,
                                       reason ? reason : Format("Error number %d occurred", ACode).c_str());
    if (FOpt.Fexit_on_error)
        throw FFmpegException(message);
    Log(llVerbose, message);
}

bool TCustomFFmpeg::EndOfInput(int AFile)
{
    FInputs.Record(AFile).eof_reached = true;
    if (FJoinMode)
        return FinishSegment();
    return !FOpt.Fopt_shortest;
}

bool TCustomFFmpeg::FinishSegment()
{
    // The segment's decoders give what they still hold, and the picture
    // chains their last pictures; the encoders go on into the next segment.
    for (TAVInputStream& input : FInputs.Streams(FJoinSegment))
        if (input.decoding_needed && !input.decoder_flushed)
            FinishInputStream(input);
    int64_t end = 0;
    for (TAVOutputStream* record : FOutputs.Records()) {
        int64_t streamEnd = ff::av_rescale_q(record->sync_opts, record->enc->time_base, AV_TIME_BASE_Q);
        if (!record->encoding_needed)
            streamEnd = static_cast<int64_t>(record->out_time * AV_TIME_BASE);
        else if (record->audio && record->audio->NextInputPts() != AV_NOPTS_VALUE)
            streamEnd = ff::av_rescale_q(record->audio->NextInputPts(), AVRational{1, record->enc->sample_rate},
                                         AV_TIME_BASE_Q) - FOpt.Fstart_time;
        end = std::max(end, streamEnd);
    }
    if (FJoinSegment + 1 >= nb_input_files())
        return false;
    ++FJoinSegment;
    FInputs.TimestampOffset(FJoinSegment) += end + FOpt.Fstart_time;
    FSegmentStarts.push_back(end);
    for (TAVOutputStream* record : FOutputs.Records()) {
        record->source = record->join_sources.at(FJoinSegment);
        record->resample_width = 0;  // the picture chain is made again for this input's pictures
        record->segment_started = false;
        if (record->burner)
            record->burner->Clear();
    }
    return true;
}

void TCustomFFmpeg::FinishRun()
{
    FInputs.ForEachStream([this](TAVInputStream& AInput) {
        if (AInput.decoding_needed && AInput.decoder_opened && !AInput.decoder_flushed)
            FinishInputStream(AInput);
    });
    FlushEncoders();
    FOutputs.FlushBitstreamFilters();
    FOutputs.WriteTrailers([this](int AFile) { AttachChapters(AFile); });
    ReportSourceLosses();
    ReportCopyCuts();
    FOutputs.MarkFinalised();  // these files play: the clean-up gives them their names
    PrintReport(true, -1);
    FFinished = !FBroken;
}

}  // namespace vidrelo
