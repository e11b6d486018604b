// What happens to a packet read: its stream's times, stream copy, decoding
// with send/receive (a packet may give several frames, or none yet), and the
// decoded pictures, samples and subtitles handed on to the outputs.
#include "engine/StringFormat.h"
#include "engine/encoder/FFmpegException.h"
#include "engine/encoder/TAudioConverter.h"
#include "engine/encoder/SteadyClock.h"
#include "engine/encoder/TCustomFFmpeg.h"
#include "engine/encoder/TSubtitleBurner.h"
#include "engine/encoder/TVideoFilterGraph.h"
#include "engine/loader/AVBindings.h"
#include "engine/loader/MediaErrorText.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace vidrelo {
namespace {

int64_t ToMicroseconds(int64_t ts, AVRational tb)
{
    return ts == AV_NOPTS_VALUE ? AV_NOPTS_VALUE : ff::av_rescale_q(ts, tb, AV_TIME_BASE_Q);
}

// When the packet is shown, on the job's clock (the stream's time when the
// packet carries none).
int64_t ShownTime(const AVPacket* APacket, const TAVInputStream& AInput)
{
    return APacket->pts != AV_NOPTS_VALUE ? ToMicroseconds(APacket->pts, AInput.st->time_base) : AInput.pts;
}

bool IsMpegVideo(const TAVInputStream& AInput)
{
    const AVCodecID id = AInput.st->codecpar->codec_id;
    return id == AV_CODEC_ID_MPEG2VIDEO || id == AV_CODEC_ID_MPEG1VIDEO;
}

// One picture's duration in the stream's time base; 0 when unknown.
int64_t FrameDuration(const TAVInputStream& AInput)
{
    const AVRational rate = AInput.st->avg_frame_rate.num > 0 ? AInput.st->avg_frame_rate : AInput.st->r_frame_rate;
    if (rate.num <= 0 || rate.den <= 0)
        return 0;
    return ff::av_rescale_q(1, AVRational{rate.den, rate.num}, AInput.st->time_base);
}

// A time for a copied packet without one, which a muxer such as Matroska
// cannot store: an MPEG picture's from its place in its group; else (or
// when its group has no timed picture yet) its decoding time, exact without
// reordering and close with it.
int64_t GuessCopiedPts(TAVOutputStream& AStream, const TAVInputStream& AInput, const AVPacket* APacket)
{
    if (IsMpegVideo(AInput)) {
        const int64_t pts =
            AStream.copy_clock.Pts(APacket->data, APacket->size, TMpegPictureClock::kNoTime, FrameDuration(AInput));
        if (pts != TMpegPictureClock::kNoTime)
            return pts;
    }
    return APacket->dts == AV_NOPTS_VALUE ? TMpegPictureClock::kNoTime : APacket->dts;
}

}  // namespace

int TCustomFFmpeg::ProcessPacket(TAVInputStream& AStream, const AVPacket* APacket)
{
    if (APacket) {
        FInputs.NotePacketTime(APacket, AStream);
        if (FOpt.Frate_emu)
            EmulateRate(AStream);
        for (TAVOutputStream* output : OutputsOf(AStream))
            if (!output->encoding_needed)
                CopyPacket(*output, AStream, APacket);
    }
    if (!AStream.decoding_needed || !AStream.decoder)
        return 0;
    if (AStream.st->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE)
        return AStream.decoder->DecodeSubtitle(APacket, [&](const AVSubtitle& ASubtitle, int64_t ATime) {
            HandleSubtitle(AStream, ASubtitle, ATime);
        });
    return DecodePacket(AStream, APacket);
}

