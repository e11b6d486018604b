#pragma once

namespace vidrelo::cli {

// Runs one vidrelo-cli command; the result is the process exit status.
int RunCommandLine(int argc, char* argv[]);

}  // namespace vidrelo::cli
