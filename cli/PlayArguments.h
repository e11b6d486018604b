#pragma once
// The command line of "vidrelo-cli play": a source, where to start, how
// long to play, the pictures to keep and the sound.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vidrelo::cli {

struct TPlaySnapshot {
    int64_t Time = 0;  // microseconds from the start of the source
    std::string File;  // .png, .jpg or .jpeg
};

struct TPlayRequest {
    std::string Source;                 // a media file or an "opendvd:" string
    std::optional<int64_t> Start;       // microseconds
    std::optional<int64_t> Duration;    // how much to play, microseconds
    std::vector<TPlaySnapshot> Snapshots;
    int Volume = 128;                   // 0..128
    bool NoAudio = false;
};

extern const char* const PlayUsage;

// Reads `args` ("--libav DIR" already taken out). On a mistake returns
// false with the reason in `error`.
bool ParsePlayArguments(const std::vector<std::string>& args, TPlayRequest& request, std::string& error);

}  // namespace vidrelo::cli
