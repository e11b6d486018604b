#pragma once
// The command line of "vidrelo-cli rip": which titles of a disc, in which
// catalogue format, into which folder, and the per-title choices the main
// window offers (streams, deinterlacing, crop, aspect, picture adjustment,
// trim, destination name). Only the form is checked here; whether the disc
// has those titles and streams is for the command to find out.
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vidrelo::cli {

struct TRipRequest {
    std::string Disc;
    std::vector<int> Titles;  // title numbers from 1; empty: the scan's pre-selected title
    int ProfileInd = -1;      // with FormatInd: the format as "vidrelo-cli profiles" numbers it
    int FormatInd = -1;
    std::string FormatTitle;  // or the format's name
    std::string OutputFolder;     // empty: the remembered output folder
    std::string CatalogueFolder;  // empty: the one beside the program
    bool Merge = false;
    bool SplitChapters = false;  // one file per chapter of each title
    std::optional<int32_t> AudioID;  // 0: no audio, kDVDAllAudioID: every audio stream
    std::optional<int32_t> SubtitleID;  // 0: no subtitles
    bool Deinterlace = false;
    std::optional<std::array<int, 4>> Crop;  // left, top, right, bottom
    bool CropAuto = false;                   // each title's black bars, found on its pictures
    std::optional<int> AspectRatio;          // 0 keep, 1 full screen, 2 4:3, 3 16:9
    std::optional<int> Brightness;           // -100..100 each
    std::optional<int> Contrast;
    std::optional<int> Saturation;
    std::optional<int64_t> TimeStart;  // microseconds
    std::optional<int64_t> TimeEnd;
    std::optional<std::string> Name;
    // The chosen format's settings for this run, by option ("--vcodec" ->
    // "mpeg4", "--size" -> "320*240"): a value or label of the format's
    // choices. Whether the format offers it is for the command to find out.
    std::map<std::string, std::string> FormatSettings;
};

extern const char* const RipUsage;

// Reads `args` ("--libav DIR" already taken out). On a mistake returns
// false with the reason in `error`.
bool ParseRipArguments(const std::vector<std::string>& args, TRipRequest& request, std::string& error);

}  // namespace vidrelo::cli
