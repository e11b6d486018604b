#include "engine/loader/TFFLoader.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

using namespace vidrelo::test;

namespace {

std::string Cli() { return BinDir() + "/vidrelo-cli"; }

TEST(CliLibsTest, ListsTheSixLibrariesOfTheEncoderWithTheirVersions)
{
    const TProgramResult r = RunProgram(Cli(), {"libs"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    std::istringstream lines(r.Out);
    std::vector<std::string> names;
    std::string line;
    const std::regex row(R"((\w+) +(/\S+\.so\.\d+) (\d+\.\d+\.\d+))");
    while (std::getline(lines, line)) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, row)) << line;
        EXPECT_TRUE(std::filesystem::exists(m[2].str())) << line;
        names.push_back(m[1]);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"avCodec", "avFilter", "avFormat", "avUtil", "swResample", "swScale"}));
}

TEST(CliLibsTest, BrokenLibraryFolderExitsOneNamingTheFile)
{
    const std::string dir = MakeTempDir("broken libs é");
    const std::string avutil = vidrelo::TFFLoader::LibraryFileName(vidrelo::TLibrary::avUtil);
    std::ofstream(dir + "/" + avutil) << "this is no library";
    const TProgramResult r = RunProgram(Cli(), {"libs", "--libav", dir});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_NE(r.Err.find("Load library " + dir + "/" + avutil + " error: "), std::string::npos) << r.Err;
    EXPECT_TRUE(r.Out.empty());

    const TProgramResult missing = RunProgram(Cli(), {"libs", "--libav", dir + "/nothing"});
    EXPECT_EQ(missing.ExitCode, 1);
    EXPECT_NE(missing.Err.find("does not exist"), std::string::npos) << missing.Err;
}

TEST(CliLibsTest, TheCommandLineAnswersWithTheRightStatusAndText)
{
    const std::regex version(R"(vidrelo-cli \d+\.\d+\.\d+\n)");
    const struct {
        std::vector<std::string> Args;
        int Status;
        std::string Says;  // the start of standard output, or of standard error when it fails
    } cases[] = {
        {{"frobnicate"}, 2, "vidrelo-cli: unknown command \"frobnicate\""},
        {{"libs", "--bogus"}, 2, "vidrelo-cli libs: unexpected argument \"--bogus\""},
        {{"--help"}, 0, "usage: vidrelo-cli COMMAND [options]\n       vidrelo-cli --version | -V\n"},
        {{"--version"}, 0, "vidrelo-cli "},
        {{"-V"}, 0, "vidrelo-cli "},
        {{"-v"}, 2, "vidrelo-cli: unknown command \"-v\""},
    };
    for (const auto& c : cases) {
        const TProgramResult r = RunProgram(Cli(), c.Args);
        EXPECT_EQ(r.ExitCode, c.Status) << c.Says << "\n" << r.Err;
        EXPECT_EQ((c.Status == 0 ? r.Out : r.Err).rfind(c.Says, 0), 0u) << r.Out << r.Err;
        if (c.Args[0] == "--version" || c.Args[0] == "-V") {
            EXPECT_TRUE(std::regex_match(r.Out, version)) << r.Out;
            EXPECT_TRUE(r.Err.empty()) << r.Err;
        }
    }
    // The version comes without looking for the media libraries.
    const TProgramResult elsewhere = RunProgram(Cli(), {"--version", "--libav", "/no/such/folder"});
    EXPECT_EQ(elsewhere.ExitCode, 0) << elsewhere.Err;
}

}  // namespace
