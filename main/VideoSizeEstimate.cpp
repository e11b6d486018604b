#include "main/VideoSizeEstimate.h"

#include "main/TitleText.h"

#include <QTime>

namespace {

// Adds the bytes one rate contributes; false when the rate is not a number.
bool AddRate(const QString& rate, int seconds, double& kilobytes, int times = 1)
{
    if (rate.isEmpty())
        return true;
    bool ok = false;
    const int bitsPerSecond = rate.toInt(&ok, 10);
    if (!ok)
        return false;
    kilobytes += bitsPerSecond / 1000.0 / 8.0 * seconds * times;
    return true;
}

}  // namespace

std::optional<double> EstimateSizeMB(int64_t trimmedLength, const TFormat& format, int audioTracks)
{
    const QTime time = QTime::fromString(FormatTime(trimmedLength), QStringLiteral("hh:mm:ss"));
    if (!time.isValid())
        return std::nullopt;
    const int seconds = time.hour() * 3600 + time.minute() * 60 + time.second();
    double kilobytes = 0;
    if (!AddRate(format.VideoBitRate, seconds, kilobytes) || !AddRate(format.AudioBitRate, seconds, kilobytes, audioTracks))
        return std::nullopt;
    return kilobytes / 1024;
}
