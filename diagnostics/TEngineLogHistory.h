#pragma once
// The engine history: every line of the engine log since start-up, under the
// heading "FFLOGGER HISTORY:", plus the sections each sent error report
// appended. It is never trimmed; an error report mails it whole.
#include "engine/log/TFFLogger.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <mutex>
#include <string>

class TEngineLogHistory {
public:
    TEngineLogHistory();
    TEngineLogHistory(const TEngineLogHistory&) = delete;
    TEngineLogHistory& operator=(const TEngineLogHistory&) = delete;

    void Add(const QString& ALine);
    void Add(const QStringList& ALines);
    QStringList Lines() const;
    int Count() const;

    // The engine log's OnLog handler: appends
    // "#<thread id>.<level ordinal>: <message>".
    void FFLoggerLog(void* Sender, uint32_t AThreadID, vidrelo::TLogLevel ALogLevel, const std::string& ALogMsg);
    // FFLoggerLog bound to this history, ready for TFFLogger::SetOnLog. The
    // history must outlive the logger's use of it.
    vidrelo::TLogEvent LogHandler();

    static QString LogLine(uint32_t AThreadID, vidrelo::TLogLevel ALogLevel, const QString& AMessage);

private:
    // The logger delivers on the main thread in the program, but a logger
    // told not to do so calls OnLog from the logging thread.
    mutable std::mutex FLock;
    QStringList FLines;
};
