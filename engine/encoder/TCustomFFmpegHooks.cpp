// The owner's hooks into the frames: a picture as a bitmap before the
// filters and before encoding (changed pictures are written back), preview
// bitmaps of the encoded pictures, and the decoded audio samples.
#include "engine/TFormatConverter.h"
#include "engine/encoder/SteadyClock.h"
#include "engine/encoder/TCustomFFmpeg.h"
#include "engine/loader/AVBindings.h"

#include <chrono>

namespace vidrelo {
namespace {

TAVPicture PictureOf(const AVFrame& frame)
{
    TAVPicture picture;
    for (int i = 0; i < 4; ++i) {
        picture.data[i] = frame.data[i];
        picture.linesize[i] = frame.linesize[i];
    }
    return picture;
}

int BytesPerSample(AVSampleFormat format)
{
    switch (format) {
    case AV_SAMPLE_FMT_U8:
    case AV_SAMPLE_FMT_U8P: return 1;
    case AV_SAMPLE_FMT_S16:
    case AV_SAMPLE_FMT_S16P: return 2;
    case AV_SAMPLE_FMT_S32:
    case AV_SAMPLE_FMT_S32P:
    case AV_SAMPLE_FMT_FLT:
    case AV_SAMPLE_FMT_FLTP: return 4;
    case AV_SAMPLE_FMT_DBL:
    case AV_SAMPLE_FMT_DBLP:
    case AV_SAMPLE_FMT_S64:
    case AV_SAMPLE_FMT_S64P: return 8;
    default: return 0;
    }
}

bool IsPlanar(AVSampleFormat format)
{
    return format >= AV_SAMPLE_FMT_U8P && format != AV_SAMPLE_FMT_S64;
}

}  // namespace

std::mutex& TCustomFFmpeg::PostHookLock()
{
    static std::mutex lock;
    return lock;
}

void TCustomFFmpeg::SetPostHook(TPostHook AHook, bool AOn)
{
    std::lock_guard lock(PostHookLock());
    if (AOn)
        FPostHooks |= 1u << AHook;
    else
        FPostHooks &= ~(1u << AHook);
}

bool TCustomFFmpeg::PostHookOn(TPostHook AHook) const
{
    std::lock_guard lock(PostHookLock());
    return FPostHooks & (1u << AHook);
}

bool TCustomFFmpeg::RunVideoHook(const TVideoHookEvent& AHook, bool& AStopped,
                                 std::unique_ptr<TFormatConverter>& AConverter, AVFrame* AFrame, int AFrameNumber,
                                 int64_t APts)
{
    if (!AHook || AStopped)
        return false;
    if (!AConverter)
        AConverter = std::make_unique<TFormatConverter>();
    AConverter->SetBitsPixel(VideoHookBitsPixel);
    const auto format = static_cast<AVPixelFormat>(AFrame->format);
    if (!AConverter->PictureToRGB(PictureOf(*AFrame), format, true, AFrame->height, AFrame->width)) {
        Log(llError, AConverter->LastErrMsg());
        AStopped = true;
        return false;
    }
    bool update = true;
    bool stop = false;
    try {
        AHook(this, &AConverter->Bitmap(), AFrameNumber, APts, update, stop);
    } catch (const std::exception& e) {
        Log(llError, std::string("Error occurs VideoHook event: ") + e.what());
        update = false;
    }
    AStopped = stop;
    if (!update)
        return true;
    // The picture may be shared with the decoder or the filters: it gets
    // buffers of its own before it is written into.
    TAVPicture target;
    if (ff::av_frame_make_writable(AFrame) >= 0) {
        AConverter->BitmapToRGB();
        target = PictureOf(*AFrame);
        if (AConverter->RGBToPicture(target, format, AFrame->height, AFrame->width))
            return true;
    }
    Log(llError, AConverter->LastErrMsg());
    AStopped = true;
    return false;
}

void TCustomFFmpeg::RunInputVideoHook(TAVInputStream& AStream, AVFrame* AFrame)
{
    RunVideoHook(OnInputVideoHook, FInputHookStopped, FInputVideoHook, AFrame, AStream.frame_number, AStream.pts);
}

void TCustomFFmpeg::RunOutputHooks(TAVOutputStream& AStream, AVFrame* AFrame)
{
    const int64_t pts = ff::av_rescale_q(AStream.sync_opts, AStream.enc->time_base, AV_TIME_BASE_Q);
    const bool converted =
        RunVideoHook(OnOutputVideoHook, FOutputHookStopped, FOutputVideoHook, AFrame, AStream.frame_number, pts);
    RunPostHooks(AFrame, AStream.frame_number, pts, converted);
}

void TCustomFFmpeg::RunPostHooks(AVFrame* AFrame, int AFrameNumber, int64_t APts, bool AConverted)
{
    std::lock_guard lock(PostHookLock());
    if (!(FPostHooks & (1u << phBitmap)) || !OnPreviewBitmap)
        return;
    const int64_t now = NowMicroseconds();
    if (FPreviewLastTime && now - FPreviewLastTime <= PreviewInterval)
        return;
    FPreviewLastTime = now;
    // The output hook's bitmap is this picture already, written back or not.
    if (!AConverted) {
        if (!FOutputVideoHook)
            FOutputVideoHook = std::make_unique<TFormatConverter>();
        FOutputVideoHook->SetBitsPixel(VideoHookBitsPixel);
        if (!FOutputVideoHook->PictureToRGB(PictureOf(*AFrame), static_cast<AVPixelFormat>(AFrame->format), true,
                                            AFrame->height, AFrame->width)) {
            Log(llError, FOutputVideoHook->LastErrMsg());
            FPostHooks &= ~(1u << phBitmap);
            return;
        }
    }
    try {
        OnPreviewBitmap(this, &FOutputVideoHook->Bitmap(), AFrameNumber, APts);
    } catch (const std::exception& e) {
        Log(llError, std::string("Error occurs PreviewBitmap event: ") + e.what());
    }
}

void TCustomFFmpeg::RunAudioHook(const AVFrame& AFrame)
{
    if (!OnAudioHook)
        return;
    const auto format = static_cast<AVSampleFormat>(AFrame.format);
    const int channels = AFrame.ch_layout.nb_channels;
    const int size = AFrame.nb_samples * BytesPerSample(format) * (IsPlanar(format) ? 1 : channels);
    try {
        OnAudioHook(this, AFrame.pts, AFrame.extended_data[0], size, AFrame.sample_rate, channels, format);
    } catch (const std::exception& e) {
        Log(llError, std::string("Error occurs AudioHook event: ") + e.what());
    }
}

}  // namespace vidrelo
