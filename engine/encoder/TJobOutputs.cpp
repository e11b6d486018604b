#include "engine/encoder/TJobOutputs.h"

#include "engine/StringFormat.h"
#include "engine/encoder/FFmpegException.h"
#include "engine/loader/AVBindings.h"
#include "engine/loader/MediaErrorText.h"

#include <algorithm>

namespace vidrelo {
namespace {

void Rescale(AVPacket* packet, AVRational from, AVRational to)
{
    if (from.num <= 0 || from.den <= 0 || to.num <= 0 || to.den <= 0 || av_cmp_q(from, to) == 0)
        return;
    if (packet->pts != AV_NOPTS_VALUE)
        packet->pts = ff::av_rescale_q(packet->pts, from, to);
    if (packet->dts != AV_NOPTS_VALUE)
        packet->dts = ff::av_rescale_q(packet->dts, from, to);
    if (packet->duration > 0)
        packet->duration = ff::av_rescale_q(packet->duration, from, to);
}

struct TPacketFree {
    void operator()(AVPacket* packet) const { ff::av_packet_free(&packet); }
};

}  // namespace

TJobOutputs::TJobOutputs(const TJobOptionState& AOptions, TJobLog ALog) : FOpt(AOptions), FLog(std::move(ALog)) {}

int TJobOutputs::Add(AVFormatContext* AContext)
{
    auto file = std::make_unique<TFile>();
    file->Context = AContext;
    FFiles.push_back(std::move(file));
    return Count() - 1;
}

void TJobOutputs::RemoveLast()
{
    TFile& file = *FFiles.back();
    for (TOutputStreamSetup& stream : file.Setups)
        ff::avcodec_free_context(&stream.Context);
    AVFormatContext* context = file.Context;
    if (context->pb && !(context->oformat->flags & AVFMT_NOFILE))
        ff::avio_closep(&context->pb);
    ff::avformat_free_context(context);
    FFiles.pop_back();  // the temporary file goes with it
}

bool TJobOutputs::Writes(const std::string& AFileName) const
{
    for (const std::unique_ptr<TFile>& file : FFiles) {
        if (file->Context->url && SameFile(file->Context->url, AFileName))
            return true;
        if (file->Partial && SameFile(file->Partial->PartialName(), AFileName))
            return true;
    }
    return false;
}

TAVOutputStream& TJobOutputs::AddRecord(int AFile, std::unique_ptr<TAVOutputStream> ARecord)
{
    TAVOutputStream* record = ARecord.get();
    FFiles.at(AFile)->Records.push_back(record);
    FRecords.push_back(record);
    FOwnedRecords.push_back(std::move(ARecord));
    return *record;
}

TAVOutputStream* TJobOutputs::FirstVideoStream() const
{
    for (TAVOutputStream* record : FRecords)
        if (record->st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
            return record;
    return nullptr;
}

int64_t TJobOutputs::WrittenEnd(int AFile) const
{
    int64_t end = 0;
    if (AFile < Count()) {
        std::lock_guard lock(FFiles[AFile]->WriteLock);
        for (const TAVOutputStream* stream : FFiles[AFile]->Records)
            end = std::max(end, stream->shown_end);
    }
    return end;
}

double TJobOutputs::SmallestOutputTime() const
{
    double smallest = 1e10;
    for (const std::unique_ptr<TFile>& file : FFiles) {
        std::lock_guard lock(file->WriteLock);
        for (const TAVOutputStream* record : file->Records)
            if (record->out_time > 0)
                smallest = std::min(smallest, record->out_time);
    }
    return std::max(smallest, 0.01);
}

void TJobOutputs::WriteHeaders()
{
    for (int index = 0; index < Count(); ++index) {
        TFile& file = *FFiles[index];
        if (ff::avformat_write_header(file.Context, nullptr) < 0)
            throw FFmpegException(
                Format("Could not write header for output file #%d (incorrect codec parameters ?)", index));
        file.HeaderWritten = true;
    }
}

void TJobOutputs::Write(TAVOutputStream& AStream, AVPacket* APacket)
{
    std::lock_guard lock(FFiles.at(AStream.file_index)->WriteLock);
    FilterAndWrite(AStream, APacket, 0, AStream.st->time_base);
}

void TJobOutputs::FlushBitstreamFilters()
{
    for (TAVOutputStream* record : FRecords) {
        TFile& file = *FFiles.at(record->file_index);
        std::lock_guard lock(file.WriteLock);
        if (!record->bitstream_filters.empty() && file.HeaderWritten)
            FilterAndWrite(*record, nullptr, 0, record->st->time_base);
    }
}

// A packet in ATimeBase goes through the filters from AFilter on and is
// written; a null packet drains them from AFilter on. The packet is left
// empty (a subtitle packet whose bytes are not reference-counted is copied
// by the filter, never kept).
void TJobOutputs::FilterAndWrite(TAVOutputStream& AStream, AVPacket* APacket, std::size_t AFilter,
                                 AVRational ATimeBase)
{
    if (AFilter >= AStream.bitstream_filters.size()) {
        if (!APacket)
            return;
        Rescale(APacket, ATimeBase, AStream.st->time_base);
        WriteInterleaved(AStream, APacket);
        return;
    }
    AVBSFContext* filter = AStream.bitstream_filters[AFilter];
    int code = 0;
    if (!APacket) {
        code = ff::av_bsf_send_packet(filter, nullptr);
    } else if (APacket->data || APacket->side_data_elems) {  // an empty one would end the stream
        Rescale(APacket, ATimeBase, filter->time_base_in);
        code = ff::av_bsf_send_packet(filter, APacket);
    }
    if (APacket)
        ff::av_packet_unref(APacket);
    if (code < 0)
        BitstreamFilterFailed(AStream, *filter, code);
    std::unique_ptr<AVPacket, TPacketFree> out(ff::av_packet_alloc());
    if (!out)
        throw FFmpegException("av_mallocz fail");
    while (code >= 0) {
        code = ff::av_bsf_receive_packet(filter, out.get());
        if (code == AVERROR(EAGAIN) || code == AVERROR_EOF)
            break;
        if (code < 0)
            BitstreamFilterFailed(AStream, *filter, code);
        else
            FilterAndWrite(AStream, out.get(), AFilter + 1, filter->time_base_out);
    }
    if (!APacket)
        FilterAndWrite(AStream, nullptr, AFilter + 1, filter->time_base_out);
}

// The packet is lost; with "xerror" so is the run.
void TJobOutputs::BitstreamFilterFailed(const TAVOutputStream& AStream, const AVBSFContext& AFilter, int ACode)
{
    const char* codec = AStream.encoding_needed ? ff::avcodec_get_name(AStream.enc->codec_id) : "copy";
    const std::string message = MediaErrorText(
        Format("%s failed for stream %d, codec %s", AFilter.filter->name, AStream.st->index, codec), ACode);
    if (FOpt.Fexit_on_error)
        throw FFmpegException(message);
    FLog(llError, message);
}

void TJobOutputs::WriteInterleaved(TAVOutputStream& AStream, AVPacket* APacket)
{
    const AVRational tb = AStream.st->time_base;
    const int64_t last = APacket->dts != AV_NOPTS_VALUE ? APacket->dts : APacket->pts;
    if (last != AV_NOPTS_VALUE)
        AStream.out_time = std::max(AStream.out_time, (last + APacket->duration) * av_q2d(tb));
    const int64_t shown = APacket->pts != AV_NOPTS_VALUE ? APacket->pts : last;
    if (shown != AV_NOPTS_VALUE)
        AStream.shown_end = std::max(AStream.shown_end, ff::av_rescale_q(shown + APacket->duration, tb, AV_TIME_BASE_Q));
    const int code = ff::av_interleaved_write_frame(FFiles[AStream.file_index]->Context, APacket);
    if (code < 0)
        throw FFmpegException(MediaErrorText("av_interleaved_write_frame()", code));
}

int64_t TJobOutputs::Size() const
{
    if (FFiles.empty())
        return 0;
    std::lock_guard lock(FFiles[0]->WriteLock);
    AVIOContext* pb = FFiles[0]->Context->pb;
    if (!pb)
        return 0;
    // What is on disk lags behind by the output buffer; the write position
    // counts what was written so far.
    const int64_t size = ff::avio_size(pb);
    const int64_t position = ff::avio_seek(pb, 0, SEEK_CUR);
    return std::max<int64_t>({0, size, position});
}

void TJobOutputs::WriteTrailers(const std::function<void(int AFile)>& AAttach)
{
    for (int index = 0; index < Count(); ++index) {
        TFile& file = *FFiles[index];
        if (!file.HeaderWritten)
            continue;
        AAttach(index);
        const int code = ff::av_write_trailer(file.Context);
        if (code < 0)
            throw FFmpegException(MediaErrorText(Format("Could not write trailer for output file #%d", index), code));
    }
}

void TJobOutputs::MarkFinalised()
{
    for (const std::unique_ptr<TFile>& file : FFiles)
        file->Finalised = file->HeaderWritten;
}

void TJobOutputs::FreeRun()
{
    for (const std::unique_ptr<TFile>& file : FFiles) {
        for (TOutputStreamSetup& setup : file->Setups)
            if (setup.Context)
                ff::av_freep(&setup.Context->stats_in);
        file->Records.clear();
        file->HeaderWritten = false;
    }
    FRecords.clear();
    FOwnedRecords.clear();
}

void TJobOutputs::Free(const std::function<void(int AFile, bool AClosed)>& ASettle)
{
    for (int index = 0; index < Count(); ++index) {
        TFile& file = *FFiles[index];
        AVFormatContext* output = file.Context;
        bool closed = true;
        if (output->pb && !(output->oformat->flags & AVFMT_NOFILE))
            closed = ff::avio_closep(&output->pb) >= 0;  // the last bytes may not fit on the disk
        for (TOutputStreamSetup& stream : file.Setups)
            ff::avcodec_free_context(&stream.Context);
        ff::avformat_free_context(output);
        file.Context = nullptr;
        // (What is written in place, a FIFO or a device, is left alone.)
        if (file.Partial)
            ASettle(index, closed);
    }
    FFiles.clear();
}

void TJobOutputs::Abandon()
{
    for (std::unique_ptr<TAVOutputStream>& record : FOwnedRecords)
        (void)record.release();
    FOwnedRecords.clear();
    FRecords.clear();
    for (const std::unique_ptr<TFile>& file : FFiles)
        file->Records.clear();
}

}  // namespace vidrelo
