#include "cli/CliCommands.h"

#include "cli/ConvertArguments.h"
#include "cli/ConvertCommand.h"
#include "cli/DumpCommand.h"
#include "cli/InfoCommand.h"
#include "cli/LibsCommand.h"
#include "cli/PlayArguments.h"
#include "cli/PlayCommand.h"
#include "cli/ProfilesCommand.h"
#include "cli/RipArguments.h"
#include "cli/RipCommand.h"
#include "cli/ScanCommand.h"
#include "engine/ProgramPaths.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace vidrelo::cli {
namespace {

const char* const Usage =
    "usage: vidrelo-cli COMMAND [options]\n"
    "       vidrelo-cli --version | -V\n"
    "       vidrelo-cli COMMAND --help\n"
    "\n"
    "commands:\n"
    "  libs [--libav DIR]   load the media libraries (default: the LibAV folder beside\n"
    "                       this program, else the system's) and list them with versions\n"
    "  profiles [--format-details P F] [--catalogue DIR]\n"
    "                       load the output profile catalogue (default: the\n"
    "                       dvd-ripper-profiles folder beside this program) and list\n"
    "                       every format of every profile; with --format-details\n"
    "                       the settings \"rip\" can change in format F of profile P\n"
    "  scan PATH [--json] [--libav DIR] [--catalogue DIR]\n"
    "                       scan a DVD (a drive such as /dev/sr0, a DVD folder or an\n"
    "                       ISO image) and print its information and title rows;\n"
    "                       with --json one JSON document of the titles: number,\n"
    "                       length, size estimate, chapters, audio and subtitle streams\n"
    "  dump SOURCE FILE [-y|--overwrite] [--libav DIR]\n"
    "                       write the MPEG stream of an \"opendvd:\" source string,\n"
    "                       e.g. \"opendvd:/dev/sr0|Title=1,FromChapter=1,ToChapter=3,\n"
    "                       AudioID=128,SubtitleID=0,AudioChannels=2,Deinterlace=0\"\n"
    "  info SOURCE [--libav DIR]\n"
    "                       print the information text of a media file or an\n"
    "                       \"opendvd:\" source string: format, duration, streams\n"
    "  convert [input options] INPUT [--join INPUT ...] [output options] OUTPUT\n"
    "                       convert a media file or an \"opendvd:\" source string;\n"
    "                       \"vidrelo-cli convert --help\" lists the options, among\n"
    "                       them --progress json (progress as JSON lines, also for rip)\n"
    "  rip DISC [--titles 1,3] [--profile N --format M | --format-title TEXT] [--out DIR]\n"
    "      [--merge] [--audio ID] [--subtitle ID|none] [--deinterlace] [--crop L,T,R,B|auto]\n"
    "      [--aspect keep|full|4:3|16:9] [--brightness B] [--contrast C] [--saturation S]\n"
    "      [--start HH:MM:SS] [--end HH:MM:SS] [--name TEXT] [--libav DIR] [--catalogue DIR]\n"
    "      [--vcodec NAME] [--size WxH] [--vb N] [--rate R] [--acodec NAME] [--ar N] [--ab N] [--ac N]\n"
    "      [--progress human|json]\n"
    "                       scan a DVD and convert titles of it as the window does,\n"
    "                       by default the longest title in the remembered format;\n"
    "                       \"vidrelo-cli rip --help\" explains the options\n"
    "  play SOURCE [--start T] [--seconds N] [--snapshot T:FILE ...] [--volume V]\n"
    "      [--no-audio] [--libav DIR]\n"
    "                       play a media file or an \"opendvd:\" source string as the\n"
    "                       preview does, without a display; write the pictures shown\n"
    "                       at the asked times and print how the playback went\n";

// The text "vidrelo-cli COMMAND --help" prints, or null for no such command.
const char* CommandUsage(const std::string& command)
{
    static const struct {
        const char* Name;
        const char* Usage;
    } commands[] = {
        {"libs", LibsUsage}, {"profiles", ProfilesUsage}, {"scan", ScanUsage}, {"dump", DumpUsage},
        {"info", InfoUsage}, {"convert", ConvertUsage}, {"rip", RipUsage},    {"play", PlayUsage},
    };
    for (const auto& c : commands)
        if (command == c.Name)
            return c.Usage;
    return nullptr;
}

}  // namespace

int RunCommandLine(int argc, char* argv[])
{
    if (argc < 2) {
        std::fputs(Usage, stderr);
        return 2;
    }
    const std::string command = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "--version" || command == "-V") {
        // Only this program's version: the media libraries' would mean
        // loading them ("vidrelo-cli libs" lists them).
        std::printf("vidrelo-cli %s\n", VIDRELO_VERSION);
        return 0;
    }
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(Usage, stdout);
        return 0;
    }
    // Every command explains itself the same way, before it looks at anything else.
    if (const char* usage = CommandUsage(command); usage && std::ranges::find(args, "--help") != args.end()) {
        std::fputs(usage, stdout);
        return 0;
    }
    if (command == "libs")
        return RunLibs(args, ProgramFolder());
    if (command == "profiles")
        return RunProfiles(args, ProgramFolder());
    if (command == "scan")
        return RunScan(args, ProgramFolder());
    if (command == "dump")
        return RunDump(args, ProgramFolder());
    if (command == "info")
        return RunInfo(args, ProgramFolder());
    if (command == "convert")
        return RunConvert(args, ProgramFolder());
    if (command == "rip")
        return RunRip(args, ProgramFolder());
    if (command == "play")
        return RunPlay(args, ProgramFolder());
    std::fprintf(stderr, "vidrelo-cli: unknown command \"%s\"\n\n%s", command.c_str(), Usage);
    return 2;
}

}  // namespace vidrelo::cli
