// The plug-in's disc and title records, checked against lsdvd on every test
// disc, and its answers for paths that hold no readable DVD.
#include "tests/LibAV/DvdPlugin.h"
#include "tests/support/DamagedDiscs.h"
#include "tests/support/TestDiscs.h"
#include "tests/support/TestPaths.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

namespace vidrelo::test {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

// ----------------------------------------------------------------------------
// lsdvd, the reference reader of DVD titles

struct LsdvdAudio {
    std::string language;
    std::string format;    // "ac3", "mpeg1", "mpeg2ext", "lpcm", "dts"
    int frequency = 0;
    int channels = 0;
    int streamId = 0;
};

struct LsdvdSubtitle {
    std::string language;
    int streamId = 0;
};

struct LsdvdTitle {
    int number = 0;
    double length = 0;     // seconds, to the millisecond lsdvd prints
    std::string norm;      // "NTSC" or "PAL"
    std::string aspect;    // "4/3" or "16/9"
    int width = 0;
    int height = 0;
    std::vector<LsdvdAudio> audio;
    std::vector<double> chapters;
    std::vector<LsdvdSubtitle> subtitles;
};

// The word after "key: " in an lsdvd line (up to a space or comma).
std::string Field(const std::string& line, const std::string& key)
{
    const std::size_t at = line.find(key + ": ");
    if (at == std::string::npos)
        return {};
    const std::size_t from = at + key.size() + 2;
    return line.substr(from, line.find_first_of(" ,", from) - from);
}

// "hh:mm:ss.mmm" in seconds.
double Seconds(const std::string& time)
{
    int h = 0, m = 0, s = 0, ms = 0;
    std::sscanf(time.c_str(), "%d:%d:%d.%d", &h, &m, &s, &ms);
    return h * 3600.0 + m * 60.0 + s + ms / 1000.0;
}

int Int(const std::string& text)
{
    return static_cast<int>(std::strtol(text.c_str(), nullptr, text.rfind("0x", 0) == 0 ? 16 : 10));
}

// Every title of `lsdvd -x` output.
std::vector<LsdvdTitle> ParseLsdvd(const std::string& text)
{
    std::vector<LsdvdTitle> titles;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        line.erase(0, line.find_first_not_of('\t'));
        const std::string kind = line.substr(0, line.find(':'));
        if (kind == "Title")
            titles.push_back({Int(Field(line, "Title")), Seconds(Field(line, "Length")), {}, {}, 0, 0, {}, {}, {}});
        if (titles.empty())
            continue;
        LsdvdTitle& t = titles.back();
        if (kind == "VTS") {
            t.norm = Field(line, "Format");
            t.aspect = Field(line, "Aspect ratio");
            t.width = Int(Field(line, "Width"));
            t.height = Int(Field(line, "Height"));
        } else if (kind == "Audio") {
            t.audio.push_back({Field(line, "Language"), Field(line, "Format"), Int(Field(line, "Frequency")),
                               Int(Field(line, "Channels")), Int(Field(line, "Stream id"))});
        } else if (kind == "Chapter") {
            t.chapters.push_back(Seconds(Field(line, "Length")));
        } else if (kind == "Subtitle") {
            t.subtitles.push_back({Field(line, "Language"), Int(Field(line, "Stream id"))});
        }
    }
    return titles;
}

// `lsdvd -x -t number path`; nullopt when lsdvd cannot read the title.
std::optional<LsdvdTitle> LsdvdTitleListing(const std::string& path, int number)
{
    const ProgramOutput r = RunTool("lsdvd", {"-x", "-t", std::to_string(number), path});
    const std::vector<LsdvdTitle> titles = ParseLsdvd(r.out);
    if (r.exitCode != 0 || titles.size() != 1 || titles[0].number != number)
        return std::nullopt;
    return titles[0];
}

// nullopt when lsdvd fails on the disc.
std::optional<int> LsdvdTitleCount(const std::string& path)
{
    const ProgramOutput r = RunTool("lsdvd", {path});
    if (r.exitCode != 0)
        return std::nullopt;
    return static_cast<int>(ParseLsdvd(r.out).size());
}

