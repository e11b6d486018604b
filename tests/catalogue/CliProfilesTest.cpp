#include "catalogue/TCatalogue.h"
#include "tests/catalogue/CatalogueFolder.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <filesystem>


using namespace vidrelo::test;

namespace {

const QString Header = "ProfileInd\tProfile\tFormatInd\tFormat\tExtension\tVideoCodec\tAudioCodec\tWidth\tHeight";

std::string Cli() { return BinDir() + "/vidrelo-cli"; }

QStringList OutputLines(const TProgramResult& r)
{
    return QString::fromStdString(r.Out).split('\n', Qt::SkipEmptyParts);
}

TEST(CliProfilesTest, ListsEveryFormatOfEveryProfileAsLoaded)
{
    TCatalogue catalogue(QString::fromStdString(BinDir()) + "/dvd-ripper-profiles");
    catalogue.LoadIcons();
    catalogue.LoadProfiles();
    catalogue.LoadFormats();
    catalogue.LinkFormats();
    QStringList expected = {Header};
    for (int p = 0; p < catalogue.Profiles.size(); ++p) {
        for (int k = 0; k < catalogue.Profiles[p].Formats.size(); ++k) {
            const TFormat& f = catalogue.Profiles[p].Formats[k];
            expected.append(QStringList({QString::number(p), catalogue.Profiles[p].Title, QString::number(k), f.Title,
                                         f.FormatExt, f.VideoCodecName, f.AudioCodecName, f.Width, f.Height})
                                .join('\t'));
        }
    }
    const TProgramResult r = RunProgram(Cli(), {"profiles"});
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_EQ(r.Err, "");
    EXPECT_EQ(OutputLines(r), expected);
    EXPECT_GT(expected.size(), 80);  // 40 formats and more, each listed twice
}

TEST(CliProfilesTest, BrokenHeightLineLeavesAllProfilesAndExitsOne)
{
    TCatalogueFolder folder("cli-height");
    folder.WriteProfiles({"<category id=\"a\" title=\"A\" icon=\"a\" />"}, "<profile height=\"\">");
    folder.WriteFormats({FormatLine({{"id", "a"}, {"name", "One"}}),
                         FormatLine({{"id", "a"}, {"name", "Two"}, {"audio_format", "1"}, {"video_codec_name", ""},
                                     {"width", ""}, {"height", ""}, {"format_ext", ".mp3"},
                                     {"audio_codec_name", "libmp3lame"}})});
    const TProgramResult r = RunProgram(Cli(), {"profiles", "--catalogue", folder.Path().toStdString()});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_NE(r.Err.find("Error loading profiles (CLM_LoadProfiles)"), std::string::npos) << r.Err;
    EXPECT_EQ(OutputLines(r), QStringList({Header, "0\tAll Profiles\t0\tOne\t.mp4\tlibx264\taac\t640\t480",
                                           "0\tAll Profiles\t1\tTwo\t.mp3\t\tlibmp3lame\t\t"}));
}

TEST(CliProfilesTest, FormatsDatWithoutFormatsIsReportedAndExitsOne)
{
    TCatalogueFolder folder("cli-noformats");
    folder.WriteProfiles({"<category id=\"a\" title=\"A\" icon=\"a\" />"});
    const QStringList fiveLines = {"<?xml?>", "<!-- -->", "<formats>", FormatLine({{"id", "a"}}), "</formats>"};
    const QStringList sixLines = fiveLines + QStringList({"<!-- end -->"});
    const struct {
        const char* What;
        QByteArray Bytes;
    } cases[] = {
        {"five lines", Scrambled(fiveLines.join("\n").toUtf8())},
        {"empty", QByteArray()},
        {"all zero", QByteArray(1000, '\0')},
        {"not scrambled", sixLines.join("\n").toUtf8()},
        {"random bytes", RandomBytes(20000)},
    };
    for (const auto& c : cases) {
        WriteBytes(folder.Path() + "/Formats.dat", c.Bytes);
        const TProgramResult r = RunProgram(Cli(), {"profiles", "--catalogue", folder.Path().toStdString()});
        EXPECT_EQ(r.ExitCode, 1) << c.What;
        // Damaged bytes may also add how many lines were no formats.
        const QString err = QString::fromStdString(r.Err);
        EXPECT_TRUE(err.startsWith("Error loading formats: Formats.dat holds no usable format")) << r.Err;
        EXPECT_TRUE(err.endsWith(" (CLM_LoadFormats)\n") && err.count('\n') == 1) << r.Err;
        EXPECT_EQ(OutputLines(r), QStringList({Header})) << c.What;
    }

    folder.WriteProfiles({}, "<profile height=\"x\">");
    const TProgramResult broken = RunProgram(Cli(), {"profiles", "--catalogue", folder.Path().toStdString()});
    EXPECT_EQ(broken.ExitCode, 1);
    EXPECT_NE(broken.Err.find("Error loading profiles (CLM_LoadProfiles)"), std::string::npos) << broken.Err;
    EXPECT_EQ(OutputLines(broken), QStringList({Header}));
}

TEST(CliProfilesTest, FormatWithUnusableValuesIsNamedOnStandardErrorAndKeepsItsPlace)
{
    TCatalogueFolder folder("cli-values");
    folder.WriteProfiles({"<category id=\"a\" title=\"A\" icon=\"a\" />"});
    folder.WriteFormats({FormatLine({{"id", "a"}, {"name", "Good"}}),
                         FormatLine({{"id", "a"}, {"name", "Bad"}, {"width", "0"}, {"frame_rate", "0"}})});
    const TProgramResult r = RunProgram(Cli(), {"profiles", "--catalogue", folder.Path().toStdString()});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_EQ(r.Err, "Error loading formats: line 5 (\"Bad\"): width \"0\" is outside 16 to 8192, "
                     "frame_rate \"0\" is outside 1000 to 2147483647 (CLM_LoadFormats)\n");
    EXPECT_EQ(OutputLines(r), QStringList({Header, "0\tA\t0\tGood\t.mp4\tlibx264\taac\t640\t480",
                                           "0\tA\t1\tBad\t.mp4\tlibx264\taac\t0\t480",
                                           "1\tAll Profiles\t0\tGood\t.mp4\tlibx264\taac\t640\t480",
                                           "1\tAll Profiles\t1\tBad\t.mp4\tlibx264\taac\t0\t480"}));
}

TEST(CliProfilesTest, FaultyFormatLineAndMissingFilesExitOne)
{
    TCatalogueFolder folder("cli-faulty");
    folder.WriteProfiles({"<category id=\"a\" title=\"A\" icon=\"a\" />"});
    folder.WriteFormats({FormatLine({{"id", "a"}, {"name", "Good"}}), "<format name=\"unclosed />"});
    const TProgramResult faulty = RunProgram(Cli(), {"profiles", "--catalogue", folder.Path().toStdString()});
    EXPECT_EQ(faulty.ExitCode, 1);
    EXPECT_EQ(faulty.Err,
              "Error loading formats: line 5 of Formats.dat has a value without its closing quote (CLM_LoadFormats)\n");
    EXPECT_EQ(OutputLines(faulty).size(), 3);  // the header and "Good" under A and under All Profiles

    const std::string nowhere = MakeTempDir("cli-empty") + "/none";
    const TProgramResult missing = RunProgram(Cli(), {"profiles", "--catalogue", nowhere});
    EXPECT_EQ(missing.ExitCode, 1);
    EXPECT_NE(missing.Err.find("Error loading profiles (CLM_LoadProfiles)"), std::string::npos) << missing.Err;
    EXPECT_NE(missing.Err.find("Formats.dat"), std::string::npos) << missing.Err;
}

TEST(CliProfilesTest, FormatDetailsListWhatEachRipOptionTakes)
{
    // Audio Only's MP3 format: no picture, so the video settings cannot be changed.
    const TProgramResult mp3 = RunProgram(Cli(), {"profiles", "--format-details", "7", "0"});
    EXPECT_EQ(mp3.ExitCode, 0) << mp3.Err;
    EXPECT_EQ(OutputLines(mp3).mid(0, 9),
              QStringList({"MP3 Audio\t.mp3", "--vcodec\t\tcannot be changed", "--size\t\tcannot be changed",
                           "--vb\t\tcannot be changed", "--rate\t\tcannot be changed",
                           "--acodec\tlibmp3lame\tcan be changed", "  libmp3lame\tMP3\t(current)",
                           "--ar\t44100\tcan be changed", "  32000\t32000 Hz"}));
    const TProgramResult avi = RunProgram(Cli(), {"profiles", "--format-details", "0", "4"});
    EXPECT_EQ(OutputLines(avi).mid(0, 6),
              QStringList({"AVI Video (Xvid, MP3)\t.avi", "--vcodec\tlibxvid\tcan be changed",
                           "  libxvid\tXvid\t(current)", "  mpeg4\tMPEG-4 Part 2",
                           "--size\t640x480\tcan be changed\tany even size from 64x64 to 1920x1280, or:",
                           "  854x480\t854*480"}));
    EXPECT_TRUE(OutputLines(avi).contains("  640x480\t640*480\t(current)")) << avi.Out;
}

TEST(CliProfilesTest, FormatDetailsShowValuesOutsideTheChoicesAsFixedAndRipRefusesThem)
{
    TCatalogueFolder folder("cli-details");
    folder.WriteProfiles({"<category id=\"a\" title=\"A\" icon=\"a\" />"});
    // A frame rate its list does not offer, and a size the editor's rule refuses.
    folder.WriteFormats({FormatLine({{"id", "a"}, {"name", "Wide"}, {"frame_rate", "29970"}, {"width", "3000"}})});
    const std::string dir = folder.Path().toStdString();
    const TProgramResult r = RunProgram(Cli(), {"profiles", "--catalogue", dir, "--format-details", "0", "0"});
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(OutputLines(r).mid(3, 5),
              QStringList({"--size\t3000x480\tcan be changed\tany even size from 64x64 to 1920x1280, or:",
                           "  640x480\t640*480", "--vb\t1000000\tcan be changed", "  1000000\t1000 kbps\t(current)",
                           "--rate\t29970\tcannot be changed"}));
    // Changing any setting stores the size too, which the rule refuses.
    const std::string out = MakeTempDir("cli-details-out") + "/out";
    const TProgramResult rip =
        RunProgram(Cli(), {"rip", dir + "/nodisc", "--catalogue", dir, "--out", out, "--vb", "1000000"});
    EXPECT_EQ(rip.ExitCode, 2) << rip.Err;
    EXPECT_NE(rip.Err.find("vidrelo-cli rip: --size: the format's size \"3000x480\" is refused, give another: "
                           "Please input valid resolution."),
              std::string::npos)
        << rip.Err;
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST(CliProfilesTest, FormatDetailsOfAnUnknownFormatAreRefused)
{
    const TProgramResult unknown = RunProgram(Cli(), {"profiles", "--format-details", "0", "999"});
    EXPECT_EQ(unknown.ExitCode, 1);
    EXPECT_EQ(unknown.Err, "vidrelo-cli profiles: the catalogue has no format 999 in profile 0\n");
    EXPECT_EQ(unknown.Out, "");
    for (const char* malformed : {"x", "-1", "+0"})
        EXPECT_EQ(RunProgram(Cli(), {"profiles", "--format-details", "0", malformed}).ExitCode, 2) << malformed;
}

TEST(CliProfilesTest, UnexpectedArgumentsAreRefused)
{
    EXPECT_EQ(RunProgram(Cli(), {"profiles", "--bogus"}).ExitCode, 2);
    EXPECT_EQ(RunProgram(Cli(), {"profiles", "--catalogue"}).ExitCode, 2);
    EXPECT_EQ(RunProgram(Cli(), {"profiles", "--format-details", "0"}).ExitCode, 2);
}

}  // namespace
