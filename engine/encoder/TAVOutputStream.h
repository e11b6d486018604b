#pragma once
// The run's record of one output stream: where its input comes from, how it
// is turned into what the output takes (copied, or decoded and encoded
// through the picture chain or the audio converter), and where writing
// stands.
//
// In join mode one record serves every segment: `join_sources` names the
// input stream of each segment, and the timestamps and frame count simply
// run on from one segment into the next.
#include "engine/encoder/MpegPictureClock.h"
#include "engine/loader/MediaHeaders.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace vidrelo {

class TAudioConverter;
class TEncoderStage;
class TSubtitleBurner;
class TVideoFilterGraph;

// An input stream by its input and its index there.
struct TAVStreamRef {
    int file = -1;
    int stream = -1;
    bool Valid() const { return file >= 0 && stream >= 0; }
};

struct TAVOutputStream {
    TAVOutputStream();
    ~TAVOutputStream();  // frees the bitstream filters, closes the two-pass log
    TAVOutputStream(const TAVOutputStream&) = delete;
    TAVOutputStream& operator=(const TAVOutputStream&) = delete;

    int file_index = 0;
    int index = 0;                       // in its output
    TAVStreamRef source;                 // the input stream feeding it now
    TAVStreamRef sync;                   // the stream it syncs to ("map" with a sync stream)
    std::vector<TAVStreamRef> join_sources;  // join mode: the source of each segment
    AVStream* st = nullptr;
    AVCodecContext* enc = nullptr;       // the output setup's encoder settings (owned there)
    AVCodecID codec_id = AV_CODEC_ID_NONE;
    bool encoding_needed = false;
    bool encoder_opened = false;
    bool encoder_flushed = false;
    std::unique_ptr<TEncoderStage> encoder;  // made when the encoder is opened (not for subtitles)
    int frame_number = 0;
    int64_t sync_opts = 0;               // next output timestamp, encoder time base (audio: samples)
    bool segment_started = false;        // join mode: the segment's first frame came
    std::vector<AVBSFContext*> bitstream_filters;
    std::vector<std::string> bitstream_filter_names;

    // Video.
    std::unique_ptr<TVideoFilterGraph> filter;   // the picture chain
    std::unique_ptr<TSubtitleBurner> burner;     // a source's subpictures burned into the picture
    bool video_resample = false;         // input size or format differed from the output's at setup
    int resample_width = 0;              // the input geometry the chain was made for
    int resample_height = 0;
    int resample_pix_fmt = AV_PIX_FMT_NONE;
    std::vector<int64_t> forced_kf_pts;  // encoder time base
    std::size_t forced_kf_index = 0;

    // Audio.
    std::unique_ptr<TAudioConverter> audio;
    bool audio_configured = false;       // made for the first decoded frame
    int resample_sample_rate = 0;        // the input audio the converter last saw
    int resample_sample_fmt = AV_SAMPLE_FMT_NONE;
    int resample_channels = 0;

    // Stream copy.
    bool copy_started = false;           // a key frame went out (or "copyinkf")
    int64_t copy_first = INT64_MIN;      // microseconds on the source's clock: the first copied packet shown
    int64_t copy_end = INT64_MIN;        // ... and the end of the last one
    TMpegPictureClock copy_clock;        // times for copied MPEG video pictures that have none

    // Writing.
    double out_time = 0;                 // seconds: the end of what was written last
    int64_t shown_end = 0;               // microseconds: the latest end of a written packet's presentation
    FILE* logfile = nullptr;             // two-pass statistics (pass 1)
    std::string stats_in;                // pass 2: the statistics the encoder reads (kept alive)
};

}  // namespace vidrelo
