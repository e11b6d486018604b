#include "engine/encoder/TSubtitleBurner.h"

#include "engine/loader/AVBindings.h"

#include <algorithm>
#include <array>
#include <limits>

namespace vidrelo {
namespace {

constexpr int64_t kOpenEnd = std::numeric_limits<int64_t>::max();

struct TYuva {
    uint8_t Y = 16, U = 128, V = 128, A = 0;
};

// 0xAARRGGBB to video-range BT.601 YUV, as DVD players show subpictures.
TYuva ToYuva(uint32_t argb)
{
    const int r = (argb >> 16) & 0xFF, g = (argb >> 8) & 0xFF, b = argb & 0xFF;
    TYuva c;
    c.Y = static_cast<uint8_t>(((66 * r + 129 * g + 25 * b + 128) >> 8) + 16);
    c.U = static_cast<uint8_t>(((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128);
    c.V = static_cast<uint8_t>(((112 * r - 94 * g - 18 * b + 128) >> 8) + 128);
    c.A = static_cast<uint8_t>(argb >> 24);
    return c;
}

// One bitmap rectangle as the decoder gave it, in canvas coordinates.
struct TBitmap {
    int X = 0, Y = 0, W = 0, H = 0;
    std::vector<uint8_t> Indices;      // W * H
    std::array<TYuva, 256> Colours{};  // indices beyond the palette stay transparent
};

// A bitmap as it lands on pictures of one size: clipped to the picture,
// one colour per picture pixel.
struct TPlaced {
    int X = 0, Y = 0, W = 0, H = 0;
    std::vector<TYuva> Pixels;  // W * H
};

struct TSubtitle {
    int64_t Start = 0;
    int64_t End = kOpenEnd;
    std::vector<TBitmap> Bitmaps;
    int PlacedWidth = 0, PlacedHeight = 0;  // the picture size Placed was made for
    std::vector<TPlaced> Placed;
};

// Integer division rounding towards minus infinity.
int64_t FloorDiv(int64_t a, int64_t b)
{
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// Nearest neighbour between a canvas axis of `canvas` samples and a picture
// axis of `picture` samples: the canvas sample under picture sample `d`'s centre.
int64_t SourceOf(int64_t d, int64_t canvas, int64_t picture)
{
    return FloorDiv((2 * d + 1) * canvas, 2 * picture);
}

// The picture samples [first, last) whose centres fall on canvas samples
// [start, start + length), clipped to the picture.
std::pair<int, int> PictureSpan(int start, int length, int canvas, int picture)
{
    const int64_t c = canvas, p = picture;
    const int64_t first = -FloorDiv(-(2 * start * p - c), 2 * c);
    const int64_t last = -FloorDiv(-(2 * (int64_t(start) + length) * p - c), 2 * c);
    return {static_cast<int>(std::clamp<int64_t>(first, 0, p)), static_cast<int>(std::clamp<int64_t>(last, 0, p))};
}

TPlaced Place(const TBitmap& b, int canvasW, int canvasH, int pictureW, int pictureH)
{
    const auto [x0, x1] = PictureSpan(b.X, b.W, canvasW, pictureW);
    const auto [y0, y1] = PictureSpan(b.Y, b.H, canvasH, pictureH);
    TPlaced placed{x0, y0, std::max(0, x1 - x0), std::max(0, y1 - y0), {}};
    placed.Pixels.resize(static_cast<size_t>(placed.W) * placed.H);
    for (int y = 0; y < placed.H; ++y) {
        const int64_t sy = std::clamp<int64_t>(SourceOf(y0 + y, canvasH, pictureH) - b.Y, 0, b.H - 1);
        for (int x = 0; x < placed.W; ++x) {
            const int64_t sx = std::clamp<int64_t>(SourceOf(x0 + x, canvasW, pictureW) - b.X, 0, b.W - 1);
            placed.Pixels[static_cast<size_t>(y) * placed.W + x] = b.Colours[b.Indices[sy * b.W + sx]];
        }
    }
    return placed;
}

uint8_t Mix(int under, int over, int alpha)
{
    return static_cast<uint8_t>((under * (255 - alpha) + over * alpha + 127) / 255);
}

void BlendLuma(const TPlaced& p, AVFrame& frame)
{
    for (int y = 0; y < p.H; ++y) {
        uint8_t* row = frame.data[0] + static_cast<ptrdiff_t>(p.Y + y) * frame.linesize[0] + p.X;
        const TYuva* pixel = &p.Pixels[static_cast<size_t>(y) * p.W];
        for (int x = 0; x < p.W; ++x)
            if (pixel[x].A)
                row[x] = Mix(row[x], pixel[x].Y, pixel[x].A);
    }
}

// Sums of alpha and alpha-weighted chroma over the picture pixels of one
// chroma block that the bitmap covers.
struct TBlockSums {
    int Count = 0;  // picture pixels in the block
    int A = 0, U = 0, V = 0;
};

TBlockSums SumBlock(const TPlaced& p, const AVFrame& frame, int cx, int cy, int shiftW, int shiftH)
{
    TBlockSums s;
    const int bx0 = cx << shiftW, bx1 = std::min((cx + 1) << shiftW, frame.width);
    const int by0 = cy << shiftH, by1 = std::min((cy + 1) << shiftH, frame.height);
    s.Count = (bx1 - bx0) * (by1 - by0);
    for (int y = std::max(by0, p.Y); y < std::min(by1, p.Y + p.H); ++y)
        for (int x = std::max(bx0, p.X); x < std::min(bx1, p.X + p.W); ++x) {
            const TYuva& c = p.Pixels[static_cast<size_t>(y - p.Y) * p.W + (x - p.X)];
            s.A += c.A;
            s.U += c.A * c.U;
            s.V += c.A * c.V;
        }
    return s;
}

uint8_t MixBlock(int under, int weightedOver, int alphaSum, int count)
{
    const int full = 255 * count;
    return static_cast<uint8_t>((under * (full - alphaSum) + weightedOver + full / 2) / full);
}

void BlendChroma(const TPlaced& p, AVFrame& frame, const AVPixFmtDescriptor& desc)
{
    const int sw = desc.log2_chroma_w, sh = desc.log2_chroma_h;
    for (int cy = p.Y >> sh; cy <= (p.Y + p.H - 1) >> sh; ++cy) {
        uint8_t* u = frame.data[1] + static_cast<ptrdiff_t>(cy) * frame.linesize[1];
        uint8_t* v = frame.data[2] + static_cast<ptrdiff_t>(cy) * frame.linesize[2];
        for (int cx = p.X >> sw; cx <= (p.X + p.W - 1) >> sw; ++cx) {
            const TBlockSums s = SumBlock(p, frame, cx, cy, sw, sh);
            if (s.A == 0)
                continue;
            u[cx] = MixBlock(u[cx], s.U, s.A, s.Count);
            v[cx] = MixBlock(v[cx], s.V, s.A, s.Count);
        }
    }
}

bool CopyBitmap(const AVSubtitleRect& rect, TBitmap& b)
{
    if (rect.type != SUBTITLE_BITMAP || rect.w <= 0 || rect.h <= 0 || !rect.data[0] || !rect.data[1] ||
        rect.nb_colors <= 0 || rect.linesize[0] < rect.w)
        return false;
    b.X = rect.x;
    b.Y = rect.y;
    b.W = rect.w;
    b.H = rect.h;
    b.Indices.resize(static_cast<size_t>(rect.w) * rect.h);
    for (int y = 0; y < rect.h; ++y)
        std::copy_n(rect.data[0] + static_cast<ptrdiff_t>(y) * rect.linesize[0], rect.w,
                    b.Indices.begin() + static_cast<ptrdiff_t>(y) * rect.w);
    const auto* palette = reinterpret_cast<const uint32_t*>(rect.data[1]);
    for (int i = 0; i < std::min(rect.nb_colors, 256); ++i)
        b.Colours[i] = ToYuva(palette[i]);
    return true;
}

bool Drawable(int format)
{
    const std::vector<AVPixelFormat>& formats = TSubtitleBurner::PixelFormats();
    return std::find(formats.begin(), formats.end(), format) != formats.end();
}

}  // namespace

struct TSubtitleBurner::TImpl {
    int CanvasWidth = 0, CanvasHeight = 0;
    std::vector<TSubtitle> Subtitles;  // in the order they came

    // Whatever is on screen at `at` stops there; `all` also cuts subtitles
    // whose own end comes later (a clear), otherwise only open-ended ones.
    void EndShowing(int64_t at, bool all)
    {
        for (TSubtitle& s : Subtitles)
            if (s.Start <= at && s.End > at && (all || s.End == kOpenEnd))
                s.End = at;
    }

    void Draw(TSubtitle& s, AVFrame& frame, const AVPixFmtDescriptor& desc)
    {
        if (s.PlacedWidth != frame.width || s.PlacedHeight != frame.height) {
            const int cw = CanvasWidth > 0 ? CanvasWidth : frame.width;
            const int ch = CanvasHeight > 0 ? CanvasHeight : frame.height;
            s.Placed.clear();
            for (const TBitmap& b : s.Bitmaps)
                s.Placed.push_back(Place(b, cw, ch, frame.width, frame.height));
            s.PlacedWidth = frame.width;
            s.PlacedHeight = frame.height;
        }
        for (const TPlaced& p : s.Placed)
            if (p.W > 0 && p.H > 0) {
                BlendLuma(p, frame);
                BlendChroma(p, frame, desc);
            }
    }
};

TSubtitleBurner::TSubtitleBurner() : FImpl(std::make_unique<TImpl>()) {}

TSubtitleBurner::~TSubtitleBurner() = default;

const std::vector<AVPixelFormat>& TSubtitleBurner::PixelFormats()
{
    static const std::vector<AVPixelFormat> formats{
        AV_PIX_FMT_YUV420P,  AV_PIX_FMT_YUV422P,  AV_PIX_FMT_YUV444P,  AV_PIX_FMT_YUV410P,  AV_PIX_FMT_YUV411P,
        AV_PIX_FMT_YUV440P,  AV_PIX_FMT_YUVJ420P, AV_PIX_FMT_YUVJ422P, AV_PIX_FMT_YUVJ444P, AV_PIX_FMT_YUVJ440P,
        AV_PIX_FMT_YUVA420P, AV_PIX_FMT_YUVA422P, AV_PIX_FMT_YUVA444P};
    return formats;
}

void TSubtitleBurner::SetCanvasSize(int width, int height)
{
    FImpl->CanvasWidth = width;
    FImpl->CanvasHeight = height;
    for (TSubtitle& s : FImpl->Subtitles)
        s.PlacedWidth = s.PlacedHeight = 0;  // placed for the old canvas
}

void TSubtitleBurner::Add(const AVSubtitle& subtitle, int64_t ptsMicroseconds)
{
    if (ptsMicroseconds == AV_NOPTS_VALUE)
        return;
    TSubtitle s;
    s.Start = ptsMicroseconds + int64_t(subtitle.start_display_time) * 1000;
    const uint32_t end = subtitle.end_display_time;
    if (end != 0 && end != UINT32_MAX)
        s.End = ptsMicroseconds + int64_t(end) * 1000;
    if (subtitle.num_rects == 0) {
        FImpl->EndShowing(s.Start, true);
        return;
    }
    for (unsigned i = 0; i < subtitle.num_rects; ++i) {
        TBitmap b;
        if (subtitle.rects[i] && CopyBitmap(*subtitle.rects[i], b))
            s.Bitmaps.push_back(std::move(b));
    }
    if (s.Bitmaps.empty() || s.End <= s.Start)
        return;
    FImpl->EndShowing(s.Start, false);
    FImpl->Subtitles.push_back(std::move(s));
}

int TSubtitleBurner::Blend(AVFrame* frame, int64_t timeMicroseconds)
{
    if (!frame || !Drawable(frame->format) || frame->width <= 0 || frame->height <= 0 || !frame->data[0] ||
        !frame->data[1] || !frame->data[2])
        return AVERROR(EINVAL);
    std::erase_if(FImpl->Subtitles, [&](const TSubtitle& s) { return s.End <= timeMicroseconds; });
    const AVPixFmtDescriptor* desc = ff::av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame->format));
    bool writable = false;
    for (TSubtitle& s : FImpl->Subtitles) {
        if (s.Start > timeMicroseconds)
            continue;
        if (!writable && frame->buf[0]) {
            if (const int r = ff::av_frame_make_writable(frame); r < 0)
                return r;
        }
        writable = true;
        FImpl->Draw(s, *frame, *desc);
    }
    return 0;
}

void TSubtitleBurner::Clear()
{
    FImpl->Subtitles.clear();
}

bool TSubtitleBurner::Empty() const
{
    return FImpl->Subtitles.empty();
}

}  // namespace vidrelo
