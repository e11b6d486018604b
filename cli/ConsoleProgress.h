#pragma once
// The progress of a conversion on the console: on a terminal one line that
// is rewritten in place, otherwise one line per report.
#include "engine/encoder/TEncoderTypes.h"

#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>

namespace vidrelo::cli {

// "  42.0%  fps 57  size 12.3 MB  elapsed 0:00:12  remaining 0:00:16";
// without a known total the time converted so far stands for the percent
// and the remaining time is left out. With several tasks the line starts
// with the task's number ("2/3  "): each task counts from 0 %.
std::string ProgressLine(const TProgressInfo& AInfo, double AElapsedSeconds, int ATaskCount = 1);
std::string SizeText(int64_t ABytes);
std::string ClockText(double ASeconds);  // H:MM:SS

// The report as shown: its time converted so far never goes back within a
// task. At a task's start one output stream may report a time while the
// others have written nothing yet; once they have, their earlier times are
// the smallest and the figure would drop. A report from before any stream
// wrote anything (a time of 10^10 s) counts as nothing converted.
class TShownProgress {
public:
    TProgressInfo Next(const TProgressInfo& AInfo);

private:
    int FTask = -1;
    int64_t FFurthest = 0;
};

class TConsoleProgress {
public:
    TConsoleProgress(std::FILE* AOut, int ATaskCount);
    // Any thread; reports come in order.
    void Show(const TProgressInfo& AInfo);
    // Ends a line rewritten in place.
    void Finish();

private:
    std::FILE* const FOut;
    const bool FTerminal;
    const int FTaskCount;
    const std::chrono::steady_clock::time_point FStart;
    std::mutex FLock;
    TShownProgress FShown;  // under FLock
    std::size_t FShownWidth = 0;
};

}  // namespace vidrelo::cli
