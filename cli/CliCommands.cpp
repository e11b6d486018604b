#include "cli/CliCommands.h"

#include <cstdio>
#include <cstring>

namespace vidrelo::cli {

int RunCommandLine(int argc, char* argv[])
{
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0) {
        std::puts("usage: vidrelo-cli COMMAND [options]");
        return argc < 2 ? 2 : 0;
    }
    std::fprintf(stderr, "vidrelo-cli: unknown command \"%s\"\n", argv[1]);
    return 2;
}

}  // namespace vidrelo::cli
