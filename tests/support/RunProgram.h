#pragma once
#include <csignal>
#include <functional>
#include <string>
#include <vector>

namespace vidrelo::test {

struct TProgramResult {
    int ExitCode = -1;  // -1 when it did not exit normally
    std::string Out;
    std::string Err;
};

// Runs a program with the given arguments (no shell), waits for it and
// collects its output.
TProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args);

// Starts a program (no shell) with its standard error in `errFile` and its
// standard output in `outFile` (discarded when empty); once `ready()` holds
// (polled every 50 ms, at most `limitSeconds`) sends it `signal` (SIGINT, as
// Ctrl-C would) and waits for it. The exit status, or -1 when it did not
// exit normally.
int InterruptProgram(const std::string& program, const std::vector<std::string>& args, const std::string& errFile,
                     const std::function<bool()>& ready, int limitSeconds, int signal = SIGINT,
                     const std::string& outFile = "");

// A program's output (or any text) as its lines, without their ends.
std::vector<std::string> OutputLines(const std::string& text);

// A whole file's bytes; empty when it cannot be read.
std::string ReadFile(const std::string& path);

}  // namespace vidrelo::test
