#include "editing/TCropGeometry.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace vidrelo {

namespace {

constexpr int C = TCropGeometry::kHandleCentre;

bool ControlsLeft(TCropHandle h) { return h == szLeftTop || h == szLeftBottom || h == szLeftMiddle; }
bool ControlsRight(TCropHandle h) { return h == szRightTop || h == szRightBottom || h == szRightMiddle; }
bool ControlsTop(TCropHandle h) { return h == szLeftTop || h == szRightTop || h == szTopMiddle; }
bool ControlsBottom(TCropHandle h) { return h == szLeftBottom || h == szRightBottom || h == szBottomMiddle; }

bool Finite(std::initializer_list<double> values)
{
    return std::all_of(values.begin(), values.end(), [](double v) {
        return std::isfinite(v) && std::fabs(v) < std::numeric_limits<int>::max() / 2.0;
    });
}

}  // namespace

int RoundEven(double value)
{
    return static_cast<int>(std::nearbyint(value));
}

double OutputAspectRatio(int itemIndex, double sourceAspect)
{
    switch (itemIndex) {
    case 1: return -1;
    case 2: return static_cast<double>(4.0f / 3.0f);
    case 3: return static_cast<double>(16.0f / 9.0f);
    default: return sourceAspect;
    }
}

TCropGeometry::TCropGeometry(int panelWidth, int panelHeight) : FPW(panelWidth), FPH(panelHeight) {}

bool TCropGeometry::SetFrame(int frameWidth, int frameHeight, TDisplayAspect aspect, double streamAspect)
{
    if (frameWidth <= 0 || frameHeight <= 0)
        return false;
    int dh = 0;
    if (aspect.Known()) {
        try {
            dh = ShownHeight(frameHeight, frameWidth, frameHeight, aspect);
        } catch (const std::range_error&) {
            return false;
        }
    } else if (streamAspect > 0 && Finite({frameWidth / streamAspect})) {
        dh = RoundEven(frameWidth / streamAspect);
    }
    if (dh <= 0)
        return false;
    FFW = frameWidth;
    FFH = frameHeight;
    FDH = dh;
    return true;
}

double TCropGeometry::SourceAspectRatio() const
{
    return HasFrame() ? static_cast<double>(FFW) / FDH : 0;
}

TPictureFit TCropGeometry::Fit() const
{
    TPictureFit fit;
    if (!HasFrame())
        return fit;
    const double pw = FPW, ph = FPH;
    fit.HeightLimited = pw > FFW * (ph / FDH);
    if (fit.HeightLimited) {
        fit.Scale = ph / FDH;
        fit.MarginX = pw - FFW * fit.Scale;
    } else {
        fit.Scale = pw / FFW;
        fit.MarginY = ph - FDH * fit.Scale;
    }
    return fit;
}

std::array<int, 4> TCropGeometry::PictureBounds() const
{
    const TPictureFit fit = Fit();
    if (fit.Scale == 0)
        return {0, 0, FPW, FPH};
    const double s = fit.Scale;
    if (fit.HeightLimited) {
        const double margin = (FPW - FFW * s) / 2;
        return {RoundEven(margin), 0, RoundEven(margin + FFW * s), RoundEven(FDH * s)};
    }
    const double margin = (FPH - FDH * s) / 2;
    return {0, RoundEven(margin), RoundEven(FFW * s), RoundEven(margin + FDH * s)};
}

const TCropEdits& TCropGeometry::SetEdits(TCropEdits e)
{
    e.Left = std::max(e.Left, 0);
    e.Top = std::max(e.Top, 0);
    e.Width = std::max(e.Width, 0);
    e.Height = std::max(e.Height, 0);
    if (FFW > 0) {
        e.Left = std::min(e.Left, FFW - 1);
        e.Width = std::clamp(e.Width, 1, FFW - e.Left);
    }
    if (FFH > 0) {
        e.Top = std::min(e.Top, FFH - 1);
        e.Height = std::clamp(e.Height, 1, FFH - e.Top);
    }
    FEdits = e;
    return FEdits;
}

