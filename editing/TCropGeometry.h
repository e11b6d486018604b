#pragma once
// The crop editor's geometry without widgets: where the picture sits in the
// input preview, the eight drag handles and four lines of the crop
// rectangle, the crop edits they stand for, and how the output preview is
// zoomed and shifted so that only the cropped region shows in its viewport.
//
// Every rounding is to the nearest integer with ties to even (the default
// rounding mode of std::nearbyint), on values computed in double.
#include "engine/DisplayAspect.h"

#include <array>
#include <cstdint>

namespace vidrelo {

// The handles in the order the window creates them.
enum TCropHandle {
    szLeftTop,
    szTopMiddle,
    szRightTop,
    szRightMiddle,
    szRightBottom,
    szBottomMiddle,
    szLeftBottom,
    szLeftMiddle,
    kCropHandleCount
};
enum TCropLine { lntop, lnright, lnBottom, lnleft, kCropLineCount };

struct TCropPoint {
    int X = 0;
    int Y = 0;
    bool operator==(const TCropPoint&) const = default;
};
struct TCropRect {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    bool operator==(const TCropRect&) const = default;
};
// The crop rectangle in frame pixels, as the four edits show it.
struct TCropEdits {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    bool operator==(const TCropEdits&) const = default;
};
// How the picture is fitted into the input preview: the scale and the free
// margin on the axis that is not filled.
struct TPictureFit {
    double Scale = 0;
    double MarginX = 0;  // 0 when the width is filled
    double MarginY = 0;  // 0 when the height is filled
    bool HeightLimited = false;
};

// Round half to even.
int RoundEven(double value);

// The output player's aspect ratio for an item of the aspect box: "Full
// Screen" -1, "4:3" and "16:9" as single-precision figures, "Keep
// Original" (or no item) the source's own.
double OutputAspectRatio(int itemIndex, double sourceAspect);

class TCropGeometry {
public:
    static constexpr int kHandleWidth = 8;
    static constexpr int kHandleHeight = 9;
    static constexpr int kHandleCentre = 4;  // the crop corner is this far right of and below a handle
    static constexpr int kMinimumGap = 8;    // between a dragged handle and its opposite one

    // The input preview (and the output area, which has the same size).
    TCropGeometry(int panelWidth = 319, int panelHeight = 222);

    // The source picture: FW x FH stored pixels. DH is the height it is
    // shown at: with a known display aspect the same figure the conversion
    // uses, else FW / streamAspect (the stream's width x sample aspect /
    // height). False (nothing changed) when no picture size follows.
    bool SetFrame(int frameWidth, int frameHeight, TDisplayAspect aspect, double streamAspect);
    int FW() const { return FFW; }
    int FH() const { return FFH; }
    int DH() const { return FDH; }
    bool HasFrame() const { return FFW > 0 && FFH > 0 && FDH > 0; }
    // FW : DH, the aspect "Keep Original" means; 0 without a frame.
    double SourceAspectRatio() const;
    int PanelWidth() const { return FPW; }
    int PanelHeight() const { return FPH; }

    TPictureFit Fit() const;
    // Where the picture lies in the input preview (left, top, right, bottom).
    std::array<int, 4> PictureBounds() const;

    // The edits, kept inside the frame: 0 <= left < FW, 1 <= width <= FW -
    // left (likewise top and height), so no margin stored from them is ever
    // negative. Returns the edits as kept.
    const TCropEdits& SetEdits(TCropEdits edits);
    const TCropEdits& Edits() const { return FEdits; }
    // The whole frame.
    void ResetEdits();
    // The margins cut off at each edge for the edits.
    void Margins(int& left, int& top, int& right, int& bottom) const;

    // Edits to handles and lines. False (nothing changed) without a frame.
    bool ValuesToCropArea();
    // A drag to `pos` (the handle's new top-left corner, moved along the
    // axes the handle moves on): refused (false, nothing changes) when the
    // handle would not stay strictly on its side of the opposite handle;
    // else placed and HandleMoved.
    bool MoveHandle(TCropHandle handle, TCropPoint pos);
    // Clamps the moved handle into the picture, keeps the minimum gap,
    // copies its edges to its neighbours, re-centres the middle handles,
    // places the lines and recomputes the edits.
    void HandleMoved(TCropHandle handle);
    // Handles to edits (kept inside the frame). False when there is no
    // picture to measure against.
    bool CropAreaToEdits();

    const TCropPoint& Handle(TCropHandle handle) const { return FHandles[handle]; }
    const TCropRect& Line(TCropLine line) const { return FLines[line]; }
    // Moves whether a handle moves horizontally / vertically.
    static bool MovesX(TCropHandle handle);
    static bool MovesY(TCropHandle handle);

    // The output preview for the output player's aspect ratio (> 0 forced,
    // 0 the stream's, -1 fill): the viewport Panel2 inside the output area
    // and the output player's screen panPreview2 inside Panel2. False
    // (nothing changed) when no finite geometry follows (no frame, an empty
    // crop region).
    bool ValuesToPreviewArea(double outputAspect);
    const TCropRect& Viewport() const { return FViewport; }
    const TCropRect& OutputScreen() const { return FOutputScreen; }

private:
    void PlaceCorners();
    void ClampToPicture(TCropHandle handle);
    void KeepMinimumGap(TCropHandle handle);
    void CopyEdges(TCropHandle handle);
    void CentreMiddleHandles();
    void PlaceLines();
    bool StaysOnItsSide(TCropHandle handle, TCropPoint pos) const;
    // The crop region in panel coordinates of the output picture: x0, y0, w, h.
    std::array<double, 4> OutputCropRegion(double outputAspect) const;

    int FPW;
    int FPH;
    int FFW = 0;
    int FFH = 0;
    int FDH = 0;
    TCropEdits FEdits;
    std::array<TCropPoint, kCropHandleCount> FHandles{};
    std::array<TCropRect, kCropLineCount> FLines{};
    TCropRect FViewport;
    TCropRect FOutputScreen;
};

}  // namespace vidrelo
