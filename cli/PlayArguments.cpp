#include "cli/PlayArguments.h"

#include "cli/ConvertArguments.h"

#include <algorithm>
#include <charconv>

namespace vidrelo::cli {

const char* const PlayUsage =
    "usage: vidrelo-cli play SOURCE [options]\n"
    "\n"
    "Plays SOURCE (a media file or an \"opendvd:\" source string) as the preview\n"
    "player does, without a display, and prints what the playback was like.\n"
    "\n"
    "  --start TIME          start there (HH:MM:SS[.fff], MM:SS or seconds)\n"
    "  --seconds TIME        play this long (default: to the end, or until the\n"
    "                        last snapshot when snapshots are asked for)\n"
    "  --snapshot TIME:FILE  write the picture shown at TIME as FILE (.png, .jpg,\n"
    "                        .jpeg); may be given more than once\n"
    "  --volume V            0..128 (default 128: the samples unchanged)\n"
    "  --no-audio            play the pictures only\n"
    "  --libav DIR           the folder of the DVD plug-in and the media libraries\n"
    "\n"
    "The summary names the time from opening to the first picture, the pictures\n"
    "shown, late and dropped, how far pictures were off the sound and, with\n"
    "--start, where the first picture landed. The exit status is 0 when the\n"
    "source played, 1 when it could not be played, 2 for a mistake on the\n"
    "command line.\n";

namespace {

bool HasPictureSuffix(const std::string& file)
{
    std::string lower = file;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    return lower.ends_with(".png") || lower.ends_with(".jpg") || lower.ends_with(".jpeg");
}

// "TIME:FILE": the longest part before a ":" that is a time, so that
// "00:01:30:shot.png" is 90 seconds into "shot.png".
bool ParseSnapshot(const std::string& text, TPlaySnapshot& snapshot)
{
    for (size_t colon = text.rfind(':'); colon != std::string::npos && colon > 0; colon = text.rfind(':', colon - 1)) {
        int64_t time = 0;
        if (colon + 1 < text.size() && ParseTime(text.substr(0, colon), time)) {
            snapshot = {time, text.substr(colon + 1)};
            return true;
        }
    }
    return false;
}

bool ParseVolume(const std::string& text, int& volume)
{
    const char* end = text.data() + text.size();
    const auto [at, ec] = std::from_chars(text.data(), end, volume);
    return !text.empty() && ec == std::errc() && at == end && volume >= 0 && volume <= 128;
}

bool Refuse(std::string& error, const std::string& reason)
{
    error = reason;
    return false;
}

}  // namespace

bool ParsePlayArguments(const std::vector<std::string>& args, TPlayRequest& request, std::string& error)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--no-audio") {
            request.NoAudio = true;
            continue;
        }
        if (!arg.starts_with("--")) {
            if (!request.Source.empty())
                return Refuse(error, "more than one SOURCE: \"" + arg + "\"");
            request.Source = arg;
            continue;
        }
        if (arg != "--start" && arg != "--seconds" && arg != "--snapshot" && arg != "--volume")
            return Refuse(error, "unknown option " + arg);
        if (i + 1 >= args.size())
            return Refuse(error, arg + " needs a value");
        const std::string& value = args[++i];
        int64_t time = 0;
        if (arg == "--start" || arg == "--seconds") {
            if (!ParseTime(value, time) || (arg == "--seconds" && time <= 0))
                return Refuse(error, "invalid value for " + arg + ": \"" + value + "\"" + TimeRefusalHint(value));
            (arg == "--start" ? request.Start : request.Duration) = time;
        } else if (arg == "--snapshot") {
            TPlaySnapshot snapshot;
            if (!ParseSnapshot(value, snapshot))
                return Refuse(error, "invalid value for --snapshot: \"" + value + "\" (TIME:FILE)");
            if (!HasPictureSuffix(snapshot.File))
                return Refuse(error, "--snapshot writes .png, .jpg or .jpeg files, not \"" + snapshot.File + "\"");
            request.Snapshots.push_back(snapshot);
        } else if (!ParseVolume(value, request.Volume)) {
            return Refuse(error, "invalid value for --volume: \"" + value + "\" (0..128)");
        }
    }
    if (request.Source.empty())
        return Refuse(error, "no SOURCE given");
    return true;
}

}  // namespace vidrelo::cli