int TCustomFFmpeg::DecodePacket(TAVInputStream& AStream, const AVPacket* APacket)
{
    // (Two pointers: the sink fits in the function object, with no
    // allocation for each packet.)
    return AStream.decoder->Decode(APacket, [this, &AStream](AVFrame* AFrame, int64_t ATime) {
        if (ATime < FOpt.Fstart_time)
            return;  // before the output's start ("ss")
        AFrame->pts = ATime;
        if (AStream.st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
            HandleVideoFrame(AStream, AFrame);
        else
            HandleAudioFrame(AStream, AFrame);
    });
}

void TCustomFFmpeg::HandleVideoFrame(TAVInputStream& AStream, AVFrame* AFrame)
{
    RunInputVideoHook(AStream, AFrame);
    for (TAVOutputStream* output : OutputsOf(AStream)) {
        if (!output->encoding_needed || !output->filter)
            continue;
        PrepareChainFor(*output, AStream, *AFrame);
        const int code = output->filter->Push(AFrame);
        if (code < 0)
            throw FFmpegException(output->filter->LastErrMsg().empty()
                                      ? MediaErrorText("Error while filtering", code)
                                      : output->filter->LastErrMsg());
        PullPictures(*output);
    }
}

void TCustomFFmpeg::PrepareChainFor(TAVOutputStream& AStream, TAVInputStream& AInput, const AVFrame& AFrame)
{
    const bool same = AFrame.width == AStream.resample_width && AFrame.height == AStream.resample_height &&
                      AFrame.format == AStream.resample_pix_fmt;
    if (same)
        return;
    // Zero: a new join segment, whose chain is made for its first picture.
    if (AStream.resample_width != 0) {
        const char* format = ff::av_get_pix_fmt_name(static_cast<AVPixelFormat>(AFrame.format));
        const std::string message = Format("Input Stream #%d.%d frame size changed to %dx%d, %s", AInput.file_index,
                                           AInput.index, AFrame.width, AFrame.height, format ? format : "none");
        Log(llQuiet, message);
        if (!AStream.video_resample)
            throw FFmpegException(message);
        // What the old chain still holds goes out before it is replaced.
        AStream.filter->Push(nullptr);
        PullPictures(AStream);
    }
    ConfigurePictureChain(AStream, AInput, AFrame.width, AFrame.height, static_cast<AVPixelFormat>(AFrame.format));
}

void TCustomFFmpeg::HandleAudioFrame(TAVInputStream& AStream, AVFrame* AFrame)
{
    RunAudioHook(*AFrame);
    for (TAVOutputStream* output : OutputsOf(AStream)) {
        if (!output->encoding_needed || !output->audio)
            continue;
        if (!output->audio_configured)
            ConfigureAudioConverter(*output, *AFrame);
        NoteAudioFormat(*output, AStream, *AFrame);
        SyncAudio(*output, AFrame);
        if (output->audio->Push(AFrame) < 0)
            throw FFmpegException(output->audio->LastError());
        PullAudio(*output);
    }
}

void TCustomFFmpeg::NoteAudioFormat(TAVOutputStream& AStream, const TAVInputStream& AInput, const AVFrame& AFrame)
{
    // The converter follows a change by itself; the log says it happened.
    const int channels = AFrame.ch_layout.nb_channels;
    if (AFrame.sample_rate == AStream.resample_sample_rate && AFrame.format == AStream.resample_sample_fmt &&
        channels == AStream.resample_channels)
        return;
    if (AStream.resample_sample_rate) {
        const auto name = [](int format) {
            const char* text = ff::av_get_sample_fmt_name(static_cast<AVSampleFormat>(format));
            return text ? text : "none";
        };
        Log(llInfo, Format("Input stream #%d.%d frame changed from rate:%d fmt:%s ch:%d to rate:%d fmt:%s ch:%d",
                           AInput.file_index, AInput.index, AStream.resample_sample_rate,
                           name(AStream.resample_sample_fmt), AStream.resample_channels, AFrame.sample_rate,
                           name(AFrame.format), channels));
    }
    AStream.resample_sample_rate = AFrame.sample_rate;
    AStream.resample_sample_fmt = AFrame.format;
    AStream.resample_channels = channels;
}

void TCustomFFmpeg::HandleSubtitle(TAVInputStream& AStream, const AVSubtitle& ASubtitle, int64_t ATime)
{
    if (AStream.burner)
        AStream.burner->Add(ASubtitle, ATime);
    for (TAVOutputStream* output : OutputsOf(AStream))
        if (output->encoding_needed)
            DoSubtitleOut(*output, ASubtitle, ATime);
}

void TCustomFFmpeg::FinishInputStream(TAVInputStream& AStream)
{
    AStream.decoder_flushed = true;
    if (AStream.st->codecpar->codec_type != AVMEDIA_TYPE_SUBTITLE) {
        const int code = DecodePacket(AStream, nullptr);
        if (code < 0 && FOpt.Fverbose >= 0)
            Log(llVerbose, MediaErrorText(Format("Error while flushing stream #%d.%d", AStream.file_index,
                                                 AStream.index), code));
    }
    AStream.decoder->Reset();
    for (TAVOutputStream* output : OutputsOf(AStream)) {
        if (!output->encoding_needed || !output->filter || output->resample_width == 0)
            continue;
        output->filter->Push(nullptr);
        PullPictures(*output);
    }
}

void TCustomFFmpeg::CopyPacket(TAVOutputStream& AStream, TAVInputStream& AInput, const AVPacket* APacket)
{
    // A copy starts at a key frame shown at or after the start ("ss"), so
    // that the output can be decoded; from there on every packet goes (a
    // stream with B-frames decodes its first pictures before time 0).
    if (!AStream.copy_started) {
        if (!(APacket->flags & AV_PKT_FLAG_KEY) && !FOpt.Fcopy_initial_nonkeyframes)
            return;
        const int64_t shown = ShownTime(APacket, AInput);
        if (shown < FOpt.Fstart_time)
            return;
        AStream.copy_first = shown;
    }
    AStream.copy_started = true;
    AVPacket* packet = FEncoded;
    if (ff::av_packet_ref(packet, APacket) < 0)
        throw FFmpegException("Cannot copy a packet");
    const AVRational in = AInput.st->time_base;
    const AVRational out = AStream.st->time_base;
    if (packet->pts == AV_NOPTS_VALUE) {
        const int64_t pts = GuessCopiedPts(AStream, AInput, packet);
        packet->pts = pts == TMpegPictureClock::kNoTime ? AV_NOPTS_VALUE : pts;
    } else if (IsMpegVideo(AInput)) {
        AStream.copy_clock.Pts(packet->data, packet->size, packet->pts, FrameDuration(AInput));
    }
    if (packet->pts != AV_NOPTS_VALUE) {
        const int64_t duration = packet->duration > 0 ? ToMicroseconds(packet->duration, in) : 0;
        AStream.copy_end = std::max(AStream.copy_end, ToMicroseconds(packet->pts, in) + duration);
    }
    const int64_t start = ff::av_rescale_q(FOpt.Fstart_time, AV_TIME_BASE_Q, out);
    if (packet->pts != AV_NOPTS_VALUE)
        packet->pts = ff::av_rescale_q(packet->pts, in, out) - start;
    packet->dts = packet->dts == AV_NOPTS_VALUE ? ff::av_rescale_q(AInput.pts, AV_TIME_BASE_Q, out)
                                                : ff::av_rescale_q(packet->dts, in, out);
    packet->dts -= start;
    packet->duration = ff::av_rescale_q(packet->duration, in, out);
    packet->stream_index = AStream.st->index;
    if (AStream.st->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
        FStatistics.AudioBytes += packet->size;
    if (AStream.st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
        FStatistics.VideoBytes += packet->size;
        ++AStream.sync_opts;
    }
    ++AStream.frame_number;
    FOutputs.Write(AStream, packet);
}

void TCustomFFmpeg::EmulateRate(const TAVInputStream& AStream)
{
    // "re": no faster than the input's own clock.
    const int64_t ahead = AStream.pts - (NowMicroseconds() - AStream.start);
    if (ahead > 1000 && !FBroken)
        std::this_thread::sleep_for(std::chrono::microseconds(ahead));
}

}  // namespace vidrelo
