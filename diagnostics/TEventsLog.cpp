#include "diagnostics/TEventsLog.h"

#include <QLocale>
#include <QRegularExpression>

TEventsLog::TEventsLog(QObject* parent) : QObject(parent) {}

void TEventsLog::Add(const QString& ALine)
{
    FEntries.append(ALine);
    emit LineAdded(ALine);
}

void TEventsLog::AddEvent(const QString& AText)
{
    Add(EventLine(QTime::currentTime(), AText));
}

QStringList TEventsLog::Lines() const
{
    QStringList lines;
    for (const QString& entry : FEntries)
        lines += SplitLines(entry);
    return lines;
}

QString TEventsLog::EventLine(const QTime& ATime, const QString& AText)
{
    return QLocale::system().toString(ATime, QLocale::LongFormat) + "-> " + AText;
}

QStringList TEventsLog::SplitLines(const QString& AText)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    return AText.split(lineBreak);
}
