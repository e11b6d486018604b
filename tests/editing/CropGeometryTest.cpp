// The crop editor's geometry: the picture in the 319 x 222 input preview,
// the handles for the edits and back, dragging, and the output viewport.
#include "editing/TCropGeometry.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace vidrelo;

namespace {

TCropGeometry Frame(int fw, int fh, TDisplayAspect aspect, TCropEdits edits = {})
{
    TCropGeometry g;
    EXPECT_TRUE(g.SetFrame(fw, fh, aspect, 0));
    if (edits == TCropEdits{})
        g.ResetEdits();
    else
        g.SetEdits(edits);
    EXPECT_TRUE(g.ValuesToCropArea());
    return g;
}

TCropPoint Corner(const TCropGeometry& g, TCropHandle h)
{
    return {g.Handle(h).X + 4, g.Handle(h).Y + 4};
}

struct TFitCase {
    const char* Name;
    int FW, FH;
    TDisplayAspect Aspect;
    int DH;
    bool HeightLimited;
    std::array<int, 4> Bounds;
};

TEST(CropGeometryTest, AFrameWithoutCropHasItsHandlesOnThePictureCorners)
{
    const TFitCase cases[] = {
        // 319 / 720 scale: 179.4 rows high, equal margins above and below.
        {"NTSC 16:9", 720, 480, {16, 9}, 405, false, {0, 21, 319, 201}},
        {"NTSC 4:3", 720, 480, {4, 3}, 540, true, {12, 0, 308, 222}},
        // 296 wide: the 11.5 margin rounds to 12, its right edge 307.5 to 308.
        {"PAL 4:3", 720, 576, {4, 3}, 540, true, {12, 0, 308, 222}},
        {"square 320x240", 320, 240, {}, 240, true, {12, 0, 308, 222}},
    };
    for (const TFitCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TCropGeometry g;
        ASSERT_TRUE(g.SetFrame(c.FW, c.FH, c.Aspect, static_cast<double>(c.FW) / c.FH));
        g.ResetEdits();
        ASSERT_TRUE(g.ValuesToCropArea());
        EXPECT_EQ(g.DH(), c.DH);
        EXPECT_EQ(g.Fit().HeightLimited, c.HeightLimited);
        const auto b = g.PictureBounds();
        EXPECT_EQ(b, c.Bounds);
        EXPECT_EQ(Corner(g, szLeftTop), (TCropPoint{b[0], b[1]}));
        EXPECT_EQ(Corner(g, szRightBottom), (TCropPoint{b[2], b[3]}));
        EXPECT_EQ(Corner(g, szLeftBottom), (TCropPoint{b[0], b[3]}));
        EXPECT_EQ(Corner(g, szRightTop), (TCropPoint{b[2], b[1]}));
        EXPECT_EQ(g.Handle(szTopMiddle).Y, g.Handle(szLeftTop).Y);
        EXPECT_EQ(g.Line(lntop), (TCropRect{b[0], b[1], b[2] - b[0], 1}));
        EXPECT_EQ(g.Line(lnleft), (TCropRect{b[0], b[1], 1, b[3] - b[1]}));
        // Back to the edits: the whole frame, not a pixel outside it.
        ASSERT_TRUE(g.CropAreaToEdits());
        EXPECT_EQ(g.Edits(), (TCropEdits{0, 0, c.FW, c.FH}));
    }
}

TEST(CropGeometryTest, EditsSurviveTheWayThroughTheHandles)
{
    const TCropEdits cases[] = {{100, 60, 500, 360}, {8, 0, 704, 480}, {0, 72, 720, 336}, {300, 200, 40, 40}};
    for (const TCropEdits& e : cases) {
        SCOPED_TRACE(e.Left);
        TCropGeometry g = Frame(720, 480, {16, 9}, e);
        ASSERT_TRUE(g.CropAreaToEdits());
        // One preview pixel is 2.26 frame pixels (2.68 rows).
        EXPECT_LE(std::abs(g.Edits().Left - e.Left), 2);
        EXPECT_LE(std::abs(g.Edits().Top - e.Top), 3);
        EXPECT_LE(std::abs(g.Edits().Width - e.Width), 3);
        EXPECT_LE(std::abs(g.Edits().Height - e.Height), 3);
    }
}

TEST(CropGeometryTest, DragsAreRefusedHeldAndClamped)
{
    TCropGeometry g = Frame(720, 480, {16, 9});
    const TCropPoint rb = g.Handle(szRightBottom);
    const TCropPoint lt = g.Handle(szLeftTop);

    // Past the opposite corner: nothing changes.
    EXPECT_FALSE(g.MoveHandle(szLeftTop, {rb.X + 5, rb.Y + 5}));
    EXPECT_FALSE(g.MoveHandle(szLeftTop, {rb.X, lt.Y}));
    EXPECT_EQ(g.Handle(szLeftTop), lt);
    EXPECT_FALSE(g.MoveHandle(szBottomMiddle, {0, lt.Y - 1}));

    // Within 8 pixels of it: held at 8.
    EXPECT_TRUE(g.MoveHandle(szLeftTop, {rb.X - 3, rb.Y - 3}));
    EXPECT_EQ(g.Handle(szLeftTop), (TCropPoint{rb.X - 8, rb.Y - 8}));
    EXPECT_EQ(g.Handle(szLeftBottom).X, rb.X - 8);
    EXPECT_EQ(g.Handle(szRightTop).Y, rb.Y - 8);
    EXPECT_EQ(g.Line(lntop).Width, 8);

    // Out of the picture: held on its edge, and the edits follow.
    EXPECT_TRUE(g.MoveHandle(szLeftTop, {-50, -50}));
    EXPECT_EQ(Corner(g, szLeftTop), (TCropPoint{0, 21}));
    EXPECT_EQ(g.Edits().Left, 0);
    EXPECT_EQ(g.Edits().Top, 0);

    // A middle handle moves on its own axis only and drags its corners.
    EXPECT_TRUE(g.MoveHandle(szRightMiddle, {200, 5}));
    EXPECT_EQ(g.Handle(szRightMiddle).X, 200);
    EXPECT_EQ(g.Handle(szRightMiddle).Y, g.Handle(szRightTop).Y + (g.Handle(szRightBottom).Y - g.Handle(szRightTop).Y) / 2);
    EXPECT_EQ(g.Handle(szRightTop).X, 200);
    EXPECT_EQ(g.Handle(szRightBottom).X, 200);
    EXPECT_EQ(g.Edits().Width, RoundEven(204 * 720 / 319.0));
}

TEST(CropGeometryTest, EditsStayInsideTheFrame)
{
    TCropGeometry g;
    ASSERT_TRUE(g.SetFrame(720, 480, {16, 9}, 0));
    struct {
        TCropEdits In, Kept;
    } cases[] = {
        {{700, -5, 100, 600}, {700, 0, 20, 480}},
        {{720, 480, 5, 5}, {719, 479, 1, 1}},
        {{-3, 10, 0, -1}, {0, 10, 1, 1}},
        {{16, 8, 688, 464}, {16, 8, 688, 464}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(g.SetEdits(c.In), c.Kept);
        int l, t, r, b;
        g.Margins(l, t, r, b);
        EXPECT_GE(std::min({l, t, r, b}), 0);
    }
}

struct TPreviewCase {
    const char* Name;
    int Item;
    TCropEdits Edits;
    TCropRect Viewport, Screen;
};

TEST(CropGeometryTest, TheOutputViewportShowsTheCropRegion)
{
    const TPreviewCase cases[] = {
        {"nothing cropped", 0, {0, 0, 720, 480}, {0, 22, 319, 179}, {0, -21, 319, 222}},
        {"full screen fills the area", 1, {0, 0, 720, 480}, {0, 0, 319, 222}, {0, 0, 319, 222}},
        {"letterbox cut", 0, {0, 60, 720, 360}, {0, 44, 319, 135}, {0, -44, 319, 222}},
        {"left half", 0, {0, 0, 360, 480}, {61, 0, 197, 222}, {0, -26, 395, 275}},
        {"4:3 of the whole", 2, {0, 0, 720, 480}, {12, 0, 296, 222}, {-11, 0, 319, 222}},
    };
    for (const TPreviewCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TCropGeometry g = Frame(720, 480, {16, 9}, c.Edits);
        ASSERT_TRUE(g.ValuesToPreviewArea(OutputAspectRatio(c.Item, g.SourceAspectRatio())));
        EXPECT_EQ(g.Viewport(), c.Viewport);
        EXPECT_EQ(g.OutputScreen(), c.Screen);
    }
}

TEST(CropGeometryTest, NoGeometryWithoutAFrame)
{
    TCropGeometry g;
    EXPECT_FALSE(g.SetFrame(0, 480, {16, 9}, 0));
    EXPECT_FALSE(g.SetFrame(720, 480, {}, 0));  // neither the disc's aspect nor the stream's
    EXPECT_FALSE(g.ValuesToCropArea());
    EXPECT_FALSE(g.CropAreaToEdits());
    EXPECT_FALSE(g.ValuesToPreviewArea(1.5));
    EXPECT_EQ(OutputAspectRatio(3, 1.5), static_cast<double>(16.0f / 9.0f));
    EXPECT_EQ(OutputAspectRatio(-1, 1.5), 1.5);
}

}  // namespace
