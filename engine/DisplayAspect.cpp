#include "engine/DisplayAspect.h"

#include <cfenv>
#include <cmath>
#include <stdexcept>

namespace vidrelo {

int ShownHeight(int CH, int SW, int SH, TDisplayAspect aspect)
{
    // Products of two 32-bit numbers are exact in a long double; so is the
    // half that ties are decided on.
    const long double numerator = static_cast<long double>(static_cast<int64_t>(CH) * SW) * aspect.Height;
    const long double denominator = static_cast<long double>(static_cast<int64_t>(SH) * aspect.Width);
    const long double height = numerator / denominator;
    if (!aspect.Known() || !std::isfinite(height) || std::fabs(height) > 2147483647.0L)
        throw std::range_error("Invalid floating point operation");
    std::fesetround(FE_TONEAREST);
    return static_cast<int>(std::nearbyintl(height));
}

}  // namespace vidrelo
