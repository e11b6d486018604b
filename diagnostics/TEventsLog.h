#pragma once
// The events log: what happened during this run (libraries loaded, titles
// that could not be read, conversions started and ended), written by the
// windows, shown by TLogForm and quoted whole by every error report.
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTime>

class TEventsLog : public QObject {
    Q_OBJECT
public:
    explicit TEventsLog(QObject* parent = nullptr);

    // Appends a text unchanged (a player's SDL failure text has no time).
    void Add(const QString& ALine);
    // Appends "<time in the system's long format>-> <text>".
    void AddEvent(const QString& AText);

    // The lines as the memo shows them: an entry that holds line breaks
    // (a source's file information) spans several lines.
    QStringList Lines() const;
    // The entries in the order they were added, line breaks kept.
    const QStringList& Entries() const { return FEntries; }

    static QString EventLine(const QTime& ATime, const QString& AText);
    // Splits at CR LF, CR and LF; empty pieces are kept.
    static QStringList SplitLines(const QString& AText);

signals:
    void LineAdded(const QString& ALine);

private:
    QStringList FEntries;
};
