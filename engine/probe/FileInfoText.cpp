#include "engine/probe/FileInfoText.h"

#include "engine/CLocale.h"
#include "engine/StringFormat.h"
#include "engine/loader/AVBindings.h"
#include "engine/loader/MediaURL.h"
#include "engine/probe/MetadataKeys.h"
#include "engine/probe/StreamInfo.h"

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <numeric>
#include <vector>

namespace vidrelo {
namespace {

constexpr const char* LineEnd = "\r\n";
constexpr int MaxCodecText = 255;
constexpr int MaxAspectTerm = 1024 * 1024;

void AddLine(std::string& out, const std::string& line)
{
    out += line;
    out += LineEnd;
}

bool HasOnlyLanguage(const AVDictionary* metadata)
{
    const AVDictionaryEntry* first = ff::av_dict_get(metadata, "", nullptr, AV_DICT_IGNORE_SUFFIX);
    return first && std::string(first->key) == "language" &&
           !ff::av_dict_get(metadata, "", first, AV_DICT_IGNORE_SUFFIX);
}

bool NonZero(AVRational q)
{
    return q.num != 0 && q.den != 0;
}

// "provider@name" of a program. Today's demuxers store the two values under
// "service_provider" and "service_name"; the older keys still come first.
std::string ProgramName(const AVDictionary* metadata)
{
    auto value = [metadata](const char* key, const char* currentKey) {
        std::string text = MetadataValue(metadata, key);
        if (text.empty())
            text = MetadataValue(metadata, currentKey);
        return text.empty() ? std::string("N/A") : text;
    };
    return value("provider_name", "service_provider") + "@" + value("name", "service_name");
}

struct TCodecDescription {
    std::string Text;
    AVRational TimeBase{0, 1};
};

// The libraries' one-line description of the stream's codec. Streams no
// longer carry a codec context, so one is made from the stream's parameters
// for the call. Its time base is what the parameters give it, which today is
// nothing (0/1): the "tbc" rate then stays out of the line.
TCodecDescription DescribeCodec(const AVStream* stream)
{
    TCodecDescription description;
    AVCodecContext* codec = ff::avcodec_alloc_context3(nullptr);
    if (!codec)
        return description;
    if (ff::avcodec_parameters_to_context(codec, stream->codecpar) >= 0) {
        char text[MaxCodecText + 1] = "";
        ff::avcodec_string(text, sizeof text, codec, 0);
        description.Text = text;
        description.TimeBase = codec->time_base;
    }
    ff::avcodec_free_context(&codec);
    return description;
}

std::string ReducedTimeBase(AVRational timeBase)
{
    int divisor = std::gcd(timeBase.num, timeBase.den);
    if (divisor == 0)
        divisor = 1;
    return Format(", %d/%d", timeBase.num / divisor, timeBase.den / divisor);
}

// ", PAR a:b DAR c:d" when the stream's sample aspect ratio says something
// the codec's does not.
std::string AspectText(const AVStream* stream)
{
    const AVRational sar = stream->sample_aspect_ratio;
    const AVRational codecSar = stream->codecpar->sample_aspect_ratio;
    if (sar.num == 0 || av_cmp_q(sar, codecSar) == 0)
        return {};
    AVRational dar{0, 1};
    ff::av_reduce(&dar.num, &dar.den, static_cast<int64_t>(stream->codecpar->width) * sar.num,
                  static_cast<int64_t>(stream->codecpar->height) * sar.den, MaxAspectTerm);
    return Format(", PAR %d:%d DAR %d:%d", sar.num, sar.den, dar.num, dar.den);
}

std::string VideoRates(const AVStream* stream, AVRational codecTimeBase)
{
    std::string text;
    if (NonZero(stream->avg_frame_rate))
        text += RateText(av_q2d(stream->avg_frame_rate), "fps");
    if (NonZero(stream->r_frame_rate))
        text += RateText(av_q2d(stream->r_frame_rate), "tbr");
    if (NonZero(stream->time_base))
        text += RateText(1 / av_q2d(stream->time_base), "tbn");
    if (NonZero(codecTimeBase))
        text += RateText(1 / av_q2d(codecTimeBase), "tbc");
    return text;
}

std::string StreamTimes(const AVStream* stream)
{
    std::string text;
    if (stream->start_time != AV_NOPTS_VALUE)
        text += ", StartTime: " + StartTimeText(ff::av_rescale_q(stream->start_time, stream->time_base, AV_TIME_BASE_Q));
    if (stream->duration != AV_NOPTS_VALUE)
        text += ", Duration: " + DurationText(ff::av_rescale_q(stream->duration, stream->time_base, AV_TIME_BASE_Q));
    else
        text += ", Duration: N/A";
    return text;
}

std::string StreamLine(AVFormatContext* context, unsigned index)
{
    AVStream* stream = context->streams[index];
    std::string line = Format("Stream #%u", index);
    if (context->iformat && (context->iformat->flags & AVFMT_SHOW_IDS))
        line += Format("[0x%x]", static_cast<unsigned>(stream->id));
    const std::string language = MetadataValue(stream->metadata, "language");
    if (!language.empty())
        line += "(" + language + ")";
    line += ReducedTimeBase(stream->time_base);
    const TCodecDescription codec = DescribeCodec(stream);
    line += ": " + codec.Text;
    line += AspectText(stream);
    if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
        line += VideoRates(stream, codec.TimeBase);
    return line + StreamTimes(stream);
}

void AddHeaderLines(std::string& out, AVFormatContext* context, int64_t fileSize)
{
    AddLine(out, "File Name: " + DecodeMediaURL(context->url ? context->url : ""));
    const AVInputFormat* format = context->iformat;
    AddLine(out, Format("Format Name: %s", format && format->name ? format->name : ""));
    if (format && format->long_name && *format->long_name)
        AddLine(out, Format("Format Long Name: %s", format->long_name));
    AddLine(out, "File Size: " + FileSizeText(fileSize));
    const int64_t duration = context->duration;
    AddLine(out, "Duration: " + (duration == AV_NOPTS_VALUE || duration < 0 ? "N/A" : DurationText(duration)));
    if (context->start_time != AV_NOPTS_VALUE && context->start_time >= 0)
        AddLine(out, "StartTime: " + StartTimeText(context->start_time));
    AddLine(out, context->bit_rate < 1 ? std::string("Bit Rate: N/A")
                                       : Format("Bit Rate: %lld kb/s", static_cast<long long>(context->bit_rate / 1000)));
    TFileStreamInfo info;
    FillFileStreamInfo(context, info);
    if (info.TimeStamp > 0)
        AddLine(out, "Time Stamp: " + TimeStampText(info.TimeStamp));
    out += MetadataBlock(context->metadata, "");
}

void AddChapters(std::string& out, const AVFormatContext* context)
{
    for (unsigned i = 0; i < context->nb_chapters; ++i) {
        const AVChapter* chapter = context->chapters[i];
        // Two decimals: the seconds a chapter list shows.
        AddLine(out, Format("Chapter #%u: start %.2f, end %.2f", i, chapter->start * av_q2d(chapter->time_base),
                            chapter->end * av_q2d(chapter->time_base)));
        out += MetadataBlock(chapter->metadata, "  ");
    }
}

void AddPrograms(std::string& out, AVFormatContext* context, std::vector<bool>& printed)
{
    for (unsigned i = 0; i < context->nb_programs; ++i) {
        const AVProgram* program = context->programs[i];
        AddLine(out, Format("Program %d %s", program->id, ProgramName(program->metadata).c_str()));
        out += MetadataBlock(program->metadata, "  ");
        for (unsigned k = 0; k < program->nb_stream_indexes; ++k) {
            const unsigned index = program->stream_index[k];
            if (index >= context->nb_streams)
                continue;
            out += StreamLines(context, index);
            printed[index] = true;
        }
    }
}

}  // namespace

std::string FileInfoText(AVFormatContext* context, int64_t fileSize)
{
    const TCLocaleScope numbers;
    std::string out;
    AddHeaderLines(out, context, fileSize);
    AddChapters(out, context);
    std::vector<bool> printed(context->nb_streams, false);
    AddPrograms(out, context, printed);
    for (unsigned i = 0; i < context->nb_streams; ++i)
        if (!printed[i])
            out += StreamLines(context, i);
    return out;
}

std::string FileSizeText(int64_t size)
{
    if (size <= 1024)
        return Format("%lld Byte", static_cast<long long>(size));
    if (size <= 1024 * 1024)
        return Format("%.2f KB", size / 1024.0);
    if (size <= 1024 * 1024 * 1024)
        return Format("%.2f MB", size / (1024.0 * 1024.0));
    return Format("%.2f GB", size / (1024.0 * 1024.0 * 1024.0));
}

std::string DurationText(int64_t microseconds)
{
    if (microseconds == AV_NOPTS_VALUE)
        return "N/A";
    const int64_t seconds = microseconds / 1000000;
    return Format("%.2d:%.2d:%.2d.%.3d", static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60),
                  static_cast<int>(seconds % 60), static_cast<int>(microseconds % 1000000 * 1000 / 1000000));
}

