// Progress reports: the report line, the progress event and the summary at
// the end of the run.
#include "engine/StringFormat.h"
#include "engine/encoder/SteadyClock.h"
#include "engine/encoder/TCustomFFmpeg.h"
#include "engine/loader/AVBindings.h"

#include <chrono>
#include <cmath>

namespace vidrelo {

int64_t TCustomFFmpeg::OutputSize() const
{
    if (Foutput_files.empty())
        return 0;
    AVIOContext* pb = Foutput_files[0]->pb;
    if (!pb)
        return 0;
    // What is on disk lags behind by the output buffer; the write position
    // counts what was written so far.
    const int64_t size = ff::avio_size(pb);
    const int64_t position = ff::avio_seek(pb, 0, SEEK_CUR);
    return std::max<int64_t>({0, size, position});
}

double TCustomFFmpeg::SmallestOutputTime() const
{
    double smallest = 1e10;
    for (const std::unique_ptr<TAVOutputStream>& record : FOutputStreamRecords)
        if (record->out_time > 0)
            smallest = std::min(smallest, record->out_time);
    return std::max(smallest, 0.01);
}

TAVOutputStream* TCustomFFmpeg::FirstVideoStream() const
{
    for (const std::unique_ptr<TAVOutputStream>& record : FOutputStreamRecords)
        if (record->st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
            return record.get();
    return nullptr;
}

namespace {

float QualityOf(const TAVOutputStream& stream)
{
    return stream.encoding_needed ? std::max(stream.coded.LastQuality(), 0) / static_cast<float>(FF_QP2LAMBDA)
                                  : -1.0f;
}

}  // namespace

// The first video stream's quantiser histogram ("qphist") and PSNR (the
// last picture's, over the whole run in the last report).
std::string TCustomFFmpeg::VideoQualityText(const TAVOutputStream& AStream, bool AIsLast) const
{
    if (!AStream.encoding_needed)
        return {};
    std::string text = FOpt.Fqp_hist ? AStream.coded.Histogram() : std::string();
    if (AStream.enc->flags & AV_CODEC_FLAG_PSNR)
        text += AStream.coded.PsnrText(AStream.enc->width, AStream.enc->height, AStream.enc->pix_fmt, AIsLast);
    return text;
}

std::string TCustomFFmpeg::ReportLine(int AFrame, int AFps, float AQuality, int64_t ASize, double ATime,
                                      double ABitrate, bool AIsLast) const
{
    std::string line;
    if (const TAVOutputStream* video = FirstVideoStream()) {
        line = Format("frame=%5d fps=%3d q=%3.1f ", AFrame, AFps, AQuality) + VideoQualityText(*video, AIsLast);
        for (const std::unique_ptr<TAVOutputStream>& record : FOutputStreamRecords)
            if (record.get() != video && record->st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
                line += Format("q=%2.1f ", QualityOf(*record));
    }
    line += Format("size=%8.0fkB time=%0.2f bitrate=%6.1fkbits/s", ASize / 1024.0, ATime, ABitrate);
    if (Fnb_frames_dup || Fnb_frames_drop)
        line += Format(" dup=%d drop=%d", Fnb_frames_dup, Fnb_frames_drop);
    return line;
}

void TCustomFFmpeg::PrintReport(bool AIsLast, int AFileIndex)
{
    const int64_t size = OutputSize();
    const double time = SmallestOutputTime();
    const TAVOutputStream* video = FirstVideoStream();
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
        const double payload = static_cast<double>(Fvideo_size + Faudio_size + Fextra_size);
        const double overhead = payload > 0 ? (size - payload) * 100 / payload : 0;
        Log(llVerbose, Format("video:%1.0fkB audio:%1.0fkB global headers:%1.0fkB muxing overhead %f%%\n",
                              Fvideo_size / 1024.0, Faudio_size / 1024.0, Fextra_size / 1024.0, overhead));
    }
}

}  // namespace vidrelo
