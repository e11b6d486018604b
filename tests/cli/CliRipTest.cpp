// vidrelo-cli rip: titles of a test disc converted with the window's
// defaults and with the choices the options make, mistakes refused, and
// Ctrl-C stopping a run.
#include "tests/support/MediaProbe.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TestDiscs.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

using namespace vidrelo::test;

namespace {

std::string Cli() { return BinDir() + "/vidrelo-cli"; }
std::string DiscA() { return Disc("discA").path; }

TProgramResult Rip(std::vector<std::string> args)
{
    args.insert(args.begin(), "rip");
    return RunProgram(Cli(), args);
}

std::string ReadAll(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

std::set<std::string> FilesIn(const std::string& folder)
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// The settings the main window remembers, as it would have written them.
void WriteSettings(const std::string& text)
{
    const std::string folder = std::string(std::getenv("XDG_CONFIG_HOME")) + "/Quarnix";
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "/Vidrelo.conf") << "[General]\n" << text;
}

TEST(CliRipTest, ByDefaultTheLongestTitleIsConvertedInTheFirstFormat)
{
    const std::string dir = MakeTempDir("ripdefault");
    const TProgramResult r = Rip({DiscA(), "--out", dir, "--end", "00:00:02"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    // Titles 1 and 4 are equally long; the first of them is pre-selected.
    EXPECT_EQ(FilesIn(dir), std::set<std::string>{"Title1.mp4"});
    EXPECT_NE(r.Out.find("Title #1 -> " + dir + "/Title1.mp4"), std::string::npos) << r.Out;
    const TProbedFile file = Probe(dir + "/Title1.mp4");
    EXPECT_EQ(file.Stream("video")["codec_name"], "h264");
    EXPECT_EQ(Number(file.Stream("video"), "width"), 854);
    EXPECT_EQ(Number(file.Stream("audio"), "channels"), 2);
    EXPECT_NEAR(file.Duration, 2.0, 0.2);
    EXPECT_NE(r.Err.find("elapsed"), std::string::npos) << "progress as convert shows it: " << r.Err;
}

TEST(CliRipTest, TheRememberedFormatAndOutputFolderAreTheDefaults)
{
    const std::string dir = MakeTempDir("ripremembered");
    // General Video's sixth format: DivX AVI.
    WriteSettings("OutputPath=" + dir + "\nrecentprofileind=0\nrecentformatind=5\n");
    const TProgramResult r = Rip({DiscA(), "--titles", "2", "--end", "1"});
    WriteSettings("");
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(FilesIn(dir), std::set<std::string>{"Title2.avi"});
    EXPECT_EQ(Probe(dir + "/Title2.avi").Stream("video")["codec_name"], "mpeg4");
}

TEST(CliRipTest, AMissingOutputFolderFallsBackToTheTemporaryOneAsInTheWindow)
{
    const std::string fallback = std::string(std::getenv("HOME")) + "/Quarnix_temp";
    const std::string missing = MakeTempDir("ripmissing") + "/gone";
    const TProgramResult r = Rip({DiscA(), "--titles", "2", "--out", missing, "--end", "1"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_NE(r.Err.find("Output folder does not exit. Converting to \"" + fallback + "\"."), std::string::npos)
        << r.Err;
    EXPECT_TRUE(std::filesystem::exists(fallback + "/Title2.mp4"));
    EXPECT_FALSE(std::filesystem::exists(missing));
    std::filesystem::remove_all(fallback);
}

TEST(CliRipTest, EachChosenTitleGetsAFileNamedFromItsDestinationTitle)
{
    const std::string dir = MakeTempDir("riptitles");
    const TProgramResult two = Rip({DiscA(), "--titles", "2,4", "--out", dir, "--end", "1"});
    ASSERT_EQ(two.ExitCode, 0) << two.Err;
    EXPECT_EQ(FilesIn(dir), (std::set<std::string>{"Title2.mp4", "Title4.mp4"}));
    EXPECT_NEAR(Probe(dir + "/Title4.mp4").Duration, 1.0, 0.2);

    const TProgramResult named = Rip({DiscA(), "--titles", "3", "--name", "My Film", "--out", dir, "--end", "1"});
    ASSERT_EQ(named.ExitCode, 0) << named.Err;
    EXPECT_EQ(FilesIn(dir), (std::set<std::string>{"Title2.mp4", "Title4.mp4", "My Film.mp4"}));
}

TEST(CliRipTest, MergeJoinsTheTitlesWholeIntoOneFile)
{
    const TestDisc& disc = Disc("discB");
    const std::string dir = MakeTempDir("ripmerge");
    const TProgramResult r = Rip({disc.path, "--titles", "1,2,3", "--merge", "--format-title",
                                  "DivX AVI Video (MPEG-4, MP3)", "--out", dir});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(FilesIn(dir), std::set<std::string>{"Joined.avi"});
    const double sum = disc.Title(1).length + disc.Title(2).length + disc.Title(3).length;
    const TProbedFile joined = Probe(dir + "/Joined.avi");
    EXPECT_NEAR(joined.Duration, sum, 0.3);
    EXPECT_EQ(joined.Count("audio"), 1);
}

TEST(CliRipTest, TakenNamesAreNeverReusedTheNextFreeOneIsPrinted)
{
    const std::string dir = MakeTempDir("ripagain");
    const TProgramResult first = Rip({DiscA(), "--titles", "2", "--out", dir, "--end", "1"});
    ASSERT_EQ(first.ExitCode, 0) << first.Err;
    const std::string firstFile = ReadAll(dir + "/Title2.mp4");
    std::ofstream(dir + "/Title4.mp4.part") << "left by a killed run";
    const TProgramResult second = Rip({DiscA(), "--titles", "2,4", "--out", dir, "--end", "1"});
    ASSERT_EQ(second.ExitCode, 0) << second.Err;
    EXPECT_NE(second.Out.find("Title #2 -> " + dir + "/Title2 (2).mp4\n"), std::string::npos) << second.Out;
    EXPECT_NE(second.Out.find("Title #4 -> " + dir + "/Title4 (2).mp4\n"), std::string::npos) << second.Out;
    EXPECT_TRUE(ReadAll(dir + "/Title2.mp4") == firstFile) << "the first rip's file is intact";
    EXPECT_NEAR(Probe(dir + "/Title2 (2).mp4").Duration, 1.0, 0.2);
    EXPECT_NEAR(Probe(dir + "/Title4 (2).mp4").Duration, 1.0, 0.2);

    std::ofstream(dir + "/Joined.avi") << "the user's";
    const TProgramResult merged = Rip({Disc("discB").path, "--titles", "1,2", "--merge", "--format-title",
                                       "DivX AVI Video (MPEG-4, MP3)", "--out", dir});
    ASSERT_EQ(merged.ExitCode, 0) << merged.Err;
    EXPECT_NE(merged.Out.find("Title #2 -> " + dir + "/Joined (2).avi\n"), std::string::npos) << merged.Out;
    EXPECT_EQ(ReadAll(dir + "/Joined.avi"), "the user's");
    EXPECT_GT(Probe(dir + "/Joined (2).avi").Duration, 5.0);
    EXPECT_EQ(FilesIn(dir), (std::set<std::string>{"Title2.mp4", "Title2 (2).mp4", "Title4.mp4.part",
                                                   "Title4 (2).mp4", "Joined.avi", "Joined (2).avi"}));
}

TEST(CliRipTest, AudioAndSubtitleAreChosenByTheIDsTheRowsShow)
{
    const TestTitle& title = Disc("discA").Title(1);
    ASSERT_EQ(title.audio.size(), 2u);
    const std::string dir = MakeTempDir("ripaudio");
    for (const TestAudioTrack& track : title.audio) {
        char id[16];
        std::snprintf(id, sizeof id, "0x%x", track.streamId);
        const std::string name = "audio" + std::string(id);
        const TProgramResult r =
            Rip({DiscA(), "--titles", "1", "--audio", id, "--subtitle", "none", "--name", name, "--out", dir,
                 "--end", "3"});
        ASSERT_EQ(r.ExitCode, 0) << r.Err;
        EXPECT_NEAR(ToneHz(dir + "/" + name + ".mp4"), track.toneHz, 15) << id;
    }
    const TProgramResult silent = Rip({DiscA(), "--titles", "2", "--audio", "none", "--out", dir, "--end", "1"});
    ASSERT_EQ(silent.ExitCode, 0) << silent.Err;
    EXPECT_EQ(Probe(dir + "/Title2.mp4").Count("audio"), 0);
}

TEST(CliRipTest, AspectCropAndBrightnessShapeThePicture)
{
    const std::string dir = MakeTempDir("rippicture");
    const auto rip = [&dir](const std::string& name, std::vector<std::string> options) {
        std::vector<std::string> args = {DiscA(), "--titles", "2", "--name", name, "--out", dir, "--end", "1"};
        args.insert(args.end(), options.begin(), options.end());
        const TProgramResult r = Rip(args);
        EXPECT_EQ(r.ExitCode, 0) << r.Err;
        int width = 0, height = 0;
        std::string picture = GreyPicture(dir + "/" + name + ".mp4", 0.5, width, height);
        EXPECT_EQ(width, 854);
        EXPECT_EQ(height, 480);
        return width == 854 && height == 480 && picture.size() == 854u * 480 ? picture : std::string(854 * 480, 0);
    };
    const std::string full = rip("full", {"--aspect", "full"});
    // 4:3 in the 854x480 frame: bars of about 107 pixels at either side.
    const std::string narrow = rip("narrow", {"--aspect", "4:3", "--deinterlace", "--brightness", "60"});
    EXPECT_GT(MeanGrey(full, 854, 0, 0, 40, 480), 40) << "the picture reaches the left edge";
    EXPECT_LT(MeanGrey(narrow, 854, 0, 0, 95, 480), 20) << "black bars";
    EXPECT_LT(MeanGrey(narrow, 854, 759, 0, 854, 480), 20);
    EXPECT_GT(MeanGrey(narrow, 854, 115, 0, 739, 480), MeanGrey(full, 854, 0, 0, 854, 480) + 15) << "brighter";
    // Cutting off all but the picture's rightmost eighth leaves only its
    // dark bottom-right part in the frame.
    const std::string cropped = rip("cropped", {"--crop", "630,0,0,0", "--aspect", "full"});
    EXPECT_LT(MeanGrey(cropped, 854, 0, 0, 854, 480), MeanGrey(full, 854, 0, 0, 854, 480));
}

TEST(CliRipTest, MistakesAreRefusedWithTheirReasonAndNoFile)
{
    const std::string dir = MakeTempDir("ripbad");
    const struct {
        std::vector<std::string> Args;
        int Status;
        std::string Says;
    } cases[] = {
        {{}, 2, "no DISC given"},
        {{DiscA(), "--titles", "2,x"}, 2, "invalid value for --titles: \"2,x\""},
        {{DiscA(), "--titles", "1,1"}, 2, "--titles"},
        {{DiscA(), "--profile", "0"}, 2, "--profile and --format go together"},
        {{DiscA(), "--profile", "0", "--format", "1", "--format-title", "x"}, 2, "either"},
        {{DiscA(), "--audio", "english"}, 2, "invalid value for --audio"},
        {{DiscA(), "--crop", "1,2,3"}, 2, "invalid value for --crop"},
        {{DiscA(), "--aspect", "2:1"}, 2, "invalid value for --aspect"},
        {{DiscA(), "--saturation", "-101"}, 2, "invalid value for --saturation"},
        {{DiscA(), "--start", "00:00:04", "--end", "00:00:02"}, 2, "--start must be before --end"},
        {{DiscA(), "--end", "soon"}, 2, "invalid value for --end"},
        {{DiscA(), "--merge", "--end", "2"}, 2, "--merge"},
        {{DiscA(), "--titles", "1,2", "--name", "x"}, 2, "--name"},
        {{DiscA(), "--name", "../x"}, 2, "invalid value for --name"},
        {{DiscA(), "--catalogue"}, 2, "missing value for --catalogue"},
        {{DiscA(), "--fast"}, 2, "unknown option \"--fast\""},
        {{DiscA(), DiscA()}, 2, "unexpected argument"},
        {{DiscA(), "--titles", "5"}, 1, "title 5 does not exist: the disc has 4 title(s)"},
        {{DiscA(), "--titles", "3", "--audio", "0x81"}, 1, "Title #3 has no audio stream 0x81"},
        {{DiscA(), "--titles", "2", "--subtitle", "0x20"}, 1, "Title #2 has no subtitle stream 0x20"},
        {{DiscA(), "--crop", "0,240,0,240"}, 1, "leaves nothing of the 720x480 picture of Title #1"},
        {{DiscA(), "--titles", "2", "--start", "00:00:06"}, 1, "not within Title #2"},
        {{DiscA(), "--profile", "0", "--format", "99"}, 1, "no format 99 in profile 0"},
        {{DiscA(), "--format-title", "Betamax"}, 1, "no format named \"Betamax\""},
        {{dir + "/nodisc"}, 1, "No DVD title(s) found"},
        {{Disc("discC").path, "--titles", "3"}, 1, "title 3 cannot be read"},
        {{DiscA(), "--catalogue", dir + "/nocatalogue"}, 1, "has no formats"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"--out", dir};
        args.insert(args.end(), c.Args.begin(), c.Args.end());
        const TProgramResult r = Rip(args);
        EXPECT_EQ(r.ExitCode, c.Status) << c.Says << "\n" << r.Err;
        EXPECT_NE(r.Err.find(c.Says), std::string::npos) << r.Err;
    }
    EXPECT_TRUE(FilesIn(dir).empty());
}

TEST(CliRipTest, CtrlCStopsTheRunCleanlyAndFails)
{
    const std::string dir = MakeTempDir("ripint");
    const std::string err = dir + "/stderr.txt";
    const std::string output = dir + "/Joined.mp4";
    const int status = InterruptProgram(
        Cli(), {"rip", DiscA(), "--titles", "1,3,4", "--merge", "--out", dir}, err,
        [&] {
            // The first progress report: the run is under way and far from its end.
            std::ifstream progress(err);
            const std::string text((std::istreambuf_iterator<char>(progress)), {});
            return text.find("elapsed") != std::string::npos;
        },
        30);
    EXPECT_EQ(status, 130);
    std::ifstream in(err);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(text.find("vidrelo-cli rip: stopped"), std::string::npos) << text;
    const double duration = Probe(output).Duration;
    EXPECT_GT(duration, 0.1);
    EXPECT_LT(duration, 25);
}

}  // namespace
