#pragma once
// Fitting a picture into the player's surface.
#include "engine/player/TPlayerSurface.h"

namespace vidrelo {

// aspectRatio > 0 forces that width/height ratio; 0 takes it from the
// stream (sample aspect ratio, 1 when unknown, times width / height); < 0
// fills the whole surface. Otherwise the picture is as high as the surface
// and as wide as the aspect says (rounded down to even); when that is wider
// than the surface, as wide as the surface and as high as the aspect says
// (rounded down to even); centred.
TFitRect FitPicture(int surfaceWidth, int surfaceHeight, int pictureWidth, int pictureHeight,
                    double sampleAspect, double aspectRatio);

}  // namespace vidrelo
