#include "engine/probe/BorderMeasure.h"

#include <algorithm>

namespace vidrelo {
namespace {

// How far above black (on the 16..235 scale) a value may be and still count
// as black: enough for the noise and the lifted black of analogue
// transfers, well below any picture content that is meant to be seen.
constexpr int kLimitedBlack = 16;
constexpr int kLevelAboveBlack = 16;
// A line is black when no more than this share of its values is brighter:
// dropouts, sparkles and stray subtitle pixels do not make a bar picture.
constexpr int kStrayDivisor = 32;
// A picture with less than this share of bright values gives no evidence.
constexpr int kDarkDivisor = 50;

int Threshold(bool fullRange)
{
    return fullRange ? (kLevelAboveBlack * 255 + 218) / 219 : kLimitedBlack + kLevelAboveBlack;
}

class TLumaScan {
public:
    explicit TLumaScan(const TLumaPicture& picture) : P(picture), Limit(Threshold(picture.FullRange)) {}

    int BrightInRow(int y) const
    {
        const uint8_t* row = P.Data + static_cast<std::ptrdiff_t>(y) * P.Stride;
        return static_cast<int>(std::count_if(row, row + P.Width, [this](uint8_t v) { return v >= Limit; }));
    }
    int BrightInColumn(int x) const
    {
        int bright = 0;
        for (int y = 0; y < P.Height; ++y)
            bright += P.Data[static_cast<std::ptrdiff_t>(y) * P.Stride + x] >= Limit;
        return bright;
    }
    bool RowBlack(int y) const { return BrightInRow(y) * kStrayDivisor <= P.Width; }
    bool ColumnBlack(int x) const { return BrightInColumn(x) * kStrayDivisor <= P.Height; }

    // Bright values in the whole picture are too few to tell bars from a
    // dark scene.
    bool Dark() const
    {
        int64_t bright = 0;
        for (int y = 0; y < P.Height; ++y)
            bright += BrightInRow(y);
        return bright * kDarkDivisor < int64_t(P.Width) * P.Height;
    }

private:
    const TLumaPicture& P;
    int Limit;
};

// How many lines from one edge are black, walking inwards.
template <typename TBlack>
int BlackRun(int count, bool fromEnd, TBlack black)
{
    int run = 0;
    while (run < count && black(fromEnd ? count - 1 - run : run))
        ++run;
    return run;
}

}  // namespace

std::optional<TBorderMargins> MeasurePicture(const TLumaPicture& picture)
{
    if (!picture.Data || picture.Width <= 0 || picture.Height <= 0)
        return std::nullopt;
    const TLumaScan scan(picture);
    if (scan.Dark())
        return std::nullopt;
    const auto row = [&scan](int y) { return scan.RowBlack(y); };
    const auto column = [&scan](int x) { return scan.ColumnBlack(x); };
    TBorderMargins m;
    m.Top = BlackRun(picture.Height, false, row);
    m.Bottom = m.Top == picture.Height ? 0 : BlackRun(picture.Height, true, row);
    m.Left = BlackRun(picture.Width, false, column);
    m.Right = m.Left == picture.Width ? 0 : BlackRun(picture.Width, true, column);
    const int64_t kept = int64_t(picture.Width - m.Left - m.Right) * (picture.Height - m.Top - m.Bottom);
    if (kept * 4 < int64_t(picture.Width) * picture.Height)
        return std::nullopt;
    return m;
}

TBorderMargins CombineMargins(const std::vector<TBorderMargins>& measured)
{
    if (measured.empty())
        return {};
    TBorderMargins m = measured.front();
    for (const TBorderMargins& next : measured) {
        m.Left = std::min(m.Left, next.Left);
        m.Top = std::min(m.Top, next.Top);
        m.Right = std::min(m.Right, next.Right);
        m.Bottom = std::min(m.Bottom, next.Bottom);
    }
    // Rounding down moves each edge outwards: an odd line of picture is
    // kept rather than half of it cut.
    for (int32_t* margin : {&m.Left, &m.Top, &m.Right, &m.Bottom})
        *margin &= ~1;
    return m;
}

}  // namespace vidrelo
