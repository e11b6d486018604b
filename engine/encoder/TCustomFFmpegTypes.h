#pragma once
// Records of a transcoding job's file tables and maps.
#include "engine/loader/MediaHeaders.h"
#include "engine/loader/TSourceProtocols.h"

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vidrelo {

class TCustomFFmpeg;

// "map": an output stream's input stream and the stream it syncs to.
struct TAVStreamMap {
    int32_t file_index = 0;
    int32_t stream_index = 0;
    int32_t sync_file_index = 0;
    int32_t sync_stream_index = 0;
    // "0:i:0x80" names the stream by its id (AVStream::id, a DVD's stream
    // id) instead: below 0 when the index is given. The run finds the index
    // once the input is open; such a map syncs to its own stream.
    int32_t stream_id = -1;
};

// One side of a "map_meta_data" pair: a file and which of its metadata
// ('g' global, 's' stream, 'c' chapter, 'p' program, with an index).
struct TAVMetaDataMap {
    int32_t file_idx = 0;
    char type_ = 'g';
    int32_t index = 0;
};

// "map_chapters".
struct TAVChapterMap {
    int32_t in_file = 0;
    int32_t out_file = 0;
};

// A chapter of an output, gathered from its input when the run starts and
// attached to the output once its times are known for certain.
struct TPendingChapter {
    int Segment = 0;                   // the join segment it plays in; 0 outside join mode
    AVRational TimeBase{1, AV_TIME_BASE};
    int64_t Start = 0;                 // on the output's timeline, less the start of its segment
    int64_t End = 0;
    std::vector<std::pair<std::string, std::string>> Metadata;  // its input's names for it
};

// An input stream as the job prepared it when the input was opened.
struct TInputStreamSetup {
    const AVCodec* ForcedDecoder = nullptr;  // named by "vcodec", "acodec", "scodec" before the input
    // Its decoder, not yet opened: the stream's parameters, the thread count
    // and the generic decoding options are in. Null for kinds nobody decodes.
    AVCodecContext* Decoder = nullptr;
};

// What the job keeps about an opened input besides its format context.
// Streams can appear while the input is read (the "mpeg" demuxer creates
// them as their first packets arrive), so the per-stream records belong to
// their input rather than to one table of the whole job.
struct TInputFileSetup {
    std::string FileName;
    std::array<const AVCodec*, 3> ForcedDecoders{};  // video, audio, subtitle decoders named for it
    // The decoder named for streams of AType; null when none was.
    const AVCodec* ForcedDecoder(AVMediaType AType) const
    {
        switch (AType) {
        case AVMEDIA_TYPE_VIDEO: return ForcedDecoders[0];
        case AVMEDIA_TYPE_AUDIO: return ForcedDecoders[1];
        case AVMEDIA_TYPE_SUBTITLE: return ForcedDecoders[2];
        default: return nullptr;
        }
    }
    bool FromSource = false;  // read through a registered source ("opendvd:...")
    TSourceHints Hints;       // that source's hints: deinterlace, audio channels, chapter starts
    bool LoopInput = false;   // "loop_input"
    int64_t Duration = AV_NOPTS_VALUE;  // microseconds (the source's exact length when it gave one)
    std::vector<TInputStreamSetup> Streams;
};

// An output stream as opening the output (or "newvideo", ...) created it.
struct TOutputStreamSetup {
    AVStream* Stream = nullptr;
    const AVCodec* Encoder = nullptr;   // null: stream copy, or no encoder for the format's guess
    AVCodecContext* Context = nullptr;  // the encoder's settings; the run opens it
    bool StreamCopy = false;
    bool ForceFps = false;                      // "force_fps" when the stream was made
    std::vector<std::string> BitstreamFilters;  // "vbsf", "absf", "sbsf"
    std::vector<int64_t> ForcedKeyFrames;       // "force_key_frames", microseconds
};

}  // namespace vidrelo
