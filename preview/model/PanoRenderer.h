#pragma once
// Rectilinear views of an equirectangular panorama for the panorama view.
// Directions as in platform/projection: pan grows to the left, tilt upwards; pan 0, tilt 0 looks
// at the panorama's centre column on the horizon; the field of view is vertical. Pixel i of a
// row covers [i, i+1), so the centre of a view of even width lies between two pixels.
#include <QImage>
#include <QPointF>
#include <QString>
#include <memory>
#include <vector>

namespace sl::preview {

// A panorama kept in square tiles, each with a copy of the next column and row, so that every
// bilinear sample reads one small block of memory whatever the direction of the view. Besides
// the full image it keeps up to `levels` - 1 halved copies (2 x 2 averages), which views that
// show several panorama pixels per view pixel read instead: less memory touched, less aliasing.
class TiledPanorama
{
public:
    static constexpr int kTile = 64;
    static constexpr int kStride = kTile + 1; // pixels per stored tile row (and rows per tile)
    static constexpr int kDefaultLevels = 4;

    struct Level
    {
        std::unique_ptr<quint32[]> pixels;
        int width = 0;
        int height = 0;
        int tilesX = 0;
        int tilesY = 0;
    };

    TiledPanorama() = default;
    // From an image of any format (32-bit ones are taken as they are). Null when the image is
    // null or the memory cannot be had. Halved copies stop before a side falls below 64 pixels.
    explicit TiledPanorama(const QImage &equirect, int levels = kDefaultLevels);
    // Decodes a JPEG panorama straight into the tiles, a band of rows at a time, with no whole
    // image in between. Null, with the reader's reason, when the data cannot be decoded.
    static TiledPanorama fromJpeg(const QByteArray &jpeg, QString *error = nullptr, int levels = kDefaultLevels);

    bool isNull() const { return m_levels.empty(); }
    int width() const { return isNull() ? 0 : m_levels.front().width; }
    int height() const { return isNull() ? 0 : m_levels.front().height; }
    bool hasAlpha() const { return m_alpha; }
    int levelCount() const { return int(m_levels.size()); }
    const Level &level(int index) const { return m_levels[size_t(index)]; }
    QRgb pixel(int x, int y, int level = 0) const; // x wraps around, y is clamped

private:
    class Builder;
    std::vector<Level> m_levels;
    bool m_alpha = false;
};

// Fills `target` (Format_RGB32 or Format_ARGB32; size and format kept) with the bilinearly
// sampled view. The mapping is sl::projection::ViewMapping's (the engine's as well): exact on a
// grid of 16-pixel cells and interpolated inside them, finer near a pole and at wide fields of
// view, per pixel where even that misses by more than a quarter of a pixel of the level read.
// Each cell reads the smallest level that still has a pixel per view pixel along the shorter of
// the cell's sides. Rows are shared among `threads` threads (0: the ideal thread count). A null
// source, or a field of view outside (0, 180), leaves the target black.
void renderPanoView(const TiledPanorama &panorama, QImage &target, double pan, double tilt, double vfov,
                    int threads = 0);
// The same from a plain image (tiled for the call, full size only: the reference's result).
void renderPanoView(const QImage &equirect, QImage &target, double pan, double tilt, double vfov,
                    int threads = 0);

// The plain per-pixel reference of the same view: double precision, atan2 and asin for every
// pixel, one thread. For tests and the benchmark.
void renderPanoViewReference(const QImage &equirect, QImage &target, double pan, double tilt,
                             double vfov);

// Where the view pixel (x, y) of a `viewWidth` x `viewHeight` view samples the panorama of
// `srcWidth` x `srcHeight`: column and row in pixel-index space (pixel i centred on i), the
// column in [-0.5, srcWidth - 0.5].
QPointF panoViewSource(double x, double y, int viewWidth, int viewHeight, int srcWidth,
                       int srcHeight, double pan, double tilt, double vfov);

} // namespace sl::preview
