// Progress reports: the report line, the progress event and the summary at
// the end of the run.
#include "engine/StringFormat.h"
#include "engine/encoder/SteadyClock.h"
#include "engine/encoder/TCustomFFmpeg.h"
#include "engine/loader/AVBindings.h"

#include <chrono>
#include <cmath>

namespace vidrelo {

namespace {

float QualityOf(const TAVOutputStream& stream)
{
    if (!stream.encoding_needed)
        return -1.0f;
    const int quality = stream.encoder ? stream.encoder->Coded().LastQuality() : 0;
    return std::max(quality, 0) / static_cast<float>(FF_QP2LAMBDA);
}

}  // namespace

// The first video stream's quantiser histogram ("qphist") and PSNR (the
// last picture's, over the whole run in the last report).
std::string TCustomFFmpeg::VideoQualityText(const TAVOutputStream& AStream, bool AIsLast) const
{
    if (!AStream.encoding_needed || !AStream.encoder)
        return {};
    const TCodedFrameStats coded = AStream.encoder->Coded();
    std::string text = FOpt.Fqp_hist ? coded.Histogram() : std::string();
    if (AStream.enc->flags & AV_CODEC_FLAG_PSNR)
        text += coded.PsnrText(AStream.enc->width, AStream.enc->height, AStream.enc->pix_fmt, AIsLast);
    return text;
}

std::string TCustomFFmpeg::ReportLine(int AFrame, int AFps, float AQuality, int64_t ASize, double ATime,
                                      double ABitrate, bool AIsLast) const
{
    std::string line;
    if (const TAVOutputStream* video = FOutputs.FirstVideoStream()) {
        line = Format("frame=%5d fps=%3d q=%3.1f ", AFrame, AFps, AQuality) + VideoQualityText(*video, AIsLast);
        for (TAVOutputStream* record : FOutputs.Records())
            if (record != video && record->st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
                line += Format("q=%2.1f ", QualityOf(*record));
    }
    line += Format("size=%8.0fkB time=%0.2f bitrate=%6.1fkbits/s", ASize / 1024.0, ATime, ABitrate);
    if (Fnb_frames_dup || Fnb_frames_drop)
        line += Format(" dup=%d drop=%d", Fnb_frames_dup, Fnb_frames_drop);
    return line;
}

void TCustomFFmpeg::PrintReport(bool AIsLast, int AFileIndex)
{
    const int64_t size = FOutputs.Size();
    const double time = FOutputs.SmallestOutputTime();
    const TAVOutputStream* video = FOutputs.FirstVideoStream();
    const int frame = video ? video->frame_number : 0;
    const double elapsed = (NowMicroseconds() - Ftimer_start) / 1e6;
    const int fps = elapsed > 1 ? static_cast<int>(std::lrint(frame / elapsed)) : 0;
    const float q = video ? QualityOf(*video) : 0;
    const double bitrate = size * 8 / time / 1000;
    std::string line;
    if (OnProgress || FOpt.Fverbose > 0 || AIsLast)
        line = ReportLine(frame, fps, q, size, time, bitrate, AIsLast);
    if (OnProgress) {
        OnProgress(this, AFileIndex, frame, fps, q, static_cast<float>(bitrate), size, std::llround(time * 1e6),
                   FTotalOutputDuration);
        if ((FShowDupOrDrop || AIsLast) && FOpt.Fverbose >= 0)
            Log(llVerbose, line);
    } else if (FOpt.Fverbose >= 0) {
        Log(llVerbose, line);
    }
    FShowDupOrDrop = false;
    if (AIsLast && FOpt.Fverbose >= 0) {
        const double video = static_cast<double>(FStatistics.VideoBytes);
        const double audio = static_cast<double>(FStatistics.AudioBytes);
        const double extra = static_cast<double>(FStatistics.ExtraBytes);
        const double payload = video + audio + extra;
        const double overhead = payload > 0 ? (size - payload) * 100 / payload : 0;
        Log(llVerbose, Format("video:%1.0fkB audio:%1.0fkB global headers:%1.0fkB muxing overhead %f%%\n",
                              video / 1024.0, audio / 1024.0, extra / 1024.0, overhead));
    }
}

}  // namespace vidrelo
