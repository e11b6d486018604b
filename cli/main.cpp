// vidrelo-cli: Vidrelo's engine from the command line.
#include "cli/CliCommands.h"

int main(int argc, char* argv[])
{
    return vidrelo::cli::RunCommandLine(argc, argv);
}
