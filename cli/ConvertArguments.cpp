#include "cli/ConvertArguments.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>
#include <map>

namespace vidrelo::cli {

const char* const ConvertUsage =
    "usage: vidrelo-cli convert [input options] INPUT [--join INPUT ...] [output options] OUTPUT\n"
    "                           [--libav DIR]\n"
    "\n"
    "INPUT is a media file or an \"opendvd:\" source string. Inputs given with --join\n"
    "are converted one after another into the single OUTPUT.\n"
    "\n"
    "input options (before INPUT):\n"
    "  -f, --format NAME   read INPUT as this format instead of probing it\n"
    "  --ss TIME           start reading at TIME (seconds or HH:MM:SS[.fff])\n"
    "  --program N         take program N of a multi-program input\n"
    "  -o NAME=VALUE       any further input option\n"
    "\n"
    "output options (after the inputs):\n"
    "  -f, --format NAME   output format (default: from OUTPUT's extension)\n"
    "  --vcodec NAME       video encoder (\"copy\": keep the video as it is)\n"
    "  --acodec NAME       audio encoder (\"copy\": keep the audio as it is)\n"
    "  --scodec NAME       subtitle encoder\n"
    "  --vpre/--apre NAME  video / audio encoder preset\n"
    "  --vb RATE, --ab RATE  video / audio bit rate (800k, 1.5M, 128000)\n"
    "  --maxrate RATE, --minrate RATE, --bufsize BITS\n"
    "  --size WxH          picture size\n"
    "  --rate FPS          frame rate\n"
    "  --aspect A          display aspect (4:3, 16:9, 1.7778)\n"
    "  --g N               key frame interval\n"
    "  --vf FILTERS        video filter chain (also nativeeq=B:C, nativehue=H:S)\n"
    "  --ar HZ, --ac N     audio sample rate, channels\n"
    "  --vol N             volume, 256 = unchanged\n"
    "  --an, --vn, --sn    no audio / video / subtitles\n"
    "  --alang, --vlang, --slang CODE   stream languages\n"
    "  --async N, --vsync N   audio / video synchronisation methods\n"
    "  --target vcd|svcd|dvd, --norm auto|pal|ntsc\n"
    "  --ss TIME           start of the output\n"
    "  --t TIME            length of the output\n"
    "  --title, --author, --comment, --album, --genre TEXT   metadata\n"
    "  -o NAME=VALUE       any further output option, e.g. -o threads=2\n"
    "  -y, --overwrite     replace OUTPUT when it exists (refused otherwise)\n"
    "\n"
    "OUTPUT is written under OUTPUT.part and takes its name when the conversion\n"
    "ends; a failed conversion leaves no file. OUTPUT is never one of the inputs.\n"
    "\n"
    "Progress goes to standard error; Ctrl-C stops the conversion. The exit status\n"
    "is 0 only when the conversion finished.\n"
    "\n"
    "  --progress human|json   with json, standard output gets one JSON object a line\n"
    "                      instead of the progress line: {\"task\": 1, \"percent\": P,\n"
    "                      \"fps\": F, \"size\": BYTES, \"elapsed\": S, \"remaining\": S} while\n"
    "                      converting (percent and remaining null when the length is\n"
    "                      unknown), then {\"task\": 1, \"outcome\": \"finished\"|\"failed\"|\n"
    "                      \"stopped\", \"file\": OUTPUT, \"message\": TEXT}; messages stay\n"
    "                      on standard error\n";

namespace {

bool ParseNumber(const std::string& text, double& value)
{
    if (text.empty())
        return false;
    // A number on the command line reads the same in every locale.
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(text.data(), last, value);
    return error == std::errc() && end == last && std::isfinite(value);
}

bool ParseInt(const std::string& text, int& value)
{
    double number = 0;
    if (!ParseNumber(text, number) || number != std::floor(number) || std::fabs(number) > 1e9)
        return false;
    value = static_cast<int>(number);
    return true;
}

// Digits with at most one decimal point: no sign ("-0" would pass for a
// number and turn "-00:00:01" into one second), no exponent, no blanks.
bool ParseTimePart(const std::string& text, double& value)
{
    if (text.find_first_of("0123456789") == std::string::npos ||
        text.find_first_not_of("0123456789.") != std::string::npos ||
        std::count(text.begin(), text.end(), '.') > 1)
        return false;
    return ParseNumber(text, value);
}

void AppendLine(std::string& text, const std::string& line)
{
    text += (text.empty() ? "" : "\n") + line;
}

using TSetter = std::function<bool(TOutputOptions&, const std::string&)>;

TSetter Text(std::string TOutputOptions::*field)
{
    return [field](TOutputOptions& o, const std::string& v) { return o.*field = v, true; };
}
TSetter Int(int TOutputOptions::*field)
{
    return [field](TOutputOptions& o, const std::string& v) { return ParseInt(v, o.*field); };
}
TSetter Rate(int TOutputOptions::*field)
{
    return [field](TOutputOptions& o, const std::string& v) { return ParseBitRate(v, o.*field); };
}
TSetter Time(int64_t TOutputOptions::*field)
{
    return [field](TOutputOptions& o, const std::string& v) { return ParseTime(v, o.*field); };
}
TSetter Info(std::string TStreamInfo::*field)
{
    return [field](TOutputOptions& o, const std::string& v) { return o.Info.*field = v, true; };
}

const std::map<std::string, TSetter>& OutputSetters()
{
    static const std::map<std::string, TSetter> setters = {
        {"--format", Text(&TOutputOptions::ForceFormat)},
        {"--vcodec", Text(&TOutputOptions::VideoCodec)},
        {"--acodec", Text(&TOutputOptions::AudioCodec)},
        {"--scodec", Text(&TOutputOptions::SubtitleCodec)},
        {"--vpre", Text(&TOutputOptions::VideoPreset)},
        {"--apre", Text(&TOutputOptions::AudioPreset)},
        {"--vb", Rate(&TOutputOptions::VideoBitrate)},
        {"--ab", Rate(&TOutputOptions::AudioBitrate)},
        {"--maxrate", Rate(&TOutputOptions::VideoMaxRate)},
        {"--minrate", Rate(&TOutputOptions::VideoMinRate)},
        {"--bufsize", Rate(&TOutputOptions::VideoBufSize)},
        {"--size", Text(&TOutputOptions::FrameSize)},
        {"--rate", Text(&TOutputOptions::FrameRate)},
        {"--aspect", Text(&TOutputOptions::FrameAspectRatio)},
        {"--g", Int(&TOutputOptions::GroupPictureSize)},
        {"--vf", Text(&TOutputOptions::VideoFilters)},
        {"--ar", Int(&TOutputOptions::AudioSampleRate)},
        {"--ac", Int(&TOutputOptions::AudioChannels)},
        {"--vol", Int(&TOutputOptions::AudioVolume)},
        {"--alang", Text(&TOutputOptions::AudioLanguage)},
        {"--vlang", Text(&TOutputOptions::VideoLanguage)},
        {"--slang", Text(&TOutputOptions::SubtitleLanguage)},
        {"--async", Int(&TOutputOptions::AudioSyncMethod)},
        {"--vsync", Int(&TOutputOptions::VideoSyncMethod)},
        {"--ss", Time(&TOutputOptions::TimeStart)},
        {"--t", Time(&TOutputOptions::TimeLength)},
        {"--title", Info(&TStreamInfo::Title)},
        {"--author", Info(&TStreamInfo::Author)},
        {"--comment", Info(&TStreamInfo::Comment)},
        {"--album", Info(&TStreamInfo::Album)},
        {"--genre", Info(&TStreamInfo::Genre)},
        {"--target",
         [](TOutputOptions& o, const std::string& v) {
             static const std::map<std::string, TOptionTargetType> types = {
                 {"vcd", ttVCD}, {"svcd", ttSVCD}, {"dvd", ttDVD}};
             const auto type = types.find(v);
             return type != types.end() && (o.TargetType = type->second, true);
         }},
        {"--norm",
         [](TOutputOptions& o, const std::string& v) {
             static const std::map<std::string, TOptionNormType> norms = {
                 {"auto", ntAuto}, {"pal", ntPAL}, {"ntsc", ntNTSC}};
             const auto norm = norms.find(v);
             return norm != norms.end() && (o.NormType = norm->second, true);
         }},
    };
    return setters;
}

bool SetFlag(const std::string& name, TOutputOptions& o)
{
    if (name == "--an")
        return o.DisableAudio = true;
    if (name == "--vn")
        return o.DisableVideo = true;
    if (name == "--sn")
        return o.DisableSubtitle = true;
    return false;
}

bool SetInputOption(const std::string& name, const std::string& value, TInputOptions& in)
{
    if (name == "--format")
        return in.ForceFormat = value, true;
    if (name == "--ss")
        return ParseTime(value, in.TimeStart);
    if (name == "--program")
        return ParseInt(value, in.ProgramID) && in.ProgramID >= 0;
    if (name == "-o")
        return value.find('=') != std::string::npos && (AppendLine(in.ExtOptions, value), true);
    return false;
}

bool SetOutputOption(const std::string& name, const std::string& value, TOutputOptions& out)
{
    if (name == "-o")
        return value.find('=') != std::string::npos && (AppendLine(out.ExtOptions, value), true);
    const auto setter = OutputSetters().find(name);
    return setter != OutputSetters().end() && setter->second(out, value);
}

bool KnownInputOption(const std::string& name)
{
    return name == "--format" || name == "--ss" || name == "--program" || name == "-o";
}

}  // namespace

bool ParseTime(const std::string& text, int64_t& microseconds)
{
    double total = 0;
    std::size_t start = 0;
    int parts = 0;
    for (;;) {
        const std::size_t colon = text.find(':', start);
        double part = 0;
        if (!ParseTimePart(text.substr(start, colon == std::string::npos ? std::string::npos : colon - start), part) ||
            ++parts > 3)
            return false;
        total = total * 60 + part;
        if (colon == std::string::npos)
            break;
        start = colon + 1;
    }
    if (total * 1e6 > static_cast<double>(std::numeric_limits<int64_t>::max() / 2))
        return false;
    microseconds = std::llround(total * 1e6);
    return true;
}

std::string TimeRefusalHint(const std::string& text)
{
    return text.starts_with("-") ? " (a time cannot be negative)" : "";
}

bool ParseBitRate(const std::string& text, int& bitsPerSecond)
{
    if (text.empty())
        return false;
    double scale = 1;
    std::string number = text;
    const char unit = text.back();
    if (unit == 'k' || unit == 'K')
        scale = 1e3;
    else if (unit == 'm' || unit == 'M')
        scale = 1e6;
    if (scale != 1)
        number.pop_back();
    double value = 0;
    if (!ParseNumber(number, value) || value <= 0 || value * scale > std::numeric_limits<int>::max())
        return false;
    bitsPerSecond = static_cast<int>(std::llround(value * scale));
    return true;
}

bool ParseConvertArguments(const std::vector<std::string>& args, TConvertRequest& request, std::string& error)
{
    request = TConvertRequest();
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        if (name == "-y" || name == "--overwrite") {
            request.OutputOptions.Overwrite = true;
            continue;
        }
        if (name == "-f")
            name = "--format";
        const bool beforeInput = request.Inputs.empty();
        if (name.empty() || name[0] != '-') {
            if (beforeInput)
                request.Inputs.push_back(name);
            else if (request.Output.empty())
                request.Output = name;
            else
                return error = "more than one OUTPUT: \"" + name + "\"", false;
            continue;
        }
        if (!request.Output.empty())
            return error = "options must come before OUTPUT: \"" + name + "\"", false;
        if (!beforeInput && SetFlag(name, request.OutputOptions))
            continue;
        if (i + 1 >= args.size())
            return error = "\"" + name + "\" needs a value", false;
        const std::string& value = args[++i];
        bool accepted = false;
        if (name == "--join" && beforeInput)
            return error = "--join must come after INPUT", false;
        if (name == "--join")
            accepted = !beforeInput && (request.Inputs.push_back(value), true);
        else if (beforeInput)
            accepted = KnownInputOption(name) && SetInputOption(name, value, request.Input);
        else
            accepted = OutputSetters().count(name) || name == "-o"
                           ? SetOutputOption(name, value, request.OutputOptions)
                           : false;
        if (!accepted) {
            const bool known = name == "--join" || (beforeInput ? KnownInputOption(name)
                                                               : OutputSetters().count(name) || name == "-o");
            const bool time = name == "--ss" || name == "--t";
            return error = known ? "invalid value for " + name + ": \"" + value + "\"" +
                                       (time ? TimeRefusalHint(value) : "")
                                 : "unknown " + std::string(beforeInput ? "input" : "output") + " option \"" +
                                       name + "\"",
                   false;
        }
    }
    if (request.Inputs.empty())
        return error = "no INPUT given", false;
    if (request.Output.empty())
        return error = "no OUTPUT given", false;
    if (request.OutputOptions.TimeLength == 0)
        return error = "--t must be longer than 0: nothing would be converted", false;
    request.OutputOptions.Join = request.Inputs.size() > 1;
    return true;
}

}  // namespace vidrelo::cli
