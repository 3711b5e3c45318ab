#include "platform/projection/Projection.h"

namespace sl::projection {

Interpolator interpolatorFromValue(int value)
{
    if (value == 0) return Interpolator::Nearest;
    if (value >= 2) return Interpolator::Bicubic;
    return Interpolator::Bilinear;
}
QImage equirectToFace(const QImage &, int, int, Interpolator) { return {}; }
CubeFaces equirectToCube(const QImage &, int, Interpolator) { return {}; }
QImage cubeToEquirect(const CubeFaces &, int, Interpolator) { return {}; }
void renderView(const QImage &, QImage &target, double, double, double, Interpolator)
{
    target.fill(0xff000000);
}

} // namespace sl::projection
