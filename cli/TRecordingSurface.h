#pragma once
// The surface "vidrelo-cli play" gives the player: it shows nothing, but
// notes every picture handed to it (its time, the sound's time, when it
// came) and keeps the pictures asked for as snapshots, to be written out on
// the command's own thread.
#include "cli/PlayArguments.h"
#include "engine/player/TPlayerSurface.h"

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vidrelo::cli {

struct TShownPicture {
    int64_t PTS = -1;
    int64_t MasterPTS = -1;
    std::chrono::steady_clock::time_point At;
};

class TRecordingSurface : public TPlayerSurface {
public:
    TRecordingSurface(int width, int height, std::vector<TPlaySnapshot> snapshots);

    void SurfaceSize(int& width, int& height) const override;
    void Present(std::shared_ptr<const TSurfacePicture> picture) override;
    void Clear() override {}

    std::vector<TShownPicture> Shown() const;
    bool AllSnapshotsTaken() const;
    // Writes every snapshot taken; one line per file on `out`, a line per
    // failure (or snapshot never shown) on `errors`. False when any failed.
    bool WriteSnapshots(std::FILE* out, std::FILE* errors) const;

private:
    struct TPending {
        TPlaySnapshot Asked;
        std::shared_ptr<const TSurfacePicture> Picture;  // the first shown at or after the time
    };

    int FWidth;
    int FHeight;
    mutable std::mutex FLock;  // guards the two lists; held only to copy
    std::vector<TShownPicture> FShown;
    std::vector<TPending> FSnapshots;
};

}  // namespace vidrelo::cli
