// vidrelo-cli rip: titles of a test disc converted with the window's
// defaults and with the choices the options make, mistakes refused, and
// Ctrl-C stopping a run.
#include "tests/support/CommaLocale.h"
#include "tests/support/MediaProbe.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TestDiscs.h"
#include "tests/support/TestPaths.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
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
    // Of the title's two chapters the second starts past the end.
    const TProbeReport chapters = ProbeReport({"-show_chapters", dir + "/Title1.mp4"});
    EXPECT_EQ(chapters.Errors, "");
    ASSERT_EQ(chapters.Blocks.size(), 1u);
    EXPECT_EQ(Text(chapters.Blocks[0], "TAG:title"), "Chapter 1");
    EXPECT_NEAR(Number(chapters.Blocks[0], "end_time"), file.Duration, 0.1);
    EXPECT_NE(r.Err.find("elapsed"), std::string::npos) << "progress as convert shows it: " << r.Err;
}

// The program takes the user's locale (Qt sets it at start); under a
// comma-decimal one the media libraries must still read "0.71" in the x264
// preset, or every H.264 format fails to open.
TEST(CliRipTest, AProgramInACommaLocaleStillConvertsToH264)
{
    const std::string locale = CommaLocaleName();
    ASSERT_FALSE(locale.empty());
    const std::string dir = MakeTempDir("riplocale");
    ::setenv("LC_ALL", locale.c_str(), 1);
    const TProgramResult r = Rip({DiscA(), "--titles", "2", "--out", dir, "--end", "00:00:01"});
    ::unsetenv("LC_ALL");
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    const TProbedFile file = Probe(dir + "/Title2.mp4");
    EXPECT_EQ(file.Stream("video")["codec_name"], "h264");
    EXPECT_NEAR(file.Duration, 1.0, 0.2);
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

// Every file and folder below the private home but the tests' own
// temporary folders.
std::set<std::string> HomeEntries()
{
    std::set<std::string> entries;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(TestHome()))
        if (!std::filesystem::relative(entry.path(), TestHome()).string().starts_with("tmp-"))
            entries.insert(entry.path().string());
    return entries;
}

TEST(CliRipTest, WithoutOutAMissingWindowFolderFallsBackToTheTemporaryOne)
{
    const std::string fallback = std::string(std::getenv("HOME")) + "/Quarnix_temp";
    const std::string missing = MakeTempDir("ripmissing") + "/gone";
    WriteSettings("OutputPath=" + missing + "\n");
    const TProgramResult r = Rip({DiscA(), "--titles", "2", "--end", "1"});
    WriteSettings("");
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_NE(r.Err.find("Output folder does not exit. Converting to \"" + fallback + "\"."), std::string::npos)
        << r.Err;
    EXPECT_TRUE(std::filesystem::exists(fallback + "/Title2.mp4"));
    EXPECT_FALSE(std::filesystem::exists(missing));
    std::filesystem::remove_all(fallback);
}

TEST(CliRipTest, OutMakesItsFolderOrSaysWhyNotAndTouchesNoOther)
{
    const std::string dir = MakeTempDir("ripout");
    const std::string wanted = dir + "/new/deeper";
    const std::set<std::string> before = HomeEntries();
    const TProgramResult made = Rip({DiscA(), "--titles", "2", "--out", wanted, "--end", "1"});
    ASSERT_EQ(made.ExitCode, 0) << made.Err;
    EXPECT_EQ(FilesIn(wanted), std::set<std::string>{"Title2.mp4"});
    EXPECT_EQ(HomeEntries(), before) << "no Documents folders, no fallback folder";

    std::ofstream(dir + "/file") << "not a folder";
    for (const std::string& impossible : {dir + "/file", dir + "/file/sub"}) {
        const TProgramResult r = Rip({DiscA(), "--titles", "2", "--out", impossible, "--end", "1"});
        EXPECT_EQ(r.ExitCode, 1) << r.Err;
        EXPECT_NE(r.Err.find("the output folder \"" + impossible + "\" cannot be created: "), std::string::npos)
            << r.Err;
        EXPECT_EQ(r.Err.find("Converting to"), std::string::npos) << r.Err;
    }
    EXPECT_EQ(FilesIn(dir), (std::set<std::string>{"file", "new"}));
    EXPECT_EQ(HomeEntries(), before);
}

