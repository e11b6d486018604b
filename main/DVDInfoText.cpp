#include "main/DVDInfoText.h"

#include "dvd/DVDPlugIn.h"
#include "main/TitleText.h"

#include <QLocale>

namespace {

QString Name(const std::string& text)
{
    return QString::fromStdString(text);
}

// Fixed notation with two decimals and the user's decimal point, as the
// size column shows its numbers.
QString Seconds(double seconds)
{
    QString text = QString::asprintf("%.2f", seconds);
    return text.replace(QLatin1Char('.'), QLocale::system().decimalPoint());
}

// Stream IDs as the plug-in's unsigned hexadecimal.
uint32_t Hex(int32_t id)
{
    return static_cast<uint32_t>(id);
}

void AppendAudio(QStringList& lines, const TDVDTitleInfo& info)
{
    lines << QString::asprintf("  AudioCount: %d", info.AudioCount);
    for (int j = 0; j < DVDAudioEntries(info); ++j) {
        const TDVDAudioInfo& a = info.Audio[j];
        lines << QString("    Audio #%1 Type[%2], ID[0x%3], SampleRate[%4], Channels[%5], Language[%6, %7]")
                     .arg(j)
                     .arg(Name(vidrelo::DVDStreamTypeName(a.StreamType)))
                     .arg(Hex(a.StreamID), 0, 16)
                     .arg(a.SampleRate)
                     .arg(a.Channels)
                     .arg(LanguageCodeText(a), LanguageNameText(a));
    }
}

void AppendSubtitles(QStringList& lines, const TDVDTitleInfo& info)
{
    lines << QString::asprintf("  SubtitleCount: %d", info.SubtitleCount);
    for (int j = 0; j < DVDSubtitleEntries(info); ++j) {
        const TDVDSubtitleInfo& s = info.Subtitles[j];
        lines << QString("    Subtitle #%1 Type[%2], ID[0x%3], Language[%4, %5]")
                     .arg(j)
                     .arg(Name(vidrelo::DVDStreamTypeName(s.StreamType)))
                     .arg(Hex(s.StreamID), 0, 16)
                     .arg(LanguageCodeText(s), LanguageNameText(s));
    }
}

void AppendChapters(QStringList& lines, const TDVDTitleInfo& info)
{
    lines << QString::asprintf("  ChapterCount: %d", info.ChapterCount);
    // A title of 100 chapters (or a count the record cannot hold) gets none:
    // the list would be longer than anyone reads.
    if (info.ChapterCount >= kDVDMaxChapters)
        return;
    for (int k = 0; k < DVDChapterEntries(info); ++k)
        lines << QString("    Chapter #%1 Length: %2").arg(k + 1).arg(Seconds(info.Chapters[k]));
}

}  // namespace

QString DVDInfoHeader(int titleCount, const QString& path)
{
    return QString("There are %1 title(s) in %2").arg(titleCount).arg(path);
}

QStringList DVDTitleInfoLines(int titleIndex, const TDVDTitleInfo& info)
{
    QStringList lines;
    lines << QString("Title #%1 Length: %2").arg(titleIndex + 1).arg(Seconds(info.Length));
    lines << QString("  Video Type[%1], ID[0x%2], Frame Size[%3x%4], Norm[%5], Aspect[%6]")
                 .arg(Name(vidrelo::DVDStreamTypeName(info.VideoType)))
                 .arg(Hex(info.VideoID), 0, 16)
                 .arg(info.Width)
                 .arg(info.Height)
                 .arg(Name(vidrelo::DVDNormName(info.Norm)), Name(vidrelo::DVDAspectName(info.Aspect)));
    AppendAudio(lines, info);
    AppendSubtitles(lines, info);
    AppendChapters(lines, info);
    lines << (info.IsValid != 0 ? QString("  IsValid: True") : QString("  IsValid: False"));
    return lines;
}
