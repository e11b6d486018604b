#pragma once
// Every FFmpeg entry point the engine calls, bound by name at run time.
//
// Each list names one library's entry points: R(name) is required, O(name)
// optional (left null when the library lacks it). The first entry of each
// list is the library's version function, which the loader checks before
// binding the rest. The pointers are typed by the installed headers, so a
// call through them with the wrong signature does not compile.
//
// The pointers are written only by the loader on the main thread, before any
// component starts a thread that could call them, and cleared only after
// every such thread has ended.
#include "engine/loader/MediaHeaders.h"
#include "engine/loader/TEntryPoint.h"
#include "engine/loader/TLibrary.h"

#include <cstddef>
#include <span>

#define VIDRELO_AVCODEC_ENTRIES(R, O) \
    R(avcodec_version)                \
    R(avcodec_configuration)          \
    R(avcodec_find_decoder)           \
    R(avcodec_find_decoder_by_name)   \
    R(avcodec_find_encoder)           \
    R(avcodec_find_encoder_by_name)   \
    R(av_codec_iterate)               \
    R(av_bsf_get_by_name)             \
    R(avcodec_alloc_context3)         \
    R(avcodec_free_context)           \
    R(avcodec_parameters_to_context)  \
    R(avcodec_parameters_from_context) \
    R(avcodec_open2)                  \
    R(avcodec_send_packet)            \
    R(avcodec_receive_frame)          \
    R(avcodec_send_frame)             \
    R(avcodec_receive_packet)         \
    R(avcodec_flush_buffers)          \
    R(avcodec_get_name)               \
    R(avcodec_string)                 \
    R(avcodec_descriptor_get_by_name) \
    R(avcodec_descriptor_get)         \
    R(avcodec_get_class)              \
    R(av_packet_alloc)                \
    R(av_packet_free)                 \
    R(av_packet_unref)                \
    R(av_packet_ref)                  \
    R(avsubtitle_free)                \
    R(avcodec_encode_subtitle)        \
    R(av_bsf_alloc)                   \
    R(av_bsf_init)                    \
    R(av_bsf_send_packet)             \
    R(av_bsf_receive_packet)          \
    R(av_bsf_free)                    \
    R(avcodec_parameters_copy)        \
    R(av_packet_get_side_data)        \
    R(avcodec_decode_subtitle2)

#define VIDRELO_AVDEVICE_ENTRIES(R, O) \
    R(avdevice_version)                \
    R(avdevice_register_all)

#define VIDRELO_AVFILTER_ENTRIES(R, O)  \
    R(avfilter_version)                 \
    R(avfilter_get_by_name)             \
    R(avfilter_graph_alloc)             \
    R(avfilter_graph_free)              \
    R(avfilter_graph_create_filter)     \
    R(avfilter_graph_parse_ptr)         \
    R(avfilter_graph_config)            \
    R(avfilter_inout_alloc)             \
    R(avfilter_inout_free)              \
    R(av_buffersrc_add_frame_flags)     \
    R(av_buffersink_get_frame)          \
    R(av_buffersink_get_w)              \
    R(av_buffersink_get_h)              \
    R(av_buffersink_get_format)         \
    R(av_buffersink_get_sample_aspect_ratio) \
    R(av_buffersink_get_time_base)      \
    R(av_buffersink_get_frame_rate)

#define VIDRELO_AVFORMAT_ENTRIES(R, O) \
    R(avformat_version)                \
    R(avformat_query_codec)            \
    R(avformat_alloc_context)          \
    R(avformat_free_context)           \
    R(avformat_open_input)             \
    R(avformat_close_input)            \
    R(avformat_find_stream_info)       \
    R(av_find_input_format)            \
    R(av_guess_format)                 \
    R(av_guess_codec)                  \
    R(av_muxer_iterate)                \
    R(av_dump_format)                  \
    R(av_filename_number_test)         \
    R(av_read_frame)                   \
    R(av_seek_frame)                   \
    R(avformat_seek_file)              \
    R(avformat_alloc_output_context2)  \
    R(avformat_new_stream)             \
    R(av_stream_new_side_data)         \
    R(avformat_write_header)           \
    R(av_interleaved_write_frame)      \
    R(av_write_trailer)                \
    R(avio_alloc_context)              \
    R(avio_context_free)               \
    R(avio_open2)                      \
    R(avio_closep)                     \
    R(avio_size)                       \
    R(avio_seek)                       \
    R(av_codec_get_id)                 \
    R(av_codec_get_tag2)               \
    R(av_find_best_stream)             \
    R(avformat_get_class)

