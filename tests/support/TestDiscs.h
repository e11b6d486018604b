#pragma once
// Typed access to the generated test discs, as described by the manifest
// that tests/discs/make_test_discs.sh writes next to them. Tests ask the
// manifest what a disc holds instead of repeating what the generator chose.
//
//   const TestDisc& a = Disc("discA");
//   const TestTitle& t = a.Title(1);
//   t.audio[0].toneHz, t.subtitles[0].lines[1].start, ...
#include <map>
#include <string>
#include <vector>

namespace vidrelo::test {

// A minimal INI reader: "[section]" headers, "key = value" lines, and ';' or
// '#' comment lines. Keys before any header land in section "".
class IniFile {
public:
    static IniFile Load(const std::string& path);  // throws std::runtime_error
    static IniFile Parse(const std::string& text);

    std::vector<std::string> Sections() const;  // in name order
    bool HasSection(const std::string& section) const;
    bool Has(const std::string& section, const std::string& key) const;
    // The value, trimmed; throws std::runtime_error naming section and key
    // when it is missing or does not convert.
    const std::string& Get(const std::string& section, const std::string& key) const;
    std::string Get(const std::string& section, const std::string& key, const std::string& fallback) const;
    int GetInt(const std::string& section, const std::string& key) const;
    double GetDouble(const std::string& section, const std::string& key) const;
    bool GetBool(const std::string& section, const std::string& key) const;  // true/false, yes/no, 1/0
    // A comma-separated list; empty value gives an empty list.
    std::vector<std::string> GetList(const std::string& section, const std::string& key) const;
    std::vector<double> GetDoubleList(const std::string& section, const std::string& key) const;

private:
    std::map<std::string, std::map<std::string, std::string>> sections_;
};

struct TestAudioTrack {
    int number = 0;          // 1-based, in the order of the title's audio streams
    std::string format;      // "ac3", "mp2" or "lpcm"
    int channels = 0;
    int sampleRate = 0;
    std::string language;    // two-letter code
    double toneHz = 0;       // the sine tone the track carries
    int streamId = 0;        // MPEG stream id in the VOB (0x80.., 0x1c0, 0xa0)
};

struct TestSubtitleLine {
    double start = 0;        // seconds from the start of the title
    double end = 0;
    std::string text;
};

struct TestSubtitleTrack {
    int number = 0;
    std::string language;
    int streamId = 0;        // 0x20 + subpicture stream number
    std::vector<TestSubtitleLine> lines;
};

struct TestTitle {
    int number = 0;              // in the video manager's title table
    int titleset = 0;
    int titleInTitleset = 0;
    double length = 0;           // seconds of video
    int frames = 0;
    int chapterCount = 0;
    std::vector<double> chapterLengths;
    bool twoVobs = false;        // made of two separately encoded VOBs
    std::vector<double> timestampRestarts;  // where the VOB timestamps start over
    bool readable = true;        // false when its titleset's IFO is damaged
    std::vector<int> blackBars;  // left, top, right, bottom bars inside the frame; empty: none
    std::vector<TestAudioTrack> audio;
    std::vector<TestSubtitleTrack> subtitles;
};

struct TestDisc {
    std::string name;            // manifest section, e.g. "discA"
    std::string path;            // absolute: the folder holding VIDEO_TS, or the image
    std::string kind;            // "folder" or "iso"
    // DVD discs only; empty/zero for the plain folders.
    std::string norm;            // "NTSC" or "PAL"
    int width = 0;
    int height = 0;
    std::string aspect;          // "4:3" or "16:9"
    double frameRate = 0;
    int titlesetCount = 0;
    int damagedTitleset = 0;     // 0 when every titleset is intact
    std::string volumeLabel;     // ISO images only
    std::vector<TestTitle> titles;
    std::vector<std::string> files;  // plain folders: the files they hold

    bool IsDvd() const { return !titles.empty(); }
    const TestTitle& Title(int number) const;  // throws when absent
};

// <DataDir()>/discs/manifest.ini
std::string TestDiscManifestPath();
// Loaded once; throws std::runtime_error when the manifest is missing (the
// make_test_discs test has not run) or the disc is not in it.
const TestDisc& Disc(const std::string& name);
// Every DVD disc in the manifest ("discA", "discB", ...), sorted.
std::vector<std::string> DvdDiscNames();

}  // namespace vidrelo::test