void TCropGeometry::ResetEdits()
{
    SetEdits({0, 0, FFW, FFH});
}

void TCropGeometry::Margins(int& left, int& top, int& right, int& bottom) const
{
    left = FEdits.Left;
    top = FEdits.Top;
    right = FFW - FEdits.Width - FEdits.Left;
    bottom = FFH - FEdits.Height - FEdits.Top;
}

bool TCropGeometry::ValuesToCropArea()
{
    const TPictureFit fit = Fit();
    if (fit.Scale == 0)
        return false;
    const double s = fit.Scale, mx = fit.MarginX, my = fit.MarginY;
    const double L = FEdits.Left, T = FEdits.Top, W = FEdits.Width, H = FEdits.Height;
    const double x0 = L * s + mx / 2, y0 = T * FDH / FFH * s + my / 2;
    const double x1 = (L + W) * s + mx / 2, y1 = (T * FDH / FFH + H * FDH / FFH) * s + my / 2;
    if (!Finite({x0, y0, x1, y1}))
        return false;
    FHandles[szLeftTop] = {RoundEven(x0) - C, RoundEven(y0) - C};
    FHandles[szRightBottom] = {RoundEven(x1) - C, RoundEven(y1) - C};
    PlaceCorners();
    CentreMiddleHandles();
    PlaceLines();
    return true;
}

void TCropGeometry::PlaceCorners()
{
    FHandles[szLeftBottom] = {FHandles[szLeftTop].X, FHandles[szRightBottom].Y};
    FHandles[szRightTop] = {FHandles[szRightBottom].X, FHandles[szLeftTop].Y};
}

bool TCropGeometry::MovesX(TCropHandle h)
{
    return h != szTopMiddle && h != szBottomMiddle;
}

bool TCropGeometry::MovesY(TCropHandle h)
{
    return h != szLeftMiddle && h != szRightMiddle;
}

bool TCropGeometry::StaysOnItsSide(TCropHandle h, TCropPoint p) const
{
    const auto& H = FHandles;
    switch (h) {
    case szLeftTop: return p.X < H[szRightBottom].X && p.Y < H[szRightBottom].Y;
    case szRightBottom: return p.X > H[szLeftTop].X && p.Y > H[szLeftTop].Y;
    case szLeftBottom: return p.X < H[szRightTop].X && p.Y > H[szRightTop].Y;
    case szRightTop: return p.X > H[szLeftBottom].X && p.Y < H[szLeftBottom].Y;
    case szTopMiddle: return p.Y < H[szBottomMiddle].Y;
    case szBottomMiddle: return p.Y > H[szTopMiddle].Y;
    case szLeftMiddle: return p.X < H[szRightMiddle].X;
    case szRightMiddle: return p.X > H[szLeftMiddle].X;
    default: return false;
    }
}

bool TCropGeometry::MoveHandle(TCropHandle handle, TCropPoint pos)
{
    if (handle < 0 || handle >= kCropHandleCount)
        return false;
    if (!MovesX(handle))
        pos.X = FHandles[handle].X;
    if (!MovesY(handle))
        pos.Y = FHandles[handle].Y;
    if (!StaysOnItsSide(handle, pos))
        return false;
    FHandles[handle] = pos;
    HandleMoved(handle);
    return true;
}

void TCropGeometry::HandleMoved(TCropHandle handle)
{
    ClampToPicture(handle);
    KeepMinimumGap(handle);
    CopyEdges(handle);
    CentreMiddleHandles();
    PlaceLines();
    CropAreaToEdits();
}

void TCropGeometry::ClampToPicture(TCropHandle h)
{
    const auto [left, top, right, bottom] = PictureBounds();
    TCropPoint& p = FHandles[h];
    if (ControlsLeft(h) && p.X + C < left)
        p.X = left - C;
    if (ControlsRight(h) && p.X + C > right)
        p.X = right - C;
    if (ControlsTop(h) && p.Y + C < top)
        p.Y = top - C;
    if (ControlsBottom(h) && p.Y + C > bottom)
        p.Y = bottom - C;
}

