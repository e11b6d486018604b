// From decoded pictures, samples and subtitles to encoded packets: frame
// rate conversion ("vsync"), forced key frames, audio sync, encoding with
// send/receive and two-pass statistics.
#include "engine/StringFormat.h"
#include "engine/encoder/FFmpegException.h"
#include "engine/encoder/TAudioConverter.h"
#include "engine/encoder/TCustomFFmpeg.h"
#include "engine/encoder/TVideoFilterGraph.h"
#include "engine/loader/AVBindings.h"
#include "engine/loader/MediaErrorText.h"

#include <cmath>
#include <cstdlib>
#include <vector>

namespace vidrelo {
namespace {

constexpr int kSubtitleBufferSize = 1024 * 1024;

int VideoSyncMethod(int asked, const AVFormatContext* output)
{
    if (asked >= 0)
        return asked;
    return (output->oformat->flags & AVFMT_VARIABLE_FPS) ? 2 : 1;
}

}  // namespace

void TCustomFFmpeg::PullPictures(TAVOutputStream& AStream)
{
    for (;;) {
        const int code = AStream.filter->Pull(FFiltered);
        if (code == AVERROR(EAGAIN) || code == AVERROR_EOF)
            return;
        if (code < 0)
            throw FFmpegException(AStream.filter->LastErrMsg().empty() ? MediaErrorText("Error while filtering", code)
                                                                       : AStream.filter->LastErrMsg());
        DoVideoOut(AStream, FFiltered);
        ff::av_frame_unref(FFiltered);
    }
}

void TCustomFFmpeg::DoVideoOut(TAVOutputStream& AStream, AVFrame* AFrame)
{
    if (FOpt.Frecording_time != INT64_MAX && AFrame->pts >= FOpt.Fstart_time + FOpt.Frecording_time)
        return;
    const double position = (AFrame->pts - FOpt.Fstart_time) / 1e6 / av_q2d(AStream.enc->time_base);
    int count = VideoFramesToEmit(AStream, position);
    count = std::min<int64_t>(count, std::max<int64_t>(0, int64_t(FOpt.Fmax_frames[0]) - AStream.frame_number));
    for (int i = 0; i < count && !FBroken; ++i) {
        EncodeVideoFrame(AStream, AFrame);
        ++AStream.sync_opts;
        ++AStream.frame_number;
    }
}

int TCustomFFmpeg::VideoFramesToEmit(TAVOutputStream& AStream, double APosition)
{
    const int method = VideoSyncMethod(FOpt.Fvideo_sync_method, FOutputs.Context(AStream.file_index));
    if (method == 0) {
        AStream.sync_opts = std::llround(APosition);
        return 1;
    }
    const double delta = APosition - AStream.sync_opts;
    int count = 1;
    if (delta < -1.1) {
        count = 0;
    } else if (method == 2) {
        if (delta <= -0.6)
            count = 0;
        else if (delta > 0.6)
            AStream.sync_opts = std::llround(APosition);
    } else if (delta > 1.1) {
        count = static_cast<int>(std::lrint(delta));
    }
    if (count == 0) {
        ++Fnb_frames_drop;
        FShowDupOrDrop = true;
        if (FOpt.Fverbose > 2)
            Log(llVerbose, "*** drop!");
    } else if (count > 1) {
        Fnb_frames_dup += count - 1;
        FShowDupOrDrop = true;
        if (FOpt.Fverbose > 2)
            Log(llVerbose, Format("*** %d dup!", count - 1));
    }
    return count;
}

void TCustomFFmpeg::EncodeVideoFrame(TAVOutputStream& AStream, AVFrame* AFrame)
{
    AFrame->pts = AStream.sync_opts;
    AFrame->pict_type = AV_PICTURE_TYPE_NONE;
    if (AStream.forced_kf_index < AStream.forced_kf_pts.size() &&
        AStream.sync_opts >= AStream.forced_kf_pts[AStream.forced_kf_index]) {
        AFrame->pict_type = AV_PICTURE_TYPE_I;
        ++AStream.forced_kf_index;
    }
    if (FOpt.Ftop_field_first >= 0)
        AFrame->top_field_first = FOpt.Ftop_field_first;
    if (!FOpt.Fsame_quality)
        AFrame->quality = AStream.enc->global_quality;
    RunOutputHooks(AStream, AFrame);
    AStream.encoder->Send(AFrame);
}

void TCustomFFmpeg::SyncAudio(TAVOutputStream& AStream, const AVFrame* AFrame)
{
    // Join mode: each segment's first samples land where its pictures start
    // (silence fills a shorter segment's end, a longer one is cut).
    // "async" 1 does the same whenever the drift grows too large.
    const bool segmentStart = FJoinMode && !AStream.segment_started;
    AStream.segment_started = true;
    if (!segmentStart && FOpt.Faudio_sync_method != 1)
        return;
    const int64_t next = AStream.audio->NextInputPts();
    if (next == AV_NOPTS_VALUE)
        return;
    const int rate = AStream.enc->sample_rate;
    const int64_t wanted = ff::av_rescale_q(AFrame->pts, AV_TIME_BASE_Q, AVRational{1, rate});
    const int64_t delta = wanted - next;
    if (std::llabs(delta) <= 50)
        return;
    if (!segmentStart && std::llabs(delta) <= static_cast<int64_t>(FOpt.Faudio_drift_threshold * rate))
        return;
    if (FOpt.Fverbose > 2)
        Log(llVerbose, delta > 0 ? Format("adding %d audio samples of silence", static_cast<int>(delta))
                                 : Format("discarding %d audio samples", static_cast<int>(-delta)));
    AStream.audio->Compensate(static_cast<int>(delta));
}

void TCustomFFmpeg::PullAudio(TAVOutputStream& AStream)
{
    const int64_t start = ff::av_rescale_q(FOpt.Fstart_time, AV_TIME_BASE_Q, AVRational{1, AStream.enc->sample_rate});
    for (;;) {
        const int code = AStream.audio->Pull(FFiltered);
        if (code == AVERROR(EAGAIN) || code == AVERROR_EOF)
            return;
        if (code < 0)
            throw FFmpegException(AStream.audio->LastError());
        FFiltered->pts -= start;
        AStream.sync_opts = FFiltered->pts + FFiltered->nb_samples;
        ++AStream.frame_number;
        AStream.encoder->Send(FFiltered);
        ff::av_frame_unref(FFiltered);
    }
}

void TCustomFFmpeg::DoSubtitleOut(TAVOutputStream& AStream, const AVSubtitle& ASubtitle, int64_t APts)
{
    if (APts == AV_NOPTS_VALUE) {
        if (FOpt.Fexit_on_error)
            throw FFmpegException("Subtitle packets must have a pts");
        Log(llError, "Subtitle packets must have a pts");
        return;
    }
    std::vector<uint8_t> buffer(kSubtitleBufferSize);
    // DVB subtitles need a second packet that clears the screen.
    const int packets = AStream.enc->codec_id == AV_CODEC_ID_DVB_SUBTITLE ? 2 : 1;
    for (int i = 0; i < packets; ++i) {
        AVSubtitle subtitle = ASubtitle;
        subtitle.pts = APts - FOpt.Fstart_time + ff::av_rescale_q(subtitle.start_display_time, {1, 1000}, AV_TIME_BASE_Q);
        subtitle.end_display_time -= subtitle.start_display_time;
        subtitle.start_display_time = 0;
        if (i == 1)
            subtitle.num_rects = 0;
        const int size = ff::avcodec_encode_subtitle(AStream.enc, buffer.data(), kSubtitleBufferSize, &subtitle);
        if (size < 0)
            throw FFmpegException("Subtitle encoding failed");
        AVPacket* packet = FEncoded;
        ff::av_packet_unref(packet);
        packet->data = buffer.data();  // not reference-counted: the muxer copies it
        packet->size = size;
        packet->stream_index = AStream.st->index;
        packet->pts = packet->dts = ff::av_rescale_q(subtitle.pts, AV_TIME_BASE_Q, AStream.st->time_base);
        packet->duration = ff::av_rescale_q(subtitle.end_display_time, {1, 1000}, AStream.st->time_base);
        if (i == 1)
            packet->pts = packet->dts += packet->duration;
        ++AStream.frame_number;
        FOutputs.Write(AStream, packet);
        packet->data = nullptr;
        packet->size = 0;
    }
}

void TCustomFFmpeg::FlushEncoders()
{
    for (TAVOutputStream* record : FOutputs.Records()) {
        TAVOutputStream& stream = *record;
        if (!stream.encoder || stream.encoder_flushed)
            continue;
        stream.encoder_flushed = true;
        // The converter's last samples go out as a shorter last frame (or
        // padded, for encoders that take whole frames only).
        if (stream.audio && stream.audio->NextInputPts() != AV_NOPTS_VALUE) {
            stream.audio->Push(nullptr);
            PullAudio(stream);
        }
        stream.encoder->Send(nullptr);
    }
    DrainEncoders();
}

void TCustomFFmpeg::DrainEncoders()
{
    for (TAVOutputStream* record : FOutputs.Records())
        if (record->encoder)
            record->encoder->Drain();
}

void TCustomFFmpeg::StopEncoders()
{
    for (TAVOutputStream* record : FOutputs.Records())
        if (record->encoder)
            record->encoder->Abandon();
}

}  // namespace vidrelo
