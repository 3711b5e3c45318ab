#pragma once
// Rectilinear views of an equirectangular panorama for the panorama view.
// Directions as in platform/projection: pan grows to the left, tilt upwards; pan 0, tilt 0 looks
// at the panorama's centre column on the horizon; the field of view is vertical. Pixel i of a
// row covers [i, i+1), so the centre of a view of even width lies between two pixels.
#include <QImage>

namespace sl::preview {

// Fills `target` (Format_RGB32 or Format_ARGB32; size and format kept) with the bilinearly
// sampled view of `equirect` (Format_RGB32, ARGB32 or ARGB32_Premultiplied). The mapping is
// computed exactly on a grid of 16-pixel cells and interpolated inside them; a cell whose
// interpolation is off by more than a quarter of a source pixel at its centre or the middle of
// an edge (near a pole, at wide fields of view) is computed per pixel.
// Rows are shared among `threads` threads (0: the ideal thread count). An unusable source
// (null, not 32-bit) leaves the target black.
void renderPanoView(const QImage &equirect, QImage &target, double pan, double tilt, double vfov,
                    int threads = 0);

// The plain per-pixel reference of the same view: double precision, atan2 and asin for every
// pixel, one thread. For tests and the benchmark.
void renderPanoViewReference(const QImage &equirect, QImage &target, double pan, double tilt,
                             double vfov);

// Where the view pixel (x, y) of a `viewWidth` x `viewHeight` view samples the panorama of
// `srcWidth` x `srcHeight`: column and row in pixel-index space (pixel i centred on i), the
// column in [-0.5, srcWidth - 0.5).
QPointF panoViewSource(double x, double y, int viewWidth, int viewHeight, int srcWidth,
                       int srcHeight, double pan, double tilt, double vfov);

} // namespace sl::preview
