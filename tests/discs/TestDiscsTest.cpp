// Checks the generated test discs against their manifest, so a generator
// that silently builds the wrong disc (lost track, wrong language, chapter in
// the wrong place, damaged titleset still readable) fails here and not in
// some converter test much later.
#include "tests/support/MediaProbe.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TestDiscs.h"
#include "tests/support/TestPaths.h"

#include <unistd.h>

#include <dvdread/dvd_reader.h>
#include <dvdread/ifo_read.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <stdexcept>

namespace vidrelo::test {
namespace {

namespace fs = std::filesystem;

// ----------------------------------------------------------------------------
// helpers

std::string FindProgram(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::istringstream dirs(path ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        const fs::path candidate = fs::path(dir) / name;
        if (!dir.empty() && ::access(candidate.c_str(), X_OK) == 0)
            return candidate.string();
    }
    throw std::runtime_error(name + " is not on PATH");
}

TProgramResult Run(const std::string& program, const std::vector<std::string>& args)
{
    TProgramResult r = RunProgram(FindProgram(program), args);
    if (r.ExitCode != 0)
        throw std::runtime_error(program + " failed: " + r.Err);
    return r;
}

struct DvdCloser {
    void operator()(dvd_reader_t* d) const { DVDClose(d); }
};
struct IfoCloser {
    void operator()(ifo_handle_t* i) const { ifoClose(i); }
};
struct FileCloser {
    void operator()(dvd_file_t* f) const { DVDCloseFile(f); }
};
using DvdPtr = std::unique_ptr<dvd_reader_t, DvdCloser>;
using IfoPtr = std::unique_ptr<ifo_handle_t, IfoCloser>;
using DvdFilePtr = std::unique_ptr<dvd_file_t, FileCloser>;

double Bcd(uint8_t v)
{
    return (v >> 4) * 10 + (v & 0x0f);
}

// An IFO time: BCD h:m:s plus a frame count at the rate in the top two bits
// (1 = 25 fps, 3 = 30 fps, counted as 29.97 for NTSC material).
double Seconds(const dvd_time_t& t)
{
    const double fps = (t.frame_u >> 6) == 1 ? 25.0 : 30000.0 / 1001.0;
    return Bcd(t.hour) * 3600 + Bcd(t.minute) * 60 + Bcd(t.second) + Bcd(t.frame_u & 0x3f) / fps;
}

std::string Language(uint16_t code)
{
    return {static_cast<char>(code >> 8), static_cast<char>(code & 0xff)};
}

std::string IfoAudioFormat(const audio_attr_t& a)
{
    switch (a.audio_format) {
    case 0: return "ac3";
    case 2:
    case 3: return "mp2";
    case 4: return "lpcm";
    case 6: return "dts";
    default: return "unknown";
    }
}

// The VOB stream id a PGC's audio control entry points at: the IFO keeps
// only the number within the format, the format comes from the attributes.
int AudioStreamId(const audio_attr_t& a, uint16_t control)
{
    const int n = (control >> 8) & 0x07;
    switch (a.audio_format) {
    case 0: return 0x80 + n;
    case 2:
    case 3: return 0x1c0 + n;
    case 4: return 0xa0 + n;
    case 6: return 0x88 + n;
    default: return -1;
    }
}

// Writes the sectors of every cell of a title's PGC to one file: what a
// reader of the disc would get for that title.
std::string ExtractTitle(dvd_reader_t* dvd, const pgc_t& pgc, int titleset, const std::string& path)
{
    DvdFilePtr vobs(DVDOpenFile(dvd, titleset, DVD_READ_TITLE_VOBS));
    if (!vobs)
        throw std::runtime_error("cannot open the title VOBs of titleset " + std::to_string(titleset));
    std::ofstream out(path, std::ios::binary);
    std::vector<unsigned char> block(DVD_VIDEO_LB_LEN);
    for (int c = 0; c < pgc.nr_of_cells; ++c) {
        const cell_playback_t& cell = pgc.cell_playback[c];
        for (uint32_t s = cell.first_sector; s <= cell.last_sector; ++s) {
            if (DVDReadBlocks(vobs.get(), static_cast<int>(s), 1, block.data()) != 1)
                throw std::runtime_error("cannot read sector " + std::to_string(s));
            out.write(reinterpret_cast<const char*>(block.data()), DVD_VIDEO_LB_LEN);
        }
    }
    return path;
}

using vidrelo::test::ProbeBlocks;

// One audio stream decoded to mono 16-bit samples at 48 kHz.
std::vector<int16_t> DecodeAudio(const std::string& file, int streamId)
{
    char id[16];
    std::snprintf(id, sizeof id, "0:i:0x%x", streamId);
    const TProgramResult r = Run("ffmpeg", {"-nostdin", "-v", "error", "-i", file, "-map", id, "-ac", "1",
                                            "-ar", "48000", "-f", "s16le", "-"});
    std::vector<int16_t> samples(r.Out.size() / 2);
    std::memcpy(samples.data(), r.Out.data(), samples.size() * 2);
    return samples;
}

// Frequency of a pure tone from its zero crossings over [from, from + 1 s).
double ToneHz(const std::vector<int16_t>& samples, double from)
{
    const std::size_t begin = static_cast<std::size_t>(from * 48000);
    const std::size_t end = begin + 48000;
    if (end > samples.size())
        return 0;
    int crossings = 0;
    for (std::size_t i = begin + 1; i < end; ++i)
        if ((samples[i - 1] < 0) != (samples[i] < 0))
            ++crossings;
    return crossings / 2.0;
}

// ----------------------------------------------------------------------------
// the manifest reader itself

TEST(TestDiscManifest, IniReaderParsesValuesAndReportsWhatIsMissing)
{
    const IniFile ini = IniFile::Parse("; comment\n"
                                       "top = 1\n"
                                       "[disc]\n"
                                       "  path =  /some where  \n"
                                       "# another comment\n"
                                       "id = 0x1c0\n"
                                       "len = 5.005\n"
                                       "list = 1.5, 2 ,3\n"
                                       "none =\n"
                                       "flag = yes\n"
                                       "[disc.title1]\n"
                                       "text = a = b\n");
    EXPECT_EQ(ini.GetInt("", "top"), 1);
    EXPECT_EQ(ini.Get("disc", "path"), "/some where");
    EXPECT_EQ(ini.GetInt("disc", "id"), 0x1c0);
    EXPECT_DOUBLE_EQ(ini.GetDouble("disc", "len"), 5.005);
    EXPECT_EQ(ini.GetDoubleList("disc", "list"), (std::vector<double>{1.5, 2, 3}));
    EXPECT_TRUE(ini.GetList("disc", "none").empty());
    EXPECT_TRUE(ini.GetBool("disc", "flag"));
    EXPECT_EQ(ini.Get("disc.title1", "text"), "a = b");
    EXPECT_EQ(ini.Sections(), (std::vector<std::string>{"", "disc", "disc.title1"}));

    try {
        ini.Get("disc", "missing");
        FAIL() << "a missing key must throw";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("[disc] missing"), std::string::npos) << e.what();
    }
    EXPECT_THROW(ini.GetInt("disc", "path"), std::runtime_error);
    EXPECT_THROW(ini.GetDouble("disc", "list"), std::runtime_error);
    EXPECT_THROW(ini.GetBool("disc", "len"), std::runtime_error);
    EXPECT_THROW(IniFile::Parse("[open\n"), std::runtime_error);
    EXPECT_THROW(IniFile::Load(TestHome() + "/no-such.ini"), std::runtime_error);
}

TEST(TestDiscManifest, ManifestDescribesTheDiscs)
{
    ASSERT_TRUE(fs::exists(TestDiscManifestPath())) << TestDiscManifestPath();
    const std::vector<std::string> names = DvdDiscNames();
    ASSERT_GE(names.size(), 3u);
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const TestDisc& d = Disc(name);
        EXPECT_TRUE(fs::path(d.path).is_absolute());
        EXPECT_EQ(d.width, 720);
        EXPECT_EQ(d.height, d.norm == "NTSC" ? 480 : 576);
        for (const TestTitle& t : d.titles) {
            SCOPED_TRACE("title " + std::to_string(t.number));
            EXPECT_NEAR(t.length, t.frames / d.frameRate, 0.002);
            ASSERT_EQ(static_cast<int>(t.chapterLengths.size()), t.chapterCount);
            double sum = 0;
            for (double c : t.chapterLengths)
                sum += c;
            EXPECT_NEAR(sum, t.length, 0.002);
            EXPECT_EQ(t.twoVobs, t.timestampRestarts.size() == 1);
            for (const TestSubtitleTrack& s : t.subtitles)
                for (const TestSubtitleLine& l : s.lines) {
                    EXPECT_LT(l.start, l.end);
                    EXPECT_LE(l.end, t.length);
                    EXPECT_FALSE(l.text.empty());
                }
        }
    }
    // The cases the tests of the converter rely on all exist.
    EXPECT_EQ(Disc("discA").kind, "folder");
    EXPECT_EQ(Disc("discB").kind, "iso");
    const TestDisc& c = Disc("discC");
    EXPECT_GT(c.damagedTitleset, 0);
    int readable = 0;
    for (const TestTitle& t : c.titles) {
        EXPECT_EQ(t.readable, t.titleset != c.damagedTitleset);
        readable += t.readable;
    }
    EXPECT_GT(readable, 0);
    EXPECT_LT(readable, static_cast<int>(c.titles.size()));
    EXPECT_FALSE(Disc("notdvd").IsDvd());
    EXPECT_FALSE(Disc("empty").IsDvd());
}

