#include "catalogue/FormatCheck.h"

#include <QStringList>

#include <limits>

namespace {

constexpr qint64 IntMin = std::numeric_limits<int>::min();
constexpr qint64 IntMax = std::numeric_limits<int>::max();

struct TNumberRule {
    const char* Attribute;
    QString TFormat::*Field;
    qint64 Min;
    qint64 Max;  // the conversion reads every value as an int
    bool Video;  // not needed by an audio-only format
};

const TNumberRule NumberRules[] = {
    {"audio_format", &TFormat::IsAudioFormat, IntMin, IntMax, false},
    {"width", &TFormat::Width, 16, 8192, true},
    {"height", &TFormat::Height, 16, 8192, true},
    // Thousandths of a frame per second: below 1000 is no usable rate (and
    // a rate written in whole frames, "25", lands here).
    {"frame_rate", &TFormat::FrameRate, 1000, IntMax, true},
    {"video_bitrate", &TFormat::VideoBitRate, 1, IntMax, true},
    {"sample_rate", &TFormat::SampleRate, 1, IntMax, false},
    {"audio_bitrate", &TFormat::AudioBitRate, 1, IntMax, false},
    {"channel", &TFormat::Channel, 1, IntMax, false},
};

// Read the way the conversion reads it: decimal, blanks around allowed.
bool ReadNumber(const QString& text, qint64& value)
{
    bool ok = false;
    value = text.trimmed().toLongLong(&ok, 10);
    return ok;
}

QString RuleFault(const TNumberRule& rule, const QString& text)
{
    const QString attribute = QString::fromLatin1(rule.Attribute);
    if (text.trimmed().isEmpty())
        return QStringLiteral("%1 is missing").arg(attribute);
    qint64 value = 0;
    if (!ReadNumber(text, value))
        return QStringLiteral("%1 \"%2\" is not a whole number").arg(attribute, text);
    if (value >= rule.Min && value <= rule.Max)
        return {};
    return QStringLiteral("%1 \"%2\" is outside %3 to %4").arg(attribute, text).arg(rule.Min).arg(rule.Max);
}

}  // namespace

bool IsAudioOnly(const TFormat& format)
{
    qint64 flag = 0;
    return ReadNumber(format.IsAudioFormat, flag) && flag == 1;
}

bool IsCopyFormat(const TFormat& format)
{
    return format.VideoCodecName.trimmed().compare(QStringLiteral("copy"), Qt::CaseInsensitive) == 0;
}

QString FormatFault(const TFormat& format)
{
    const bool audioOnly = IsAudioOnly(format);
    QStringList faults;
    for (const TNumberRule& rule : NumberRules) {
        if (rule.Video && audioOnly)
            continue;
        const QString fault = RuleFault(rule, format.*rule.Field);
        if (!fault.isEmpty())
            faults.append(fault);
    }
    return faults.join(QStringLiteral(", "));
}

QString TFormatProblems::Summary() const
{
    // Enough to find the first faults; a damaged file could list hundreds.
    constexpr qsizetype Itemised = 4;
    QStringList all = Faults;
    if (NotFormatLines.size() == 1)
        all.append(QStringLiteral("line %1 is not a format line").arg(NotFormatLines[0]));
    else if (NotFormatLines.size() > 1)
        all.append(QStringLiteral("%1 lines are not format lines, the first is line %2")
                       .arg(NotFormatLines.size())
                       .arg(NotFormatLines[0]));
    if (all.size() <= Itemised)
        return all.join(QStringLiteral("; "));
    return all.first(Itemised).join(QStringLiteral("; "))
         + QStringLiteral("; and %1 more").arg(all.size() - Itemised);
}

QString FormatPlace(int lineNumber, const QString& title)
{
    if (title.isEmpty())
        return QStringLiteral("line %1").arg(lineNumber);
    return QStringLiteral("line %1 (\"%2\")").arg(lineNumber).arg(title);
}