void TCropGeometry::KeepMinimumGap(TCropHandle h)
{
    const auto& H = FHandles;
    TCropPoint& p = FHandles[h];
    const int g = kMinimumGap;
    // The dragged handle goes back when it came closer than the gap.
    auto notRightOf = [&](int otherX) { p.X = std::min(p.X, otherX - g); };
    auto notLeftOf = [&](int otherX) { p.X = std::max(p.X, otherX + g); };
    auto notBelow = [&](int otherY) { p.Y = std::min(p.Y, otherY - g); };
    auto notAbove = [&](int otherY) { p.Y = std::max(p.Y, otherY + g); };
    switch (h) {
    case szLeftTop: notRightOf(H[szRightTop].X); notBelow(H[szLeftBottom].Y); break;
    case szRightBottom: notLeftOf(H[szLeftTop].X); notAbove(H[szLeftTop].Y); break;
    case szLeftBottom: notRightOf(H[szRightBottom].X); notAbove(H[szLeftTop].Y); break;
    case szRightTop: notLeftOf(H[szLeftTop].X); notBelow(H[szRightBottom].Y); break;
    case szTopMiddle: notBelow(H[szRightBottom].Y); break;
    case szBottomMiddle: notAbove(H[szTopMiddle].Y); break;
    case szLeftMiddle: notRightOf(H[szRightMiddle].X); break;
    case szRightMiddle: notLeftOf(H[szLeftMiddle].X); break;
    default: break;
    }
}

void TCropGeometry::CopyEdges(TCropHandle h)
{
    auto& H = FHandles;
    const TCropPoint p = H[h];
    switch (h) {
    case szLeftTop: H[szLeftBottom].X = p.X; H[szRightTop].Y = p.Y; break;
    case szRightBottom: H[szLeftBottom].Y = p.Y; H[szRightTop].X = p.X; break;
    case szLeftBottom: H[szLeftTop].X = p.X; H[szRightBottom].Y = p.Y; break;
    case szRightTop: H[szLeftTop].Y = p.Y; H[szRightBottom].X = p.X; break;
    case szTopMiddle: H[szLeftTop].Y = p.Y; H[szRightTop].Y = p.Y; break;
    case szBottomMiddle: H[szLeftBottom].Y = p.Y; H[szRightBottom].Y = p.Y; break;
    case szLeftMiddle: H[szLeftTop].X = p.X; H[szLeftBottom].X = p.X; break;
    case szRightMiddle: H[szRightTop].X = p.X; H[szRightBottom].X = p.X; break;
    default: break;
    }
}

void TCropGeometry::CentreMiddleHandles()
{
    auto& H = FHandles;
    const TCropPoint lt = H[szLeftTop], rt = H[szRightTop], lb = H[szLeftBottom], rb = H[szRightBottom];
    H[szLeftMiddle] = {lt.X, lt.Y + (lb.Y - lt.Y) / 2};
    H[szTopMiddle] = {lt.X + (rt.X - lt.X) / 2, lt.Y};
    H[szBottomMiddle] = {lb.X + (rb.X - lb.X) / 2, lb.Y};
    H[szRightMiddle] = {rt.X, rt.Y + (rb.Y - rt.Y) / 2};
}

void TCropGeometry::PlaceLines()
{
    const auto& H = FHandles;
    const TCropPoint lt = H[szLeftTop], rt = H[szRightTop], lb = H[szLeftBottom], rb = H[szRightBottom];
    const int width = rt.X - lt.X;
    FLines[lnleft] = {lt.X + C, lt.Y + C, 1, lb.Y - lt.Y};
    FLines[lnright] = {rt.X + C, rt.Y + C, 1, rb.Y - rt.Y};
    FLines[lntop] = {lt.X + C, lt.Y + C, width, 1};
    FLines[lnBottom] = {lb.X + C, lb.Y + C, width, 1};
}