// ----------------------------------------------------------------------------
// files on disk

TEST(TestDiscFiles, FoldersAndImageHaveTheDvdLayout)
{
    for (const std::string& name : DvdDiscNames()) {
        SCOPED_TRACE(name);
        const TestDisc& d = Disc(name);
        if (d.kind == "iso") {
            // An ISO 9660 primary volume descriptor at sector 16, with the label.
            std::ifstream iso(d.path, std::ios::binary);
            ASSERT_TRUE(iso) << d.path;
            EXPECT_EQ(fs::file_size(d.path) % 2048, 0u);
            char pvd[72] = {};
            iso.seekg(16 * 2048);
            iso.read(pvd, sizeof pvd);
            EXPECT_EQ(std::string(pvd + 1, 5), "CD001");
            const std::string label(pvd + 40, 32);
            EXPECT_EQ(label.substr(0, label.find_last_not_of(' ') + 1), d.volumeLabel);
            continue;
        }
        const fs::path videoTs = fs::path(d.path) / "VIDEO_TS";
        EXPECT_TRUE(fs::is_regular_file(videoTs / "VIDEO_TS.IFO"));
        EXPECT_TRUE(fs::is_regular_file(videoTs / "VIDEO_TS.BUP"));
        for (int ts = 1; ts <= d.titlesetCount + 1; ++ts) {
            char prefix[16];
            std::snprintf(prefix, sizeof prefix, "VTS_%02d_", ts);
            const bool expected = ts <= d.titlesetCount;
            EXPECT_EQ(fs::exists(videoTs / (std::string(prefix) + "0.IFO")), expected) << prefix;
            EXPECT_EQ(fs::exists(videoTs / (std::string(prefix) + "0.BUP")), expected) << prefix;
            EXPECT_EQ(fs::exists(videoTs / (std::string(prefix) + "1.VOB")), expected) << prefix;
        }
    }

    const TestDisc& notDvd = Disc("notdvd");
    EXPECT_FALSE(notDvd.files.empty());
    for (const std::string& f : notDvd.files)
        EXPECT_TRUE(fs::is_regular_file(fs::path(notDvd.path) / f)) << f;
    EXPECT_FALSE(fs::exists(fs::path(notDvd.path) / "VIDEO_TS"));
    EXPECT_TRUE(fs::is_directory(Disc("empty").path));
    EXPECT_TRUE(fs::is_empty(Disc("empty").path));
}

