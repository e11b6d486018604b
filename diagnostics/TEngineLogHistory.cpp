#include "diagnostics/TEngineLogHistory.h"

TEngineLogHistory::TEngineLogHistory() : FLines{QStringLiteral("FFLOGGER HISTORY:")} {}

void TEngineLogHistory::Add(const QString& ALine)
{
    std::lock_guard lock(FLock);
    FLines.append(ALine);
}

void TEngineLogHistory::Add(const QStringList& ALines)
{
    std::lock_guard lock(FLock);
    FLines.append(ALines);
}

QStringList TEngineLogHistory::Lines() const
{
    std::lock_guard lock(FLock);
    return FLines;
}

int TEngineLogHistory::Count() const
{
    std::lock_guard lock(FLock);
    return static_cast<int>(FLines.size());
}

void TEngineLogHistory::FFLoggerLog(void* /*Sender*/, uint32_t AThreadID, vidrelo::TLogLevel ALogLevel,
                                    const std::string& ALogMsg)
{
    Add(LogLine(AThreadID, ALogLevel, QString::fromStdString(ALogMsg)));
}

vidrelo::TLogEvent TEngineLogHistory::LogHandler()
{
    return [this](void* Sender, uint32_t AThreadID, vidrelo::TLogLevel ALogLevel, const std::string& ALogMsg) {
        FFLoggerLog(Sender, AThreadID, ALogLevel, ALogMsg);
    };
}

QString TEngineLogHistory::LogLine(uint32_t AThreadID, vidrelo::TLogLevel ALogLevel, const QString& AMessage)
{
    return QLatin1Char('#') + QString::number(AThreadID) + QLatin1Char('.') +
           QString::number(static_cast<int>(ALogLevel)) + QLatin1String(": ") + AMessage;
}
