#pragma once
// Equirectangular panoramas, cube faces and rectilinear views.
// Directions: pan grows to the left, tilt upwards; pan 0, tilt 0 is the panorama's centre column
// at the horizon. Faces by index: 0 front, 1 right, 2 back, 3 left, 4 top, 5 bottom; the front
// face looks at pan 0, the right face at pan -90 (to the right).
#include <QImage>
#include <QString>
#include <array>
#include <memory>

namespace sl::projection {

enum class Interpolator { Nearest, Bilinear, Bicubic };
// From the project's "stitcher.interpolator" value (0 nearest, 1 bilinear, 2 and above bicubic;
// anything else bilinear).
Interpolator interpolatorFromValue(int value);

using CubeFaces = std::array<QImage, 6>;

// One face of `size` x `size` pixels from an equirectangular image (any 32-bit format).
QImage equirectToFace(const QImage &equirect, int face, int size, Interpolator ip = Interpolator::Bilinear);
CubeFaces equirectToCube(const QImage &equirect, int size, Interpolator ip = Interpolator::Bilinear);
// Draws one face of `size` pixels a band of rows at a time, on any number of threads at once:
// for work that makes a face while its source is still coming in (faceSourceRows() tells which
// rows of the source a band reads). The equirectangular image must have 32 bits a pixel, one
// byte a channel, and outlive the object; the face has its layout.
class FaceRows
{
public:
    FaceRows(const QImage &equirect, int face, int size, Interpolator ip = Interpolator::Bilinear);
    ~FaceRows();
    FaceRows(const FaceRows &) = delete;
    FaceRows &operator=(const FaceRows &) = delete;

    // Rows [first, end) into the pixels at `bits` (row `first` first, `stride` bytes a row).
    void draw(int first, int end, uchar *bits, qsizetype stride) const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
struct RowRange
{
    int first = 0;
    int last = 0;
};
// The rows of an equirectangular image of srcHeight rows that face rows [first, end) read.
RowRange faceSourceRows(int face, int size, int srcHeight, int first, int end, Interpolator ip);

// The six faces of `size` pixels drawn into memory the caller holds, on all usable processors:
// face i's rows start at bits[i], `stride` bytes apart (the cells of a strip, say). The
// equirectangular image must have 32 bits a pixel, one byte a channel; the faces take its layout.
void drawCube(const QImage &equirect, int size, const std::array<uchar *, 6> &bits, qsizetype stride,
              Interpolator ip = Interpolator::Bilinear);

// An equirectangular image of width x width/2 from six square faces of one size.
QImage cubeToEquirect(const CubeFaces &faces, int width, Interpolator ip = Interpolator::Bilinear);

// The processors this process may use (its affinity), at least one.
unsigned usableProcessors();
// Whether the processor runs AVX2 code (the samplers' two-pixel paths).
bool processorHasAvx2();

// Renders into `target` (its size and format are kept; Format_RGB32 or ARGB32) the view of an
// equirectangular image at pan/tilt (degrees) with the vertical field of view `vfov` (degrees).
// Source positions come from ViewMapping (ViewMapping.h), held to a tenth of a source pixel.
void renderView(const QImage &equirect, QImage &target, double pan, double tilt, double vfov,
                Interpolator ip = Interpolator::Bilinear);

} // namespace sl::projection
