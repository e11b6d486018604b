#include "tests/support/TestDiscs.h"

#include "tests/support/TestPaths.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace vidrelo::test {

namespace {

std::string Trim(std::string_view s)
{
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    const auto last = s.find_last_not_of(" \t\r\n");
    return std::string(s.substr(first, last - first + 1));
}

std::string Where(const std::string& section, const std::string& key)
{
    return "[" + section + "] " + key;
}

}  // namespace

IniFile IniFile::Load(const std::string& path)
{
    std::ifstream in(path);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return Parse(text.str());
}

IniFile IniFile::Parse(const std::string& text)
{
    IniFile ini;
    std::string section;
    std::istringstream lines(text);
    std::string raw;
    int lineNumber = 0;
    while (std::getline(lines, raw)) {
        ++lineNumber;
        const std::string line = Trim(raw);
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line.front() == '[') {
            if (line.back() != ']')
                throw std::runtime_error("INI line " + std::to_string(lineNumber) + ": unclosed section header");
            section = Trim(std::string_view(line).substr(1, line.size() - 2));
            ini.sections_[section];
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string::npos)
            throw std::runtime_error("INI line " + std::to_string(lineNumber) + ": expected key = value");
        ini.sections_[section][Trim(std::string_view(line).substr(0, eq))] =
            Trim(std::string_view(line).substr(eq + 1));
    }
    return ini;
}

std::vector<std::string> IniFile::Sections() const
{
    std::vector<std::string> names;
    for (const auto& [name, keys] : sections_)
        names.push_back(name);
    return names;
}

bool IniFile::HasSection(const std::string& section) const
{
    return sections_.count(section) != 0;
}

bool IniFile::Has(const std::string& section, const std::string& key) const
{
    const auto s = sections_.find(section);
    return s != sections_.end() && s->second.count(key) != 0;
}

const std::string& IniFile::Get(const std::string& section, const std::string& key) const
{
    const auto s = sections_.find(section);
    if (s == sections_.end())
        throw std::runtime_error("manifest has no section [" + section + "]");
    const auto v = s->second.find(key);
    if (v == s->second.end())
        throw std::runtime_error("manifest lacks " + Where(section, key));
    return v->second;
}

std::string IniFile::Get(const std::string& section, const std::string& key, const std::string& fallback) const
{
    return Has(section, key) ? Get(section, key) : fallback;
}

int IniFile::GetInt(const std::string& section, const std::string& key) const
{
    const std::string& value = Get(section, key);
    // Base 0 so stream ids can be written as 0x80.
    std::size_t used = 0;
    long result = 0;
    try {
        result = std::stol(value, &used, 0);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != value.size())
        throw std::runtime_error(Where(section, key) + " is not an integer: '" + value + "'");
    return static_cast<int>(result);
}

double IniFile::GetDouble(const std::string& section, const std::string& key) const
{
    const std::string& value = Get(section, key);
    double result = 0;
    // from_chars ignores the C locale, which a test may have changed.
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), result);
    if (error != std::errc() || end != value.data() + value.size())
        throw std::runtime_error(Where(section, key) + " is not a number: '" + value + "'");
    return result;
}

bool IniFile::GetBool(const std::string& section, const std::string& key) const
{
    const std::string& value = Get(section, key);
    if (value == "true" || value == "yes" || value == "1")
        return true;
    if (value == "false" || value == "no" || value == "0")
        return false;
    throw std::runtime_error(Where(section, key) + " is not a boolean: '" + value + "'");
}