// The outcome lines' files, checking that they count the tasks from 1.
std::vector<std::string> JsonOutcomeFiles(const std::string& out)
{
    std::istringstream lines(out);
    std::vector<std::string> files;
    for (std::string line; std::getline(lines, line);) {
        const QJsonObject object = QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
        EXPECT_FALSE(object.isEmpty()) << line;
        if (!object.contains("outcome"))
            continue;
        EXPECT_EQ(object["outcome"].toString(), "finished") << line;
        EXPECT_EQ(object["task"].toInt(), static_cast<int>(files.size()) + 1) << line;
        files.push_back(object["file"].toString().toStdString());
    }
    return files;
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

    // For scripts: only JSON lines, one outcome per title naming the file
    // really written (the taken names are not reused).
    const TProgramResult json =
        Rip({DiscA(), "--titles", "2,4", "--out", dir, "--end", "1", "--progress", "json"});
    ASSERT_EQ(json.ExitCode, 0) << json.Err;
    EXPECT_EQ(JsonOutcomeFiles(json.Out),
              (std::vector<std::string>{dir + "/Title2 (2).mp4", dir + "/Title4 (2).mp4"}));
}

// Where the scan says each chapter of a title starts, and the title's length.
std::vector<double> ScannedChapterStarts(int number, double& length)
{
    const TProgramResult r = RunProgram(Cli(), {"scan", DiscA(), "--json"});
    const QJsonObject title =
        QJsonDocument::fromJson(QByteArray::fromStdString(r.Out))["titles"].toArray()[number - 1].toObject();
    length = title["length"].toDouble();
    std::vector<double> starts;
    for (const QJsonValue start : title["chapters"]["starts"].toArray())
        starts.push_back(start.toDouble());
    return starts;
}

double VideoLength(const std::string& file)
{
    return Number(Probe(file).Stream("video"), "duration");
}

int VideoFrames(const std::string& file)
{
    const std::vector<TProbeBlock> video =
        ProbeBlocks({"-select_streams", "v:0", "-show_entries", "stream=nb_frames", file}, "STREAM");
    return video.empty() ? -1 : static_cast<int>(Number(video[0], "nb_frames"));
}

