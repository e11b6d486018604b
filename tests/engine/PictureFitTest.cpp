// Fitting a picture into the player's surface: the aspect the stream or the
// player asks for, bars on the sides or above and below, even sizes.
#include "engine/player/PictureFit.h"

#include <gtest/gtest.h>

namespace {

using vidrelo::FitPicture;
using vidrelo::TFitRect;

TEST(PictureFitTest, ThePictureKeepsItsAspectInsideTheSurface)
{
    const struct {
        int SurfaceW, SurfaceH, PictureW, PictureH;
        double SampleAspect, AspectRatio;
        TFitRect Expected;
    } cases[] = {
        {640, 480, 640, 480, 1, 0, {0, 0, 640, 480}},
        {640, 480, 720, 480, 32.0 / 27, 0, {0, 60, 640, 360}},  // a 16:9 DVD picture: bars above and below
        {640, 480, 720, 576, 16.0 / 15, 0, {0, 0, 640, 480}},   // a 4:3 PAL picture fills it
        {640, 480, 720, 480, 0, 0, {0, 27, 640, 426}},          // unknown sample aspect counts as 1
        {400, 400, 720, 480, 1, 4.0 / 3, {0, 50, 400, 300}},   // a forced aspect
        {800, 300, 720, 480, 1, 0, {175, 0, 450, 300}},         // bars on the sides
        {641, 481, 720, 480, 1, 16.0 / 9, {0, 60, 641, 360}},  // the height rounded down to even
        {640, 480, 320, 240, 1, -1, {0, 0, 640, 480}},          // a negative aspect fills the surface
        {0, 480, 320, 240, 1, 0, {0, 0, 0, 0}},                 // no surface
    };
    for (const auto& c : cases) {
        const TFitRect r = FitPicture(c.SurfaceW, c.SurfaceH, c.PictureW, c.PictureH, c.SampleAspect, c.AspectRatio);
        EXPECT_EQ(r, c.Expected) << c.SurfaceW << "x" << c.SurfaceH << " " << c.PictureW << "x" << c.PictureH << " -> "
                                 << r.Left << "," << r.Top << " " << r.Width << "x" << r.Height;
    }
}

}  // namespace