// ----------------------------------------------------------------------------
// the records

const DvdPlugin& Plugin()
{
    return DvdPlugin::Get();
}

int StreamType(const std::string& lsdvdFormat)
{
    static const std::map<std::string, int> types{
        {"ac3", DVDStreamAC3}, {"mpeg1", DVDStreamMPA}, {"mpeg2ext", DVDStreamMPA},
        {"lpcm", DVDStreamLPCM}, {"dts", DVDStreamDTS}};
    return types.count(lsdvdFormat) ? types.at(lsdvdFormat) : -1;
}

std::string EnglishName(const std::string& code)
{
    static const std::map<std::string, std::string> names{
        {"en", "English"}, {"fr", "French"}, {"de", "German"}, {"es", "Spanish"}};
    return names.at(code);
}

void ExpectRecordMatches(const TDVDTitleInfo& info, const LsdvdTitle& ref)
{
    EXPECT_EQ(info.IsValid, 1);
    EXPECT_NEAR(info.Length, ref.length, 0.0011);
    EXPECT_EQ(info.VideoType, DVDStreamMPEG2);
    EXPECT_EQ(info.VideoID, 0xE0);
    EXPECT_EQ(info.Width, ref.width);
    EXPECT_EQ(info.Height, ref.height);
    EXPECT_EQ(info.Norm, ref.norm == "NTSC" ? 1 : 0);
    EXPECT_EQ(info.Aspect, ref.aspect == "16/9" ? 1 : 0);

    ASSERT_EQ(DVDChapterEntries(info), static_cast<int>(ref.chapters.size()));
    for (std::size_t c = 0; c < ref.chapters.size(); ++c)
        EXPECT_NEAR(info.Chapters[c], ref.chapters[c], 0.0011) << "chapter " << c + 1;

    ASSERT_EQ(DVDAudioEntries(info), static_cast<int>(ref.audio.size()));
    for (std::size_t i = 0; i < ref.audio.size(); ++i) {
        SCOPED_TRACE("audio " + std::to_string(i + 1));
        const TDVDAudioInfo& a = info.Audio[i];
        EXPECT_EQ(a.StreamType, StreamType(ref.audio[i].format));
        EXPECT_EQ(a.StreamID, ref.audio[i].streamId);
        EXPECT_EQ(a.SampleRate, ref.audio[i].frequency);
        EXPECT_EQ(a.Channels, ref.audio[i].channels);
        EXPECT_EQ(DVDLanguageCode(a), ref.audio[i].language);
        EXPECT_EQ(DVDLanguageName(a), EnglishName(ref.audio[i].language));
    }

    ASSERT_EQ(DVDSubtitleEntries(info), static_cast<int>(ref.subtitles.size()));
    for (std::size_t i = 0; i < ref.subtitles.size(); ++i) {
        const TDVDSubtitleInfo& s = info.Subtitles[i];
        EXPECT_EQ(s.StreamType, DVDStreamSUB);
        EXPECT_EQ(s.StreamID, ref.subtitles[i].streamId);
        EXPECT_EQ(DVDLanguageCode(s), ref.subtitles[i].language);
        EXPECT_EQ(DVDLanguageName(s), EnglishName(ref.subtitles[i].language));
    }
}

class DvddecTitleRecords : public ::testing::TestWithParam<std::string> {};