// ----------------------------------------------------------------------------
// what a DVD reader sees

class DvdDiscTest : public ::testing::TestWithParam<std::string> {
protected:
    const TestDisc& disc() const { return Disc(GetParam()); }

    void SetUp() override
    {
        dvd_.reset(DVDOpen(disc().path.c_str()));
        ASSERT_TRUE(dvd_) << "DVDOpen failed on " << disc().path;
        vmg_.reset(ifoOpen(dvd_.get(), 0));
        ASSERT_TRUE(vmg_) << "no video manager IFO in " << disc().path;
    }

    const title_info_t& TitleEntry(const TestTitle& t) const { return vmg_->tt_srpt->title[t.number - 1]; }

    static const pgc_t& TitlePgc(const ifo_handle_t& vts, const TestTitle& t)
    {
        const int pgcn = vts.vts_ptt_srpt->title[t.titleInTitleset - 1].ptt[0].pgcn;
        return *vts.vts_pgcit->pgci_srp[pgcn - 1].pgc;
    }

    DvdPtr dvd_;
    IfoPtr vmg_;
};

TEST_P(DvdDiscTest, IfoMatchesManifest)
{
    const TestDisc& d = disc();
    if (d.kind == "iso") {
        char label[33] = {};
        ASSERT_EQ(DVDISOVolumeInfo(dvd_.get(), label, sizeof label, nullptr, 0), 0);
        EXPECT_EQ(std::string(label).substr(0, d.volumeLabel.size()), d.volumeLabel);
    }
    ASSERT_EQ(vmg_->tt_srpt->nr_of_srpts, d.titles.size());

    for (const TestTitle& t : d.titles) {
        SCOPED_TRACE("title " + std::to_string(t.number));
        const title_info_t& entry = TitleEntry(t);
        EXPECT_EQ(entry.title_set_nr, t.titleset);
        EXPECT_EQ(entry.vts_ttn, t.titleInTitleset);
        EXPECT_EQ(entry.nr_of_ptts, t.chapterCount);

        IfoPtr vts(ifoOpen(dvd_.get(), t.titleset));
        if (!t.readable) {
            EXPECT_FALSE(vts) << "the damaged titleset still opens";
            continue;
        }
        ASSERT_TRUE(vts) << "titleset " << t.titleset << " does not open";
        const vtsi_mat_t& mat = *vts->vtsi_mat;
        EXPECT_EQ(mat.vts_video_attr.video_format, d.norm == "NTSC" ? 0 : 1);
        EXPECT_EQ(mat.vts_video_attr.display_aspect_ratio, d.aspect == "16:9" ? 3 : 0);
        EXPECT_EQ(mat.vts_video_attr.picture_size, 0) << "not full D1 width";

        // Chapters: the cells from one program's entry cell to the next.
        const pgc_t& pgc = TitlePgc(*vts, t);
        ASSERT_EQ(pgc.nr_of_programs, t.chapterCount);
        for (int p = 0; p < pgc.nr_of_programs; ++p) {
            const int first = pgc.program_map[p];
            const int last = p + 1 < pgc.nr_of_programs ? pgc.program_map[p + 1] - 1 : pgc.nr_of_cells;
            double seconds = 0;
            for (int c = first; c <= last; ++c)
                seconds += Seconds(pgc.cell_playback[c - 1].playback_time);
            // The IFO counts 29.97 fps material in whole 30 fps frames.
            EXPECT_NEAR(seconds, t.chapterLengths[p], 0.05) << "chapter " << p + 1;
        }
        EXPECT_NEAR(Seconds(pgc.playback_time), t.length, 0.05);

        int audioPresent = 0;
        for (uint16_t control : pgc.audio_control)
            audioPresent += (control & 0x8000) != 0;
        ASSERT_EQ(audioPresent, static_cast<int>(t.audio.size()));
        for (const TestAudioTrack& a : t.audio) {
            SCOPED_TRACE("audio " + std::to_string(a.number));
            const audio_attr_t& attr = mat.vts_audio_attr[a.number - 1];
            EXPECT_EQ(IfoAudioFormat(attr), a.format);
            EXPECT_EQ(attr.channels + 1, a.channels);
            EXPECT_EQ(attr.sample_frequency, 0) << "not 48 kHz";
            EXPECT_EQ(Language(attr.lang_code), a.language);
            EXPECT_EQ(AudioStreamId(attr, pgc.audio_control[a.number - 1]), a.streamId);
        }

        int subpicturesPresent = 0;
        for (uint32_t control : pgc.subp_control)
            subpicturesPresent += (control & 0x80000000u) != 0;
        ASSERT_EQ(subpicturesPresent, static_cast<int>(t.subtitles.size()));
        for (const TestSubtitleTrack& s : t.subtitles) {
            EXPECT_EQ(Language(mat.vts_subp_attr[s.number - 1].lang_code), s.language);
            EXPECT_EQ(0x20 + ((pgc.subp_control[s.number - 1] >> 24) & 0x1f), static_cast<uint32_t>(s.streamId));
        }
    }
}

