#include "cli/ConsoleProgress.h"

#include "engine/StringFormat.h"

#include <algorithm>
#include <cmath>
#include <unistd.h>

namespace vidrelo::cli {

std::string SizeText(int64_t ABytes)
{
    if (ABytes < 1024)
        return Format("%lld B", static_cast<long long>(ABytes));
    if (ABytes < 1024 * 1024)
        return Format("%.1f kB", ABytes / 1024.0);
    if (ABytes < int64_t{1024} * 1024 * 1024)
        return Format("%.1f MB", ABytes / (1024.0 * 1024.0));
    return Format("%.2f GB", ABytes / (1024.0 * 1024.0 * 1024.0));
}

std::string ClockText(double ASeconds)
{
    const long long total = std::llround(std::max(0.0, ASeconds));
    return Format("%lld:%02lld:%02lld", total / 3600, total / 60 % 60, total % 60);
}

std::string ProgressLine(const TProgressInfo& AInfo, double AElapsedSeconds, int ATaskCount)
{
    const std::string task = ATaskCount > 1 ? Format("%d/%d  ", AInfo.TaskIndex + 1, ATaskCount) : "";
    const bool knownTotal = AInfo.TotalDuration > 0;
    const double fraction =
        knownTotal ? std::clamp(static_cast<double>(AInfo.CurrentDuration) / AInfo.TotalDuration, 0.0, 1.0) : 0;
    std::string line = task + (knownTotal ? Format("%5.1f%%", fraction * 100)
                                          : "time " + ClockText(AInfo.CurrentDuration / 1e6));
    line += Format("  fps %d  size %s  elapsed %s", AInfo.FPS, SizeText(AInfo.CurrentSize).c_str(),
                   ClockText(AElapsedSeconds).c_str());
    if (knownTotal && fraction > 0)
        line += "  remaining " + ClockText(AElapsedSeconds * (1 - fraction) / fraction);
    return line;
}

TProgressInfo TShownProgress::Next(const TProgressInfo& AInfo)
{
    // The engine's time while no output stream has one: 10^10 s.
    constexpr int64_t NoOutputYet = 10'000'000'000'000'000;
    if (AInfo.TaskIndex != FTask) {
        FTask = AInfo.TaskIndex;
        FFurthest = 0;
    }
    if (AInfo.CurrentDuration < NoOutputYet)
        FFurthest = std::max(FFurthest, AInfo.CurrentDuration);
    TProgressInfo shown = AInfo;
    shown.CurrentDuration = FFurthest;
    return shown;
}

TConsoleProgress::TConsoleProgress(std::FILE* AOut, int ATaskCount)
    : FOut(AOut), FTerminal(isatty(fileno(AOut)) == 1), FTaskCount(ATaskCount), FStart(std::chrono::steady_clock::now())
{
}

void TConsoleProgress::Show(const TProgressInfo& AInfo)
{
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - FStart).count();
    std::lock_guard lock(FLock);
    const std::string line = ProgressLine(FShown.Next(AInfo), elapsed, FTaskCount);
    if (!FTerminal) {
        std::fprintf(FOut, "%s\n", line.c_str());
    } else {
        // Blanks over what a longer previous line left.
        const std::size_t pad = FShownWidth > line.size() ? FShownWidth - line.size() : 0;
        std::fprintf(FOut, "\r%s%*s", line.c_str(), static_cast<int>(pad), "");
        FShownWidth = line.size();
    }
    std::fflush(FOut);
}

void TConsoleProgress::Finish()
{
    std::lock_guard lock(FLock);
    if (FTerminal && FShownWidth > 0)
        std::fputc('\n', FOut);
    FShownWidth = 0;
    std::fflush(FOut);
}

}  // namespace vidrelo::cli
