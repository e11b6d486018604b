#include "engine/encoder/TJobInputs.h"

#include "engine/StringFormat.h"
#include "engine/encoder/SteadyClock.h"
#include "engine/encoder/TPartialOutput.h"
#include "engine/loader/AVBindings.h"
#include "engine/loader/TSourceInput.h"

#include <cstdlib>

namespace vidrelo {
TJobInputs::TJobInputs(const TJobOptionState& AOptions, TJobLog ALog, TStreamPreparer APreparer)
    : FOpt(AOptions), FLog(std::move(ALog)), FPrepare(std::move(APreparer))
{
}

void TJobInputs::Add(AVFormatContext* AContext, TInputFileSetup ASetup, int64_t ATimestampOffset)
{
    auto file = std::make_unique<TFile>();
    file->Context = AContext;
    file->Setup = std::move(ASetup);
    file->Offset = ATimestampOffset;
    file->Scales = std::move(FNextScales);
    FNextScales.clear();
    FFiles.push_back(std::move(file));
}

std::vector<AVFormatContext*> TJobInputs::Contexts() const
{
    std::vector<AVFormatContext*> contexts;
    for (const std::unique_ptr<TFile>& file : FFiles)
        contexts.push_back(file->Context);
    return contexts;
}

bool TJobInputs::Reads(const std::string& AFileName) const
{
    for (const std::unique_ptr<TFile>& file : FFiles)
        if (SameFile(file->Setup.FileName, AFileName))
            return true;
    return false;
}

void TJobInputs::Free()
{
    for (const std::unique_ptr<TFile>& file : FFiles) {
        CloseSourceInput(&file->Context);
        for (TInputStreamSetup& stream : file->Setup.Streams)
            ff::avcodec_free_context(&stream.Decoder);
    }
    FFiles.clear();
    FNextScales.clear();
}

void TJobInputs::FreeDecoder(TAVStreamRef ARef)
{
    ff::avcodec_free_context(&FFiles.at(ARef.file)->Setup.Streams.at(ARef.stream).Decoder);
}

void TJobInputs::BuildTables()
{
    for (const std::unique_ptr<TFile>& file : FFiles) {
        file->Record = TAVInputFile{};
        file->Streams.clear();
    }
    for (int index = 0; index < Count(); ++index) {
        const int count = static_cast<int>(FFiles[index]->Context->nb_streams);
        if (count > 0)
            Grow(index, count - 1);
    }
}

TAVInputStream* TJobInputs::Grow(int AFile, int AStream)
{
    if (AFile < 0 || AFile >= Count())
        return nullptr;
    TFile& file = *FFiles[AFile];
    const AVFormatContext* input = file.Context;
    if (AStream < 0 || AStream >= static_cast<int>(input->nb_streams))
        return nullptr;
    std::deque<TAVInputStream>& table = file.Streams;
    if (static_cast<int>(table.size()) <= AStream)
        PrepareStreams(file, AStream);
    const TInputFileSetup& setup = file.Setup;
    while (static_cast<int>(table.size()) <= AStream) {
        TAVInputStream& record = table.emplace_back();
        record.file_index = AFile;
        record.index = static_cast<int>(table.size()) - 1;
        record.st = input->streams[record.index];
        record.dec = record.index < static_cast<int>(setup.Streams.size()) ? setup.Streams[record.index].Decoder
                                                                           : nullptr;
    }
    return &table[AStream];
}

// Prepares the decoders of the streams up to AStream that opening the
// input did not meet (the "mpeg" demuxer adds streams as they turn up).
void TJobInputs::PrepareStreams(TFile& AFile, int AStream)
{
    TInputFileSetup& setup = AFile.Setup;
    while (static_cast<int>(setup.Streams.size()) <= AStream && setup.Streams.size() < AFile.Context->nb_streams) {
        AVStream* stream = AFile.Context->streams[setup.Streams.size()];
        setup.Streams.push_back(FPrepare(stream, setup.ForcedDecoder(stream->codecpar->codec_type)));
    }
}

TAVInputStream* TJobInputs::Stream(TAVStreamRef ARef)
{
    if (!ARef.Valid() || ARef.file >= Count() || ARef.stream >= static_cast<int>(FFiles[ARef.file]->Streams.size()))
        return nullptr;
    return &FFiles[ARef.file]->Streams[ARef.stream];
}

void TJobInputs::ForEachStream(const std::function<void(TAVInputStream&)>& AVisit)
{
    for (const std::unique_ptr<TFile>& file : FFiles)
        for (TAVInputStream& stream : file->Streams)
            AVisit(stream);
}

void TJobInputs::FreeRun()
{
    for (const std::unique_ptr<TFile>& file : FFiles) {
        file->Streams.clear();
        file->Record = TAVInputFile{};
    }
}

void TJobInputs::AdjustTimestamps(AVPacket* APacket, TAVInputStream& AStream)
{
    const TFile& file = *FFiles.at(AStream.file_index);
    const AVRational tb = AStream.st->time_base;
    const int64_t offset = ff::av_rescale_q(file.Offset, AV_TIME_BASE_Q, tb);
    const double scale = AStream.index < static_cast<int>(file.Scales.size()) ? file.Scales[AStream.index] : 0;
    for (int64_t* ts : {&APacket->dts, &APacket->pts}) {
        if (*ts == AV_NOPTS_VALUE)
            continue;
        *ts += offset;
        if (scale != 0)
            *ts = static_cast<int64_t>(*ts * scale);
    }
    AbsorbDiscontinuity(APacket, AStream);
}

void TJobInputs::AbsorbDiscontinuity(AVPacket* APacket, TAVInputStream& AStream)
{
    // Program and transport streams restart their clocks (a new VOB, a
    // broadcast splice): a jump is absorbed into the input's offset. Sparse
    // subtitles are left out; their gaps are no jumps.
    TFile& file = *FFiles.at(AStream.file_index);
    const AVRational tb = AStream.st->time_base;
    const AVMediaType type = AStream.st->codecpar->codec_type;
    if (!(file.Context->iformat->flags & AVFMT_TS_DISCONT) || FOpt.Fcopy_ts || APacket->dts == AV_NOPTS_VALUE ||
        AStream.next_dts == AV_NOPTS_VALUE || (type != AVMEDIA_TYPE_VIDEO && type != AVMEDIA_TYPE_AUDIO))
        return;
    const int64_t dts = ff::av_rescale_q(APacket->dts, tb, AV_TIME_BASE_Q);
    const int64_t delta = dts - AStream.next_dts;
    const bool jump = std::llabs(delta) > static_cast<int64_t>(FOpt.Fdts_delta_threshold * AV_TIME_BASE);
    if (!jump && !(AStream.dts != AV_NOPTS_VALUE && dts + 1 < AStream.dts))
        return;
    file.Offset -= delta;
    if (FOpt.Fverbose > 2)
        FLog(llVerbose, Format("timestamp discontinuity %lld, new offset= %lld", static_cast<long long>(delta),
                               static_cast<long long>(file.Offset)));
    const int64_t shift = ff::av_rescale_q(delta, AV_TIME_BASE_Q, tb);
    APacket->dts -= shift;
    if (APacket->pts != AV_NOPTS_VALUE)
        APacket->pts -= shift;
}

void TJobInputs::NotePacketTime(const AVPacket* APacket, TAVInputStream& AStream) const
{
    const AVRational tb = AStream.st->time_base;
    const int64_t dts = APacket->dts == AV_NOPTS_VALUE ? AV_NOPTS_VALUE : ff::av_rescale_q(APacket->dts, tb, AV_TIME_BASE_Q);
    const int64_t pts = APacket->pts == AV_NOPTS_VALUE ? AV_NOPTS_VALUE : ff::av_rescale_q(APacket->pts, tb, AV_TIME_BASE_Q);
    if (AStream.is_start) {
        AStream.is_start = false;
        AStream.start = NowMicroseconds();
        AStream.next_pts = pts != AV_NOPTS_VALUE ? pts : dts;
    }
    if (dts != AV_NOPTS_VALUE) {
        AStream.dts = dts;
        AStream.pts = AStream.next_pts = dts;
        const int64_t duration = APacket->duration == AV_NOPTS_VALUE ? 0 : ff::av_rescale_q(APacket->duration, tb, AV_TIME_BASE_Q);
        AStream.next_dts = dts + duration;
    }
}

bool TJobInputs::PastRecordingTime(const AVPacket* APacket, TAVInputStream& AStream) const
{
    if (FOpt.Frecording_time == INT64_MAX)
        return false;
    const int64_t ts = APacket->pts != AV_NOPTS_VALUE ? APacket->pts : APacket->dts;
    if (ts == AV_NOPTS_VALUE)
        return false;
    if (ff::av_rescale_q(ts, AStream.st->time_base, AV_TIME_BASE_Q) < FOpt.Fstart_time + FOpt.Frecording_time)
        return false;
    AStream.is_past_recording_time = true;
    return true;
}

// How far a looped input's pass has got: the span of its picture and of
// its sound packets, and the offset the pass began with. A pass is as long
// as its pictures; sound that runs a little longer or shorter is the audio
// sync's business, not a gap in the pictures.
void TJobInputs::NotePacketEnd(const AVPacket* APacket, const TAVInputStream& AStream)
{
    TFile& input = *FFiles.at(AStream.file_index);
    const AVMediaType type = AStream.st->codecpar->codec_type;
    if (!input.Setup.LoopInput || (type != AVMEDIA_TYPE_VIDEO && type != AVMEDIA_TYPE_AUDIO))
        return;
    const int64_t ts = APacket->pts != AV_NOPTS_VALUE ? APacket->pts : APacket->dts;
    if (ts == AV_NOPTS_VALUE)
        return;
    const AVRational tb = AStream.st->time_base;
    int64_t duration = APacket->duration > 0 ? ff::av_rescale_q(APacket->duration, tb, AV_TIME_BASE_Q) : 0;
    const AVRational rate = AStream.st->avg_frame_rate;
    if (duration == 0 && type == AVMEDIA_TYPE_VIDEO && rate.num > 0 && rate.den > 0)
        duration = ff::av_rescale_q(1, AVRational{rate.den, rate.num}, AV_TIME_BASE_Q);
    const int64_t begin = ff::av_rescale_q(ts, tb, AV_TIME_BASE_Q);
    TAVInputFile& file = input.Record;
    if (file.video_first == AV_NOPTS_VALUE && file.audio_first == AV_NOPTS_VALUE)
        file.pass_offset = input.Offset;
    const bool video = type == AVMEDIA_TYPE_VIDEO;
    int64_t& first = video ? file.video_first : file.audio_first;
    int64_t& end = video ? file.video_end : file.audio_end;
    first = first == AV_NOPTS_VALUE ? begin : std::min(first, begin);
    end = end == AV_NOPTS_VALUE ? begin + duration : std::max(end, begin + duration);
}

void TJobInputs::StartNextPass(int AFile, int64_t APassLength)
{
    TFile& input = *FFiles.at(AFile);
    TAVInputFile& file = input.Record;
    // Clock jumps within the pass were absorbed into the offset; the next
    // pass starts from the clock the file starts with.
    input.Offset = file.pass_offset + APassLength;
    file.video_first = file.video_end = file.audio_first = file.audio_end = AV_NOPTS_VALUE;
    // The new pass's first packets are no clock jumps (its sound may well
    // start a little before the last pass's sound ended).
    for (TAVInputStream& stream : input.Streams)
        stream.dts = stream.next_dts = AV_NOPTS_VALUE;
}

}  // namespace vidrelo