// Reads each title through its cell addresses and looks inside with
// ffprobe/ffmpeg: the streams, the tones on each track and the subtitle
// timing must be what the manifest says.
TEST_P(DvdDiscTest, TitleContentMatchesManifest)
{
    const TestDisc& d = disc();
    const std::string dir = MakeTempDir("title");
    for (const TestTitle& t : d.titles) {
        if (!t.readable)
            continue;
        SCOPED_TRACE("title " + std::to_string(t.number));
        IfoPtr vts(ifoOpen(dvd_.get(), t.titleset));
        ASSERT_TRUE(vts);
        const std::string file = ExtractTitle(dvd_.get(), TitlePgc(*vts, t), t.titleset,
                                              dir + "/title" + std::to_string(t.number) + ".vob");

        std::map<int, std::map<std::string, std::string>> audio;  // by stream id
        std::set<int> subtitles;
        bool video = false;
        for (auto& s : ProbeBlocks({"-show_entries",
                                    "stream=codec_type,codec_name,channels,sample_rate,width,height,id", "-of",
                                    "default", file},
                                   "STREAM")) {
            const int id = static_cast<int>(std::strtol(s["id"].c_str(), nullptr, 16));
            if (s["codec_type"] == "audio")
                audio[id] = s;
            else if (s["codec_type"] == "subtitle")
                subtitles.insert(id);
            else if (s["codec_type"] == "video") {
                video = true;
                EXPECT_EQ(s["codec_name"], "mpeg2video");
                EXPECT_EQ(s["width"], std::to_string(d.width));
                EXPECT_EQ(s["height"], std::to_string(d.height));
            }
        }
        EXPECT_TRUE(video);

        ASSERT_EQ(audio.size(), t.audio.size());
        const std::map<std::string, std::string> codecs{{"ac3", "ac3"}, {"mp2", "mp2"}, {"lpcm", "pcm_dvd"}};
        for (const TestAudioTrack& a : t.audio) {
            SCOPED_TRACE("audio " + std::to_string(a.number));
            ASSERT_TRUE(audio.count(a.streamId)) << "no stream 0x" << std::hex << a.streamId;
            EXPECT_EQ(audio[a.streamId]["codec_name"], codecs.at(a.format));
            EXPECT_EQ(audio[a.streamId]["channels"], std::to_string(a.channels));
            EXPECT_EQ(audio[a.streamId]["sample_rate"], std::to_string(a.sampleRate));

            const std::vector<int16_t> samples = DecodeAudio(file, a.streamId);
            EXPECT_NEAR(samples.size() / 48000.0, t.length, 0.25) << "audio does not last the title";
            EXPECT_NEAR(ToneHz(samples, 0.5), a.toneHz, a.toneHz * 0.02);
            // Past the point where the second VOB restarts the timestamps.
            for (double restart : t.timestampRestarts)
                EXPECT_NEAR(ToneHz(samples, restart + 0.5), a.toneHz, a.toneHz * 0.02);
        }

        std::set<int> expectedSubtitles;
        for (const TestSubtitleTrack& s : t.subtitles)
            expectedSubtitles.insert(s.streamId);
        EXPECT_EQ(subtitles, expectedSubtitles);
    }
}

