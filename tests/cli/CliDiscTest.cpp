// vidrelo-cli scan and dump on the generated test discs.
#include "tests/support/DamagedDiscs.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TestDiscs.h"
#include "tests/support/TestPaths.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string_view>

using namespace vidrelo::test;

namespace {

std::string Cli() { return BinDir() + "/vidrelo-cli"; }

TEST(CliDiscTest, ScanPrintsTheInformationTextThenOneLinePerRow)
{
    const TestDisc& disc = Disc("discB");
    const TProgramResult r = RunProgram(Cli(), {"scan", disc.path});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    const std::vector<std::string> lines = OutputLines(r.Out);
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

template <typename... TArgs>
std::string Format(const char* format, TArgs... args)
{
    return QString::asprintf(format, args...).toStdString();
}

QJsonObject ParsedJson(const std::string& text)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString() << "\n" << text;
    return document.object();
}

// The information lines the text scan prints for a title, made from the
// JSON scan's facts: both must tell the same.
std::vector<std::string> TextLinesFromJson(const QJsonObject& title)
{
    std::vector<std::string> lines = {Format("Title #%d Length: %.2f", title["number"].toInt(),
                                             title["length"].toDouble())};
    const QJsonArray audio = title["audio"].toArray();
    lines.push_back(Format("  AudioCount: %d", static_cast<int>(audio.size())));
    for (int j = 0; j < audio.size(); ++j) {
        const QJsonObject a = audio[j].toObject();
        lines.push_back(Format("    Audio #%d Type[%s], ID[0x%x], SampleRate[%d], Channels[%d], Language[%s, %s]", j,
                               qPrintable(a["format"].toString()), a["id"].toInt(), a["sampleRate"].toInt(),
                               a["channels"].toInt(), qPrintable(a["language"].toString()),
                               qPrintable(a["languageName"].toString())));
    }
    const QJsonArray subtitles = title["subtitles"].toArray();
    lines.push_back(Format("  SubtitleCount: %d", static_cast<int>(subtitles.size())));
    const QJsonObject chapters = title["chapters"].toObject();
    const QJsonArray starts = chapters["starts"].toArray();
    lines.push_back(Format("  ChapterCount: %d", chapters["count"].toInt()));
    for (int k = 0; k + 1 < starts.size(); ++k)
        lines.push_back(Format("    Chapter #%d Length: %.2f", k + 1, starts[k + 1].toDouble() - starts[k].toDouble()));
    return lines;
}

TEST(CliDiscTest, ScanJsonTellsTheSameFactsAsTheTextScan)
{
    for (const char* name : {"discA", "discB", "discC"}) {
        const TestDisc& disc = Disc(name);
        const TProgramResult text = RunProgram(Cli(), {"scan", disc.path});
        const TProgramResult json = RunProgram(Cli(), {"scan", disc.path, "--json"});
        ASSERT_EQ(json.ExitCode, 0) << json.Err;
        EXPECT_EQ(json.Err, text.Err) << "unreadable titles are still told on standard error";
        const QJsonObject scan = ParsedJson(json.Out);
        EXPECT_EQ(scan["path"].toString().toStdString(), disc.path);
        const QJsonArray titles = scan["titles"].toArray();
        EXPECT_NE(text.Out.find(Format("There are %d title(s)", scan["titleCount"].toInt())), std::string::npos);
        ASSERT_EQ(titles.size(), scan["titleCount"].toInt()) << json.Out;
        for (const QJsonValue& value : titles) {
            const QJsonObject title = value.toObject();
            const int number = title["number"].toInt();
            if (!title["valid"].toBool()) {
                EXPECT_EQ(text.Out.find(Format("Title #%d Length", number)), std::string::npos) << name << number;
                continue;
            }
            EXPECT_GT(title["sizeMB"].toDouble(), 0) << name << number;
            EXPECT_EQ(title["chapters"]["starts"][0].toDouble(-1), 0) << name << number;
            for (const std::string& line : TextLinesFromJson(title))
                EXPECT_NE(text.Out.find("\n" + line + "\n"), std::string::npos) << name << ": " << line;
        }
    }
    const QJsonObject discB = ParsedJson(RunProgram(Cli(), {"scan", "--json", Disc("discB").path}).Out);
    const QJsonObject first = discB["titles"][0].toObject();
    EXPECT_EQ(first["length"].toDouble(), 6.0);
    EXPECT_EQ(first["audio"][0]["id"].toInt(), 0x80);
    EXPECT_EQ(first["audio"][0]["channels"].toInt(), 6);
    EXPECT_EQ(discB["titles"][1]["audio"][0]["id"].toInt(), 0xc0);
    EXPECT_EQ(discB["titles"][1]["audio"][0]["language"].toString(), "de");

    const TProgramResult none = RunProgram(Cli(), {"scan", "--json", Disc("notdvd").path});
    EXPECT_EQ(none.ExitCode, 1);
    EXPECT_TRUE(none.Out.empty()) << none.Out;
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

// ----------------------------------------------------------------------------
// information files that once crashed the reading of the disc

// A title of disc A outside the damaged titleset: titles 1-2 are titleset 1's.
std::string IntactTitleSource(const std::string& disc, int damagedTitleset)
{
    return "opendvd:" + disc + (damagedTitleset == 1 ? "|Title=3" : "|Title=1") +
           ",FromChapter=1,ToChapter=1,AudioID=128,SubtitleID=0,AudioChannels=2,Deinterlace=0";
}

TEST(CliDiscTest, DamageInBothCopiesOfAnIfoRefusesOnlyItsTitleset)
{
    for (const IfoDamage& damage : CrashingIfoDamage()) {
        SCOPED_TRACE(Describe(damage));
        const std::string disc = DamagedDiscA(damage, true);
        const TProgramResult scan = RunProgram(Cli(), {"scan", disc});
        ASSERT_GE(scan.ExitCode, 0) << "ended with a signal:\n" << scan.Err;
        if (damage.titleset == 0) {
            EXPECT_EQ(scan.ExitCode, 1);
            EXPECT_NE(scan.Err.find("VIDEO_TS.IFO"), std::string::npos) << scan.Err;
            continue;
        }
        EXPECT_EQ(scan.ExitCode, 0) << scan.Err;
        char name[16];
        std::snprintf(name, sizeof name, "VTS_%02d_0.IFO", damage.titleset);
        EXPECT_NE(scan.Err.find(name), std::string::npos) << scan.Err;
        EXPECT_NE(scan.Out.find(damage.titleset == 1 ? "Title #3\t" : "Title #1\t"), std::string::npos) << scan.Out;

        const std::string out = disc + "/../title.mpg";
        const TProgramResult dump = RunProgram(Cli(), {"dump", IntactTitleSource(disc, damage.titleset), out});
        EXPECT_EQ(dump.ExitCode, 0) << dump.Err;
        EXPECT_TRUE(std::filesystem::exists(out));
    }
}

TEST(CliDiscTest, AnIfoThatCrashesIsReplacedByItsBackup)
{
    for (const IfoDamage& damage : CrashingIfoDamage()) {
        SCOPED_TRACE(Describe(damage));
        const TProgramResult scan = RunProgram(Cli(), {"scan", DamagedDiscA(damage, false)});
        ASSERT_EQ(scan.ExitCode, 0) << scan.Err;
        EXPECT_EQ(scan.Err.find("failed"), std::string::npos) << scan.Err;
        EXPECT_EQ(scan.Out.find("is invalid"), std::string::npos) << scan.Out;
        EXPECT_NE(scan.Out.find("\nTitle #4\t"), std::string::npos) << scan.Out;
    }
}

TEST(CliDiscTest, AnImageOfADamagedFolderIsReadTheSameWay)
{
    const IfoDamage& damage = CrashingIfoDamage().back();  // a titleset's
    const std::string folder = DamagedDiscA(damage, true);
    const std::string iso = folder + ".iso";
    // genisoimage follows the links to the VOBs.
    const TProgramResult made =
        RunProgram("/usr/bin/genisoimage", {"-quiet", "-f", "-dvd-video", "-o", iso, folder});
    ASSERT_EQ(made.ExitCode, 0) << made.Err;
    const TProgramResult fromFolder = RunProgram(Cli(), {"scan", folder});
    const TProgramResult fromImage = RunProgram(Cli(), {"scan", iso});
    ASSERT_GE(fromImage.ExitCode, 0) << "ended with a signal:\n" << fromImage.Err;
    EXPECT_EQ(fromImage.ExitCode, fromFolder.ExitCode);
    // The rows, past the header line that names the path.
    const auto rows = [](const std::string& out) { return out.substr(out.find('\n')); };
    EXPECT_EQ(rows(fromImage.Out), rows(fromFolder.Out));

    const std::string backupOnly = DamagedDiscA(damage, false) + ".iso";
    ASSERT_EQ(RunProgram("/usr/bin/genisoimage", {"-quiet", "-f", "-dvd-video", "-o", backupOnly,
                                                  backupOnly.substr(0, backupOnly.size() - 4)})
                  .ExitCode,
              0);
    const TProgramResult rescued = RunProgram(Cli(), {"scan", backupOnly});
    ASSERT_EQ(rescued.ExitCode, 0) << rescued.Err;
    EXPECT_EQ(rescued.Out.find("is invalid"), std::string::npos) << rescued.Out;
}

// Tables that libdvdread accepts but that point past what the titleset
// holds: the title is refused with the reason, the rest of the disc reads.
TEST(CliDiscTest, AChapterNamingAMissingProgramRefusesItsTitle)
{
    IfoDamage damage{"VTS_01_0.IFO", 0, {}, 1};
    {
        // The part-of-title table's sector is at 0xC8 of the IFO; its first
        // title's offset at +8 leads to (program chain, program) pairs.
        std::ifstream in(Disc("discA").path + "/VIDEO_TS/VTS_01_0.IFO", std::ios::binary);
        const std::string ifo((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const auto be32 = [&ifo](std::size_t at) {
            return static_cast<unsigned long>(static_cast<unsigned char>(ifo[at])) << 24 |
                   static_cast<unsigned long>(static_cast<unsigned char>(ifo[at + 1])) << 16 |
                   static_cast<unsigned long>(static_cast<unsigned char>(ifo[at + 2])) << 8 |
                   static_cast<unsigned long>(static_cast<unsigned char>(ifo[at + 3]));
        };
        const unsigned long table = be32(0xC8) * 2048;
        damage.offset = static_cast<long>(table + be32(table + 8) + 4 + 2);  // chapter 2's program
    }
    damage.bytes = std::string("\x00\x07", 2);
    const TProgramResult scan = RunProgram(Cli(), {"scan", DamagedDiscA(damage, true)});
    ASSERT_EQ(scan.ExitCode, 0) << scan.Err;
    EXPECT_NE(scan.Err.find("Title 1 cannot be read: chapter 2 of its titleset's table names program 7, but its "
                            "program chain has 2"),
              std::string::npos)
        << scan.Err;
    EXPECT_NE(scan.Out.find("\nTitle #1 is invalid\n"), std::string::npos) << scan.Out;
    EXPECT_NE(scan.Out.find("\nTitle #2\t"), std::string::npos) << scan.Out;
}

}  // namespace
