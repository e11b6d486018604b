#pragma once
// Runs an encoder's tasks from the command line: progress on standard error
// (or, for scripts, as JSON lines on standard output),
// Ctrl-C stops the run cleanly, each failed task's message on standard
// error. Shared by the commands that convert.
#include "cli/JsonProgress.h"

#include <string>

namespace vidrelo {
class TCustomEncoder;
}

namespace vidrelo::cli {

// Loads the media libraries from the folder `ALibAV` (else the system's)
// and registers the picture adjustment filters (nativeeq, nativehue) that
// filter chains may name. False after printing why.
bool LoadEncoderLibraries(TCustomEncoder& AEncoder, const std::string& ALibAV, const char* ACommand);

// Starts the tasks (one at a time) and waits for the final event. The exit
// status: 0 when every task finished, 128 + the signal's number when SIGINT
// (Ctrl-C, 130) or SIGTERM (143) stopped the run, 1 otherwise. Messages
// go to standard error in either progress style.
int RunEncoderOnConsole(TCustomEncoder& AEncoder, const char* ACommand,
                        TProgressStyle AStyle = TProgressStyle::Human);

// Engine log lines of warning level and worse go to standard error (all
// lines with AVerbose); until the returned scope ends.
class TConsoleLog {
public:
    explicit TConsoleLog(bool AVerbose);
    ~TConsoleLog();
    TConsoleLog(const TConsoleLog&) = delete;
    TConsoleLog& operator=(const TConsoleLog&) = delete;
};

}  // namespace vidrelo::cli
