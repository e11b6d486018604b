#include "engine/probe/StreamInfo.h"

#include "engine/StringFormat.h"
#include "engine/loader/AVBindings.h"

#include <cctype>
#include <cstdlib>
#include <limits>

namespace vidrelo {
namespace {

int64_t KnownOr(int64_t value, int64_t unknown)
{
    return value == AV_NOPTS_VALUE ? unknown : value;
}

int64_t ToMicroseconds(int64_t value, AVRational timeBase)
{
    return value == AV_NOPTS_VALUE ? -1 : ff::av_rescale_q(value, timeBase, AV_TIME_BASE_Q);
}

int32_t ClampToInt32(int64_t value)
{
    constexpr int64_t most = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(value > most ? most : value < -most ? -most : value);
}

// The number a text starts with ("2010-05-01" gives 2010, "3/12" gives 3).
int32_t LeadingNumber(const std::string& text)
{
    return ClampToInt32(std::strtoll(text.c_str(), nullptr, 10));
}

// Seconds since 1970 of the "creation_time" metadata; -1 without one.
int64_t CreationTime(const AVDictionary* metadata)
{
    const std::string text = MetadataValue(metadata, "creation_time");
    int64_t microseconds = 0;
    if (text.empty() || ff::av_parse_time(&microseconds, text.c_str(), 0) < 0)
        return -1;
    return microseconds / AV_TIME_BASE;
}

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

std::string CodecTagText(uint32_t tag)
{
    bool printable = true;
    for (int i = 0; i < 4; ++i) {
        const unsigned c = (tag >> (8 * i)) & 0xFF;
        printable = printable && c >= 32 && c <= 126;
    }
    if (!printable)
        return Format("0x%04x", tag);
    return Format("%c%c%c%c / 0x%04X", static_cast<char>(tag & 0xFF), static_cast<char>((tag >> 8) & 0xFF),
                  static_cast<char>((tag >> 16) & 0xFF), static_cast<char>((tag >> 24) & 0xFF), tag);
}

// Stream times are meaningless over a zero denominator; such a time base is
// made usable in the stream itself, so every later reader agrees.
void RepairTimeBase(AVStream* stream)
{
    if (stream->time_base.den != 0)
        return;
    stream->time_base.den = stream->time_base.num != 0 ? stream->time_base.num : 1;
}

template <typename TInfo>
void FillTimes(AVStream* stream, TInfo& info)
{
    RepairTimeBase(stream);
    info.Language = MetadataValue(stream->metadata, "language");
    info.CodecName = StreamCodecName(stream->codecpar);
    info.StartTime = KnownOr(stream->start_time, -1);
    info.StartTimeScaled = ToMicroseconds(stream->start_time, stream->time_base);
    info.Duration = KnownOr(stream->duration, -1);
    info.DurationScaled = ToMicroseconds(stream->duration, stream->time_base);
    info.BitRate = ClampToInt32(stream->codecpar->bit_rate);
}

// Width x sample aspect / height; pixels without a known shape count as
// square, so the crop editor always gets a usable ratio.
float DisplayAspect(const AVStream* stream)
{
    const AVCodecParameters* codec = stream->codecpar;
    if (codec->height <= 0)
        return 0;
    AVRational sar = stream->sample_aspect_ratio;
    if (sar.num == 0 || sar.den == 0)
        sar = codec->sample_aspect_ratio;
    const double pixel = sar.num != 0 && sar.den != 0 ? static_cast<double>(sar.num) / sar.den : 1.0;
    return static_cast<float>(codec->width * pixel / codec->height);
}

}  // namespace

std::string MetadataValue(const AVDictionary* metadata, const char* key)
{
    const AVDictionaryEntry* entry = metadata ? ff::av_dict_get(metadata, key, nullptr, 0) : nullptr;
    return entry && entry->value ? entry->value : "";
}

void FillFileStreamInfo(AVFormatContext* context, TFileStreamInfo& info)
{
    const AVDictionary* metadata = context->metadata;
    info.StartTime = KnownOr(context->start_time, -1);
    info.Duration = KnownOr(context->duration, -1);
    info.BitRate = ClampToInt32(context->bit_rate);
    info.TimeStamp = CreationTime(metadata);
    info.Year = LeadingNumber(MetadataValue(metadata, "date"));
    info.Track = LeadingNumber(MetadataValue(metadata, "track"));
    info.Title = MetadataValue(metadata, "title");
    info.Author = MetadataValue(metadata, "author");
    info.Copyright = MetadataValue(metadata, "copyright");
    info.Comment = MetadataValue(metadata, "comment");
    info.Album = MetadataValue(metadata, "album");
    info.Genre = MetadataValue(metadata, "genre");
}

void FillAudioStreamInfo(AVStream* stream, TAudioStreamInfo& info)
{
    FillTimes(stream, info);
    info.Channels = stream->codecpar->ch_layout.nb_channels;
    info.SampleRate = stream->codecpar->sample_rate;
    info.SampleFormat = static_cast<AVSampleFormat>(stream->codecpar->format);
}

void FillVideoStreamInfo(AVStream* stream, TVideoStreamInfo& info)
{
    FillTimes(stream, info);
    info.Height = stream->codecpar->height;
    info.Width = stream->codecpar->width;
    info.AspectRatio = DisplayAspect(stream);
    info.PixFmt = static_cast<AVPixelFormat>(stream->codecpar->format);
    const AVRational avg = stream->avg_frame_rate;
    info.FrameRate = avg.num != 0 && avg.den != 0 ? avg : stream->r_frame_rate;
}

void FillSubtitleStreamInfo(AVStream* stream, TSubtitleStreamInfo& info)
{
    RepairTimeBase(stream);
    info.Language = MetadataValue(stream->metadata, "language");
    info.CodecName = StreamCodecName(stream->codecpar);
}

std::string StreamCodecName(const AVCodecParameters* codec)
{
    if (const AVCodec* decoder = ff::avcodec_find_decoder(codec->codec_id)) {
        const std::string longName = decoder->long_name ? Trimmed(decoder->long_name) : "";
        return longName.empty() ? decoder->name : Format("%s(%s)", decoder->name, decoder->long_name);
    }
    if (codec->codec_id == AV_CODEC_ID_MPEG2TS)
        return "mpeg2ts";
    // Today's libraries keep no codec name text in the stream; the name of a
    // codec they know but cannot decode is the nearest thing.
    if (codec->codec_id != AV_CODEC_ID_NONE) {
        const std::string name = Trimmed(ff::avcodec_get_name(codec->codec_id));
        if (!name.empty())
            return name;
    }
    return CodecTagText(codec->codec_tag);
}

}  // namespace vidrelo
