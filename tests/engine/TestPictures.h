#pragma once
// Pictures and subtitles for the video path tests: frames with their own
// buffers, filled sample by sample and read back, and bitmap subtitles.
#include "engine/loader/AVBindings.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace vidrelo::test {

struct TFrameFree {
    void operator()(AVFrame* frame) const { ff::av_frame_free(&frame); }
};
using TFramePtr = std::unique_ptr<AVFrame, TFrameFree>;

inline uint8_t& SampleAt(const AVFrame& frame, int plane, int x, int y)
{
    return frame.data[plane][static_cast<ptrdiff_t>(y) * frame.linesize[plane] + x];
}

inline int LumaAt(const AVFrame& frame, int x, int y)
{
    return SampleAt(frame, 0, x, y);
}

// An 8-bit planar YUV picture with luma luma(x, y) and neutral chroma.
inline TFramePtr YuvPicture(int width, int height, const std::function<uint8_t(int x, int y)>& luma,
                            AVPixelFormat format = AV_PIX_FMT_YUV420P)
{
    TFramePtr frame(ff::av_frame_alloc());
    frame->format = format;
    frame->width = width;
    frame->height = height;
    frame->sample_aspect_ratio = {1, 1};
    EXPECT_GE(ff::av_frame_get_buffer(frame.get(), 0), 0);
    const AVPixFmtDescriptor* desc = ff::av_pix_fmt_desc_get(format);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            SampleAt(*frame, 0, x, y) = luma(x, y);
    for (int y = 0; y < -((-height) >> desc->log2_chroma_h); ++y)
        for (int x = 0; x < -((-width) >> desc->log2_chroma_w); ++x)
            SampleAt(*frame, 1, x, y) = SampleAt(*frame, 2, x, y) = 128;
    return frame;
}

inline TFramePtr FlatPicture(int width, int height, uint8_t luma)
{
    return YuvPicture(width, height, [luma](int, int) { return luma; });
}

// A subtitle of one bitmap rectangle (x, y, w, h) whose pixels are palette
// index index(x, y) within the rectangle.
class TTestSubtitle {
public:
    TTestSubtitle(int x, int y, int w, int h, std::vector<uint32_t> palette, int (*index)(int, int))
        : FIndices(static_cast<size_t>(w) * h), FPalette(std::move(palette))
    {
        for (int row = 0; row < h; ++row)
            for (int col = 0; col < w; ++col)
                FIndices[row * w + col] = static_cast<uint8_t>(index(col, row));
        FRect.x = x;
        FRect.y = y;
        FRect.w = w;
        FRect.h = h;
        FRect.nb_colors = static_cast<int>(FPalette.size());
        FRect.type = SUBTITLE_BITMAP;
        FRect.data[0] = FIndices.data();
        FRect.data[1] = reinterpret_cast<uint8_t*>(FPalette.data());
        FRect.linesize[0] = w;
        FRects[0] = &FRect;
        FSubtitle.num_rects = 1;
        FSubtitle.rects = FRects;
    }
    // Shown from start to end milliseconds after its packet's time.
    const AVSubtitle& Times(uint32_t startMs, uint32_t endMs)
    {
        FSubtitle.start_display_time = startMs;
        FSubtitle.end_display_time = endMs;
        return FSubtitle;
    }

private:
    std::vector<uint8_t> FIndices;
    std::vector<uint32_t> FPalette;
    AVSubtitleRect FRect{};
    AVSubtitleRect* FRects[1] = {};
    AVSubtitle FSubtitle{};
};

}  // namespace vidrelo::test
