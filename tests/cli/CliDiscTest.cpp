// vidrelo-cli scan and dump on the generated test discs.
#include "tests/support/RunProgram.h"
#include "tests/support/TestDiscs.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

using namespace vidrelo::test;

namespace {

std::string Cli() { return BinDir() + "/vidrelo-cli"; }

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST(CliDiscTest, ScanPrintsTheInformationTextThenOneLinePerRow)
{
    const TestDisc& disc = Disc("discB");
    const TProgramResult r = RunProgram(Cli(), {"scan", disc.path});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    const std::vector<std::string> lines = Lines(r.Out);
    ASSERT_GT(lines.size(), 5u);
    EXPECT_EQ(lines[0], "There are 3 title(s) in " + disc.path);
    EXPECT_EQ(lines[1], "Title #1 Length: 6.00");
    EXPECT_EQ(lines[2], "  Video Type[MPEG-2], ID[0xe0], Frame Size[720x576], Norm[PAL], Aspect[TV(4:3)]");
    EXPECT_EQ(lines[4], "    Audio #0 Type[AC3], ID[0x80], SampleRate[48000], Channels[6], Language[en, English]");
    // After the blank line: caption and the ten column texts per row.
    const auto blank = std::find(lines.begin(), lines.end(), "");
    ASSERT_EQ(lines.end() - blank, 4);
    EXPECT_EQ(blank[1].rfind("Title #1\t00:00:06\t", 0), 0u) << blank[1];
    EXPECT_EQ(std::count(blank[1].begin(), blank[1].end(), '\t'), 10) << blank[1];
    EXPECT_NE(blank[2].find("\tID[0xc0], de\t"), std::string::npos) << blank[2];
    EXPECT_NE(blank[3].find("\tID[0xa0], "), std::string::npos) << blank[3];
}

TEST(CliDiscTest, ScanListsUnreadableTitlesAndRefusesDiscsWithoutTitles)
{
    const TProgramResult damaged = RunProgram(Cli(), {"scan", Disc("discC").path});
    ASSERT_EQ(damaged.ExitCode, 0) << damaged.Err;
    EXPECT_NE(damaged.Err.find("Calling DVDGetTitle(#2) failed."), std::string::npos) << damaged.Err;
    EXPECT_NE(damaged.Out.find("\nTitle #4 is invalid\n"), std::string::npos) << damaged.Out;

    for (const std::string& path : {Disc("notdvd").path, Disc("empty").path, std::string("/no/such/disc")}) {
        const TProgramResult r = RunProgram(Cli(), {"scan", path});
        EXPECT_EQ(r.ExitCode, 1) << path;
        EXPECT_NE(r.Err.find("No DVD title(s) found. Common reason: invalid DVD."), std::string::npos) << r.Err;
        EXPECT_TRUE(r.Out.empty()) << r.Out;
    }
    EXPECT_EQ(RunProgram(Cli(), {"scan"}).ExitCode, 2);
}

TEST(CliDiscTest, DumpWritesTheTitleStreamOrNoFileAtAll)
{
    const std::string dir = MakeTempDir("dump");
    const std::string source = "opendvd:" + Disc("discA").path +
                               "|Title=3,FromChapter=2,ToChapter=3,AudioID=128,SubtitleID=0,AudioChannels=2,"
                               "Deinterlace=0";
    const TProgramResult r = RunProgram(Cli(), {"dump", source, dir + "/title3.mpg"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    const auto size = std::filesystem::file_size(dir + "/title3.mpg");
    EXPECT_GT(size, 100000u);
    EXPECT_EQ(size % 2048, 0u);
    // A second dump onto the file is refused unless asked to replace it.
    std::filesystem::resize_file(dir + "/title3.mpg", 2048);
    const TProgramResult again = RunProgram(Cli(), {"dump", source, dir + "/title3.mpg"});
    EXPECT_EQ(again.ExitCode, 1);
    EXPECT_NE(again.Err.find("already exists (-y or --overwrite replaces it)"), std::string::npos) << again.Err;
    EXPECT_EQ(std::filesystem::file_size(dir + "/title3.mpg"), 2048u);
    ASSERT_EQ(RunProgram(Cli(), {"dump", source, "-y", dir + "/title3.mpg"}).ExitCode, 0);
    EXPECT_EQ(std::filesystem::file_size(dir + "/title3.mpg"), size);

    // Title 1's VOB cut short: its readable part is written and the loss named;
    // title 2 lay wholly past the cut.
    const std::string cut = dir + "/cut";
    std::filesystem::copy(Disc("discA").path, cut, std::filesystem::copy_options::recursive);
    std::filesystem::resize_file(cut + "/VIDEO_TS/VTS_01_1.VOB", 300 * 2048);
    const TProgramResult part = RunProgram(Cli(), {"dump", "opendvd:" + cut + "|Title=1", dir + "/part.mpg"});
    EXPECT_EQ(part.ExitCode, 0) << part.Err;
    EXPECT_EQ(std::filesystem::file_size(dir + "/part.mpg"), 300u * 2048);
    EXPECT_NE(part.Err.find("Lost: "), std::string::npos) << part.Err;

    for (const std::string& bad : {std::string("opendvd:") + cut + "|Title=2",
                                   std::string("opendvd:") + Disc("discA").path + "|Title=9",
                                   std::string("opendvd:garbage"), std::string("/tmp/not-a-source")}) {
        const TProgramResult failed = RunProgram(Cli(), {"dump", bad, dir + "/bad.mpg"});
        EXPECT_EQ(failed.ExitCode, 1) << bad;
        EXPECT_FALSE(failed.Err.empty()) << bad;
        EXPECT_FALSE(std::filesystem::exists(dir + "/bad.mpg")) << bad;
        EXPECT_FALSE(std::filesystem::exists(dir + "/bad.mpg.part")) << bad;
    }
}

}  // namespace