std::vector<std::string> IniFile::GetList(const std::string& section, const std::string& key) const
{
    std::vector<std::string> items;
    const std::string& value = Get(section, key);
    if (value.empty())
        return items;
    std::size_t start = 0;
    while (true) {
        const auto comma = value.find(',', start);
        items.push_back(Trim(std::string_view(value).substr(start, comma - start)));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return items;
}

std::vector<double> IniFile::GetDoubleList(const std::string& section, const std::string& key) const
{
    std::vector<double> numbers;
    for (const std::string& item : GetList(section, key)) {
        double n = 0;
        const auto [end, error] = std::from_chars(item.data(), item.data() + item.size(), n);
        if (error != std::errc() || end != item.data() + item.size())
            throw std::runtime_error(Where(section, key) + " holds a non-number: '" + item + "'");
        numbers.push_back(n);
    }
    return numbers;
}

const TestTitle& TestDisc::Title(int number) const
{
    for (const TestTitle& t : titles)
        if (t.number == number)
            return t;
    throw std::runtime_error("test disc " + name + " has no title " + std::to_string(number));
}

namespace {

TestTitle ReadTitle(const IniFile& ini, const std::string& section)
{
    TestTitle t;
    t.number = ini.GetInt(section, "number");
    t.titleset = ini.GetInt(section, "titleset");
    t.titleInTitleset = ini.GetInt(section, "title_in_titleset");
    t.length = ini.GetDouble(section, "length");
    t.frames = ini.GetInt(section, "frames");
    t.chapterCount = ini.GetInt(section, "chapters");
    t.chapterLengths = ini.GetDoubleList(section, "chapter_lengths");
    t.twoVobs = ini.GetBool(section, "two_vobs");
    t.timestampRestarts = ini.GetDoubleList(section, "timestamp_restarts");
    t.readable = ini.GetBool(section, "readable");
    if (ini.Has(section, "black_bars"))
        for (double bar : ini.GetDoubleList(section, "black_bars"))
            t.blackBars.push_back(static_cast<int>(bar));

    const int audioCount = ini.GetInt(section, "audio_tracks");
    for (int i = 1; i <= audioCount; ++i) {
        const std::string s = section + ".audio" + std::to_string(i);
        TestAudioTrack a;
        a.number = i;
        a.format = ini.Get(s, "format");
        a.channels = ini.GetInt(s, "channels");
        a.sampleRate = ini.GetInt(s, "sample_rate");
        a.language = ini.Get(s, "language");
        a.toneHz = ini.GetDouble(s, "tone_hz");
        a.streamId = ini.GetInt(s, "stream_id");
        t.audio.push_back(a);
    }

    const int subtitleCount = ini.GetInt(section, "subtitle_tracks");
    for (int i = 1; i <= subtitleCount; ++i) {
        const std::string s = section + ".subtitle" + std::to_string(i);
        TestSubtitleTrack track;
        track.number = i;
        track.language = ini.Get(s, "language");
        track.streamId = ini.GetInt(s, "stream_id");
        const int lines = ini.GetInt(s, "lines");
        for (int l = 1; l <= lines; ++l) {
            const std::string prefix = "line" + std::to_string(l) + "_";
            track.lines.push_back({ini.GetDouble(s, prefix + "start"), ini.GetDouble(s, prefix + "end"),
                                   ini.Get(s, prefix + "text")});
        }
        t.subtitles.push_back(track);
    }
    return t;
}

TestDisc ReadDisc(const IniFile& ini, const std::string& name)
{
    TestDisc d;
    d.name = name;
    d.path = ini.Get(name, "path");
    d.kind = ini.Get(name, "kind");
    if (ini.Has(name, "files"))
        d.files = ini.GetList(name, "files");
    if (!ini.Has(name, "titles"))
        return d;
    d.norm = ini.Get(name, "norm");
    d.width = ini.GetInt(name, "width");
    d.height = ini.GetInt(name, "height");
    d.aspect = ini.Get(name, "aspect");
    d.frameRate = ini.GetDouble(name, "frame_rate");
    d.titlesetCount = ini.GetInt(name, "titlesets");
    d.damagedTitleset = ini.Has(name, "damaged_titleset") ? ini.GetInt(name, "damaged_titleset") : 0;
    d.volumeLabel = ini.Get(name, "volume_label", "");
    const int titles = ini.GetInt(name, "titles");
    for (int n = 1; n <= titles; ++n)
        d.titles.push_back(ReadTitle(ini, name + ".title" + std::to_string(n)));
    return d;
}

struct Manifest {
    std::map<std::string, TestDisc> discs;
};

const Manifest& LoadedManifest()
{
    static const Manifest manifest = [] {
        const std::string path = TestDiscManifestPath();
        if (!std::filesystem::exists(path))
            throw std::runtime_error("test disc manifest " + path +
                                     " is missing; run the make_test_discs test first "
                                     "(ctest -R make_test_discs)");
        const IniFile ini = IniFile::Load(path);
        Manifest m;
        // Top-level sections are discs or folders; dotted ones belong to them.
        for (const std::string& name : ini.Sections())
            if (!name.empty() && name.find('.') == std::string::npos)
                m.discs.emplace(name, ReadDisc(ini, name));
        return m;
    }();
    return manifest;
}

}  // namespace

std::string TestDiscManifestPath()
{
    return DataDir() + "/discs/manifest.ini";
}

const TestDisc& Disc(const std::string& name)
{
    const Manifest& m = LoadedManifest();
    const auto it = m.discs.find(name);
    if (it == m.discs.end())
        throw std::runtime_error("test disc manifest " + TestDiscManifestPath() + " describes no disc '" + name + "'");
    return it->second;
}

std::vector<std::string> DvdDiscNames()
{
    std::vector<std::string> names;
    for (const auto& [name, disc] : LoadedManifest().discs)
        if (disc.IsDvd())
            names.push_back(name);
    return names;
}

}  // namespace vidrelo::test
