#include "engine/probe/TFFDecoder.h"

#include "engine/loader/AVBindings.h"

namespace vidrelo {

TFFDecoder::~TFFDecoder()
{
    CloseFile();
}

void TFFDecoder::SummaryRefreshed()
{
    FSeekIndex = FirstVideoStreamIndex() != -1 ? FirstVideoStreamIndex() : FirstAudioStreamIndex();
    FStartTime = 0;
    const AVFormatContext* context = FileHandle();
    if (!context)
        return;
    if (FSeekIndex == -1) {
        if (context->start_time != AV_NOPTS_VALUE)
            FStartTime = context->start_time;
        return;
    }
    const AVStream* stream = context->streams[FSeekIndex];
    if (stream->start_time != AV_NOPTS_VALUE && stream->time_base.den != 0)
        FStartTime = ff::av_rescale_q(stream->start_time, stream->time_base, AV_TIME_BASE_Q);
}

}  // namespace vidrelo