std::string StartTimeText(int64_t microseconds)
{
    // Written sign first, so that -0.5 s does not read "0.-500000".
    const char* sign = microseconds < 0 ? "-" : "";
    const int64_t magnitude = microseconds < 0 ? -microseconds : microseconds;
    return Format("%s%lld.%.6d", sign, static_cast<long long>(magnitude / 1000000),
                  static_cast<int>(magnitude % 1000000));
}

std::string RateText(double rate, const char* unit)
{
    const long long v = std::llrint(rate * 100);
    if (v % 100 != 0)
        return Format(", %3.2f %s", rate, unit);
    if (v % 100000 != 0)
        return Format(", %1.0f %s", rate, unit);
    return Format(", %1.0fk %s", rate / 1000, unit);
}

std::string TimeStampText(int64_t seconds)
{
    tzset();
    const std::time_t local = static_cast<std::time_t>(seconds - timezone);
    std::tm parts{};
    gmtime_r(&local, &parts);
    return Format("%04d-%02d-%02d %02d:%02d:%02d", parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
                  parts.tm_hour, parts.tm_min, parts.tm_sec);
}

std::string MetadataBlock(const AVDictionary* metadata, const std::string& indent)
{
    if (!metadata || !ff::av_dict_get(metadata, "", nullptr, AV_DICT_IGNORE_SUFFIX) || HasOnlyLanguage(metadata))
        return {};
    std::string out;
    AddLine(out, indent + "Metadata:");
    const AVDictionaryEntry* entry = nullptr;
    while ((entry = ff::av_dict_get(metadata, "", entry, AV_DICT_IGNORE_SUFFIX))) {
        if (std::string(entry->key) == "language")
            continue;
        AddLine(out, Format("%s  %-16s: %s", indent.c_str(), GenericMetadataKey(entry->key).c_str(), entry->value));
    }
    return out;
}

std::string StreamLines(AVFormatContext* context, unsigned index)
{
    std::string out;
    AddLine(out, StreamLine(context, index));
    out += MetadataBlock(context->streams[index]->metadata, "  ");
    return out;
}

}  // namespace vidrelo
