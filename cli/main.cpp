// vidrelo-cli: Vidrelo's engine from the command line.
#include "cli/CliCommands.h"

#include <clocale>

int main(int argc, char* argv[])
{
    // Like any program (and like the window, where Qt does it), the command
    // line takes the user's locale; the engine keeps its numbers in the C
    // form on its own.
    std::setlocale(LC_ALL, "");
    return vidrelo::cli::RunCommandLine(argc, argv);
}