// Every title of the disc, field by field against lsdvd. Titles of a damaged
// titleset are unreadable for both; the others must still be described.
TEST_P(DvddecTitleRecords, MatchLsdvd)
{
    const TestDisc& disc = Disc(GetParam());
    const int count = Plugin().EnumTitle(disc.path.c_str());
    ASSERT_EQ(count, static_cast<int>(disc.titles.size())) << Plugin().LastError();
    // lsdvd gives up on a disc with a damaged titleset; the manifest knows the count then.
    if (const std::optional<int> lsdvdCount = LsdvdTitleCount(disc.path))
        EXPECT_EQ(count, *lsdvdCount);
    else
        EXPECT_GT(disc.damagedTitleset, 0) << "lsdvd cannot list " << disc.path;

    for (const TestTitle& t : disc.titles) {
        SCOPED_TRACE("title " + std::to_string(t.number));
        TDVDTitleInfo info{};
        const int32_t ok = Plugin().GetTitle(t.number - 1, &info);
        std::optional<LsdvdTitle> ref = LsdvdTitleListing(disc.path, t.number);
        // lsdvd gives up on most of disc C for its damaged titleset; disc C is
        // disc A with that damage, so its intact titles must read as disc A's.
        if (!ref && t.readable && GetParam() == "discC")
            ref = LsdvdTitleListing(Disc("discA").path, t.number);
        if (!t.readable) {
            EXPECT_EQ(ok, 0);
            EXPECT_THAT(Plugin().LastError(), HasSubstr("Title " + std::to_string(t.number) + " cannot be read"));
            EXPECT_THAT(Plugin().LastError(), HasSubstr("VTS_02_0.IFO"));
            continue;
        }
        ASSERT_NE(ok, 0) << Plugin().LastError();
        ASSERT_TRUE(ref.has_value()) << "lsdvd cannot read the title";
        ExpectRecordMatches(info, *ref);
    }

    TDVDTitleInfo info{};
    EXPECT_EQ(Plugin().GetTitle(count, &info), 0);
    EXPECT_THAT(Plugin().LastError(), HasSubstr("no title " + std::to_string(count + 1)));
    EXPECT_EQ(Plugin().GetTitle(-1, &info), 0);
}

INSTANTIATE_TEST_SUITE_P(Discs, DvddecTitleRecords, ::testing::Values("discA", "discB", "discC"),
                         [](const auto& info) { return info.param; });

// A copy of disc A whose first packs are marked CSS-scrambled, as an
// encrypted disc reads without libdvdcss.
std::string ScrambledCopy(const std::string& dir)
{
    fs::copy(Disc("discA").path, dir + "/disc", fs::copy_options::recursive);
    const std::string vob = dir + "/disc/VIDEO_TS/VTS_01_1.VOB";
    std::fstream f(vob, std::ios::in | std::ios::out | std::ios::binary);
    for (int sector = 0; sector < 16; ++sector) {
        unsigned char pes[7];
        f.seekg(sector * 2048 + 14);
        f.read(reinterpret_cast<char*>(pes), sizeof pes);
        if (pes[3] == 0xBD || (pes[3] >= 0xC0 && pes[3] <= 0xEF)) {
            pes[6] |= 0x10;
            f.seekp(sector * 2048 + 14 + 6);
            f.write(reinterpret_cast<const char*>(pes + 6), 1);
        }
    }
    return dir + "/disc";
}

