#include "main/TConversionRun.h"

#include <sys/utsname.h>

#include <algorithm>
#include <cfenv>
#include <cstdio>
#include <cmath>

TConversionGauges ProgressGauges(const vidrelo::TProgressInfo& P, int taskCount)
{
    TConversionGauges gauges;
    const int n = std::max(taskCount, 1);
    const bool knownLength = P.TotalDuration > 0;
    if (knownLength)
        gauges.Current = static_cast<int>(std::clamp<int64_t>(P.CurrentDuration * 100 / P.TotalDuration, 0, 100));
    const double share = 100.0 / n;
    const double done = knownLength ? share * P.CurrentDuration / P.TotalDuration : 0;
    std::fesetround(FE_TONEAREST);
    gauges.Total = static_cast<int>(std::clamp(std::nearbyint(share * std::max(P.TaskIndex, 0) + done), 0.0, 100.0));
    return gauges;
}

QString RippingTitle(const QList<TVideoFile>& jobFiles, const QList<TProfile>& profiles, int taskIndex)
{
    if (taskIndex < 0 || taskIndex >= jobFiles.size())
        return {};
    const TVideoFile& job = jobFiles[taskIndex];
    QString ext;
    if (job.ProfileInd >= 0 && job.ProfileInd < profiles.size() && job.FormatInd >= 0 &&
        job.FormatInd < profiles[job.ProfileInd].Formats.size())
        ext = profiles[job.ProfileInd].Formats[job.FormatInd].FormatExt;
    return QStringLiteral("Ripping \"%1\" to \"%2%3\"").arg(job.Source, job.DestinationTitle, ext);
}

TEndSteps EndSteps(const vidrelo::TTerminateInfo& T, bool openOutput, bool shutdown)
{
    TEndSteps steps;
    if (T.TaskIndex < 0 && T.Finished) {
        steps.ClearOptions = true;
        if (shutdown) {
            steps.WriteSettings = true;
            steps.Shutdown = true;
        } else {
            steps.LogEvents << "Conversion successfully done.";
        }
        steps.Close = true;
        steps.OpenFolder = openOutput && !shutdown;
    }
    if (!T.Warning.empty()) {
        const QString text = (T.Incomplete ? "Conversion ended incomplete: " : "Conversion ended with a warning: ") +
                             QString::fromStdString(T.Warning);
        steps.LogEvents << text;
        // A file well short of its title is kept, but the user must hear of
        // it as of a failure, not only in the log.
        if (T.Incomplete)
            steps.ErrorReport = text;
    }
    if (T.Exception) {
        const QString text = "Conversion terminated with error: " + QString::fromStdString(T.ExceptionMsg);
        steps.ErrorReport = text;
        steps.LogEvents << text;
        steps.Close = true;
    }
    return steps;
}

QString OSVersionText()
{
    utsname name{};
    if (uname(&name) != 0)
        return {};
    // "6.1.0-13-amd64": major, minor and the build number from the release.
    unsigned major = 0, minor = 0, build = 0;
    std::sscanf(name.release, "%u.%u.%u", &major, &minor, &build);
    const QString detail = QString::fromLocal8Bit(name.version).left(128);
    return QStringLiteral("%1 Version %2.%3\r\n (Build %4: %5)")
        .arg(QString::fromLocal8Bit(name.sysname))
        .arg(major)
        .arg(minor)
        .arg(build)
        .arg(detail);
}
