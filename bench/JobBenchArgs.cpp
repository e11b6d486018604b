#include "bench/JobBenchArgs.h"

namespace vidrelo::bench {

bool ParseJobBenchArgs(const std::vector<std::string>& args, TJobBenchArgs& parsed, std::string& error)
{
    parsed = {};
    if (args.empty() || args.back().empty() || args.back()[0] == '-') {
        error = "the last argument must be the output file";
        return false;
    }
    parsed.Output = args.back();
    const size_t end = args.size() - 1;
    bool anyInput = false;
    for (size_t i = 0; i < end; i += 2) {
        const std::string& name = args[i];
        if (name.size() < 2 || name[0] != '-') {
            error = "unexpected argument \"" + name + "\" where an option was expected";
            return false;
        }
        if (i + 1 >= end) {
            error = "option " + name + " needs a value";
            return false;
        }
        const std::string& value = args[i + 1];
        if (name == "--libav") {
            parsed.LibraryFolder = value;
            continue;
        }
        const bool input = name == "-i";
        anyInput |= input;
        parsed.Steps.push_back({input, input ? std::string() : name.substr(1), value});
    }
    if (!anyInput) {
        error = "no input: give one with -i INPUT";
        return false;
    }
    return true;
}

}  // namespace vidrelo::bench