#define VIDRELO_AVUTIL_ENTRIES(R, O) \
    R(avutil_version)                \
    R(av_version_info)               \
    R(av_log_set_callback)           \
    R(av_log_set_level)              \
    R(av_log_get_level)              \
    R(av_log_default_callback)       \
    R(av_strerror)                   \
    R(av_log)                        \
    R(av_opt_get)                    \
    R(av_opt_get_int)                \
    R(av_opt_set_int)                \
    R(av_opt_set_double)             \
    R(av_parse_video_rate)           \
    R(av_parse_video_size)           \
    R(av_get_sample_fmt)             \
    R(av_get_sample_fmt_name)        \
    R(av_pix_fmt_desc_next)          \
    R(av_d2q)                        \
    R(av_find_nearest_q_idx)         \
    R(av_channel_layout_default)     \
    R(av_channel_layout_from_mask)   \
    R(av_channel_layout_uninit)      \
    R(av_channel_layout_copy)        \
    R(av_channel_layout_compare)     \
    R(av_channel_layout_describe)    \
    R(av_get_bytes_per_sample)       \
    R(av_get_packed_sample_fmt)      \
    R(av_samples_set_silence)        \
    R(av_audio_fifo_alloc)           \
    R(av_audio_fifo_free)            \
    R(av_audio_fifo_write)           \
    R(av_audio_fifo_read)            \
    R(av_audio_fifo_size)            \
    R(av_audio_fifo_reset)           \
    R(av_rescale)                    \
    R(av_dict_copy)                  \
    R(av_get_media_type_string)      \
    R(av_malloc)                     \
    R(av_mallocz)                    \
    R(av_free)                       \
    R(av_freep)                      \
    R(av_strdup)                     \
    R(av_dict_set)                   \
    R(av_dict_get)                   \
    R(av_dict_free)                  \
    R(av_opt_set)                    \
    R(av_opt_find)                   \
    R(av_frame_alloc)                \
    R(av_frame_free)                 \
    R(av_frame_unref)                \
    R(av_frame_get_buffer)           \
    R(av_frame_ref)                  \
    R(av_frame_is_writable)          \
    R(av_frame_make_writable)        \
    R(av_rescale_q)                  \
    R(av_reduce)                     \
    R(av_parse_time)                 \
    R(av_image_get_buffer_size)      \
    R(av_image_fill_arrays)          \
    R(av_pix_fmt_desc_get)           \
    R(av_get_pix_fmt)                \
    R(av_get_pix_fmt_name)           \
    R(av_tx_init)                    \
    R(av_tx_uninit)

#define VIDRELO_SWRESAMPLE_ENTRIES(R, O) \
    R(swresample_version)                \
    R(swr_alloc_set_opts2)               \
    R(swr_init)                          \
    R(swr_convert)                       \
    R(swr_get_out_samples)               \
    R(swr_next_pts)                      \
    R(swr_get_delay)                     \
    R(swr_free)

#define VIDRELO_SWSCALE_ENTRIES(R, O) \
    R(swscale_version)                \
    R(sws_getContext)                 \
    R(sws_getCachedContext)           \
    R(sws_isSupportedInput)           \
    R(sws_isSupportedOutput)          \
    R(sws_alloc_context)              \
    R(sws_get_class)                  \
    R(sws_scale)                      \
    R(sws_freeContext)

// The bound pointers, named as the exported symbols: ff::avcodec_open2(...).
namespace vidrelo::ff {
#define VIDRELO_DECLARE_ENTRY(name) inline decltype(&::name) name = nullptr;
VIDRELO_AVCODEC_ENTRIES(VIDRELO_DECLARE_ENTRY, VIDRELO_DECLARE_ENTRY)
VIDRELO_AVDEVICE_ENTRIES(VIDRELO_DECLARE_ENTRY, VIDRELO_DECLARE_ENTRY)
VIDRELO_AVFILTER_ENTRIES(VIDRELO_DECLARE_ENTRY, VIDRELO_DECLARE_ENTRY)
VIDRELO_AVFORMAT_ENTRIES(VIDRELO_DECLARE_ENTRY, VIDRELO_DECLARE_ENTRY)
VIDRELO_AVUTIL_ENTRIES(VIDRELO_DECLARE_ENTRY, VIDRELO_DECLARE_ENTRY)
VIDRELO_SWRESAMPLE_ENTRIES(VIDRELO_DECLARE_ENTRY, VIDRELO_DECLARE_ENTRY)
VIDRELO_SWSCALE_ENTRIES(VIDRELO_DECLARE_ENTRY, VIDRELO_DECLARE_ENTRY)
#undef VIDRELO_DECLARE_ENTRY
}  // namespace vidrelo::ff

namespace vidrelo {

// The entry points of one library, version function first.
std::span<const TEntryPoint> LibraryEntryPoints(TLibrary lib);

}  // namespace vidrelo
