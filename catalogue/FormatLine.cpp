#include "catalogue/FormatLine.h"

#include "catalogue/QuotedAttribute.h"

#include <iterator>

namespace {

// The 25 fields of TFormat in the order of FormatAttributeNames().
QString TFormat::* const FormatFields[] = {
    &TFormat::FormatExt,      &TFormat::IsAudioFormat, &TFormat::Icon,
    &TFormat::Category,       &TFormat::Title,         &TFormat::Description,
    &TFormat::Resolutions,    &TFormat::FrameRates,    &TFormat::VideoBitRates,
    &TFormat::AudioBitRates,  &TFormat::SampleRates,   &TFormat::Channels,
    &TFormat::VideoCodecs,    &TFormat::AudioCodecs,   &TFormat::VideoCodecName,
    &TFormat::Width,          &TFormat::Height,        &TFormat::KeepOriFrameRate,
    &TFormat::FrameRate,      &TFormat::VideoBitRate,  &TFormat::AudioCodecName,
    &TFormat::SampleRate,     &TFormat::AudioBitRate,  &TFormat::Channel,
    &TFormat::ExtraParam,
};

}  // namespace

const QStringList& FormatAttributeNames()
{
    static const QStringList names = {
        QStringLiteral("format_ext"),       QStringLiteral("audio_format"),
        QStringLiteral("icon"),             QStringLiteral("id"),
        QStringLiteral("name"),             QStringLiteral("description"),
        QStringLiteral("resolutions"),      QStringLiteral("frame_rates"),
        QStringLiteral("video_bitrates"),   QStringLiteral("audio_bitrates"),
        QStringLiteral("sample_rates"),     QStringLiteral("channels"),
        QStringLiteral("video_codecs"),     QStringLiteral("audio_codecs"),
        QStringLiteral("video_codec_name"), QStringLiteral("width"),
        QStringLiteral("height"),           QStringLiteral("keep_ori_frame_rate"),
        QStringLiteral("frame_rate"),       QStringLiteral("video_bitrate"),
        QStringLiteral("audio_codec_name"), QStringLiteral("sample_rate"),
        QStringLiteral("audio_bitrate"),    QStringLiteral("channel"),
        QStringLiteral("extra_param"),
    };
    return names;
}

bool ParseFormatLine(const QString& line, TFormat& format)
{
    const QStringList& names = FormatAttributeNames();
    static_assert(std::size(FormatFields) == 25);
    for (qsizetype i = 0; i < names.size(); ++i) {
        QString& field = format.*FormatFields[i];
        const qsizetype start = FindAttributeValueStart(line, names[i]);
        if (start < 0) {
            field.clear();
            continue;
        }
        const qsizetype end = line.indexOf(u'"', start);
        if (end < 0)
            return false;
        field = line.mid(start, end - start);
    }
    return true;
}

bool IsFormatLine(const QString& line)
{
    for (const QString& name : FormatAttributeNames()) {
        if (FindAttributeValueStart(line, name) >= 0)
            return true;
    }
    return false;
}

TChoiceList SplitChoiceList(const QString& list)
{
    TChoiceList result;
    QString piece;
    for (const QChar c : list) {
        if (c == u'$') {
            result.Values.append(piece);
            piece.clear();
        } else if (c == u',') {
            result.Labels.append(piece);
            piece.clear();
        } else {
            piece.append(c);
        }
    }
    // Also after a final "," and in an empty list: the settings editor shows
    // that empty label as an item.
    result.Labels.append(piece);
    return result;
}