TEST_P(DvdDiscTest, SubtitlesShowAtTheirTimes)
{
    const TestDisc& d = disc();
    const std::string dir = MakeTempDir("subtitles");
    for (const TestTitle& t : d.titles) {
        if (!t.readable || t.subtitles.empty())
            continue;
        SCOPED_TRACE("title " + std::to_string(t.number));
        IfoPtr vts(ifoOpen(dvd_.get(), t.titleset));
        ASSERT_TRUE(vts);
        const std::string file = ExtractTitle(dvd_.get(), TitlePgc(*vts, t), t.titleset,
                                              dir + "/title" + std::to_string(t.number) + ".vob");
        const auto videoStart = ProbeBlocks({"-select_streams", "v", "-show_entries", "stream=start_time", "-of",
                                             "default", file},
                                            "STREAM");
        ASSERT_EQ(videoStart.size(), 1u);
        const double start = std::stod(videoStart[0].at("start_time"));

        for (const TestSubtitleTrack& s : t.subtitles) {
            char id[16];
            std::snprintf(id, sizeof id, "i:0x%x", s.streamId);
            // Decoded subtitles: when each appears and how long it stays.
            auto shown = ProbeBlocks({"-select_streams", id, "-show_frames", "-show_entries",
                                      "subtitle=pts_time,end_display_time", "-of", "default", file},
                                     "SUBTITLE");
            ASSERT_EQ(shown.size(), s.lines.size());
            for (std::size_t i = 0; i < shown.size(); ++i) {
                SCOPED_TRACE("line " + std::to_string(i + 1));
                const double at = std::stod(shown[i]["pts_time"]) - start;
                const double lasts = std::stod(shown[i]["end_display_time"]) / 1000.0;
                EXPECT_NEAR(at, s.lines[i].start, 0.05);
                EXPECT_NEAR(lasts, s.lines[i].end - s.lines[i].start, 0.05);
            }
        }
    }
}

// Named here rather than read from the manifest: ctest lists the tests
// before the fixture has generated the discs.
INSTANTIATE_TEST_SUITE_P(Discs, DvdDiscTest, ::testing::Values("discA", "discB", "discC", "discD"),
                         [](const auto& info) { return info.param; });

}  // namespace
}  // namespace vidrelo::test
