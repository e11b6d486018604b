// The manual pages and the bash completion the build writes from the
// program's own --help texts.
#include "tests/support/RunProgram.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

using namespace vidrelo::test;

namespace {

std::string Cli() { return BinDir() + "/vidrelo-cli"; }
std::string ManPage(const std::string& name) { return BinDir() + "/../share/man/man1/" + name + ".1"; }
std::string Completion() { return BinDir() + "/../share/bash-completion/completions/vidrelo-cli"; }

std::set<std::string> Options(const std::string& text)
{
    static const std::regex option(R"((^|[^\w-])(--?[A-Za-z][\w-]*))");
    std::set<std::string> found;
    for (std::sregex_iterator m(text.begin(), text.end(), option), end; m != end; ++m)
        found.insert((*m)[2]);
    return found;
}

// The commands "vidrelo-cli --help" lists.
std::vector<std::string> Commands()
{
    const TProgramResult help = RunProgram(Cli(), {"--help"});
    std::vector<std::string> names;
    bool listing = false;
    for (const std::string& line : OutputLines(help.Out)) {
        listing = listing || line == "commands:";
        if (listing && line.size() > 2 && line.starts_with("  ") && std::islower(static_cast<unsigned char>(line[2])))
            names.push_back(line.substr(2, line.find(' ', 2) - 2));
    }
    return names;
}

// The options a command's help offers for use: those of its usage lines and
// of its option column, not those it names in passing.
std::set<std::string> OfferedOptions(const std::string& help)
{
    std::string offered;
    bool usage = true;
    for (const std::string& line : OutputLines(help)) {
        usage = usage && !line.empty();
        if (usage)
            offered += line + "\n";
        else if (line.starts_with("  -"))
            offered += line.substr(0, line.find("  ", 2)) + "\n";
    }
    return Options(offered);
}

// What completing `line` offers, in `folder`; a trailing space starts a new word.
std::vector<std::string> Complete(const std::string& line, const std::string& folder = "")
{
    std::string words;
    std::istringstream in(line);
    for (std::string word; in >> word;)
        words += " '" + word + "'";
    if (line.ends_with(' '))
        words += " ''";
    const std::string script = "cd \"$1\" && . \"$2\" && COMP_WORDS=(" + words +
                               ") && COMP_CWORD=$((${#COMP_WORDS[@]} - 1)) && _vidrelo_cli && "
                               "printf '%s\\n' \"${COMPREPLY[@]}\" | sort";
    const TProgramResult r =
        RunProgram("/bin/bash", {"-c", script, "bash", folder.empty() ? TestHome() : folder, Completion()});
    EXPECT_EQ(r.ExitCode, 0) << line << "\n" << r.Err;
    std::vector<std::string> offers;
    for (const std::string& offer : OutputLines(r.Out))
        if (!offer.empty())
            offers.push_back(offer);
    return offers;
}

TEST(CliManualTest, EveryCommandExplainsItselfAndThePageAndCompletionKnowAllItSays)
{
    const std::vector<std::string> commands = Commands();
    ASSERT_EQ(commands, (std::vector<std::string>{"libs", "profiles", "scan", "dump", "info", "convert", "rip", "play"}));
    std::string page = ReadFile(ManPage("vidrelo-cli"));
    ASSERT_FALSE(page.empty()) << ManPage("vidrelo-cli");
    page = std::regex_replace(page, std::regex(R"(\\-)"), "-");
    for (const std::string& command : commands) {
        const TProgramResult help = RunProgram(Cli(), {command, "--help"});
        EXPECT_EQ(help.ExitCode, 0) << command << "\n" << help.Err;
        EXPECT_EQ(help.Out.rfind("usage: vidrelo-cli " + command + " ", 0), 0u) << help.Out;
        EXPECT_NE(page.find(".SS " + command + "\n"), std::string::npos) << command;
        for (const std::string& option : Options(help.Out))
            EXPECT_NE(page.find(option), std::string::npos) << command << " " << option;
        const std::vector<std::string> offered = Complete("vidrelo-cli " + command + " -");
        const std::set<std::string> completed(offered.begin(), offered.end());
        for (const std::string& option : OfferedOptions(help.Out))
            EXPECT_TRUE(completed.contains(option)) << command << " " << option;
        EXPECT_TRUE(completed.contains("--help")) << command;
    }
    // Options of other commands, named in passing, are not offered.
    const std::vector<std::string> rip = Complete("vidrelo-cli rip --form");
    EXPECT_EQ(rip, (std::vector<std::string>{"--format", "--format-title"}));
}

TEST(CliManualTest, CompletionOffersCommandsFilesFoldersAndChoices)
{
    const TProgramResult syntax = RunProgram("/bin/bash", {"-n", Completion()});
    EXPECT_EQ(syntax.ExitCode, 0) << syntax.Err;

    const std::string folder = MakeTempDir("completion é");
    std::ofstream(folder + "/movie.iso") << "x";
    std::ofstream(folder + "/movie.mpg") << "x";
    std::filesystem::create_directory(folder + "/movies");
    const struct {
        std::string Line;
        std::vector<std::string> Offers;
    } cases[] = {
        {"vidrelo-cli sc", {"scan"}},
        {"vidrelo-cli p", {"play", "profiles"}},
        {"vidrelo-cli --v", {"--version"}},
        {"vidrelo-cli scan mov", {"movie.iso", "movie.mpg", "movies"}},
        {"vidrelo-cli rip movie.iso --out mov", {"movies"}},
        {"vidrelo-cli info m --libav mov", {"movies"}},
        {"vidrelo-cli convert in.mpg --progress j", {"json"}},
        {"vidrelo-cli rip movie.iso --progress ", {"human", "json"}},
        {"vidrelo-cli scan --j", {"--json"}},
        {"vidrelo-cli frobnicate --", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Complete(c.Line, folder), c.Offers) << c.Line;
}

TEST(CliManualTest, PagesRenderWithoutWarnings)
{
    const char* const check =
        "if command -v groff >/dev/null; then groff -man -Tutf8 -ww -z \"$1\" 2>&1; "
        "elif command -v man >/dev/null; then man --warnings -l \"$1\" 2>&1 >/dev/null; else echo none; exit 3; fi";
    for (const char* name : {"vidrelo-cli", "vidrelo"}) {
        const TProgramResult r = RunProgram("/bin/sh", {"-c", check, "sh", ManPage(name)});
        if (r.ExitCode == 3)
            GTEST_SKIP() << "neither groff nor man is installed";
        EXPECT_EQ(r.ExitCode, 0) << name << "\n" << r.Out;
        EXPECT_EQ(r.Out, "") << name;
    }
    // The desktop program's page names the files it keeps.
    const std::string page = ReadFile(ManPage("vidrelo"));
    for (const char* file : {"Quarnix/Vidrelo.conf", "Vidrelo/Output", "XDG_CONFIG_HOME", ".SH SEE ALSO"})
        EXPECT_NE(page.find(file), std::string::npos) << file;
}

}  // namespace
