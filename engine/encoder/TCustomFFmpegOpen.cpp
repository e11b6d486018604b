// Opening the run's codecs, carrying metadata over, writing the headers
// and logging the stream mapping.
#include "engine/StringFormat.h"
#include "engine/encoder/FFmpegException.h"
#include "engine/encoder/TCustomFFmpeg.h"
#include "engine/loader/AVBindings.h"
#include "engine/loader/MediaErrorText.h"

#include <cstring>
#include <new>

namespace vidrelo {
namespace {

AVDictionary** MetadataOf(AVFormatContext* context, const TAVMetaDataMap& map, const char* side)
{
    const auto check = [&](unsigned count, const char* what) {
        if (map.index < 0 || static_cast<unsigned>(map.index) >= count)
            throw FFmpegException(Format("Invalid %s index %d while processing %s metadata maps", what, map.index, side));
    };
    switch (map.type_) {
    case 's': check(context->nb_streams, "stream"); return &context->streams[map.index]->metadata;
    case 'c': check(context->nb_chapters, "chapter"); return &context->chapters[map.index]->metadata;
    case 'p': check(context->nb_programs, "program"); return &context->programs[map.index]->metadata;
    default: return &context->metadata;
    }
}

}  // namespace

void TCustomFFmpeg::OpenCodecs()
{
    for (TAVOutputStream* record : FOutputs.Records())
        if (record->encoding_needed)
            OpenEncoder(*record);
    FInputs.ForEachStream([this](TAVInputStream& AInput) {
        if (AInput.decoding_needed && !AInput.decoder_opened)
            OpenDecoder(AInput);
    });
}

void TCustomFFmpeg::TakeSubtitleHeader(TAVOutputStream& AStream)
{
    // A text subtitle encoder starts from the styles its decoder read (ASS).
    TAVInputStream* input = FInputs.Stream(AStream.source);
    AVCodecContext* enc = AStream.enc;
    if (enc->time_base.num <= 0 || enc->time_base.den <= 0)
        enc->time_base = AV_TIME_BASE_Q;
    if (!input || !input->decoding_needed)
        return;
    if (!input->decoder_opened)
        OpenDecoder(*input);
    const AVCodecContext* dec = input->dec;
    if (!dec->subtitle_header || dec->subtitle_header_size <= 0)
        return;
    auto* header = static_cast<uint8_t*>(ff::av_mallocz(dec->subtitle_header_size + 1));
    if (!header)
        throw std::bad_alloc();
    std::memcpy(header, dec->subtitle_header, dec->subtitle_header_size);
    ff::av_freep(&enc->subtitle_header);
    enc->subtitle_header = header;
    enc->subtitle_header_size = dec->subtitle_header_size;
}

void TCustomFFmpeg::OpenEncoder(TAVOutputStream& AStream)
{
    AVCodecContext* enc = AStream.enc;
    const TOutputStreamSetup& setup = FOutputs.Setups(AStream.file_index)[AStream.index];
    const AVCodec* codec = setup.Encoder ? setup.Encoder : ff::avcodec_find_encoder(enc->codec_id);
    if (!codec)
        FailEncoder(Format("Encoder (codec id %d) not found for output stream #%d.%d (%s)", enc->codec_id,
                           AStream.file_index, AStream.index, ff::avcodec_get_name(enc->codec_id)));
    if (enc->codec_type == AVMEDIA_TYPE_SUBTITLE)
        TakeSubtitleHeader(AStream);
    int code;
    {
        std::lock_guard lock(CodecListLock());
        code = ff::avcodec_open2(enc, codec, nullptr);
        if (code >= 0)
            FOpenedEncoders.push_back({AStream.file_index, AStream.index});
    }
    if (code < 0)
        FailEncoder(Format("Error while opening encoder for output stream #%d.%d (%s) - maybe incorrect parameters "
                           "such as bit_rate, rate, width or height. Please check error log message to find out more "
                           "detail information.",
                           AStream.file_index, AStream.index, codec->name));
    AStream.encoder_opened = true;
    ff::avcodec_parameters_from_context(AStream.st->codecpar, enc);
    CopyCodedSideData(AStream);
    AStream.st->time_base = enc->time_base;
    if (enc->codec_type == AVMEDIA_TYPE_VIDEO) {
        AStream.st->avg_frame_rate = enc->framerate;
        AStream.st->sample_aspect_ratio = enc->sample_aspect_ratio;
    }
    FStatistics.ExtraBytes += enc->extradata_size;
    SetupBitstreamFilters(AStream);
    // Subtitles are coded as they come, on the job's thread.
    if (enc->codec_type != AVMEDIA_TYPE_SUBTITLE)
        AStream.encoder = std::make_unique<TEncoderStage>(AStream, FOutputs, FStatistics,
                                                          enc->codec_type == AVMEDIA_TYPE_VIDEO && FOpt.Fpipeline);
}

// What the encoder tells the muxer beside its packets (an MPEG-2 encoder's
// buffer size and rates, which a program stream's headers need).
void TCustomFFmpeg::CopyCodedSideData(TAVOutputStream& AStream)
{
    const AVCodecContext* enc = AStream.enc;
    for (int i = 0; i < enc->nb_coded_side_data; ++i) {
        const AVPacketSideData& data = enc->coded_side_data[i];
        uint8_t* copy = ff::av_stream_new_side_data(AStream.st, data.type, data.size);
        if (!copy)
            throw std::bad_alloc();
        std::memcpy(copy, data.data, data.size);
    }
}

void TCustomFFmpeg::FailEncoder(const std::string& AMessage)
{
    Log(llError, AMessage);
    throw FFmpegException(AMessage);
}

void TCustomFFmpeg::OpenDecoder(TAVInputStream& AStream)
{
    const TInputStreamSetup& setup = FInputs.Setup(AStream.file_index).Streams.at(AStream.index);
    const AVCodecID id = AStream.st->codecpar->codec_id;
    const AVCodec* codec = setup.ForcedDecoder ? setup.ForcedDecoder : ff::avcodec_find_decoder(id);
    if (!codec || !AStream.dec)
        throw FFmpegException(Format("Decoder (codec id %d) not found for input stream #%d.%d (%s)", id,
                                     AStream.file_index, AStream.index, ff::avcodec_get_name(id)));
    // A stream that appeared after the input was opened may know more now.
    if (AStream.dec->codec_id == AV_CODEC_ID_NONE)
        ff::avcodec_parameters_to_context(AStream.dec, AStream.st->codecpar);
    int code;
    {
        std::lock_guard lock(CodecListLock());
        code = ff::avcodec_open2(AStream.dec, codec, nullptr);
        if (code >= 0)
            FOpenedDecoders.push_back({AStream.file_index, AStream.index});
    }
    if (code < 0)
        throw FFmpegException(Format("Error while opening decoder for input stream #%d.%d (%s)", AStream.file_index,
                                     AStream.index, codec->name));
    AStream.decoder_opened = true;
    AStream.decoder = std::make_unique<TDecoderStage>(AStream);
}

void TCustomFFmpeg::CopyMetadata()
{
    ApplyMetadataMaps();
    if (Fmetadata_global_autocopy)
        for (int output = 0; output < nb_output_files(); ++output)
            ff::av_dict_copy(&FOutputs.Context(output)->metadata, FInputs.Context(0)->metadata, AV_DICT_DONT_OVERWRITE);
    CopyAllChapters();
}

void TCustomFFmpeg::ApplyMetadataMaps()
{
    for (const std::array<TAVMetaDataMap, 2>& map : Fmeta_data_maps) {
        const TAVMetaDataMap& out = map[0];
        const TAVMetaDataMap& in = map[1];
        if (out.file_idx < 0 || out.file_idx >= nb_output_files())
            throw FFmpegException(Format("Invalid output file index %d map_meta_data.", out.file_idx));
        if (in.file_idx < 0 || in.file_idx >= nb_input_files())
            throw FFmpegException(Format("Invalid input file index %d map_meta_data.", in.file_idx));
        AVDictionary** target = MetadataOf(FOutputs.Context(out.file_idx), out, "output");
        AVDictionary** source = MetadataOf(FInputs.Context(in.file_idx), in, "input");
        ff::av_dict_copy(target, *source, AV_DICT_DONT_OVERWRITE);
    }
}

void TCustomFFmpeg::LogStreamMapping()
{
    for (int file = 0; file < nb_output_files(); ++file)
        ff::av_dump_format(FOutputs.Context(file), file, FOutputs.Context(file)->url, 1);
    Log(llVerbose, "Stream mapping:");
    for (TAVOutputStream* record : FOutputs.Records()) {
        const std::string text = StreamText(*record);
        const std::vector<TAVStreamRef> sources = FJoinMode ? record->join_sources : std::vector{record->source};
        for (const TAVStreamRef& source : sources) {
            std::string line = Format("  Stream #%d.%d -> #%d.%d (%s)", source.file, source.stream,
                                      record->file_index, record->index, text.c_str());
            if (!FJoinMode && (record->sync.file != source.file || record->sync.stream != source.stream))
                line += Format(" [sync #%d.%d (%s)]", record->sync.file, record->sync.stream, text.c_str());
            Log(llVerbose, line);
        }
    }
}

}  // namespace vidrelo
