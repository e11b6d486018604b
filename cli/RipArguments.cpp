#include "cli/RipArguments.h"

#include "cli/ConvertArguments.h"
#include "dvd/DVDTitleInfo.h"
#include "engine/PlainFileName.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <map>
#include <set>
#include <sstream>

namespace vidrelo::cli {

const char* const RipUsage =
    "usage: vidrelo-cli rip DISC [options]\n"
    "\n"
    "Scans DISC (a drive such as /dev/sr0, a DVD folder or an ISO image) and converts\n"
    "titles of it as the main window's Convert button does.\n"
    "\n"
    "  --titles 1,3          the titles to convert (default: the longest one)\n"
    "  --profile N --format M  the output format as \"vidrelo-cli profiles\" numbers it\n"
    "  --format-title TEXT   the output format by its name\n"
    "                        (default: the format chosen last in the window, else the first)\n"
    "  --out DIR             the output folder, made when missing\n"
    "                        (default: the window's output folder)\n"
    "  --merge               join the titles into one file named Joined\n"
    "  --split-chapters      one file per chapter of each title, named\n"
    "                        \"Title1 - Chapter 01\"; --start and --end choose the\n"
    "                        chapters (not with --merge)\n"
    "  --audio ID|all|none   the audio stream, by the ID the title rows show (0x80);\n"
    "                        all: every audio stream of the title, each in its language\n"
    "  --subtitle ID|none    the subtitle stream (0x20), or none\n"
    "  --deinterlace         deinterlace the picture\n"
    "  --crop L,T,R,B|auto   pixels to cut off at the left, top, right and bottom;\n"
    "                        auto finds each title's black bars and cuts them off\n"
    "  --aspect keep|full|4:3|16:9   the displayed aspect in the output frame\n"
    "  --brightness B, --contrast C, --saturation S   picture adjustment, -100..100\n"
    "  --start TIME, --end TIME   the part of the title to convert (HH:MM:SS)\n"
    "  --name TEXT           the output file's name without extension (one title)\n"
    "  --vcodec NAME, --size WxH, --vb N, --rate R   the format's video encoder,\n"
    "                        picture size, video bit rate and frame rate\n"
    "  --acodec NAME, --ar N, --ab N, --ac N   its audio encoder, sample rate,\n"
    "                        audio bit rate and channels; each a value or label the\n"
    "                        format offers (\"vidrelo-cli profiles --format-details\n"
    "                        P F\" lists them), for this run only\n"
    "  --libav DIR           the folder of the DVD plug-in and the media libraries\n"
    "  --catalogue DIR       the output profile catalogue\n"
    "  --progress human|json   json: instead of the progress line and the title ->\n"
    "                        file lines, one JSON object a line on standard output,\n"
    "                        as \"vidrelo-cli convert --help\" describes, with one\n"
    "                        outcome object per file\n"
    "\n"
    "The format \"Original quality (MKV)\" (profile Archive) copies the disc's video,\n"
    "sound and soft subtitles without re-encoding; the picture options do not apply\n"
    "to it, and a trimmed copy starts at a key frame, named on standard error.\n"
    "\n"
    "The choices apply to every title converted. Progress goes to standard error;\n"
    "Ctrl-C stops the conversion. The exit status is 0 only when every title was\n"
    "converted, 1 when something failed, 2 for a mistake on the command line.\n";

namespace {

bool ParseInt(const std::string& text, int& value, int base = 10)
{
    const char* end = text.data() + text.size();
    const auto [at, ec] = std::from_chars(text.data(), end, value, base);
    return !text.empty() && ec == std::errc() && at == end;
}

bool ParseRange(const std::string& text, int low, int high, int& value)
{
    return ParseInt(text, value) && value >= low && value <= high;
}

// "0x80" or "128"; "none" is 0.
bool ParseStreamID(const std::string& text, std::optional<int32_t>& id)
{
    if (text == "none") {
        id = 0;
        return true;
    }
    const bool hex = text.starts_with("0x") || text.starts_with("0X");
    int value = 0;
    if (!ParseInt(hex ? text.substr(2) : text, value, hex ? 16 : 10) || value <= 0)
        return false;
    id = value;
    return true;
}

std::vector<std::string> Split(const std::string& text)
{
    std::vector<std::string> parts;
    std::istringstream in(text);
    std::string part;
    while (std::getline(in, part, ','))
        parts.push_back(part);
    if (!text.empty() && text.back() == ',')
        parts.emplace_back();
    return parts;
}

bool ParseTitles(const std::string& text, std::vector<int>& titles)
{
    titles.clear();
    for (const std::string& part : Split(text)) {
        int number = 0;
        if (!ParseRange(part, 1, 99, number) || std::count(titles.begin(), titles.end(), number))
            return false;
        titles.push_back(number);
    }
    return !titles.empty();
}

bool ParseCrop(const std::string& text, TRipRequest& r)
{
    if (text == "auto")
        return r.CropAuto = true;
    std::optional<std::array<int, 4>>& crop = r.Crop;
    const std::vector<std::string> parts = Split(text);
    std::array<int, 4> margins{};
    if (parts.size() != margins.size())
        return false;
    for (std::size_t i = 0; i < margins.size(); ++i)
        if (!ParseRange(parts[i], 0, 100000, margins[i]))
            return false;
    crop = margins;
    return true;
}

bool ParseAspect(const std::string& text, std::optional<int>& aspect)
{
    static const std::map<std::string, int> choices = {{"keep", 0}, {"full", 1}, {"4:3", 2}, {"16:9", 3}};
    const auto found = choices.find(text);
    if (found == choices.end())
        return false;
    aspect = found->second;
    return true;
}

bool SetAdjustment(const std::string& text, std::optional<int>& field)
{
    int value = 0;
    if (!ParseRange(text, -100, 100, value))
        return false;
    field = value;
    return true;
}

bool SetTime(const std::string& text, std::optional<int64_t>& field)
{
    int64_t value = 0;
    if (!ParseTime(text, value))
        return false;
    field = value;
    return true;
}

bool SetText(const std::string& text, std::string& field)
{
    field = text;
    return !text.empty();
}

// "320x240" or "320*240", as the settings editor's "W*H"; whether the
// numbers fit is the editor's rule.
bool SetSize(const std::string& text, std::string& field)
{
    std::string size = text;
    std::replace_if(size.begin(), size.end(), [](char c) { return c == 'x' || c == 'X'; }, '*');
    // One separator between two parts.
    const std::size_t star = size.find('*');
    if (std::count(size.begin(), size.end(), '*') != 1 || star == 0 || star + 1 == size.size())
        return false;
    field = size;
    return true;
}

using TValueSetter = std::function<bool(TRipRequest&, const std::string&)>;

// The format settings' options added to `options`.
std::map<std::string, TValueSetter> WithFormatSettings(std::map<std::string, TValueSetter> options)
{
    for (const char* name : {"--vcodec", "--size", "--vb", "--rate", "--acodec", "--ar", "--ab", "--ac"}) {
        const auto set = name == std::string("--size") ? SetSize : SetText;
        options.emplace(name, [name, set](TRipRequest& r, const std::string& v) {
            std::string value;
            return set(v, value) && r.FormatSettings.emplace(name, value).second;
        });
    }
    return options;
}

const std::map<std::string, TValueSetter>& ValueOptions()
{
    static const std::map<std::string, TValueSetter> options = WithFormatSettings({
        {"--titles", [](TRipRequest& r, const std::string& v) { return ParseTitles(v, r.Titles); }},
        {"--profile", [](TRipRequest& r, const std::string& v) { return ParseRange(v, 0, 9999, r.ProfileInd); }},
        {"--format", [](TRipRequest& r, const std::string& v) { return ParseRange(v, 0, 9999, r.FormatInd); }},
        {"--format-title", [](TRipRequest& r, const std::string& v) { return SetText(v, r.FormatTitle); }},
        {"--out", [](TRipRequest& r, const std::string& v) { return SetText(v, r.OutputFolder); }},
        {"--catalogue", [](TRipRequest& r, const std::string& v) { return SetText(v, r.CatalogueFolder); }},
        {"--audio",
         [](TRipRequest& r, const std::string& v) {
             if (v != "all")
                 return ParseStreamID(v, r.AudioID);
             r.AudioID = kDVDAllAudioID;
             return true;
         }},
        {"--subtitle", [](TRipRequest& r, const std::string& v) { return ParseStreamID(v, r.SubtitleID); }},
        {"--crop", [](TRipRequest& r, const std::string& v) { return ParseCrop(v, r); }},
        {"--aspect", [](TRipRequest& r, const std::string& v) { return ParseAspect(v, r.AspectRatio); }},
        {"--brightness", [](TRipRequest& r, const std::string& v) { return SetAdjustment(v, r.Brightness); }},
        {"--contrast", [](TRipRequest& r, const std::string& v) { return SetAdjustment(v, r.Contrast); }},
        {"--saturation", [](TRipRequest& r, const std::string& v) { return SetAdjustment(v, r.Saturation); }},
        {"--start", [](TRipRequest& r, const std::string& v) { return SetTime(v, r.TimeStart); }},
        {"--end", [](TRipRequest& r, const std::string& v) { return SetTime(v, r.TimeEnd); }},
        {"--name", [](TRipRequest& r, const std::string& v) { return r.Name = v, true; }},
    });
    return options;
}

bool Fail(std::string& error, const std::string& reason)
{
    error = reason;
    return false;
}

// The combinations the options cannot come in.
bool CheckCombination(const TRipRequest& r, std::string& error)
{
    if (r.Disc.empty())
        return Fail(error, "no DISC given");
    if ((r.ProfileInd < 0) != (r.FormatInd < 0))
        return Fail(error, "--profile and --format go together");
    if (r.ProfileInd >= 0 && !r.FormatTitle.empty())
        return Fail(error, "give the format either by --profile and --format or by --format-title");
    // A trim that leaves nothing would make an empty file.
    if (r.TimeStart && r.TimeEnd && *r.TimeStart >= *r.TimeEnd)
        return Fail(error, "--start must be before --end");
    if (r.TimeEnd && *r.TimeEnd <= 0)
        return Fail(error, "--end must be after 00:00:00, where the title starts");
    if (r.Merge && r.SplitChapters)
        return Fail(error, "--merge and --split-chapters exclude each other: one file or one per chapter");
    if (r.Merge && (r.TimeStart || r.TimeEnd))
        return Fail(error, "--start and --end cannot be used with --merge: merged titles are joined whole");
    if (r.Name && !IsPlainFileName(*r.Name))
        return Fail(error, "invalid value for --name: \"" + *r.Name + "\" (a file name without folders)");
    if (r.Name && r.Titles.size() > 1)
        return Fail(error, "--name names the file of one title, not of several");
    if (r.Name && r.Merge)
        return Fail(error, "--name cannot be used with --merge: the merged file is named Joined");
    return true;
}

}  // namespace

bool ParseRipArguments(const std::vector<std::string>& args, TRipRequest& request, std::string& error)
{
    request = TRipRequest();
    std::set<std::string> seen;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.starts_with("--") && !seen.insert(arg).second)
            return Fail(error, arg + " given twice");
        if (arg == "--merge" || arg == "--deinterlace") {
            (arg == "--merge" ? request.Merge : request.Deinterlace) = true;
            continue;
        }
        if (arg == "--split-chapters") {
            request.SplitChapters = true;
            continue;
        }
        const auto option = ValueOptions().find(arg);
        if (option != ValueOptions().end()) {
            if (i + 1 >= args.size())
                return Fail(error, "missing value for " + arg);
            const std::string& value = args[++i];
            if (!option->second(request, value))
                return Fail(error, "invalid value for " + arg + ": \"" + value + "\"" +
                                       (arg == "--start" || arg == "--end" ? TimeRefusalHint(value) : ""));
        } else if (arg.starts_with("-") && arg != "-") {
            return Fail(error, "unknown option \"" + arg + "\"");
        } else if (request.Disc.empty()) {
            request.Disc = arg;
        } else {
            return Fail(error, "unexpected argument \"" + arg + "\"");
        }
    }
    return CheckCombination(request, error);
}

}  // namespace vidrelo::cli