TEST(CliRipTest, SplitChaptersWritesEachChapterCutAtItsStartWithoutGaps)
{
    double length = 0;
    const std::vector<double> starts = ScannedChapterStarts(3, length);
    ASSERT_EQ(starts.size(), 3u) << "title 3 of disc A has three chapters";
    const double frame = 1 / Disc("discA").frameRate;
    const std::string dir = MakeTempDir("ripsplit");
    const TProgramResult r = Rip({DiscA(), "--titles", "3", "--split-chapters", "--out", dir, "--progress", "json"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    const std::vector<std::string> names = {"Title3 - Chapter 01.mp4", "Title3 - Chapter 02.mp4",
                                            "Title3 - Chapter 03.mp4"};
    EXPECT_EQ(FilesIn(dir), std::set<std::string>(names.begin(), names.end()));
    std::vector<std::string> expected;
    for (const std::string& name : names)
        expected.push_back(dir + "/" + name);
    EXPECT_EQ(JsonOutcomeFiles(r.Out), expected) << "one task per chapter";
    // Each file starts where the scan says its chapter does: the lengths
    // before it add up to that start, and all of them to the title's length.
    double at = 0;
    int frames = 0;
    for (std::size_t k = 0; k < names.size(); ++k) {
        EXPECT_NEAR(at, starts[k], frame * 1.01) << names[k];
        at += VideoLength(expected[k]);
        frames += VideoFrames(expected[k]);
    }
    EXPECT_NEAR(at, length, frame * names.size());
    // No picture lost between two chapters, none in both.
    EXPECT_EQ(frames, Disc("discA").Title(3).frames);
}

TEST(CliRipTest, TheTrimChoosesTheChaptersAndCutsTheOuterOnes)
{
    double length = 0;
    const std::vector<double> starts = ScannedChapterStarts(3, length);
    ASSERT_EQ(starts.size(), 3u);
    const double frame = 1 / Disc("discA").frameRate;
    const std::string dir = MakeTempDir("ripsplittrim");
    std::ofstream(dir + "/Title3 - Chapter 02.mp4") << "mine";
    // 4 s to 7 s: the end of chapter 2 and the start of chapter 3.
    const TProgramResult r =
        Rip({DiscA(), "--titles", "3", "--split-chapters", "--start", "4", "--end", "7", "--out", dir});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(FilesIn(dir), (std::set<std::string>{"Title3 - Chapter 02.mp4", "Title3 - Chapter 02 (2).mp4",
                                                   "Title3 - Chapter 03.mp4"}));
    EXPECT_EQ(ReadAll(dir + "/Title3 - Chapter 02.mp4"), "mine");
    EXPECT_NE(r.Out.find("Title #3, Chapter 2 -> " + dir + "/Title3 - Chapter 02 (2).mp4"), std::string::npos)
        << r.Out;
    EXPECT_NEAR(VideoLength(dir + "/Title3 - Chapter 02 (2).mp4"), starts[2] - 4, frame * 1.01);
    EXPECT_NEAR(VideoLength(dir + "/Title3 - Chapter 03.mp4"), 7 - starts[2], frame * 1.01);
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

// Found bars are cut off: at the size of the film inside them, its picture
// fills the frame from the top edge to the bottom one.
TEST(CliRipTest, CropAutoCutsOffTheBarsOfEachTitle)
{
    const TestDisc& d = Disc("discD");
    const std::vector<int>& bars = d.Title(1).blackBars;
    ASSERT_EQ(bars.size(), 4u);
    const int width = d.width - bars[0] - bars[2], height = d.height - bars[1] - bars[3];
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    const std::string dir = MakeTempDir("ripborders");
    const TProgramResult r =
        Rip({d.path, "--out", dir, "--name", "film", "--crop", "auto", "--aspect", "full", "--size", size});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    const std::string found = "Title #1: Borders: left " + std::to_string(bars[0]) + ", top " +
                              std::to_string(bars[1]) + ", right " + std::to_string(bars[2]) + ", bottom " +
                              std::to_string(bars[3]) + "\n";
    EXPECT_NE(r.Out.find(found), std::string::npos) << r.Out;
    int w = 0, h = 0;
    const std::string picture = GreyPicture(dir + "/film.mp4", 2.0, w, h);
    ASSERT_EQ(w, width);
    ASSERT_EQ(h, height);
    ASSERT_EQ(picture.size(), std::size_t(w) * h);
    EXPECT_GT(MeanGrey(picture, w, 0, 0, w, 4), 30) << "no bar left at the top";
    EXPECT_GT(MeanGrey(picture, w, 0, h - 4, w, h), 30) << "no bar left at the bottom";
}

TEST(CliRipTest, KeepingTheOriginalShowsTheDiscsShapeWithSquarePixels)
{
    const std::string dir = MakeTempDir("ripkeep");
    // Colour bars on both discs: title 2 of disc A, title 1 of disc B.
    const auto rip = [&dir](const std::string& disc, const std::string& name, const std::string& aspect) {
        const std::string title = disc == DiscA() ? "2" : "1";
        const TProgramResult r = Rip({disc, "--titles", title, "--name", name, "--aspect", aspect, "--format-title",
                                      "MP4 Video (H.264, AAC)", "--out", dir, "--end", "1"});
        EXPECT_EQ(r.ExitCode, 0) << r.Err;
        const TProbeBlock video = Probe(dir + "/" + name + ".mp4").Stream("video");
        EXPECT_EQ(Text(video, "sample_aspect_ratio") + " " + Text(video, "display_aspect_ratio"), "1:1 427:240")
            << name;
        int width = 0, height = 0;
        const std::string picture = GreyPicture(dir + "/" + name + ".mp4", 0.5, width, height);
        EXPECT_EQ(width * height, 854 * 480) << name;
        return picture.size() == 854u * 480 ? picture : std::string(854 * 480, 0);
    };
    // Disc A is NTSC 16:9: kept, it fills the 854x480 frame as full screen does.
    const std::string wide = rip(DiscA(), "wide", "keep");
    const std::string full = rip(DiscA(), "full", "full");
    EXPECT_GT(MeanGrey(wide, 854, 0, 0, 20, 480), 40) << "no bar at the left";
    // Its right edge is the dark blue bar above a black strip: as full screen shows it.
    EXPECT_NEAR(MeanGrey(wide, 854, 834, 0, 854, 320), MeanGrey(full, 854, 834, 0, 854, 320), 3);
    EXPECT_GT(MeanGrey(wide, 854, 834, 0, 854, 320), 12) << "no bar at the right";
    EXPECT_NEAR(MeanGrey(wide, 854, 0, 0, 854, 480), MeanGrey(full, 854, 0, 0, 854, 480), 3);
    // Disc B is PAL 4:3: kept, it stands between bars of about 107 pixels.
    const std::string narrow = rip(Disc("discB").path, "narrow", "keep");
    EXPECT_LT(MeanGrey(narrow, 854, 0, 0, 100, 480), 20) << "a bar at the left";
    EXPECT_LT(MeanGrey(narrow, 854, 754, 0, 854, 480), 20) << "a bar at the right";
    EXPECT_GT(MeanGrey(narrow, 854, 114, 0, 134, 480), 40) << "the picture starts after the bar";
    // Disc A into a 4:3 frame: bars of 60 rows above and below (480 x 9/16
    // = 360 rows of picture), counted in the stored rows the pad adds.
    const TProgramResult r = Rip({DiscA(), "--titles", "2", "--name", "boxed", "--format-title",
                                  "DivX AVI Video (MPEG-4, MP3)", "--out", dir, "--end", "1"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    int width = 0, height = 0;
    const std::string boxed = GreyPicture(dir + "/boxed.avi", 0.5, width, height);
    ASSERT_EQ(width * height, 640 * 480);
    EXPECT_LT(MeanGrey(boxed, 640, 0, 52, 640, 58), 20) << "the top bar reaches row 58";
    EXPECT_GT(MeanGrey(boxed, 640, 0, 62, 640, 68), 40) << "the picture starts at row 60";
}

TEST(CliRipTest, FormatSettingsChangeTheFormatForThisRunOnly)
{
    const std::string dir = MakeTempDir("ripsettings");
    WriteSettings("");
    const std::string conf = std::string(std::getenv("XDG_CONFIG_HOME")) + "/Quarnix/Vidrelo.conf";
    const std::string settingsBefore = ReadAll(conf);
    const TProgramResult r = Rip({DiscA(), "--titles", "2", "--name", "small", "--out", dir, "--end", "1",
                                  "--format-title", "AVI Video (Xvid, MP3)", "--vcodec", "mpeg4", "--size", "320x240",
                                  "--vb", "800000", "--rate", "25", "--acodec", "mp2", "--ar", "44100", "--ac", "1"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    const TProbedFile file = Probe(dir + "/small.avi");
    TProbeBlock video = file.Stream("video"), audio = file.Stream("audio");
    EXPECT_EQ(video["codec_name"], "mpeg4");
    EXPECT_EQ(Number(video, "width"), 320);
    EXPECT_EQ(Number(video, "height"), 240);
    EXPECT_EQ(video["r_frame_rate"], "25/1") << "chosen by its label";
    EXPECT_EQ(audio["codec_name"], "mp2");
    EXPECT_EQ(Number(audio, "sample_rate"), 44100);
    EXPECT_EQ(Number(audio, "channels"), 1);

    // A sound-only format has no picture size to check and still takes its settings.
    const TProgramResult sound = Rip({DiscA(), "--titles", "2", "--name", "sound", "--out", dir, "--end", "1",
                                      "--format-title", "MP3 Audio", "--ab", "96 kbps", "--ac", "mono"});
    ASSERT_EQ(sound.ExitCode, 0) << sound.Err;
    TProbeBlock mp3 = Probe(dir + "/sound.mp3").Stream("audio");
    EXPECT_EQ(mp3["codec_name"], "mp3");
    EXPECT_EQ(Number(mp3, "channels"), 1);
    EXPECT_EQ(mp3["bit_rate"], "96000");
    EXPECT_EQ(ReadAll(conf), settingsBefore) << "the user's settings are left alone";
}

TEST(CliRipTest, MistakesAreRefusedWithTheirReasonAndNoFile)
{
    const std::string dir = MakeTempDir("ripbad");
    const std::string avi = "AVI Video (Xvid, MP3)";
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
        {{DiscA(), "--end", "00:00:00"}, 2, "--end must be after 00:00:00"},
        {{DiscA(), "--start", "-00:00:01"}, 2, "invalid value for --start: \"-00:00:01\" (a time cannot be negative)"},
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
        {{DiscA(), "--titles", "2", "--start", "00:00:06"}, 2, "--start 00:00:06 is not within Title #2"},
        {{DiscA(), "--titles", "1,2", "--start", "00:00:06", "--end", "9"}, 2, "is not within Title #2"},
        {{DiscA(), "--profile", "0", "--format", "99"}, 1, "no format 99 in profile 0"},
        {{DiscA(), "--format-title", "Betamax"}, 1, "no format named \"Betamax\""},
        {{dir + "/nodisc"}, 1, "No DVD title(s) found"},
        {{Disc("discC").path, "--titles", "3"}, 1, "title 3 cannot be read"},
        {{DiscA(), "--catalogue", dir + "/nocatalogue"}, 1, "has no formats"},
        {{DiscA(), "--format-title", avi, "--vcodec", "libx264"}, 2,
         "vidrelo-cli rip: --vcodec: \"libx264\" is not offered as the video encoder of \"AVI Video (Xvid, MP3)\"; "
         "choose one of: libxvid (Xvid), mpeg4 (MPEG-4 Part 2)\n"},
        {{DiscA(), "--format-title", avi, "--size", "321x240"}, 2,
         "vidrelo-cli rip: --size: Please input valid resolution. Both width and height must be multiples of 2, "
         "and range from 64*64 to 1920*1280.\n"},
        {{DiscA(), "--format-title", "MP3 Audio", "--ab", "96000", "--rate", "25000"}, 2,
         "vidrelo-cli rip: --rate: the frame rate of \"MP3 Audio\" cannot be changed"},
        {{DiscA(), "--vb", "lots"}, 2, "--vb: \"lots\" is not offered as the video bit rate of \"MP4 Video (H.264, AAC)\""},
        {{DiscA(), "--size", "640"}, 2, "invalid value for --size: \"640\""},
        {{DiscA(), "--progress", "xml"}, 2, "vidrelo-cli rip: unknown --progress \"xml\" (human or json)"},
        {{DiscA(), "--progress"}, 2, "\"--progress\" needs a value"},
        {{DiscA(), "--merge", "--split-chapters"}, 2, "--merge and --split-chapters exclude each other"},
    };
    // No run makes the output folder it names.
    for (const auto& c : cases) {
        std::vector<std::string> args = {"--out", dir + "/out"};
        args.insert(args.end(), c.Args.begin(), c.Args.end());
        const TProgramResult r = Rip(args);
        EXPECT_EQ(r.ExitCode, c.Status) << c.Says << "\n" << r.Err;
        EXPECT_NE(r.Err.find(c.Says), std::string::npos) << r.Err;
    }
    EXPECT_TRUE(FilesIn(dir).empty());
}

// A disc A copy whose title 1 lost part of its VOB.
std::string DamagedDiscA(const std::string& hint, const std::function<void(const std::string& vob)>& damage)
{
    const std::string copy = MakeTempDir(hint) + "/disc";
    std::filesystem::copy(DiscA(), copy, std::filesystem::copy_options::recursive);
    damage(copy + "/VIDEO_TS/VTS_01_1.VOB");
    return copy;
}

TEST(CliRipTest, ADamagedTitleConvertsWhatIsReadableAndSaysWhatWasLost)
{
    // Title 1 (10 s) fills about the first 960 sectors of VTS_01_1.VOB.
    const auto cutTo = [](std::uintmax_t sectors) {
        return [sectors](const std::string& vob) { std::filesystem::resize_file(vob, sectors * 2048); };
    };
    const auto zeroed = [](const std::string& vob) {
        std::fstream f(vob, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(400 * 2048);
        const std::string zeros(64 * 2048, '\0');
        f.write(zeros.data(), static_cast<std::streamsize>(zeros.size()));
    };
    const auto blank = [](const std::string& vob) {
        const std::uintmax_t size = std::filesystem::file_size(vob);
        std::ofstream(vob, std::ios::binary | std::ios::trunc) << std::string(size, '\0');
    };
    const struct {
        std::string name;
        std::function<void(const std::string&)> damage;
        int status;
        double minSeconds, maxSeconds;  // the file's length; 0, 0: no file
        std::vector<std::string> says;
    } cases[] = {
        {"blemish", zeroed, 0, 9.5, 10.5, {"64 damaged sectors skipped", "Lost: 64 sectors, about 0."}},
        {"cut short", cutTo(300), 1, 2.0, 4.0,
         {"runs past the end of the titleset's video files (300 sectors)", "Lost: ", "The output is short",
          "the converted file is kept, but incomplete"}},
        {"nothing left", cutTo(0), 1, 0, 0, {"hold no readable video"}},
        {"all blank", blank, 1, 0, 0, {"damaged sectors skipped", "Lost: "}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string dir = MakeTempDir("ripdamaged");
        const TProgramResult r = Rip({DamagedDiscA("ripdisc", c.damage), "--titles", "1", "--out", dir});
        EXPECT_EQ(r.ExitCode, c.status) << r.Err;
        for (const std::string& text : c.says)
            EXPECT_NE(r.Err.find(text), std::string::npos) << text << "\n" << r.Err;
        if (c.maxSeconds == 0) {
            EXPECT_TRUE(FilesIn(dir).empty()) << "no file without pictures";
            continue;
        }
        ASSERT_EQ(FilesIn(dir), std::set<std::string>{"Title1.mp4"});
        const TProbedFile file = Probe(dir + "/Title1.mp4");
        EXPECT_GE(file.Duration, c.minSeconds);
        EXPECT_LE(file.Duration, c.maxSeconds);
    }
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
    // The chapters end where the file does, not where the run meant to.
    const TProbeReport chapters = ProbeReport({"-show_chapters", output});
    EXPECT_EQ(chapters.Errors, "");
    ASSERT_FALSE(chapters.Blocks.empty());
    EXPECT_EQ(Text(chapters.Blocks[0], "TAG:title"), "Chapter 1");
    for (const TProbeBlock& chapter : chapters.Blocks)
        EXPECT_LT(Number(chapter, "start_time"), duration);
    EXPECT_NEAR(Number(chapters.Blocks.back(), "end_time"), duration, 0.1);
}

// --- the copy format and all audio tracks ---------------------------------------

const std::string kCopyFormat = "Original quality (MKV)";

// The data hash of each video packet, in order.
std::vector<std::string> VideoPacketHashes(const std::string& file)
{
    std::vector<std::string> hashes;
    for (const TProbeBlock& packet : ProbeBlocks(
             {"-select_streams", "v", "-show_data_hash", "CRC32", "-show_entries", "packet=data_hash", file}, "PACKET"))
        hashes.push_back(Text(packet, "data_hash"));
    return hashes;
}

std::vector<TProbeBlock> StreamsWithTags(const std::string& file)
{
    return ProbeBlocks({"-show_entries", "stream=codec_type,codec_name:stream_tags=language", file}, "STREAM");
}

TEST(CliRipTest, OriginalQualityKeepsTheDiscsStreamsAsTheyAre)
{
    const std::string dir = MakeTempDir("riporiginal");
    const TProgramResult r = Rip({DiscA(), "--titles", "1", "--format-title", kCopyFormat, "--audio", "all",
                                  "--subtitle", "0x20", "--out", dir});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    const std::string file = dir + "/Title1.mkv";
    const std::string dumped = dir + "/title1.mpg";
    const TProgramResult d =
        RunProgram(Cli(), {"dump", "opendvd:" + DiscA() + "|Title=1,AudioID=128,SubtitleID=0", dumped});
    ASSERT_EQ(d.ExitCode, 0) << d.Err;

    const std::vector<std::string> copied = VideoPacketHashes(file);
    EXPECT_GT(copied.size(), 250u);
    EXPECT_EQ(copied, VideoPacketHashes(dumped)) << "every picture as the disc has it";

    const std::vector<TProbeBlock> streams = StreamsWithTags(file);
    ASSERT_EQ(streams.size(), 4u);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"mpeg2video", ""}, {"ac3", "eng"}, {"ac3", "fre"}, {"dvd_subtitle", "eng"}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(Text(streams[i], "codec_name"), expected[i].first) << i;
        if (!expected[i].second.empty()) {
            EXPECT_EQ(Text(streams[i], "TAG:language"), expected[i].second) << i;
        }
    }

    // The soft subtitles keep the disc's colours and their two events.
    const TProgramResult data = RunProgram("/usr/bin/ffprobe", {"-v", "error", "-select_streams", "s", "-show_streams",
                                                                "-show_data", file});
    EXPECT_NE(data.Out.find("palette:"), std::string::npos) << data.Out;
    const std::vector<TProbeBlock> events =
        ProbeBlocks({"-select_streams", "s", "-show_entries", "packet=pts_time", file}, "PACKET");
    ASSERT_EQ(events.size(), 2u);
    EXPECT_NEAR(Number(events[0], "pts_time"), 1.0, 0.2);
    EXPECT_NEAR(Number(events[1], "pts_time"), 5.5, 0.2);

    const TProbeReport chapters = ProbeReport({"-show_chapters", file});
    ASSERT_EQ(chapters.Blocks.size(), 2u);
    EXPECT_EQ(Text(chapters.Blocks[0], "TAG:title"), "Chapter 1");
    EXPECT_EQ(Text(chapters.Blocks[1], "TAG:title"), "Chapter 2");
    EXPECT_NEAR(Number(chapters.Blocks[1], "start_time"), 5.005, 0.1);
}

TEST(CliRipTest, OriginalQualityStoresLpcmAsPlainPcmAndSaysSo)
{
    const std::string dir = MakeTempDir("riplpcm");
    const TProgramResult r =
        Rip({Disc("discB").path, "--titles", "3", "--format-title", kCopyFormat, "--out", dir, "--end", "2"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_NE(r.Err.find("pcm_dvd cannot be stored in matroska as it is"), std::string::npos) << r.Err;
    const std::vector<TProbeBlock> streams = StreamsWithTags(dir + "/Title3.mkv");
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(Text(streams[0], "codec_name"), "mpeg2video");
    EXPECT_EQ(Text(streams[1], "codec_name"), "pcm_s16le");
    EXPECT_EQ(Text(streams[1], "TAG:language"), "spa");
    EXPECT_NEAR(ToneHz(dir + "/Title3.mkv"), 1500, 15) << "the samples themselves are kept";
}

// A copied video can only begin at a key frame: the run names the real cut.
TEST(CliRipTest, ATrimmedCopyReportsWhereItReallyCuts)
{
    const std::string dir = MakeTempDir("riptrimcopy");
    const TProgramResult r = Rip({DiscA(), "--titles", "3", "--format-title", kCopyFormat, "--start", "00:00:02",
                                  "--end", "00:00:06", "--out", dir});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    const std::string said = "cut at key frames: it runs from ";
    const std::size_t at = r.Err.find(said);
    ASSERT_NE(at, std::string::npos) << r.Err;
    const auto seconds = [&](std::size_t pos) {
        return std::stod(r.Err.substr(pos + 6, 6)) + std::stod(r.Err.substr(pos + 3, 2)) * 60;  // "HH:MM:SS.mmm"
    };
    const double from = seconds(at + said.size());
    const double to = seconds(r.Err.find(" to ", at) + 4);
    EXPECT_GE(from, 2.0);
    EXPECT_LT(from, 3.0) << "the first key frame from the start on";
    EXPECT_NEAR(to, 6.0, 0.1);
    EXPECT_NE(r.Err.find("(asked: 00:00:02.000 to 00:00:06.000)"), std::string::npos) << r.Err;
    EXPECT_NEAR(Probe(dir + "/Title3.mkv").Duration, to - from, 0.15);
}

TEST(CliRipTest, AMergedCopyNeedsTheSameStreamsInEveryTitle)
{
    const std::string dir = MakeTempDir("ripmergecopy");
    // Title 1 has a subtitle track, title 3 none.
    const TProgramResult refused =
        Rip({DiscA(), "--titles", "1,3", "--merge", "--format-title", kCopyFormat, "--out", dir});
    EXPECT_EQ(refused.ExitCode, 1);
    EXPECT_NE(refused.Err.find("Title #3 has no subtitle track where Title #1 has one"), std::string::npos) << refused.Err;
    EXPECT_TRUE(FilesIn(dir).empty());

    const TProgramResult r = Rip(
        {DiscA(), "--titles", "1,3", "--merge", "--subtitle", "none", "--format-title", kCopyFormat, "--out", dir});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    const TProbedFile file = Probe(dir + "/Joined.mkv");
    EXPECT_NEAR(file.Duration, 19.0, 0.2);
    EXPECT_EQ(Text(file.Stream("video"), "codec_name"), "mpeg2video");
    EXPECT_EQ(ProbeReport({"-show_chapters", dir + "/Joined.mkv"}).Blocks.size(), 5u) << "2 + 3 chapters";
}

TEST(CliRipTest, AllAudioTracksAreEncodedEachInItsLanguage)
{
    const std::string dir = MakeTempDir("ripallaudio");
    const TProgramResult r = Rip({DiscA(), "--titles", "1", "--audio", "all", "--out", dir, "--end", "2"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    std::vector<TProbeBlock> audio;
    for (const TProbeBlock& stream : StreamsWithTags(dir + "/Title1.mp4"))
        if (Text(stream, "codec_type") == "audio")
            audio.push_back(stream);
    ASSERT_EQ(audio.size(), 2u);
    EXPECT_EQ(Text(audio[0], "codec_name"), "aac");
    EXPECT_EQ(Text(audio[0], "TAG:language"), "eng");
    EXPECT_EQ(Text(audio[1], "codec_name"), "aac");
    EXPECT_EQ(Text(audio[1], "TAG:language"), "fre");
    // Title 3 has one track: "all" is that one.
    const TProgramResult one = Rip({DiscA(), "--titles", "3", "--audio", "all", "--out", dir, "--end", "1"});
    ASSERT_EQ(one.ExitCode, 0) << one.Err;
    EXPECT_EQ(Probe(dir + "/Title3.mp4").Count("audio"), 1);
}

}  // namespace
