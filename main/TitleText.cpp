#include "main/TitleText.h"

#include "engine/StringFormat.h"

#include <QLocale>

QString FormatTime(int64_t microseconds)
{
    return QString::fromStdString(vidrelo::ClockTime(microseconds));
}

QString SizeText(double megabytes, QStringView decimalPoint)
{
    QString text = QString::number(megabytes, 'f', 2);
    text.replace(QStringLiteral("."), decimalPoint.toString());
    return text + QStringLiteral(" MB");
}

QString SizeText(double megabytes)
{
    return SizeText(megabytes, QLocale::system().decimalPoint());
}

QString TitleCaption(int titleNumber)
{
    return QString::asprintf("Title #%d", titleNumber);
}

QString InvalidTitleCaption(int titleNumber)
{
    return QStringLiteral("Title #") + QString::number(titleNumber) + QStringLiteral(" is invalid");
}

QString DefaultDestinationTitle(int titleNumber)
{
    return QString::asprintf("Title%d", titleNumber);
}

QString StreamColumnText(int32_t streamID, const QString& languageCode)
{
    return QString::asprintf("ID[0x%x], ", static_cast<unsigned>(streamID)) + languageCode;
}

QString StreamItemText(const QString& languageName, int32_t streamID)
{
    return languageName + QString::asprintf("[0x%x]", static_cast<unsigned>(streamID));
}

QString DeinterlaceText(bool on)
{
    return on ? QStringLiteral("Yes") : QStringLiteral("No");
}

QString LanguageCodeText(const TDVDAudioInfo& audio)
{
    return QString::fromStdString(DVDLanguageCode(audio));
}

QString LanguageNameText(const TDVDAudioInfo& audio)
{
    return QString::fromStdString(DVDLanguageName(audio));
}

QString LanguageCodeText(const TDVDSubtitleInfo& subtitle)
{
    return QString::fromStdString(DVDLanguageCode(subtitle));
}

QString LanguageNameText(const TDVDSubtitleInfo& subtitle)
{
    return QString::fromStdString(DVDLanguageName(subtitle));
}

QString SourceString(const QString& dvdPath, int row, const TTitleSelection& s)
{
    return QStringLiteral("opendvd:") + dvdPath
        + QString::asprintf("|Title=%d,FromChapter=%d,ToChapter=%d,AudioID=%d,SubtitleID=%d,"
                            "AudioChannels=%d,Deinterlace=%d",
                            row + 1, s.FromChapter, s.ToChapter, s.AudioID, s.SubtitleID,
                            s.AudioChannels, s.Deinterlace);
}
