#include "cli/ScanJson.h"

#include "dvd/DVDPlugIn.h"
#include "main/TTitleModel.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

// Start times in seconds from the chapter lengths the disc gives.
QJsonObject Chapters(const TDVDTitleInfo& info)
{
    QJsonArray starts;
    double start = 0;
    for (int k = 0; k < DVDChapterEntries(info); ++k) {
        starts.append(start);
        start += info.Chapters[k];
    }
    return {{"count", info.ChapterCount}, {"starts", starts}};
}

QJsonArray AudioStreams(const TDVDTitleInfo& info)
{
    QJsonArray streams;
    for (int j = 0; j < DVDAudioEntries(info); ++j) {
        const TDVDAudioInfo& a = info.Audio[j];
        streams.append(QJsonObject{{"id", a.StreamID},
                                   {"language", Text(DVDLanguageCode(a))},
                                   {"languageName", Text(DVDLanguageName(a))},
                                   {"format", Text(vidrelo::DVDStreamTypeName(a.StreamType))},
                                   {"sampleRate", a.SampleRate},
                                   {"channels", a.Channels}});
    }
    return streams;
}

QJsonArray SubtitleStreams(const TDVDTitleInfo& info)
{
    QJsonArray streams;
    for (int j = 0; j < DVDSubtitleEntries(info); ++j) {
        const TDVDSubtitleInfo& s = info.Subtitles[j];
        streams.append(QJsonObject{{"id", s.StreamID},
                                   {"language", Text(DVDLanguageCode(s))},
                                   {"languageName", Text(DVDLanguageName(s))}});
    }
    return streams;
}

QJsonObject Title(const TTitleModel& titles, int row)
{
    const TTitleData* data = titles.Data(row);
    if (!data)
        return {{"number", row + 1}, {"valid", false}};
    const TDVDTitleInfo& info = data->Info;
    return {{"number", row + 1},
            {"valid", true},
            {"length", info.Length},
            {"sizeMB", titles.VideoFiles().value(row).EstimatedSize},
            {"chapters", Chapters(info)},
            {"audio", AudioStreams(info)},
            {"subtitles", SubtitleStreams(info)}};
}

}  // namespace

QByteArray ScanJson(const QString& path, int titleCount, const TTitleModel& titles)
{
    QJsonArray list;
    for (int row = 0; row < titles.RowCount(); ++row)
        list.append(Title(titles, row));
    const QJsonObject document{{"path", path}, {"titleCount", titleCount}, {"titles", list}};
    return QJsonDocument(document).toJson(QJsonDocument::Indented);
}
