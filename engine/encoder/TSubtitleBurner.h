#pragma once
// Burns a DVD's bitmap subtitles into the video: the decoded subpictures of
// the chosen stream are kept with their display times and blended, with
// their palette and alpha, into every picture shown while they are on.
//
// The converter's containers cannot carry DVD bitmap subtitles as they are,
// and a user who picks a subtitle track expects to see it in the converted
// picture. One thread at a time (the job's worker).
#include "engine/loader/MediaHeaders.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace vidrelo {

class TSubtitleBurner {
public:
    TSubtitleBurner();
    ~TSubtitleBurner();
    TSubtitleBurner(const TSubtitleBurner&) = delete;
    TSubtitleBurner& operator=(const TSubtitleBurner&) = delete;

    // The size the subtitles were authored for (the DVD's frame size); they
    // are scaled when the pictures they land on have another size. Not set
    // (or 0): the pictures' own size.
    void SetCanvasSize(int width, int height);

    // Takes a decoded subtitle whose packet pts was `ptsMicroseconds` (the
    // subtitle's own start/end display times are relative to it; an end of
    // 0 or UINT32_MAX means "until the next subtitle or a clear"). Bitmap
    // rectangles are copied; text rectangles are ignored. A subtitle with no
    // rectangles ends the one showing (DVD "clear" commands). A subtitle
    // without a time (AV_NOPTS_VALUE) cannot be placed and is ignored.
    void Add(const AVSubtitle& subtitle, int64_t ptsMicroseconds);

    // Blends every subtitle on screen at `timeMicroseconds` into `frame`
    // (planar YUV, 8 bit: one of PixelFormats()). A reference-counted frame
    // is made writable (av_frame_make_writable) only when something is drawn
    // on it; other frames are drawn on where they are. Subtitles
    // that ended before that time are dropped. 0, or a negative media error
    // code for a picture format it cannot draw on.
    int Blend(AVFrame* frame, int64_t timeMicroseconds);

    // Forgets every subtitle (a new segment in join mode).
    void Clear();
    bool Empty() const;

    // The picture formats Blend draws on, the most common first.
    static const std::vector<AVPixelFormat>& PixelFormats();

private:
    struct TImpl;
    std::unique_ptr<TImpl> FImpl;
};

}  // namespace vidrelo
