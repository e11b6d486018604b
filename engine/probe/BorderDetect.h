#pragma once
// Finding the black bars a film carries inside its frame. Most DVD films
// are letterboxed (bars above and below) or pillarboxed (bars left and
// right) inside the 720-wide frame; cutting them off by hand is tedious and
// easy to get wrong by a pixel or two.
//
// A few pictures spread over the source are decoded (the first and last 5 %
// are skipped: logos, titles and credits are often on black), and the
// largest rectangle outside which every sampled picture is black is taken.
// "Black" tolerates noise and the dim edges of analogue transfers. Margins
// are even, and the picture is never cut into: when samples disagree, the
// smaller margins win, and a dark scene gives no margins rather than a
// guess.
#include <cstdint>
#include <string>

namespace vidrelo {

class TFFLoader;

// Pixels to cut off at each edge of the stored frame.
struct TBorderMargins {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;
    bool operator==(const TBorderMargins&) const = default;
};

struct TBorderDetection {
    TBorderMargins Margins;
    int32_t FrameWidth = 0;  // the stored frame the margins apply to
    int32_t FrameHeight = 0;
    int32_t PicturesSampled = 0;
};

// Samples `source` (a file or an "opendvd:" string) and fills `result`.
// False with `error` when the source cannot be opened, has no video, no
// picture could be decoded, or `loader` has not bound the decoding
// libraries. Runs on the calling thread; safe from any thread.
bool DetectBorders(TFFLoader& loader, const std::string& source, TBorderDetection& result, std::string& error);

}  // namespace vidrelo
