#pragma once
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

}  // namespace vidrelo::test