TEST(DvddecEnumTitle, NamesWhyAPathHoldsNoReadableDvd)
{
    const std::string dir = MakeTempDir("notdvd");
    const TestDisc& b = Disc("discB");
    // Cut inside titleset 1's VOB, the first of the image: nothing is intact.
    fs::copy_file(b.path, dir + "/cut.iso");
    fs::resize_file(dir + "/cut.iso", fs::file_size(b.path) / 5 / 2048 * 2048);
    WriteFile(dir + "/notes.iso", "Shopping list\n- milk\n");
    const struct {
        std::string path;
        std::string says;
    } cases[] = {
        {Disc("notdvd").path, "not a DVD-Video disc (no readable VIDEO_TS.IFO)"},
        {Disc("empty").path, "empty folder"},
        {dir + "/no-such-disc", "the path does not exist"},
        {dir + "/notes.iso", "not a DVD-Video disc image"},
        {dir + "/cut.iso", "incomplete: it ends inside the video of titleset 1"},
        {ScrambledCopy(dir), "encrypted"},
        {"", "No DVD path"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_LT(Plugin().EnumTitle(c.path.c_str()), 1);
        EXPECT_THAT(Plugin().LastError(), HasSubstr(c.says));
        TDVDTitleInfo info{};
        EXPECT_EQ(Plugin().GetTitle(0, &info), 0) << "the disc opened before must be closed";
    }
    // A good disc after all that: no stale error, titles readable.
    EXPECT_EQ(Plugin().EnumTitle(b.path.c_str()), static_cast<int>(b.titles.size()));
    EXPECT_EQ(Plugin().LastError(), "");
    EXPECT_EQ(Plugin().EnumTitle(nullptr), 0);
}

// What the plug-in learnt about a disc's information files holds only for
// those very files: the same folder, damaged further, is looked at again.
TEST(DvddecEnumTitle, ADiscChangedInPlaceIsCheckedAgain)
{
    const IfoDamage& damage = CrashingIfoDamage().back();
    const std::string disc = DamagedDiscA(damage, false);
    ASSERT_EQ(Plugin().EnumTitle(disc.c_str()), 4);
    TDVDTitleInfo info{};
    EXPECT_EQ(Plugin().GetTitle(0, &info), 1) << "the backup is read: " << Plugin().LastError();

    // Now the backup has the same fault: reading it as before would crash.
    const fs::path ifo = fs::path(disc) / "VIDEO_TS" / damage.file;
    fs::copy_file(ifo, fs::path(ifo).replace_extension(".BUP"), fs::copy_options::overwrite_existing);
    ASSERT_EQ(Plugin().EnumTitle(disc.c_str()), 4);
    EXPECT_EQ(Plugin().GetTitle(0, &info), 0);
    EXPECT_THAT(Plugin().LastError(), HasSubstr("VTS_01_0.IFO and its backup"));
    EXPECT_EQ(Plugin().GetTitle(2, &info), 1) << Plugin().LastError();
}

TEST(DvddecEnumTitle, AnImageCutShortKeepsItsIntactTitlesets)
{
    // Disc B holds one title per titleset, their VOBs in titleset order.
    const TestDisc& b = Disc("discB");
    const std::string dir = MakeTempDir("cutiso");
    const std::uintmax_t size = fs::file_size(b.path);
    const struct {
        std::string name;
        std::uintmax_t keep;
        std::vector<int> valid;  // 1 per title that still reads
        std::string says;
    } cases[] = {
        {"inside the last titleset", size * 4 / 5, {1, 1, 0},
         "it ends inside the video of titleset 3, after "},
        {"inside the second titleset", size / 2, {1, 0, 0}, "it ends inside the video of titleset 2, after "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string iso = dir + "/cut.iso";
        fs::copy_file(b.path, iso, fs::copy_options::overwrite_existing);
        fs::resize_file(iso, c.keep / 2048 * 2048);
        ASSERT_EQ(Plugin().EnumTitle(iso.c_str()), 3);
        const std::string note = Plugin().LastError();
        EXPECT_THAT(note, HasSubstr(c.says));
        EXPECT_THAT(note, HasSubstr(c.valid[1] ? "titleset(s) 1, 2 are intact" : "titleset(s) 1 are intact"));
        for (int t = 0; t < 3; ++t) {
            TDVDTitleInfo info{};
            const int32_t got = Plugin().GetTitle(t, &info);
            EXPECT_EQ(got != 0 && info.IsValid != 0, c.valid[static_cast<std::size_t>(t)] != 0) << "title " << t + 1;
            if (!got) {
                EXPECT_THAT(Plugin().LastError(), HasSubstr(c.says));
            }
        }
    }
}

TEST(DvddecEntryPoints, VersionErrorTextAndParameters)
{
    EXPECT_EQ(Plugin().GetLibVersion(), 0x01000000u);
    EXPECT_NE(Plugin().Initialize(), 0);

    Plugin().EnumTitle("/no/such/dvd");
    const std::string full = Plugin().LastError();
    char cut[8];
    std::memset(cut, 'x', sizeof cut);
    EXPECT_EQ(Plugin().GetLastError(cut, sizeof cut), static_cast<int32_t>(full.size()));
    EXPECT_EQ(std::string(cut), full.substr(0, sizeof cut - 1)) << "cut to the buffer and terminated";

    EXPECT_EQ(Plugin().SetParam("NoSuchSetting", "1"), 0);
    EXPECT_THAT(Plugin().LastError(), HasSubstr("NoSuchSetting"));
}

}  // namespace
}  // namespace vidrelo::test
