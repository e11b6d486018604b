#include "engine/encoder/TEncoderStage.h"

#include "engine/CLocale.h"
#include "engine/StringFormat.h"
#include "engine/encoder/FFmpegException.h"
#include "engine/encoder/TAVOutputStream.h"
#include "engine/encoder/TJobOutputs.h"
#include "engine/loader/AVBindings.h"
#include "engine/loader/MediaErrorText.h"

#include <algorithm>
#include <cmath>

namespace vidrelo {

// --- the statistics ----------------------------------------------------------

TJobStatistics::~TJobStatistics()
{
    if (Vstats)
        std::fclose(Vstats);
}

void TJobStatistics::Reset(const std::string& AVstatsFileName)
{
    VideoBytes = AudioBytes = ExtraBytes = 0;
    std::lock_guard lock(VstatsLock);
    if (Vstats)
        std::fclose(Vstats);
    Vstats = nullptr;
    VstatsFileName = AVstatsFileName;
}

// --- the queue -----------------------------------------------------------------

TFrameQueue::~TFrameQueue()
{
    Close();
}

bool TFrameQueue::Push(AVFrame* AFrame)
{
    std::unique_lock lock(FLock);
    FChanged.wait(lock, [this] { return FClosed || FFrames.size() < FCapacity; });
    if (FClosed)
        return false;
    FFrames.push_back(AFrame);
    FChanged.notify_all();
    return true;
}

bool TFrameQueue::Pop(AVFrame*& AFrame)
{
    std::unique_lock lock(FLock);
    FChanged.wait(lock, [this] { return FClosed || !FFrames.empty(); });
    if (FFrames.empty())
        return false;
    AFrame = FFrames.front();
    FFrames.pop_front();
    FBusy = true;
    FChanged.notify_all();
    return true;
}

void TFrameQueue::Done()
{
    std::lock_guard lock(FLock);
    FBusy = false;
    FChanged.notify_all();
}

void TFrameQueue::WaitIdle()
{
    std::unique_lock lock(FLock);
    FChanged.wait(lock, [this] { return FClosed || (FFrames.empty() && !FBusy); });
}

void TFrameQueue::Close()
{
    std::deque<AVFrame*> dropped;
    {
        std::lock_guard lock(FLock);
        FClosed = true;
        dropped.swap(FFrames);
        FChanged.notify_all();
    }
    for (AVFrame* frame : dropped)
        ff::av_frame_free(&frame);
}

// --- the stage -------------------------------------------------------------------

TEncoderStage::TEncoderStage(TAVOutputStream& AStream, TJobOutputs& AOutputs, TJobStatistics& AStatistics,
                             bool AOwnThread)
    : FStream(AStream),
      FOutputs(AOutputs),
      FStatistics(AStatistics),
      FVideo(AStream.enc->codec_type == AVMEDIA_TYPE_VIDEO),
      FThreaded(AOwnThread)
{
    FPacket = ff::av_packet_alloc();
    if (!FPacket)
        throw FFmpegException("av_mallocz fail");
    if (FThreaded)
        FThread = std::thread([this] { Run(); });
}

TEncoderStage::~TEncoderStage()
{
    Abandon();
    if (ff::av_packet_free)  // (the libraries may be gone already)
        ff::av_packet_free(&FPacket);
}

void TEncoderStage::Send(const AVFrame* AFrame)
{
    RaiseFailure();
    if (!FThreaded) {
        Encode(AFrame);
        return;
    }
    AVFrame* reference = nullptr;
    if (AFrame) {
        reference = ff::av_frame_alloc();
        if (!reference || ff::av_frame_ref(reference, AFrame) < 0) {
            ff::av_frame_free(&reference);
            throw FFmpegException("av_mallocz fail");
        }
    }
    if (!FQueue.Push(reference))
        ff::av_frame_free(&reference);  // abandoned meanwhile
}

void TEncoderStage::Drain()
{
    if (FThreaded)
        FQueue.WaitIdle();
    RaiseFailure();
}

void TEncoderStage::Abandon()
{
    FQueue.Close();
    if (FThread.joinable())
        FThread.join();
}

TCodedFrameStats TEncoderStage::Coded() const
{
    std::lock_guard lock(FCodedLock);
    return FCoded;
}

void TEncoderStage::RaiseFailure()
{
    if (FFailed)
        throw FFmpegException(FFailure);
}

void TEncoderStage::Run()
{
    const TCLocaleScope numbers;
    AVFrame* frame = nullptr;
    while (FQueue.Pop(frame)) {
        // After a failure the queue is still emptied, so that a job's
        // thread waiting to hand over a picture is let go.
        if (!FFailed) {
            try {
                Encode(frame);
            } catch (const std::exception& e) {
                FFailure = e.what();
                FFailed = true;
            }
        }
        ff::av_frame_free(&frame);
        FQueue.Done();
    }
}

void TEncoderStage::Encode(const AVFrame* AFrame)
{
    const char* failure = FVideo ? "Video encoding failed" : "Audio encoding failed";
    AVCodecContext* enc = FStream.enc;
    int code = ff::avcodec_send_frame(enc, AFrame);
    if (code < 0 && code != AVERROR_EOF)
        throw FFmpegException(MediaErrorText(failure, code));
    for (;;) {
        code = ff::avcodec_receive_packet(enc, FPacket);
        if (code == AVERROR(EAGAIN) || code == AVERROR_EOF)
            return;
        if (code < 0)
            throw FFmpegException(MediaErrorText(failure, code));
        if (FStream.logfile && enc->stats_out)
            std::fputs(enc->stats_out, FStream.logfile);
        Account(FPacket);
        FPacket->stream_index = FStream.st->index;
        const AVRational from = enc->time_base;
        const AVRational to = FStream.st->time_base;
        if (FPacket->pts != AV_NOPTS_VALUE)
            FPacket->pts = ff::av_rescale_q(FPacket->pts, from, to);
        if (FPacket->dts != AV_NOPTS_VALUE)
            FPacket->dts = ff::av_rescale_q(FPacket->dts, from, to);
        FPacket->duration = ff::av_rescale_q(FPacket->duration, from, to);
        FOutputs.Write(FStream, FPacket);
    }
}

void TEncoderStage::Account(AVPacket* APacket)
{
    if (!FVideo) {
        FStatistics.AudioBytes += APacket->size;
        return;
    }
    FStatistics.VideoBytes += APacket->size;
    size_t size = 0;
    const uint8_t* stats = ff::av_packet_get_side_data(APacket, AV_PKT_DATA_QUALITY_STATS, &size);
    char type = '?';
    {
        std::lock_guard lock(FCodedLock);
        FCoded.Add(stats, size);
        if (stats)
            type = FCoded.LastPictureType();
    }
    ++FCodedPictures;
    if (!FStatistics.VstatsFileName.empty())
        WriteVideoStats(APacket->size, type, APacket->pts);
}

void TEncoderStage::WriteVideoStats(int ASize, char AType, int64_t APts)
{
    std::lock_guard lock(FStatistics.VstatsLock);
    if (!FStatistics.Vstats) {
        FStatistics.Vstats = std::fopen(FStatistics.VstatsFileName.c_str(), "w");
        if (!FStatistics.Vstats)
            throw FFmpegException("fopen fail: " + FStatistics.VstatsFileName);
    }
    FILE* file = FStatistics.Vstats;
    const TCodedFrameStats coded = Coded();
    const AVCodecContext* enc = FStream.enc;
    const double tb = av_q2d(enc->time_base);
    const double time = std::max((APts == AV_NOPTS_VALUE ? FCodedPictures : APts + 1) * tb, 0.01);
    const double total = static_cast<double>(FStatistics.VideoBytes);
    std::fprintf(file, "frame= %5d q= %2.1f ", FCodedPictures,
                 std::max(coded.LastQuality(), 0) / static_cast<double>(FF_QP2LAMBDA));
    const double psnr = coded.LastLumaPsnr(enc->width, enc->height);
    if ((enc->flags & AV_CODEC_FLAG_PSNR) && !std::isnan(psnr))
        std::fprintf(file, "PSNR= %6.2f ", psnr);
    std::fprintf(file, "f_size= %6d ", ASize);
    std::fprintf(file, "s_size= %8.0fkB time= %0.3f br= %7.1fkbits/s avg_br= %7.1fkbits/s ", total / 1024.0, time,
                 ASize * 8 / tb / 1000.0, total * 8 / time / 1000.0);
    std::fprintf(file, "type= %c\n", AType);
}

}  // namespace vidrelo
