// The run's stream tables: a record per input stream and per output stream,
// and which input stream feeds each output stream.
#include "engine/StringFormat.h"
#include "engine/TFormatConverter.h"
#include "engine/encoder/FFmpegException.h"
#include "engine/encoder/TAudioConverter.h"
#include "engine/encoder/TCustomFFmpeg.h"
#include "engine/encoder/TSubtitleBurner.h"
#include "engine/encoder/TVideoFilterGraph.h"
#include "engine/loader/AVBindings.h"

namespace vidrelo {
namespace {

const char* MediaTypeText(AVMediaType type)
{
    const char* text = ff::av_get_media_type_string(type);
    return text ? text : "unknown";
}

}  // namespace

int TCustomFFmpeg::CountOutputStreams()
{
    int total = 0;
    for (int file = 0; file < nb_output_files(); ++file) {
        const int count = static_cast<int>(FOutputs.Setups(file).size());
        if (count == 0 && !(FOutputs.Context(file)->oformat->flags & AVFMT_NOSTREAMS))
            throw FFmpegException(Format("Output file #%d does not contain any stream", file));
        total += count;
    }
    return total;
}

void TCustomFFmpeg::CheckStreamMaps(int ATotal)
{
    if (Fstream_maps.empty())
        return;
    // Join mode: the output's streams once per segment, each segment's maps
    // naming streams of that segment's input.
    const int segments = FJoinMode ? nb_input_files() : 1;
    if (static_cast<int>(Fstream_maps.size()) != ATotal * segments)
        throw FFmpegException("Number of stream maps must match number of output streams");
    const auto exists = [this](int file, int stream) {
        return file >= 0 && file < nb_input_files() && stream >= 0 &&
               stream < static_cast<int>(FInputs.Context(file)->nb_streams);
    };
    for (TAVStreamMap& map : Fstream_maps)
        if (map.stream_id >= 0)
            FindMappedStream(map);
    for (const TAVStreamMap& map : Fstream_maps) {
        if (!exists(map.file_index, map.stream_index))
            throw FFmpegException(Format("Could not find input stream #%d.%d", map.file_index, map.stream_index));
        if (!exists(map.sync_file_index, map.sync_stream_index))
            throw FFmpegException(
                Format("Could not find sync stream #%d.%d", map.sync_file_index, map.sync_stream_index));
    }
    for (int segment = 0; FJoinMode && segment < segments; ++segment)
        for (int k = 0; k < ATotal; ++k) {
            const TAVStreamMap& map = Fstream_maps[segment * ATotal + k];
            if (map.file_index != segment || map.sync_file_index != segment)
                throw FFmpegException(Format("Stream map #%d.%d is the map of join segment %d, which reads input "
                                             "#%d only",
                                             map.file_index, map.stream_index, segment, segment));
        }
}

void TCustomFFmpeg::FindMappedStream(TAVStreamMap& AMap) const
{
    if (AMap.file_index >= 0 && AMap.file_index < nb_input_files()) {
        const AVFormatContext* input = FInputs.Context(AMap.file_index);
        for (unsigned i = 0; i < input->nb_streams; ++i)
            if (input->streams[i]->id == AMap.stream_id) {
                AMap.stream_index = AMap.sync_stream_index = static_cast<int>(i);
                return;
            }
    }
    throw FFmpegException(Format("Could not find input stream #%d:i:0x%X", AMap.file_index, AMap.stream_id));
}

void TCustomFFmpeg::BuildOutputTables()
{
    // Stream maps name the input of each output stream, in order (in join
    // mode the output's streams once per segment); without them each
    // stream's input is chosen, in join mode per segment among that
    // segment's input only.
    const bool maps = !Fstream_maps.empty();
    const int perSegment = FJoinMode && !FOutputs.Empty() ? static_cast<int>(FOutputs.Setups(0).size()) : 0;
    int mapIndex = 0;
    for (int file = 0; file < nb_output_files(); ++file) {
        for (std::size_t k = 0; k < FOutputs.Setups(file).size(); ++k) {
            const TOutputStreamSetup& setup = FOutputs.Setups(file)[k];
            auto record = std::make_unique<TAVOutputStream>();
            record->file_index = file;
            record->index = static_cast<int>(k);
            record->st = setup.Stream;
            record->enc = setup.Context;
            record->codec_id = setup.Context->codec_id;
            record->encoding_needed = !setup.StreamCopy;
            record->bitstream_filter_names = setup.BitstreamFilters;
            if (FJoinMode) {
                for (int input = 0; input < nb_input_files(); ++input)
                    record->join_sources.push_back(
                        ChooseInputStream(*record, maps ? input * perSegment + static_cast<int>(k) : -1, input));
                record->source = record->join_sources.front();
            } else {
                record->source = ChooseInputStream(*record, maps ? mapIndex++ : -1, -1);
            }
            if (!record->sync.Valid())
                record->sync = record->source;
            for (const TAVStreamRef& ref : FJoinMode ? record->join_sources : std::vector{record->source})
                UseInputStream(*record, ref);
            FOutputs.AddRecord(file, std::move(record));
        }
    }
    for (TAVOutputStream* record : FOutputs.Records())
        SetupOutputStream(*record);
}

TAVStreamRef TCustomFFmpeg::ChooseInputStream(TAVOutputStream& AStream, int AMapIndex, int AOnlyFile)
{
    const AVMediaType type = AStream.st->codecpar->codec_type;
    if (AMapIndex >= 0) {
        const TAVStreamMap& map = Fstream_maps[AMapIndex];
        const AVMediaType inType = FInputs.Context(map.file_index)->streams[map.stream_index]->codecpar->codec_type;
        if (inType != type) {
            AVFormatContext* output = FOutputs.Context(AStream.file_index);
            ff::av_dump_format(output, AStream.file_index, output->url, 1);
            throw FFmpegException(Format("Codec type mismatch for mapping #%d.%d (%s) -> #%d.%d (%s)",
                                         map.file_index, map.stream_index, MediaTypeText(inType),
                                         AStream.file_index, AStream.index, MediaTypeText(type)));
        }
        if (AOnlyFile <= 0)  // in join mode the first segment's map names the stream to sync to
            AStream.sync = {map.sync_file_index, map.sync_stream_index};
        return {map.file_index, map.stream_index};
    }
    TAVStreamRef ref = ChooseAutomatically(type, AOnlyFile, true);
    if (!ref.Valid() && AOnlyFile < 0)
        ref = ChooseAutomatically(type, -1, false);
    if (!ref.Valid())
        throw FFmpegException(Format("Could not find input stream matching output stream #%d.%d (%s)",
                                     AStream.file_index, AStream.index, MediaTypeText(type)));
    return ref;
}

TAVStreamRef TCustomFFmpeg::ChooseAutomatically(AVMediaType AType, int AOnlyFile, bool AUnusedOnly)
{
    const auto usable = [&](int file, int stream) {
        const TAVInputStream* record = FInputs.Stream({file, stream});
        return record && record->st->codecpar->codec_type == AType && record->st->discard != AVDISCARD_ALL &&
               (!AUnusedOnly || record->discard);
    };
    const int first = AOnlyFile >= 0 ? AOnlyFile : 0;
    const int last = AOnlyFile >= 0 ? AOnlyFile : nb_input_files() - 1;
    if (!AUnusedOnly) {
        // Any stream of that type will do, even one another output uses: the last one.
        for (int file = last; file >= first; --file)
            for (int stream = static_cast<int>(FInputs.Streams(file).size()) - 1; stream >= 0; --stream)
                if (usable(file, stream))
                    return {file, stream};
        return {};
    }
    for (int file = first; file <= last; ++file) {
        // The libraries' choice weighs what the probe saw of each stream
        // (frames, default disposition); it is taken when still free.
        const int best = ff::av_find_best_stream(FInputs.Context(file), AType, -1, -1, nullptr, 0);
        if (best >= 0 && usable(file, best))
            return {file, best};
        for (int stream = 0; stream < static_cast<int>(FInputs.Streams(file).size()); ++stream)
            if (usable(file, stream))
                return {file, stream};
    }
    return {};
}

void TCustomFFmpeg::UseInputStream(TAVOutputStream& AStream, TAVStreamRef ARef)
{
    TAVInputStream* input = FInputs.Stream(ARef);
    if (!input)
        return;
    input->discard = false;
    if (AStream.encoding_needed)
        input->decoding_needed = true;
}

std::vector<TAVOutputStream*> TCustomFFmpeg::OutputsOf(const TAVInputStream& AStream) const
{
    std::vector<TAVOutputStream*> outputs;
    for (TAVOutputStream* record : FOutputs.Records())
        if (record->source.file == AStream.file_index && record->source.stream == AStream.index)
            outputs.push_back(record);
    return outputs;
}

std::string TCustomFFmpeg::StreamText(const TAVOutputStream& AStream) const
{
    if (!AStream.encoding_needed)
        return "copy";
    const TAVInputStream* input = const_cast<TCustomFFmpeg*>(this)->FInputs.Stream(AStream.source);
    const char* from = input ? ff::avcodec_get_name(input->st->codecpar->codec_id) : "?";
    const AVCodec* encoder = FOutputs.Setups(AStream.file_index)[AStream.index].Encoder;
    const char* to = encoder ? encoder->name : ff::avcodec_get_name(AStream.codec_id);
    return std::string(from) + " -> " + to;
}

void TCustomFFmpeg::FreeRunTables()
{
    if (!LibrariesLoaded()) {
        // What the libraries allocated cannot be freed any more.
        FOutputs.Abandon();
        (void)FInputVideoHook.release();
        (void)FOutputVideoHook.release();
        return;
    }
    FOutputs.FreeRun();
    FInputs.FreeRun();
    FPendingChapters.clear();
    FSegmentStarts.clear();
    ff::av_packet_free(&FPacket);
    ff::av_packet_free(&FEncoded);
    ff::av_frame_free(&FDecoded);
    ff::av_frame_free(&FFiltered);
    FInputVideoHook.reset();
    FOutputVideoHook.reset();
    FStatistics.Reset({});
}

}  // namespace vidrelo
