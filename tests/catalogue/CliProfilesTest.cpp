#include "catalogue/TCatalogue.h"
#include "tests/catalogue/CatalogueFolder.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>


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

TEST(CliProfilesTest, UnexpectedArgumentsAreRefused)
{
    EXPECT_EQ(RunProgram(Cli(), {"profiles", "--bogus"}).ExitCode, 2);
    EXPECT_EQ(RunProgram(Cli(), {"profiles", "--catalogue"}).ExitCode, 2);
}

}  // namespace
