#pragma once
// The argument list of vidrelo-jobbench, read the way the ffmpeg program
// reads its own: "-name value" pairs and "-i INPUT" from left to right, the
// output file last. Options before an input belong to that input, the ones
// after the last input to the output.
#include <string>
#include <vector>

namespace vidrelo::bench {

struct TJobBenchStep {
    bool Input = false;   // "-i Value" rather than an option
    std::string Name;     // the option's name without its dash
    std::string Value;
};

struct TJobBenchArgs {
    std::string LibraryFolder;          // "--libav DIR"; empty: beside the program
    std::vector<TJobBenchStep> Steps;   // in command-line order
    std::string Output;
};

// False with `error` (one line for the user) when the list is not of that
// shape: no output, no input, an option without its value, a stray word.
bool ParseJobBenchArgs(const std::vector<std::string>& args, TJobBenchArgs& parsed, std::string& error);

}  // namespace vidrelo::bench
