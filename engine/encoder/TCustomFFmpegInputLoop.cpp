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
    for (const TInputFileSetup& setup : Finput_setups)
        unlooped |= !setup.LoopInput;
    const bool limited = FOpt.Frecording_time != INT64_MAX || FOpt.Flimit_filesize > 0 ||
                         std::any_of(FOpt.Fmax_frames.begin(), FOpt.Fmax_frames.end(), [](int n) { return n != INT_MAX; });
    if (limited || (FOpt.Fopt_shortest && unlooped && !FJoinMode))
        return;
    for (int file = 0; file < nb_input_files(); ++file)
        if (Finput_setups[file].LoopInput)
            throw FFmpegException(Format("Input #%d is read in a loop and nothing ends the run: set a recording time "
                                         "(\"t\"), a frame or size limit, or \"shortest\" with an input that is not "
                                         "looped",
                                         file));
}

// How far a looped input's pass has got: the span of its picture and of
// its sound packets, and the offset the pass began with. A pass is as long
// as its pictures; sound that runs a little longer or shorter is the audio
// sync's business, not a gap in the pictures.
void TCustomFFmpeg::NotePacketEnd(const AVPacket* APacket, const TAVInputStream& AStream)
{
    const AVMediaType type = AStream.st->codecpar->codec_type;
    if (!Finput_setups[AStream.file_index].LoopInput || (type != AVMEDIA_TYPE_VIDEO && type != AVMEDIA_TYPE_AUDIO))
        return;
    const int64_t ts = APacket->pts != AV_NOPTS_VALUE ? APacket->pts : APacket->dts;
    if (ts == AV_NOPTS_VALUE)
        return;
    const AVRational tb = AStream.st->time_base;
    int64_t duration = APacket->duration > 0 ? ff::av_rescale_q(APacket->duration, tb, AV_TIME_BASE_Q) : 0;
    const AVRational rate = AStream.st->avg_frame_rate;
    if (duration == 0 && type == AVMEDIA_TYPE_VIDEO && rate.num > 0 && rate.den > 0)
        duration = ff::av_rescale_q(1, AVRational{rate.den, rate.num}, AV_TIME_BASE_Q);
    const int64_t begin = ff::av_rescale_q(ts, tb, AV_TIME_BASE_Q);
    TAVInputFile& file = FInputFileRecords[AStream.file_index];
    if (file.video_first == AV_NOPTS_VALUE && file.audio_first == AV_NOPTS_VALUE)
        file.pass_offset = Finput_files_ts_offset[AStream.file_index];
    const bool video = type == AVMEDIA_TYPE_VIDEO;
    int64_t& first = video ? file.video_first : file.audio_first;
    int64_t& end = video ? file.video_end : file.audio_end;
    first = first == AV_NOPTS_VALUE ? begin : std::min(first, begin);
    end = end == AV_NOPTS_VALUE ? begin + duration : std::max(end, begin + duration);
}

// True when the ended input AFile starts over: what its decoders still hold
// goes out first (the picture chains and encoders simply go on), then it is
// sought to its start, its offset moved on by the length of the pass. A
// pass that brought nothing, or a failed seek, ends the input instead.
bool TCustomFFmpeg::StartInputOver(int AFile)
{
    TAVInputFile& file = FInputFileRecords[AFile];
    const int64_t length = file.PassLength();
    if (length <= 0)
        return false;
    for (TAVInputStream& input : FInputStreams[AFile]) {
        if (!input.decoding_needed || !input.decoder_opened || input.st->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE)
            continue;
        ReportDecodingError(input, DecodePacket(input, nullptr));
        ff::avcodec_flush_buffers(input.dec);
    }
    AVFormatContext* context = Finput_files[AFile];
    const int64_t start = context->start_time != AV_NOPTS_VALUE ? context->start_time : 0;
    FIOPhase = TIOPhase::Reading;
    FLastRead = NowMicroseconds();
    const int code = ff::av_seek_frame(context, -1, start, AVSEEK_FLAG_BACKWARD);
    FLastRead = NoIO;
    if (code < 0) {
        Log(llWarning, MediaErrorText(Finput_setups[AFile].FileName + ": cannot read the input again", code));
        return false;
    }
    // Clock jumps within the pass were absorbed into the offset; the next
    // pass starts from the clock the file starts with.
    Finput_files_ts_offset[AFile] = file.pass_offset + length;
    file.video_first = file.video_end = file.audio_first = file.audio_end = AV_NOPTS_VALUE;
    // The new pass's first packets are no clock jumps (its sound may well
    // start a little before the last pass's sound ended).
    for (TAVInputStream& input : FInputStreams[AFile])
        input.dts = input.next_dts = AV_NOPTS_VALUE;
    if (FOpt.Fverbose > 1)
        Log(llVerbose, Format("%s: read again from its start, %0.3f s on", Finput_setups[AFile].FileName.c_str(),
                              length / 1e6));
    return true;
}

}  // namespace vidrelo
