// Packets on their way into the output: through the stream's bitstream
// filters ("vbsf", "absf", "sbsf"), each working in its own time base, then
// interleaved into the file.
#include "engine/StringFormat.h"
#include "engine/encoder/FFmpegException.h"
#include "engine/encoder/TCustomFFmpeg.h"
#include "engine/loader/AVBindings.h"
#include "engine/loader/MediaErrorText.h"

#include <memory>

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

void TCustomFFmpeg::WritePacket(TAVOutputStream& AStream, AVPacket* APacket)
{
    FilterAndWrite(AStream, APacket, 0, AStream.st->time_base);
}

void TCustomFFmpeg::FlushBitstreamFilters()
{
    for (const std::unique_ptr<TAVOutputStream>& record : FOutputStreamRecords)
        if (!record->bitstream_filters.empty() && FHeaderWritten[record->file_index])
            FilterAndWrite(*record, nullptr, 0, record->st->time_base);
}

// A packet in ATimeBase goes through the filters from AFilter on and is
// written; a null packet drains them from AFilter on. The packet is left
// empty (a subtitle packet whose bytes are not reference-counted is copied
// by the filter, never kept).
void TCustomFFmpeg::FilterAndWrite(TAVOutputStream& AStream, AVPacket* APacket, std::size_t AFilter,
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
void TCustomFFmpeg::BitstreamFilterFailed(const TAVOutputStream& AStream, const AVBSFContext& AFilter, int ACode)
{
    const char* codec = AStream.encoding_needed ? ff::avcodec_get_name(AStream.enc->codec_id) : "copy";
    const std::string message = MediaErrorText(
        Format("%s failed for stream %d, codec %s", AFilter.filter->name, AStream.st->index, codec), ACode);
    if (FOpt.Fexit_on_error)
        throw FFmpegException(message);
    Log(llError, message);
}

void TCustomFFmpeg::WriteInterleaved(TAVOutputStream& AStream, AVPacket* APacket)
{
    const AVRational tb = AStream.st->time_base;
    const int64_t last = APacket->dts != AV_NOPTS_VALUE ? APacket->dts : APacket->pts;
    if (last != AV_NOPTS_VALUE)
        AStream.out_time = std::max(AStream.out_time, (last + APacket->duration) * av_q2d(tb));
    const int64_t shown = APacket->pts != AV_NOPTS_VALUE ? APacket->pts : last;
    if (shown != AV_NOPTS_VALUE)
        AStream.shown_end = std::max(AStream.shown_end, ff::av_rescale_q(shown + APacket->duration, tb, AV_TIME_BASE_Q));
    const int code = ff::av_interleaved_write_frame(Foutput_files[AStream.file_index], APacket);
    if (code < 0)
        throw FFmpegException(MediaErrorText("av_interleaved_write_frame()", code));
}

}  // namespace vidrelo
