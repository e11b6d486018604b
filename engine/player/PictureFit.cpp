#include "engine/player/PictureFit.h"

#include <cmath>

namespace vidrelo {
namespace {

int EvenDown(double value)
{
    return static_cast<int>(std::floor(value)) & ~1;
}

}  // namespace

TFitRect FitPicture(int surfaceWidth, int surfaceHeight, int pictureWidth, int pictureHeight,
                    double sampleAspect, double aspectRatio)
{
    if (surfaceWidth <= 0 || surfaceHeight <= 0)
        return {};
    if (aspectRatio < 0 || pictureWidth <= 0 || pictureHeight <= 0)
        return {0, 0, surfaceWidth, surfaceHeight};
    double aspect = aspectRatio;
    if (aspect == 0)
        aspect = (sampleAspect > 0 ? sampleAspect : 1.0) * pictureWidth / pictureHeight;
    int height = surfaceHeight;
    int width = EvenDown(height * aspect);
    if (width > surfaceWidth) {
        width = surfaceWidth;
        height = EvenDown(width / aspect);
    }
    return {(surfaceWidth - width) / 2, (surfaceHeight - height) / 2, width, height};
}

}  // namespace vidrelo
