#pragma once
// Runs an encoder's tasks from the command line: progress on standard error,
// Ctrl-C stops the run cleanly, each failed task's message on standard
// error. Shared by the commands that convert.
namespace vidrelo {
class TCustomEncoder;
}

namespace vidrelo::cli {

// Starts the tasks (one at a time) and waits for the final event. The exit
// status: 0 when every task finished, 130 when Ctrl-C stopped the run, 1
// otherwise.
int RunEncoderOnConsole(TCustomEncoder& AEncoder, const char* ACommand);

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
