#pragma once
// Where a player's pictures go: a surface of the host program (a widget in
// the Qt program, a recorder in vidrelo-cli). The engine decides which
// picture is due and where in the surface it goes; the host only paints.
#include <cstdint>
#include <memory>

namespace vidrelo {

// A rectangle in surface pixels.
struct TFitRect {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    bool operator==(const TFitRect&) const = default;
};

// One picture handed to the surface: 32-bit pixels laid out as 0xffRRGGBB
// words (Qt's RGB32), top row first. The buffer stays valid and unchanged as
// long as the host holds the shared pointer, so a host paints it without a
// copy of its own.
struct TSurfacePicture {
    int Width = 0;
    int Height = 0;
    int Stride = 0;  // bytes per row
    const uint8_t* Data = nullptr;
    int64_t PTS = -1;        // microseconds from the start of the source
    // The master clock (microseconds from the start) when the picture was
    // handed over, -1 when none runs: PTS - MasterPTS is how far the picture
    // is off the sound.
    int64_t MasterPTS = -1;
    TFitRect Target;         // where it goes in the surface; outside it the surface is black
    std::shared_ptr<const void> Keep;  // owns Data
};

class TPlayerSurface {
public:
    virtual ~TPlayerSurface() = default;
    // The surface's size in pixels. Called from the player's threads: the
    // host keeps it in a form any thread may read.
    virtual void SurfaceSize(int& width, int& height) const = 0;
    // The due picture, on the player's play thread. Must return at once: the
    // host stores the pointer and paints on its own thread.
    virtual void Present(std::shared_ptr<const TSurfacePicture> picture) = 0;
    // Nothing to show any more (the playback ended): the surface goes black.
    virtual void Clear() = 0;
};

}  // namespace vidrelo
