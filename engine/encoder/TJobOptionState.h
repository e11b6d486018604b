#pragma once
// The option state of a transcoding job: what the options set so far hold,
// with the value each has after construction. Opening an input or an output
// consumes what belongs to it (see the comments); everything else stays
// until the run uses it. A job resets it by assigning a fresh TJobOptionState.
#include "engine/encoder/TAVDictionary.h"
#include "engine/loader/MediaHeaders.h"

#include <array>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

namespace vidrelo {

struct TJobOptionState {
    std::string Flast_asked_format;  // "f": the next input or output
    int Fframe_width = 0;            // "s"; replaced by each opened input's video
    int Fframe_height = 0;
    double Fframe_aspect_ratio = 0;                    // "aspect"; replaced by each input; 0 = none
    AVPixelFormat Fframe_pix_fmt = AV_PIX_FMT_NONE;    // "pix_fmt"; used by the next video stream
    AVSampleFormat Faudio_sample_fmt = AV_SAMPLE_FMT_NONE;  // "sample_fmt"; replaced by each input
    // "vframes", "aframes", "dframes", by media type (video, audio, data, subtitle).
    std::array<int, 4> Fmax_frames{INT_MAX, INT_MAX, INT_MAX, INT_MAX};
    AVRational Fframe_rate{25, 0};      // "r"; no denominator: none (new streams take 25/1)
    double Fvideo_qscale = 0;           // "qscale"; 0 = none
    std::vector<uint16_t> Fintra_matrix;  // "intra_matrix"; empty = none
    std::vector<uint16_t> Finter_matrix;  // "inter_matrix"
    std::string Fvideo_rc_override_string;  // "rc_override"
    bool Fvideo_disable = false;        // "vn"
    int Fvideo_discard = 0;             // "vdt": an AVDiscard for the next input's video
    std::string Fvideo_codec_name;      // "vcodec": decoder of the next input, encoder of the next video stream
    uint32_t Fvideo_codec_tag = 0;      // "vtag"
    std::string Fvideo_language;        // "vlang"
    bool Fsame_quality = false;         // "sameq"
    bool Fdo_deinterlace = false;       // "deinterlace"
    int Ftop_field_first = -1;          // "top": -1 as decoded
    int Fme_threshold = 0;              // "me_threshold"
    int Fintra_dc_precision = 8;        // "dc"
    bool Floop_input = false;           // "loop_input"
    int Floop_output = -1;              // "loop_output": -1 no looping
    bool Fqp_hist = false;              // "qphist"
    std::string Fvfilters;              // "vf", "vfilters": the next output's video filter graph
    bool Fintra_only = false;           // "intra"
    int Faudio_sample_rate = 44100;     // "ar"; replaced by each opened input
    uint64_t Fchannel_layout = 0;       // replaced by each opened input (a channel mask)
    double Faudio_qscale = -99999;      // "aq"; -99999 = none
    bool Faudio_disable = false;        // "an"
    int Faudio_channels = 2;            // "ac"; replaced by each opened input
    std::string Faudio_codec_name;      // "acodec"
    uint32_t Faudio_codec_tag = 0;      // "atag"
    std::string Faudio_language;        // "alang"
    bool Fsubtitle_disable = false;     // "sn"
    std::string Fsubtitle_codec_name;   // "scodec"
    std::string Fsubtitle_language;     // "slang"
    uint32_t Fsubtitle_codec_tag = 0;   // "stag"
    double Fmux_preload = 0.5;          // "muxpreload", seconds
    double Fmux_max_delay = 0.7;        // "muxdelay", seconds
    int64_t Frecording_time = INT64_MAX;  // "t", microseconds
    int64_t Fstart_time = 0;            // "ss", microseconds
    int64_t Frecording_timestamp = 0;   // "timestamp", seconds since the epoch
    int64_t Finput_ts_offset = 0;       // "itsoffset", microseconds
    TAVDictionary Fmetadata;            // "metadata": the next output's
    bool Fdo_hex_dump = false;          // "hex"
    bool Fdo_pkt_dump = false;          // "dump"
    bool Fdo_psnr = false;              // "psnr"
    int Fdo_pass = 0;                   // "pass"
    std::string Fpass_logfilename_prefix;  // "passlogfile"
    int Faudio_stream_copy = 0;         // codec name "copy"
    int Fvideo_stream_copy = 0;
    int Fsubtitle_stream_copy = 0;
    int Fvideo_sync_method = -1;        // "vsync": -1 by format
    int Faudio_sync_method = 0;         // "async"
    double Faudio_drift_threshold = 0.1;  // "adrift_threshold"
    bool Fcopy_ts = false;              // "copyts"
    bool Fcopy_tb = false;              // "copytb"
    bool Fopt_shortest = false;         // "shortest"
    int Fvideo_global_header = 0;       // "vglobal"
    std::string Fvstats_filename;       // "vstats", "vstats_file"; empty = none
    int Fopt_programid = 0;             // "programid"
    int Fcopy_initial_nonkeyframes = 0;  // "copyinkf"
    bool Frate_emu = false;             // "re"
    int Fvideo_channel = 0;             // "vc"
    std::string Fvideo_standard;        // "tvstd"; empty = none
    int Faudio_volume = 256;            // "vol": 256 unchanged
    bool Fexit_on_error = false;        // "xerror"
    int Fverbose = 1;                   // "v"
    // "threads": 0 lets the libraries use every core. (The classic default
    // of one thread left all but one core idle while encoding.)
    int Fthread_count = 0;
    bool Finput_sync = false;           // "isync"
    int64_t Flimit_filesize = 0;        // "fs": 0 = none
    bool Fforce_fps = false;            // "force_fps"
    std::string Fforced_key_frames;     // "force_key_frames"
    double Fdts_delta_threshold = 10;   // "dts_delta_threshold", seconds
    bool Fpipeline = true;              // "pipeline": video encoders run on threads of their own
    int Fsws_flags = SWS_BICUBIC;       // "sws_flags" (a generic option)
    // "vbsf", "absf", "sbsf": bitstream filters of the next stream of that kind.
    std::vector<std::string> Fvideo_bitstream_filters;
    std::vector<std::string> Faudio_bitstream_filters;
    std::vector<std::string> Fsubtitle_bitstream_filters;
};

}  // namespace vidrelo
