#include "cli/JsonProgress.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <algorithm>
#include <cmath>

namespace vidrelo::cli {
namespace {

// One decimal is all a progress figure needs; more only makes lines longer.
QJsonValue Tenths(double AValue)
{
    return std::round(AValue * 10) / 10;
}

std::string Compact(const QJsonObject& AObject)
{
    return QJsonDocument(AObject).toJson(QJsonDocument::Compact).toStdString();
}

}  // namespace

bool TakeProgressStyle(std::vector<std::string>& args, TProgressStyle& style, std::string& error)
{
    for (std::size_t i = 0; i < args.size();) {
        if (args[i] != "--progress") {
            ++i;
            continue;
        }
        if (i + 1 >= args.size())
            return error = "\"--progress\" needs a value: human or json", false;
        const std::string value = args[i + 1];
        if (value == "human")
            style = TProgressStyle::Human;
        else if (value == "json")
            style = TProgressStyle::Json;
        else
            return error = "unknown --progress \"" + value + "\" (human or json)", false;
        args.erase(args.begin() + static_cast<std::ptrdiff_t>(i), args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
    }
    return true;
}

std::string JsonProgressLine(const TProgressInfo& AInfo, double AElapsedSeconds)
{
    QJsonObject line{{"task", AInfo.TaskIndex + 1},
                     {"percent", QJsonValue::Null},
                     {"fps", AInfo.FPS},
                     {"size", static_cast<qint64>(AInfo.CurrentSize)},
                     {"elapsed", Tenths(AElapsedSeconds)},
                     {"remaining", QJsonValue::Null}};
    if (AInfo.TotalDuration > 0) {
        const double fraction =
            std::clamp(static_cast<double>(AInfo.CurrentDuration) / AInfo.TotalDuration, 0.0, 1.0);
        line["percent"] = Tenths(fraction * 100);
        if (fraction > 0)
            line["remaining"] = Tenths(AElapsedSeconds * (1 - fraction) / fraction);
    }
    return Compact(line);
}

std::string JsonOutcomeLine(int ATaskIndex, const std::string& AOutcome, const std::string& AFile,
                            const std::string& AMessage)
{
    return Compact(QJsonObject{{"task", ATaskIndex + 1},
                               {"outcome", QString::fromStdString(AOutcome)},
                               {"file", QString::fromStdString(AFile)},
                               {"message", QString::fromStdString(AMessage)}});
}

TJsonProgress::TJsonProgress(std::FILE* AOut) : FOut(AOut), FStart(std::chrono::steady_clock::now()) {}

void TJsonProgress::Show(const TProgressInfo& AInfo)
{
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - FStart).count();
    std::lock_guard lock(FLock);
    Write(JsonProgressLine(FShown.Next(AInfo), elapsed));
}

void TJsonProgress::Outcome(int ATaskIndex, const std::string& AOutcome, const std::string& AFile,
                            const std::string& AMessage)
{
    std::lock_guard lock(FLock);
    Write(JsonOutcomeLine(ATaskIndex, AOutcome, AFile, AMessage));
}

void TJsonProgress::Write(const std::string& ALine)
{
    std::fprintf(FOut, "%s\n", ALine.c_str());
    std::fflush(FOut);
}

}  // namespace vidrelo::cli
