// "opendvd:" sources: what the byte stream holds as ffprobe sees it, that
// any way of reading it gives the same bytes, damaged discs, bad strings.
#include "tests/LibAV/DvdPlugin.h"
#include "tests/support/CommaLocale.h"
#include "tests/support/MediaProbe.h"
#include "tests/support/TestDiscs.h"
#include "tests/support/TestPaths.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <thread>

namespace vidrelo::test {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

bool PacksAligned(const std::string& bytes)
{
    for (std::size_t at = 0; at < bytes.size(); at += 2048)
        if (bytes.compare(at, 4, std::string("\0\0\1\xBA", 4)) != 0)
            return false;
    return bytes.size() % 2048 == 0;
}

std::string Dump(const std::string& source, TDVDSourceInfo& info, const std::string& file)
{
    SourcePtr s = OpenSourceOrThrow(source, info);
    const std::string bytes = ReadToEnd(s.get(), 65536);
    WriteFile(file, bytes);
    return bytes;
}

// ----------------------------------------------------------------------------
// what the stream holds

struct DumpCase {
    std::string name;
    std::string disc;
    std::string settings;
    int title, fromChapter, toChapter;
    std::map<int, std::string> streams;  // ffprobe's stream id -> codec
};

void PrintTo(const DumpCase& c, std::ostream* os) { *os << c.name; }

class DvddecSourceDump : public ::testing::TestWithParam<DumpCase> {};

TEST_P(DvddecSourceDump, HoldsTheChosenStreamsWithContinuousTimestamps)
{
    const DumpCase& c = GetParam();
    const TestDisc& disc = Disc(c.disc);
    ASSERT_GT(DvdPlugin::Get().EnumTitle(disc.path.c_str()), 0);
    TDVDTitleInfo record{};
    ASSERT_NE(DvdPlugin::Get().GetTitle(c.title - 1, &record), 0);
    double length = 0;
    std::vector<int64_t> starts;
    for (int k = c.fromChapter; k <= c.toChapter; ++k) {
        starts.push_back(std::llround(length * 1e6));
        length += record.Chapters[k - 1];
    }

    const std::string file = MakeTempDir("dump") + "/title.mpg";
    TDVDSourceInfo info{};
    const std::string bytes = Dump(SourceString(disc.path, c.settings), info, file);
    EXPECT_EQ(info.Size, static_cast<int64_t>(bytes.size()));
    EXPECT_TRUE(PacksAligned(bytes));
    EXPECT_NEAR(info.Duration, length * 1e6, 2);
    ASSERT_EQ(info.ChapterCount, c.toChapter - c.fromChapter + 1);
    EXPECT_EQ(std::vector<int64_t>(info.ChapterStarts, info.ChapterStarts + info.ChapterCount), starts);
    std::map<int, int> infoStreams;
    for (int i = 0; i < info.StreamCount; ++i)
        infoStreams[info.Streams[i].StreamID] = info.Streams[i].Kind;
    ASSERT_EQ(infoStreams.size(), c.streams.size());
    for (const auto& [id, codec] : c.streams)
        EXPECT_TRUE(infoStreams.count(id)) << "info lacks stream 0x" << std::hex << id;

    const std::vector<TProbeBlock> format = ProbeBlocks({"-show_format", file}, "FORMAT");
    ASSERT_EQ(format.size(), 1u);
    EXPECT_EQ(format[0].at("format_name"), "mpeg");
    std::map<int, std::string> streams;
    std::map<std::string, int> idOfIndex;
    for (const TProbeBlock& s : ProbeBlocks({"-show_streams", file}, "STREAM")) {
        const int id = std::stoi(s.at("id"), nullptr, 16);
        streams[id] = s.at("codec_name");
        idOfIndex[s.at("index")] = id;
    }
    EXPECT_EQ(streams, c.streams);

    // Per stream, decoding times never go back (title 4 crosses two VOBs whose clocks restart).
    const double frame = disc.norm == "NTSC" ? 1001.0 / 30000 : 1.0 / 25;
    std::map<int, double> last;
    double firstVideo = -1, lastVideo = -1;
    for (const TProbeBlock& p :
         ProbeBlocks({"-show_packets", "-show_entries", "packet=stream_index,pts_time,dts_time", file}, "PACKET")) {
        const int id = idOfIndex[p.at("stream_index")];
        const double t = Number(p, "dts_time") >= 0 ? Number(p, "dts_time") : Number(p, "pts_time");
        if (t < 0)
            continue;
        EXPECT_GE(t, last.count(id) ? last[id] : 0.0) << "stream 0x" << std::hex << id << " goes back";
        last[id] = t;
        if (id == 0x1E0)
            lastVideo = t, firstVideo = firstVideo < 0 ? t : firstVideo;
    }
    // The demuxer's own duration estimate rests on the sparse PTS of the last
    // packets; the video's decoding span plus one frame is exact.
    EXPECT_NEAR(lastVideo - firstVideo + frame, length, frame);
    const double start = Number(format[0], "start_time");
    EXPECT_GE(start, 0.0);
    EXPECT_LT(start, info.StartTime / 1e6 + frame);
}

const DumpCase kDumpCases[] = {
    {"A1_EnglishWithSubtitles", "discA", "Title=1,AudioID=128,SubtitleID=32", 1, 1, 2,
     {{0x1E0, "mpeg2video"}, {0x80, "ac3"}, {0x20, "dvd_subtitle"}}},
    {"A1_EveryAudioStream", "discA", "Title=1,AudioID=-1,SubtitleID=32", 1, 1, 2,
     {{0x1E0, "mpeg2video"}, {0x80, "ac3"}, {0x81, "ac3"}, {0x20, "dvd_subtitle"}}},
    {"A1_FrenchFromChapter2", "discA", "FromChapter=2,AudioID=129,Title=1", 1, 2, 2,
     {{0x1E0, "mpeg2video"}, {0x81, "ac3"}}},
    {"A4_TwoVobs", "discA", "Title=4,AudioID=128", 4, 1, 2, {{0x1E0, "mpeg2video"}, {0x80, "ac3"}}},
    {"A3_MiddleChapterWithoutAudio", "discA", "Title=3,FromChapter=2,ToChapter=2,AudioID=0", 3, 2, 2,
     {{0x1E0, "mpeg2video"}}},
    {"B1_Surround", "discB", "Title=1,AudioID=128", 1, 1, 2, {{0x1E0, "mpeg2video"}, {0x80, "ac3"}}},
    {"B2_MpegAudio", "discB", "Title=2,AudioID=192", 2, 1, 1, {{0x1E0, "mpeg2video"}, {0x1C0, "mp2"}}},
    {"B3_Lpcm", "discB", "Title=3,AudioID=160,AudioChannels=2,Deinterlace=-1", 3, 1, 1,
     {{0x1E0, "mpeg2video"}, {0xA0, "pcm_dvd"}}},
};
INSTANTIATE_TEST_SUITE_P(Titles, DvddecSourceDump, ::testing::ValuesIn(kDumpCases),
                         [](const auto& info) { return info.param.name; });

TEST(DvddecSourceInfo, ReportsWhatTheStringAsked)
{
    TDVDSourceInfo info{};
    SourcePtr s = OpenSourceOrThrow(SourceString(Disc("discB").path, "Title=2,AudioID=192,AudioChannels=2,Deinterlace=-1"), info);
    EXPECT_NE(info.Deinterlace, 0);
    EXPECT_EQ(info.AudioChannels, 2);
    ASSERT_EQ(info.StreamCount, 2);
    EXPECT_EQ(info.Streams[0].Kind, DVDSourceVideo);
    EXPECT_EQ(info.Streams[0].StreamType, DVDStreamMPEG2);
    EXPECT_EQ(info.Streams[1].Kind, DVDSourceAudio);
    EXPECT_EQ(info.Streams[1].StreamType, DVDStreamMPA);
    EXPECT_EQ(info.Streams[1].StreamID, 0x1C0);
    EXPECT_STREQ(info.Streams[1].Language, "ger") << "the disc's \"de\" as containers name it";
    EXPECT_STREQ(info.Streams[0].Language, "");
    EXPECT_GT(info.StartTime, 0);
    EXPECT_LE(info.StartTime, 1000000);
    s = OpenSourceOrThrow(SourceString(Disc("discB").path, "Title=2"), info);
    EXPECT_EQ(info.Deinterlace, 0);
    EXPECT_EQ(info.StreamCount, 1);
}

TEST(DvddecSourceInfo, CarriesTheTitlesSubpicturePaletteInRgb)
{
    // Disc A's program chain holds white (Y 235) first and black (Y 16) after it.
    TDVDSourceInfo info{};
    SourcePtr s = OpenSourceOrThrow(SourceString(Disc("discA").path, "Title=1,SubtitleID=32"), info);
    ASSERT_NE(info.HasPalette, 0);
    EXPECT_EQ(info.Palette[0], 0xFFFFFFu);
    EXPECT_EQ(info.Palette[1], 0x000000u);
    EXPECT_EQ(info.Palette[15], 0x000000u);
}

// ----------------------------------------------------------------------------
// any way of reading gives the same bytes

TEST(DvddecSourceReading, ThreadsAndSeeksGiveTheSequentialBytes)
{
    const std::string source = SourceString(Disc("discA").path, "Title=4,AudioID=128");
    TDVDSourceInfo info{};
    SourcePtr s = OpenSourceOrThrow(source, info);
    const std::string reference = ReadToEnd(s.get(), 65536);
    ASSERT_EQ(static_cast<int64_t>(reference.size()), info.Size);

    std::string viaThread[2];
    auto readAll = [&](int i, int chunk) {
        TDVDSourceInfo own{};
        SourcePtr mine = OpenSourceOrThrow(source, own);
        viaThread[i] = ReadToEnd(mine.get(), chunk);
    };
    std::thread a(readAll, 0, 4093);
    std::thread b(readAll, 1, 1 << 20);
    a.join();
    b.join();
    EXPECT_TRUE(viaThread[0] == reference) << "first thread differs";
    EXPECT_TRUE(viaThread[1] == reference) << "second thread differs";

    const DvdPlugin& p = DvdPlugin::Get();
    std::mt19937 random(7);
    std::string piece(300000, '\0');
    for (int i = 0; i < 40; ++i) {
        const int64_t at = random() % info.Size;
        const int32_t length = static_cast<int32_t>(random() % piece.size()) + 1;
        ASSERT_EQ(p.Source.Seek(s.get(), at, SEEK_SET), at);
        int32_t got = 0;
        while (got < length) {
            const int32_t n = p.Source.Read(s.get(), reinterpret_cast<uint8_t*>(piece.data()) + got, length - got);
            ASSERT_GE(n, 0);
            if (n == 0)
                break;
            got += n;
        }
        ASSERT_EQ(got, std::min<int64_t>(length, info.Size - at));
        ASSERT_TRUE(piece.compare(0, static_cast<std::size_t>(got), reference, static_cast<std::size_t>(at),
                                  static_cast<std::size_t>(got)) == 0)
            << "bytes at " << at << " differ after a seek";
    }
    EXPECT_EQ(p.Source.Seek(s.get(), -100, SEEK_END), info.Size - 100);
    EXPECT_EQ(p.Source.Seek(s.get(), 50, SEEK_CUR), info.Size - 50);
    EXPECT_EQ(ReadToEnd(s.get(), 4096), reference.substr(reference.size() - 50));
    EXPECT_EQ(p.Source.Read(s.get(), reinterpret_cast<uint8_t*>(piece.data()), 10), 0);
    EXPECT_EQ(p.Source.Seek(s.get(), info.Size + 1, SEEK_SET), -EINVAL);
    EXPECT_EQ(p.Source.Seek(s.get(), -1, SEEK_SET), -EINVAL);
    EXPECT_EQ(p.Source.Seek(s.get(), 0, 12345), -EINVAL);
}

// ----------------------------------------------------------------------------
// damaged discs and bad strings

// A copy of disc A to damage.
std::string DiscACopy(const std::string& hint)
{
    const std::string copy = MakeTempDir(hint) + "/disc";
    fs::copy(Disc("discA").path, copy, fs::copy_options::recursive);
    return copy;
}

TEST(DvddecSourceDamage, ZeroedSectorsBecomePaddingAndAreCounted)
{
    const std::string copy = DiscACopy("zeroed");
    const std::string vob = copy + "/VIDEO_TS/VTS_01_1.VOB";
    const std::uintmax_t middle = fs::file_size(vob) / 2 / 2048 * 2048;
    {
        std::fstream f(vob, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(static_cast<std::streamoff>(middle));
        const std::string zeros(64 * 2048, '\0');
        f.write(zeros.data(), static_cast<std::streamsize>(zeros.size()));
    }
    const std::string file = fs::path(copy).parent_path() / "title.mpg";
    TDVDSourceInfo info{};
    SourcePtr s = OpenSourceOrThrow(SourceString(copy, "Title=1,AudioID=128"), info);
    const std::string bytes = ReadToEnd(s.get(), 65536);
    WriteFile(file, bytes);
    EXPECT_EQ(static_cast<int64_t>(bytes.size()), info.Size);
    EXPECT_TRUE(PacksAligned(bytes));
    EXPECT_THAT(SourceProblems(s.get()), HasSubstr("64 damaged sectors skipped"));

    std::map<std::string, std::string> codecs;
    for (const TProbeBlock& b : ProbeBlocks({"-show_streams", file}, "STREAM"))
        codecs[b.at("id")] = b.at("codec_name");
    EXPECT_EQ(codecs, (std::map<std::string, std::string>{{"0x1e0", "mpeg2video"}, {"0x80", "ac3"}}));
}

// "Lost: N sectors, about S s of video." out of a source's problems.
std::pair<int64_t, double> Loss(const std::string& problems)
{
    long long sectors = -1;
    double seconds = -1;
    const std::size_t at = problems.find("Lost: ");
    if (at != std::string::npos)
        std::sscanf(problems.c_str() + at, "Lost: %lld sectors, about %lf s", &sectors, &seconds);
    return {sectors, seconds};
}

TEST(DvddecSourceDamage, AVobCutShortGivesItsReadablePartAndNamesTheLoss)
{
    // Title 1 opens VTS_01_1.VOB; title 2 follows it in the same file.
    TDVDSourceInfo whole{};
    OpenSourceOrThrow(SourceString(Disc("discA").path, "Title=1"), whole);
    const std::string copy = DiscACopy("truncated");
    const int64_t kept = 100;
    fs::resize_file(copy + "/VIDEO_TS/VTS_01_1.VOB", kept * 2048);

    TDVDSourceInfo info{};
    SourcePtr s = OpenSourceOrThrow(SourceString(copy, "Title=1"), info);
    EXPECT_EQ(info.Size, kept * 2048) << "the missing tail is left out at once, not read sector by sector";
    EXPECT_EQ(info.Duration, whole.Duration) << "the title keeps its length";
    const std::string bytes = ReadToEnd(s.get(), 65536);
    EXPECT_EQ(static_cast<int64_t>(bytes.size()), info.Size);
    EXPECT_TRUE(PacksAligned(bytes));
    std::vector<uint8_t> buffer(2048);
    EXPECT_EQ(DvdPlugin::Get().Source.Read(s.get(), buffer.data(), 2048), 0) << "a clean end, not an error";
    std::string problems;
    {
        const TCommaLocale comma;  // as a host program in a German locale
        ASSERT_TRUE(comma.Active());
        problems = SourceProblems(s.get());
    }
    EXPECT_THAT(problems, HasSubstr("runs past the end of the titleset's video files (100 sectors)"));
    EXPECT_THAT(problems, ::testing::ContainsRegex("about [0-9]+\\.[0-9] s of video"));
    const auto [sectors, seconds] = Loss(problems);
    const int64_t claimed = whole.Size / 2048;
    EXPECT_EQ(sectors, claimed - kept) << problems;
    const double expected = whole.Duration / 1e6 * static_cast<double>(claimed - kept) / claimed;
    EXPECT_NEAR(seconds, expected, 0.1 + expected * 0.1) << problems;

    // Title 2 lies wholly past the cut: nothing of it is readable.
    std::string error;
    EXPECT_FALSE(OpenSource(SourceString(copy, "Title=2"), info, error));
    EXPECT_THAT(error, HasSubstr("hold no readable video"));
    EXPECT_THAT(error, HasSubstr("lies past the end of the titleset's video files"));
}

// The cell playback table of the first program chain of a titleset IFO:
// where its first cell's record starts, and how many cells it has.
std::pair<std::streamoff, int> FirstCells(std::fstream& ifo)
{
    auto u32 = [&](std::streamoff at) {
        unsigned char b[4];
        ifo.seekg(at);
        ifo.read(reinterpret_cast<char*>(b), 4);
        return static_cast<uint32_t>(b[0]) << 24 | b[1] << 16 | b[2] << 8 | b[3];
    };
    const std::streamoff pgcit = static_cast<std::streamoff>(u32(0xCC)) * 2048;
    const std::streamoff pgc = pgcit + u32(pgcit + 8 + 4);
    const int cells = static_cast<int>(u32(pgc) & 0xFF);  // nr_of_cells at byte 3
    return {pgc + static_cast<std::streamoff>(u32(pgc + 0xE8) >> 16), cells};
}

void WriteU32(std::fstream& f, std::streamoff at, uint32_t v)
{
    const char b[4] = {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                       static_cast<char>(v)};
    f.seekp(at);
    f.write(b, 4);
}

TEST(DvddecSourceDamage, CellRangesBeyondTheFilesAreClippedOrDroppedAndSaid)
{
    const std::uintmax_t vobSectors = fs::file_size(Disc("discA").path + "/VIDEO_TS/VTS_01_1.VOB") / 2048;
    const struct {
        std::string name;
        uint32_t first, last;  // given to every cell of title 1
        std::string says;
        bool opens;
    } cases[] = {
        {"huge", 0, 0x7FFFFFFF, "runs past the end of the titleset's video files", true},
        {"whole 32-bit range", 0, 0xFFFFFFFF, "runs past the end of the titleset's video files", true},
        {"first after last", 50, 10, "ends before it starts: left out", false},
        {"past the files", 0x7FFFFFF0, 0x7FFFFFFF, "lies past the end", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string copy = DiscACopy("cells");
        for (const char* name : {"/VIDEO_TS/VTS_01_0.IFO", "/VIDEO_TS/VTS_01_0.BUP"}) {
            std::fstream ifo(copy + name, std::ios::in | std::ios::out | std::ios::binary);
            const auto [table, cells] = FirstCells(ifo);
            ASSERT_GT(cells, 0);
            for (int i = 0; i < cells; ++i) {
                WriteU32(ifo, table + i * 24 + 8, c.first);
                WriteU32(ifo, table + i * 24 + 20, c.last);
            }
        }
        TDVDSourceInfo info{};
        std::string error;
        SourcePtr s = OpenSource(SourceString(copy, "Title=1"), info, error);
        ASSERT_EQ(s != nullptr, c.opens) << error;
        if (!s) {
            EXPECT_THAT(error, HasSubstr(c.says));
            continue;
        }
        // Each cell is cut to the files: the stream is sized by what is there.
        EXPECT_GT(info.Size, 0);
        EXPECT_EQ(info.Size % static_cast<int64_t>(vobSectors * 2048), 0);
        EXPECT_LE(info.Size, static_cast<int64_t>(vobSectors * 2048) * 4);
        EXPECT_EQ(static_cast<int64_t>(ReadToEnd(s.get(), 1 << 20).size()), info.Size);
        EXPECT_THAT(SourceProblems(s.get()), HasSubstr(c.says));
    }
}

TEST(DvddecSourceDamage, AFlippedTimestampDoesNotReachTheStream)
{
    // A bit of a video PTS in the middle of title 1 flipped: ~6 minutes later.
    const std::string copy = DiscACopy("pts");
    const std::string vob = copy + "/VIDEO_TS/VTS_01_1.VOB";
    std::fstream f(vob, std::ios::in | std::ios::out | std::ios::binary);
    bool flipped = false;
    for (std::uintmax_t sector = fs::file_size(vob) / 2048 / 3; !flipped && sector < fs::file_size(vob) / 2048;
         ++sector) {
        unsigned char pack[2048];
        f.seekg(static_cast<std::streamoff>(sector * 2048));
        f.read(reinterpret_cast<char*>(pack), sizeof pack);
        const unsigned char* pes = pack + 14 + (pack[13] & 7);
        if (pes[3] != 0xE0 || !(pes[7] & 0x80))
            continue;
        f.seekp(static_cast<std::streamoff>(sector * 2048 + (pes - pack) + 10));
        const char byte = static_cast<char>(pes[10] ^ 0x08);
        f.write(&byte, 1);
        flipped = true;
    }
    f.close();
    ASSERT_TRUE(flipped);

    const std::string file = fs::path(copy).parent_path() / "title.mpg";
    TDVDSourceInfo info{};
    Dump(SourceString(copy, "Title=1"), info, file);
    double last = -1;
    int packets = 0;
    for (const TProbeBlock& p :
         ProbeBlocks({"-select_streams", "v", "-show_packets", "-show_entries", "packet=pts_time,dts_time", file},
                     "PACKET")) {
        EXPECT_LT(Number(p, "pts_time"), info.Duration / 1e6 + 0.5) << "a picture is shown after the title's end";
        const double t = Number(p, "dts_time");
        if (t < 0)
            continue;
        ++packets;
        EXPECT_GE(t, last) << "video goes back";
        if (last >= 0) {
            EXPECT_LT(t - last, 0.5) << "video jumps from " << last << " s";
        }
        last = t;
    }
    EXPECT_GT(packets, 10);
    EXPECT_LT(last, info.Duration / 1e6 + 0.5);
}

TEST(DvddecSourceStrings, BadStringsGiveNoSourceButAReason)
{
    const std::string a = Disc("discA").path;
    const struct {
        std::string source;
        std::string says;
    } cases[] = {
        {"garbage", "not a DVD title source"},
        {"opendvd:" + a, "no settings"},
        {SourceString(a, "Title=1,Colour=3"), "unknown setting \"Colour\""},
        {SourceString(a, "Title=one"), "not of the form Name=number"},
        {SourceString(a, "Title"), "not of the form Name=number"},
        {SourceString(a, "AudioID=128"), "names no title"},
        {SourceString(a, "Title=0"), "must be 1 or more"},
        {SourceString(a, "Title=5"), "no title 5"},
        {SourceString(a, "Title=1,FromChapter=0"), "FromChapter must be 1 or more"},
        {SourceString(a, "Title=1,ToChapter=3"), "has 2 chapter(s)"},
        {SourceString(a, "Title=1,FromChapter=3"), "has 2 chapter(s)"},
        {SourceString(a, "Title=1,FromChapter=2,ToChapter=1"), "FromChapter is after ToChapter"},
        {SourceString(a, "Title=1,AudioID=130"), "no audio stream 0x82 (it has: 0x80, 0x81)"},
        {SourceString(a, "Title=1,AudioID=7"), "not a DVD audio stream id"},
        {SourceString(a, "Title=1,AudioID=-2"), "not a DVD audio stream id"},
        {SourceString(a, "Title=2,SubtitleID=32"), "no subtitle stream 0x20"},
        {SourceString(Disc("discC").path, "Title=3"), "VTS_02_0.IFO"},
        {SourceString(a + "/missing", "Title=1"), "does not exist"},
        {SourceString(Disc("notdvd").path, "Title=1"), "not a DVD-Video disc"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source);
        TDVDSourceInfo info{};
        std::string error;
        EXPECT_FALSE(OpenSource(c.source, info, error));
        EXPECT_THAT(error, HasSubstr(c.says));
    }
    // The reason is cut to the caller's buffer and terminated.
    char small[10];
    std::memset(small, 'x', sizeof small);
    TDVDSourceInfo info{};
    EXPECT_EQ(DvdPlugin::Get().Source.Open("garbage", &info, small, sizeof small), nullptr);
    EXPECT_EQ(std::string(small).size(), sizeof small - 1);
    // A path holding '|' still works: the settings start after the last one.
    const std::string odd = fs::path(MakeTempDir("bar")) / "disc|one";
    fs::copy(a, odd, fs::copy_options::recursive);
    std::string error;
    EXPECT_TRUE(OpenSource(SourceString(odd, "Title=2"), info, error)) << error;
}

}  // namespace
}  // namespace vidrelo::test
