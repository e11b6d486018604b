// Where the program finds its own folder, also where /proc is missing.
#include "engine/ProgramPaths.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using namespace vidrelo;

TEST(ProgramPathsTest, TheProgramFolderIsTheRealFolderOfTheProgramFileThroughLinks)
{
    const std::string real = fs::canonical(test::BinDir()).string() + "/";
    const std::string links = test::MakeTempDir("bin links");
    fs::create_symlink(real + "vidrelo-cli", links + "/vidrelo-cli");
    const std::string viaLink = links + "/vidrelo-cli";

    EXPECT_EQ(ProgramFolderOf(viaLink, nullptr), real);
    // Without /proc (a chroot) the started name leads there through the link.
    EXPECT_EQ(ProgramFolderOf("/no/proc/self/exe", viaLink.c_str()), real);
    EXPECT_EQ(ProgramFolderOf("/no/proc/self/exe", (links + "/missing").c_str()), "./");
    EXPECT_EQ(ProgramFolderOf("/no/proc/self/exe", nullptr), "./");
    // The running test program's own folder.
    EXPECT_EQ(ProgramFolder(), fs::canonical("/proc/self/exe").parent_path().string() + "/");
}
