// Inputs read in a loop ("loop_input"): at its end such an input is sought
// back to its start and read again, its timestamps running on from where
// the last pass ended, until something else ends the run.
#include "engine/StringFormat.h"
#include "engine/encoder/FFmpegException.h"
#include "engine/encoder/SteadyClock.h"
#include "engine/encoder/TCustomFFmpeg.h"
#include "engine/loader/AVBindings.h"
#include "engine/loader/MediaErrorText.h"

#include <algorithm>
#include <chrono>

namespace vidrelo {
// A looped input never ends by itself, so the run must have an end of its
// own; without one it is refused rather than left running for good.
void TCustomFFmpeg::CheckLoopedInputs() const
{
    bool unlooped = false;
    for (int i = 0; i < nb_input_files(); ++i)
        unlooped |= !FInputs.Setup(i).LoopInput;
    const bool limited = FOpt.Frecording_time != INT64_MAX || FOpt.Flimit_filesize > 0 ||
                         std::any_of(FOpt.Fmax_frames.begin(), FOpt.Fmax_frames.end(), [](int n) { return n != INT_MAX; });
    if (limited || (FOpt.Fopt_shortest && unlooped && !FJoinMode))
        return;
    for (int file = 0; file < nb_input_files(); ++file)
        if (FInputs.Setup(file).LoopInput)
            throw FFmpegException(Format("Input #%d is read in a loop and nothing ends the run: set a recording time "
                                         "(\"t\"), a frame or size limit, or \"shortest\" with an input that is not "
                                         "looped",
                                         file));
}

// True when the ended input AFile starts over: what its decoders still hold
// goes out first (the picture chains and encoders simply go on), then it is
// sought to its start, its offset moved on by the length of the pass. A
// pass that brought nothing, or a failed seek, ends the input instead.
bool TCustomFFmpeg::StartInputOver(int AFile)
{
    TAVInputFile& file = FInputs.Record(AFile);
    const int64_t length = file.PassLength();
    if (length <= 0)
        return false;
    for (TAVInputStream& input : FInputs.Streams(AFile)) {
        if (!input.decoding_needed || !input.decoder || input.st->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE)
            continue;
        ReportDecodingError(input, DecodePacket(input, nullptr));
        input.decoder->Reset();
    }
    AVFormatContext* context = FInputs.Context(AFile);
    const int64_t start = context->start_time != AV_NOPTS_VALUE ? context->start_time : 0;
    FIOPhase = TIOPhase::Reading;
    FLastRead = NowMicroseconds();
    const int code = ff::av_seek_frame(context, -1, start, AVSEEK_FLAG_BACKWARD);
    FLastRead = NoIO;
    if (code < 0) {
        Log(llWarning, MediaErrorText(FInputs.Setup(AFile).FileName + ": cannot read the input again", code));
        return false;
    }
    FInputs.StartNextPass(AFile, length);
    if (FOpt.Fverbose > 1)
        Log(llVerbose, Format("%s: read again from its start, %0.3f s on", FInputs.Setup(AFile).FileName.c_str(),
                              length / 1e6));
    return true;
}

}  // namespace vidrelo
