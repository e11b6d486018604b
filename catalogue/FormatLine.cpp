#include "catalogue/FormatLine.h"

#include <iterator>

namespace {

// The 25 fields of TFormat in the order of FormatLineKeys().
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

const QStringList& FormatLineKeys()
{
    static const QStringList keys = {
        QStringLiteral("format_ext=\""),       QStringLiteral("audio_format=\""),
        QStringLiteral("icon=\""),             QStringLiteral("id=\""),
        QStringLiteral("name=\""),             QStringLiteral("description=\""),
        QStringLiteral("resolutions=\""),      QStringLiteral("frame_rates=\""),
        QStringLiteral("video_bitrates=\""),   QStringLiteral("audio_bitrates=\""),
        QStringLiteral("sample_rates=\""),     QStringLiteral("channels=\""),
        QStringLiteral("video_codecs=\""),     QStringLiteral("audio_codecs=\""),
        QStringLiteral("video_codec_name=\""), QStringLiteral("width=\""),
        QStringLiteral("height=\""),           QStringLiteral("keep_ori_frame_rate=\""),
        QStringLiteral(" frame_rate=\""),      QStringLiteral("video_bitrate=\""),
        QStringLiteral("audio_codec_name=\""), QStringLiteral("sample_rate=\""),
        QStringLiteral("audio_bitrate=\""),    QStringLiteral("channel=\""),
        QStringLiteral("extra_param=\""),
    };
    return keys;
}

bool ParseFormatLine(const QString& line, TFormat& format)
{
    const QStringList& keys = FormatLineKeys();
    static_assert(std::size(FormatFields) == 25);
    for (qsizetype i = 0; i < keys.size(); ++i) {
        QString& field = format.*FormatFields[i];
        const qsizetype keyPos = line.indexOf(keys[i]);
        if (keyPos < 0) {
            field.clear();
            continue;
        }
        const qsizetype start = keyPos + keys[i].size();
        const qsizetype end = line.indexOf(u'"', start);
        if (end < 0)
            return false;
        field = line.mid(start, end - start);
    }
    return true;
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
    if (!list.isEmpty() && !list.endsWith(u','))
        result.Labels.append(piece);
    return result;
}
