#pragma once
// The progress of a conversion for scripts: one JSON object a line on
// standard output, while running
//   {"task": 1, "percent": 42.0, "fps": 57, "size": 12897484, "elapsed": 12.1, "remaining": 16.7}
// and, once a task has ended,
//   {"task": 1, "outcome": "finished", "file": "/out/a.mp4", "message": ""}.
// Tasks count from 1 as the human line does. Without a known total the
// percent and remaining time are null.
#include "cli/ConsoleProgress.h"
#include "engine/encoder/TEncoderTypes.h"

#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

namespace vidrelo::cli {

enum class TProgressStyle { Human, Json };

// "--progress human|json" taken out of `args` (the last one counts). False
// with the reason in `error` for a missing or unknown value.
bool TakeProgressStyle(std::vector<std::string>& args, TProgressStyle& style, std::string& error);

std::string JsonProgressLine(const TProgressInfo& AInfo, double AElapsedSeconds);
// `AOutcome` is "finished", "failed" or "stopped".
std::string JsonOutcomeLine(int ATaskIndex, const std::string& AOutcome, const std::string& AFile,
                            const std::string& AMessage);

class TJsonProgress {
public:
    explicit TJsonProgress(std::FILE* AOut);
    // Any thread; reports come in order.
    void Show(const TProgressInfo& AInfo);
    void Outcome(int ATaskIndex, const std::string& AOutcome, const std::string& AFile, const std::string& AMessage);

private:
    void Write(const std::string& ALine);

    std::FILE* const FOut;
    const std::chrono::steady_clock::time_point FStart;
    std::mutex FLock;
    TShownProgress FShown;  // under FLock
};

}  // namespace vidrelo::cli
