#pragma once
// The run's records of a job's inputs and their streams.
//
// The "mpeg" demuxer creates streams as their first packets arrive, so the
// table of an input grows while it is read; streams are addressed by their
// input and their index in it, never by one flat index over all inputs.
#include "engine/encoder/TDecoderStage.h"
#include "engine/loader/MediaHeaders.h"

#include <cstdint>
#include <memory>

namespace vidrelo {

class TSubtitleBurner;

struct TAVInputFile {
    bool eof_reached = false;
    bool try_again = false;  // the last read answered "try again"
    // A looped input: the span of its pictures and of its sound in the
    // current pass (microseconds, offset included; first start to latest
    // end), and the length of the pass: its pictures' when it has any.
    int64_t video_first = AV_NOPTS_VALUE, video_end = AV_NOPTS_VALUE;
    int64_t audio_first = AV_NOPTS_VALUE, audio_end = AV_NOPTS_VALUE;
    int64_t pass_offset = 0;  // the input's timestamp offset when the pass began
    int64_t PassLength() const
    {
        if (video_first != AV_NOPTS_VALUE)
            return video_end - video_first;
        return audio_first != AV_NOPTS_VALUE ? audio_end - audio_first : 0;
    }
};

struct TAVInputStream {
    int file_index = 0;
    int index = 0;
    AVStream* st = nullptr;
    AVCodecContext* dec = nullptr;  // the input's prepared decoder (owned by the job's input setup)
    bool discard = true;            // until an output uses it
    bool decoding_needed = false;
    bool decoder_opened = false;
    std::unique_ptr<TDecoderStage> decoder;  // made when the decoder is opened
    int frame_number = 0;           // frames decoded
    int64_t start = 0;              // wall clock at the first packet, microseconds ("re")
    int64_t next_pts = AV_NOPTS_VALUE;  // microseconds: predicted time of the next frame
    int64_t pts = 0;                // microseconds: time of the current frame
    int64_t next_dts = AV_NOPTS_VALUE;  // microseconds: predicted decode time of the next packet
    int64_t dts = AV_NOPTS_VALUE;   // microseconds: decode time of the last packet
    bool is_start = true;           // until the first packet
    bool is_past_recording_time = false;
    bool decoder_flushed = false;
    TSubtitleBurner* burner = nullptr;  // where decoded subtitles go to be burned in (not owned)
};

}  // namespace vidrelo