bool TCropGeometry::CropAreaToEdits()
{
    const TPictureFit fit = Fit();
    if (fit.Scale == 0)
        return false;
    const double s = fit.Scale, mx = fit.MarginX, my = fit.MarginY;
    const TCropPoint lt = FHandles[szLeftTop], rb = FHandles[szRightBottom];
    int left = RoundEven((lt.X + C - mx / 2) / s);
    int shownTop = RoundEven((lt.Y + C - my / 2) / s);
    int right = RoundEven((rb.X + C - mx / 2) / s);
    int shownBottom = RoundEven((rb.Y + C - my / 2) / s);
    // The bounds are rounded, the margins are not: a corner on a bound
    // stands for the frame's edge, or a half-pixel margin would cut a row.
    const auto [boundLeft, boundTop, boundRight, boundBottom] = PictureBounds();
    if (lt.X + C <= boundLeft)
        left = 0;
    if (lt.Y + C <= boundTop)
        shownTop = 0;
    if (rb.X + C >= boundRight)
        right = FFW;
    if (rb.Y + C >= boundBottom)
        shownBottom = FDH;
    const double rows = static_cast<double>(FFH) / FDH;
    SetEdits({left, RoundEven(rows * shownTop), right - left, RoundEven(rows * (shownBottom - shownTop))});
    return true;
}

std::array<double, 4> TCropGeometry::OutputCropRegion(double A2) const
{
    const double pw = FPW, ph = FPH, fw = FFW, dh = FDH;
    const double L = FEdits.Left, T = FEdits.Top, W = FEdits.Width, H = FEdits.Height;
    const double a = fw / dh, rows = static_cast<double>(FFH) / FDH;
    double p = A2 == 0 ? 1 : A2 / a;
    double x0, y0, w, y1;
    if (pw > fw * (ph / dh) * p) {  // limited by the height
        double D = fw;
        if (A2 == -1) {
            const double e = pw / ph;
            D = RoundEven(dh * e);
            p = e / a;
        } else if (A2 > 1) {
            D = RoundEven(A2 * dh);
            p = A2 / a;
        }
        const double s = ph / dh, m = pw - D * s;
        x0 = L * s * p + m / 2;
        y0 = s * T / rows;
        w = p * s * (W + L) + m / 2 - x0;
        y1 = s * (T + H) / rows;
    } else {
        double D = dh;
        if (A2 == -1) {
            const double e = pw / ph;
            D = RoundEven(fw / e);
            p = e / a;
        } else if (A2 > 1) {
            D = RoundEven(fw / A2);
            p = A2 / a;
        }
        const double s = pw / fw, m = ph - D * s;
        x0 = s * L;
        y0 = T / rows * s / p + m / 2;
        w = s * (W + L) - x0;
        y1 = s * ((T + H) / rows) / p + m / 2;
    }
    return {x0, y0, w, y1 - y0};
}

bool TCropGeometry::ValuesToPreviewArea(double outputAspect)
{
    if (!HasFrame() || !std::isfinite(outputAspect))
        return false;
    const auto [x0, y0, w, h] = OutputCropRegion(outputAspect);
    if (!Finite({x0, y0, w, h}) || w <= 0 || h <= 0)
        return false;
    const double pw = FPW, ph = FPH;
    TCropRect viewport;
    double vw, vh;
    if (pw / ph >= w / h) {
        viewport.Height = FPH;
        viewport.Width = RoundEven(FPH * w / h);
        viewport.Left = RoundEven(FPW / 2.0 - viewport.Width / 2.0);
        vw = ph * w / h;
        vh = ph;
    } else {
        viewport.Width = FPW;
        viewport.Height = RoundEven(FPW * h / w);
        viewport.Top = RoundEven(FPH / 2.0 - viewport.Height / 2.0);
        vw = pw;
        vh = pw * h / w;
    }
    const double zx = vw / w, zy = vh / h;
    if (!Finite({pw * zx, ph * zy, pw * zx * x0 / pw, ph * zy * y0 / ph}))
        return false;
    FViewport = viewport;
    FOutputScreen = {-RoundEven(pw * zx * x0 / pw), -RoundEven(ph * zy * y0 / ph), RoundEven(pw * zx),
                     RoundEven(ph * zy)};
    return true;
}

}  // namespace vidrelo
