#pragma once
// The "opendvd:" source string of a title:
//   opendvd:PATH|Title=1,FromChapter=1,ToChapter=2,AudioID=128,SubtitleID=32,
//               AudioChannels=2,Deinterlace=0
// PATH ends at the last '|'; keys come in any order and may be left out.
#include <optional>
#include <string>

namespace vidrelo::dvddec {

struct DVDSourceRequest {
    std::string path;
    int title = 0;            // 1-based
    int fromChapter = 1;
    int toChapter = 0;        // 0: the title's last chapter
    int audioId = 0;          // 0: no audio, DVD_SOURCE_ALL_AUDIO (-1): every audio stream
    int subtitleId = 0;       // 0: no subpicture
    int audioChannels = 0;
    bool deinterlace = false;
};

// The request, or nullopt with a sentence in `error`. Only the syntax and
// the ranges that need no disc are checked here.
std::optional<DVDSourceRequest> ParseDVDSource(const std::string& source, std::string& error);

}  // namespace vidrelo::dvddec
