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

TEST(CliLibsTest, UnknownCommandsAndArgumentsAreRefused)
{
    EXPECT_EQ(RunProgram(Cli(), {"frobnicate"}).ExitCode, 2);
    EXPECT_EQ(RunProgram(Cli(), {"libs", "--bogus"}).ExitCode, 2);
    EXPECT_EQ(RunProgram(Cli(), {"--help"}).ExitCode, 0);
}

}  // namespace
