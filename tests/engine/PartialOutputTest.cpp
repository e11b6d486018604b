// Output files written under a temporary name: exclusive while a run
// writes, taken over when a dead run left them, and given their final name
// without ever replacing a file unless asked.
#include "engine/encoder/TPartialOutput.h"

#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

using namespace vidrelo;
using vidrelo::test::MakeTempDir;
namespace fs = std::filesystem;

namespace {

void Write(const std::string& file, const std::string& text)
{
    std::ofstream(file, std::ios::binary) << text;
}

std::string Read(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(PartialOutputNames, LocalFilesAreToldFromOtherProtocols)
{
    const struct {
        std::string Name;
        std::optional<std::string> Path;
    } cases[] = {
        {"/out/Title1.mp4", "/out/Title1.mp4"},
        {"file:/out/a.mp4", "/out/a.mp4"},
        {"relative.avi", "relative.avi"},
        {"/out/12:30 news.mp4", "/out/12:30 news.mp4"},
        {"My Film: part 2.mp4", "My Film: part 2.mp4"},
        {"http://host/a.mp4", std::nullopt},
        {"pipe:1", std::nullopt},
        {"opendvd:/dev/sr0|Title=1", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LocalFilePath(c.Name), c.Path) << c.Name;
}

TEST(PartialOutputNames, TheNextFreeNameCountsFilesAndTemporaryFilesAsTaken)
{
    const std::string dir = MakeTempDir("freenames");
    Write(dir + "/Title1.mp4", "x");
    Write(dir + "/Title1 (2).mp4", "x");
    Write(dir + "/Busy.avi.part", "x");
    Write(dir + "/Joined", "x");
    Write(dir + "/Joined (2).part", "x");
    fs::create_symlink(dir + "/nowhere", dir + "/Dangling.mp4");
    const struct {
        std::string Wanted, Got;
    } cases[] = {
        {"Free.mp4", "Free.mp4"},
        {"Title1.mp4", "Title1 (3).mp4"},
        {"Busy.avi", "Busy (2).avi"},
        {"Joined", "Joined (3)"},
        {"Dangling.mp4", "Dangling (2).mp4"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NextFreeFileName(dir + "/" + c.Wanted), dir + "/" + c.Got) << c.Wanted;
}

TEST(PartialOutputNames, SameFileSeesThroughSymbolicAndHardLinks)
{
    const std::string dir = MakeTempDir("samefile");
    Write(dir + "/a.mpg", "a");
    Write(dir + "/b.mpg", "b");
    fs::create_symlink(dir + "/a.mpg", dir + "/soft.mpg");
    fs::create_hard_link(dir + "/a.mpg", dir + "/hard.mpg");
    EXPECT_TRUE(SameFile(dir + "/a.mpg", dir + "/soft.mpg"));
    EXPECT_TRUE(SameFile(dir + "/hard.mpg", "file:" + dir + "/a.mpg"));
    EXPECT_TRUE(SameFile(dir + "/a.mpg", dir + "/../" + fs::path(dir).filename().string() + "/a.mpg"));
    EXPECT_FALSE(SameFile(dir + "/a.mpg", dir + "/b.mpg"));
    EXPECT_FALSE(SameFile(dir + "/a.mpg", dir + "/missing.mpg"));
    EXPECT_FALSE(SameFile("opendvd:" + dir + "/a.mpg", dir + "/a.mpg"));
}

TEST(PartialOutputFile, OneRunAtATimeWritesAName)
{
    const std::string dir = MakeTempDir("partialbusy");
    const std::string final = dir + "/out.mp4";
    std::string error;
    auto first = TPartialOutput::Create(final, false, error);
    ASSERT_TRUE(first) << error;
    EXPECT_EQ(first->PartialName(), final + ".part");
    EXPECT_TRUE(fs::exists(final + ".part"));
    EXPECT_FALSE(fs::exists(final));
    for (const bool replace : {false, true}) {
        EXPECT_FALSE(TPartialOutput::Create(final, replace, error));
        EXPECT_EQ(error, "\"" + final + "\" is being written by another conversion");
    }
    first.reset();  // never committed: nothing is left
    EXPECT_TRUE(fs::is_empty(dir));
    EXPECT_TRUE(TPartialOutput::Create(final, false, error)) << error;
}

TEST(PartialOutputFile, ATemporaryFileADeadRunLeftIsTakenOver)
{
    const std::string dir = MakeTempDir("partialstale");
    const std::string final = dir + "/out.mp4";
    Write(final + ".part", "half a file");  // no process holds it
    std::string error;
    auto partial = TPartialOutput::Create(final, false, error);
    ASSERT_TRUE(partial) << error;
    EXPECT_EQ(fs::file_size(final + ".part"), 0u);
}

TEST(PartialOutputFile, AFileThatAppearedMeanwhileKeepsItsNameAndTheResultTakesTheNextFree)
{
    const std::string dir = MakeTempDir("partialappeared");
    const std::string final = dir + "/Title1.mp4";
    std::string error, written;
    auto partial = TPartialOutput::Create(final, false, error);
    ASSERT_TRUE(partial) << error;
    Write(partial->PartialName(), "converted");
    Write(final, "another program's");
    Write(dir + "/Title1 (2).mp4", "and another");
    ASSERT_TRUE(partial->Commit(written, error)) << error;
    EXPECT_EQ(written, dir + "/Title1 (3).mp4");
    EXPECT_EQ(Read(final), "another program's");
    EXPECT_EQ(Read(written), "converted");
    partial.reset();
    EXPECT_EQ(Read(written), "converted") << "a committed file stays";
}

TEST(PartialOutputFile, DiscardRemovesOnlyItsOwnFile)
{
    const std::string dir = MakeTempDir("partialdiscard");
    const std::string final = dir + "/out.mp4";
    std::string error;
    auto partial = TPartialOutput::Create(final, false, error);
    ASSERT_TRUE(partial) << error;
    // Someone else's file took the temporary name: it is not removed.
    fs::remove(partial->PartialName());
    Write(partial->PartialName(), "not ours");
    partial->Discard();
    EXPECT_EQ(Read(final + ".part"), "not ours");
}

}  // namespace
