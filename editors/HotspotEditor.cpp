#include "editors/HotspotEditor.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <future>
#include <vector>

#include "editors/HotspotImage.h"
#include "editors/TiffBitmap.h"
#include "platform/image/ImageIO.h"
#include "project/PathRules.h"

namespace sl::hotspot {

namespace {

constexpr int kBlankSide = 128;

// Writes spans and dots of one number into the layer, clipped to it.
struct Raster
{
    uchar *pixels;
    int width;
    int height;
    uchar number;

    // Pixels x0 to x1 (both included) of row y.
    void span(int y, qint64 x0, qint64 x1) const
    {
        if (y < 0 || y >= height)
            return;
        x0 = qMax<qint64>(x0, 0);
        x1 = qMin<qint64>(x1, width - 1);
        if (x0 <= x1)
            std::memset(pixels + qsizetype(y) * width + x0, number, size_t(x1 - x0 + 1));
    }
    void dot(qint64 x, qint64 y) const
    {
        if (x >= 0 && x < width && y >= 0 && y < height)
            pixels[qsizetype(y) * width + x] = number;
    }
    // A line with both ends, one pixel wide.
    void line(QPoint a, QPoint b) const
    {
        qint64 x = a.x(), y = a.y();
        const qint64 dx = std::abs(qint64(b.x()) - x), dy = -std::abs(qint64(b.y()) - y);
        const int sx = a.x() < b.x() ? 1 : -1, sy = a.y() < b.y() ? 1 : -1;
        qint64 err = dx + dy;
        for (;;) {
            dot(x, y);
            if (x == b.x() && y == b.y())
                break;
            const qint64 e2 = 2 * err;
            if (e2 >= dy) {
                err += dy;
                x += sx;
            }
            if (e2 <= dx) {
                err += dx;
                y += sy;
            }
        }
    }
};

// The box spanned by two corners, without its right and bottom edge.
QRect boxOf(QPoint a, QPoint b)
{
    return QRect(QPoint(qMin(a.x(), b.x()), qMin(a.y(), b.y())), QPoint(qMax(a.x(), b.x()) - 1, qMax(a.y(), b.y()) - 1));
}

// A rectangle whose corners are quarters of an ellipse `corner` wide and high (0: square
// corners, the box's width and height: an ellipse), filled row by row. Pixels count when their
// centre lies inside.
void fillRounded(const Raster &r, const QRect &box, double cornerWidth, double cornerHeight)
{
    if (box.isEmpty())
        return;
    const double left = box.left(), right = box.left() + double(box.width());
    const double top = box.top(), bottom = box.top() + double(box.height());
    const double rx = cornerWidth / 2, ry = cornerHeight / 2;
    const int y0 = qMax(box.top(), 0), y1 = qMin(box.bottom(), r.height - 1);
    for (int y = y0; y <= y1; ++y) {
        const double cy = y + 0.5;
        double inset = 0;
        if (ry > 0 && rx > 0) {
            double dy = 0;
            if (cy < top + ry)
                dy = (top + ry - cy) / ry;
            else if (cy > bottom - ry)
                dy = (cy - (bottom - ry)) / ry;
            if (dy > 1)
                continue;
            inset = rx - rx * std::sqrt(1 - dy * dy);
        }
        r.span(y, qint64(std::ceil(left + inset - 0.5)), qint64(std::ceil(right - inset - 0.5)) - 1);
    }
}

// Even-odd fill of the polygon, vertices at pixel centres: a pixel counts when its centre lies
// inside or on the boundary. Then its closed outline, so that thin parts are not lost.
void fillPolygonOn(const Raster &r, const QList<QPoint> &points)
{
    if (points.isEmpty())
        return;
    int minY = points.first().y(), maxY = minY;
    for (const QPoint &p : points) {
        minY = qMin(minY, p.y());
        maxY = qMax(maxY, p.y());
    }
    std::vector<double> crossings;
    const int n = int(points.size());
    for (int y = qMax(minY, 0); y <= qMin(maxY, r.height - 1); ++y) {
        crossings.clear();
        for (int i = 0; i < n; ++i) {
            const QPoint a = points[i], b = points[(i + 1) % n];
            if ((y >= a.y() && y < b.y()) || (y >= b.y() && y < a.y()))
                crossings.push_back(a.x() + double(y - a.y()) * (b.x() - a.x()) / (b.y() - a.y()));
        }
        std::sort(crossings.begin(), crossings.end());
        for (size_t k = 0; k + 1 < crossings.size(); k += 2)
            r.span(y, qint64(std::ceil(crossings[k])), qint64(std::floor(crossings[k + 1])));
    }
    for (int i = 0; i < n; ++i)
        r.line(points[i], points[(i + 1) % n]);
}

QImage readTileImage(const QString &file, QString *error)
{
    const QString ext = extractFileExt(file).toLower();
    if (ext == QLatin1String(".tif") || ext == QLatin1String(".tiff"))
        return LoadTiffAsBitmap(file, error);
    return image::readImage(file, error);
}

} // namespace

int zoomCodeForIndex(int index)
{
    static const int codes[] = {-10, -6, -4, -3, -2, 1, 2, 3, 4};
    return index >= 0 && index < 9 ? codes[index] : 1;
}

int zoomedLength(int length, int code)
{
    if (code >= 2)
        return length * code;
    if (code <= -2)
        return length / -code;
    return length;
}

int zoomIndexToFit(int boxWidth, int imageWidth)
{
    if (boxWidth < imageWidth / 6)
        return 0;
    if (boxWidth < imageWidth / 4)
        return 1;
    if (boxWidth < imageWidth / 3)
        return 2;
    if (boxWidth < imageWidth / 2)
        return 3;
    return 4;
}

QSize ViewTransform::viewSize() const
{
    const QSize zoomed(zoomedLength(width, zoomCode), zoomedLength(height, zoomCode));
    return turn == 90 || turn == 270 ? zoomed.transposed() : zoomed;
}

QPoint ViewTransform::viewToImage(QPoint view) const
{
    int x = view.x(), y = view.y();
    if (zoomCode <= -2) {
        x *= -zoomCode;
        y *= -zoomCode;
    } else if (zoomCode >= 2) {
        x /= zoomCode;
        y /= zoomCode;
    }
    switch (turn) {
    case 90: return QPoint(y, height - 1 - x);
    case 180: return QPoint(width - 1 - x, height - 1 - y);
    case 270: return QPoint(width - 1 - y, x);
    default: return QPoint(x, y);
    }
}

LoadedTile loadTile(const QString &imageFile, const QString &hotspotFile)
{
    LoadedTile tile;
    tile.imageFile = imageFile;
    tile.hotspotFile = hotspotFile;
    if (imageFile.isEmpty() || !QFileInfo(imageFile).isFile()) {
        tile.missing = true;
        return tile;
    }
    // The hotspot image is read beside the tile image, for the size the tile's header gives.
    image::ImageInfo info;
    const bool header = image::readImageInfo(imageFile, info);
    std::future<HotspotImageRead> reading;
    if (header)
        reading = std::async(std::launch::async, readHotspotImage, hotspotFile, QSize(info.width, info.height));
    QImage image = readTileImage(imageFile, &tile.error);
    HotspotImageRead hotspots = header ? reading.get() : HotspotImageRead{};
    if (image.isNull())
        return tile;
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32)
        image.convertTo(QImage::Format_RGB32);
    if (!header || image.size() != QSize(info.width, info.height))
        hotspots = readHotspotImage(hotspotFile, image.size());
    tile.image = std::move(image);
    tile.layer = std::move(hotspots.layer);
    tile.notice = hotspots.notice;
    return tile;
}

HotspotEditor::HotspotEditor()
{
    reset();
}

void HotspotEditor::commit(LoadedTile &&tile, int index)
{
    m_image = std::move(tile.image);
    m_view.width = m_image.width();
    m_view.height = m_image.height();
    const qsizetype size = qsizetype(m_view.width) * m_view.height;
    m_layer = tile.layer.size() == size ? std::move(tile.layer) : QByteArray(size, 0);
    m_layer.detach();
    m_undo = QByteArray();
    m_undoAvailable = false;
    m_modified = false;
    m_imageFile = tile.imageFile;
    m_hotspotFile = tile.hotspotFile;
    m_activeTile = index;
    m_polygon.clear();
}

void HotspotEditor::reset()
{
    m_image = QImage();
    m_view.width = m_view.height = kBlankSide;
    m_layer = QByteArray(kBlankSide * kBlankSide, 0);
    m_undo = QByteArray();
    m_undoAvailable = false;
    m_modified = false;
    m_imageFile.clear();
    m_hotspotFile.clear();
    m_activeTile = -1;
    m_polygon.clear();
}

bool HotspotEditor::writeLayer(QString *error) const
{
    if (m_activeTile < 0)
        return true;
    return writeHotspotImage(m_hotspotFile, m_layer, m_view.width, m_view.height, error);
}

bool HotspotEditor::save(QString *error)
{
    if (!writeLayer(error))
        return false;
    markSaved();
    return true;
}

void HotspotEditor::setTurn(int degrees)
{
    m_view.turn = degrees == 90 || degrees == 180 || degrees == 270 ? degrees : 0;
}

int HotspotEditor::numberAt(QPoint p) const
{
    if (p.x() < 0 || p.y() < 0 || p.x() >= m_view.width || p.y() >= m_view.height)
        return -1;
    return uchar(m_layer.at(qsizetype(p.y()) * m_view.width + p.x()));
}

void HotspotEditor::render(QImage &target, const QRect &rect, int selected) const
{
    const QRect area = rect & QRect(QPoint(0, 0), viewSize());
    if (m_image.isNull() || area.isEmpty())
        return;
    // The mapping is affine in each view axis, so a pixel's index in the image (and the layer)
    // is a column part plus a row part.
    const qsizetype w = m_view.width;
    const auto indexOf = [w](QPoint p) { return qsizetype(p.y()) * w + p.x(); };
    const qsizetype origin = indexOf(viewToImage(area.topLeft()));
    std::vector<qsizetype> columnPart(size_t(area.width())), rowPart(size_t(area.height()));
    for (int i = 0; i < area.width(); ++i)
        columnPart[size_t(i)] = indexOf(viewToImage(QPoint(area.left() + i, area.top())));
    for (int j = 0; j < area.height(); ++j)
        rowPart[size_t(j)] = indexOf(viewToImage(QPoint(area.left(), area.top() + j))) - origin;

    const auto *pixels = reinterpret_cast<const quint32 *>(m_image.constBits());
    const auto *numbers = reinterpret_cast<const uchar *>(m_layer.constData());
    const quint32 selectedTint = 0xFFC00000u, otherTint = 0xFF0000C0u;
    const int dx = area.left() - rect.left(), dy = area.top() - rect.top();
    // In blocks, so that a turned view reads the image a few rows at a time.
    constexpr int kBlock = 64;
    for (int by = 0; by < area.height(); by += kBlock) {
        const int rows = qMin(kBlock, area.height() - by);
        for (int bx = 0; bx < area.width(); bx += kBlock) {
            const int columns = qMin(kBlock, area.width() - bx);
            for (int j = by; j < by + rows; ++j) {
                auto *out = reinterpret_cast<quint32 *>(target.scanLine(j + dy)) + dx;
                const qsizetype row = rowPart[size_t(j)];
                for (int i = bx; i < bx + columns; ++i) {
                    const qsizetype k = row + columnPart[size_t(i)];
                    const quint32 p = pixels[k];
                    const int n = numbers[k];
                    out[i] = n == 0 ? (p | 0xFF000000u)
                                    : ((p & 0xFCFCFCu) >> 2) | (n == selected ? selectedTint : otherTint);
                }
            }
        }
    }
}

uchar *HotspotEditor::beginChange(const QRect &area)
{
    m_undoArea = area & QRect(0, 0, m_view.width, m_view.height);
    m_undo = QByteArray(); // a large old copy goes before a new one is made
    m_undo = QByteArray(qsizetype(m_undoArea.width()) * m_undoArea.height(), Qt::Uninitialized);
    auto *layer = reinterpret_cast<uchar *>(m_layer.data());
    for (int y = 0; y < m_undoArea.height(); ++y)
        std::memcpy(m_undo.data() + qsizetype(y) * m_undoArea.width(),
                    layer + qsizetype(m_undoArea.top() + y) * m_view.width + m_undoArea.left(), size_t(m_undoArea.width()));
    m_undoAvailable = true;
    m_modified = true;
    return layer;
}

int HotspotEditor::roundCorner(QPoint a, QPoint b)
{
    return qMin(std::abs(a.x() - b.x()) + 1, std::abs(a.y() - b.y()) + 1) / 4;
}

void HotspotEditor::drawShape(Tool tool, QPoint viewA, QPoint viewB, int number)
{
    if (tool == Tool::Info || tool == Tool::Polygon)
        return;
    const QPoint a = viewToImage(viewA), b = viewToImage(viewB);
    const QRect box = boxOf(a, b);
    const Raster r{beginChange(box), m_view.width, m_view.height, uchar(number)};
    switch (tool) {
    case Tool::Rectangle:
        fillRounded(r, box, 0, 0);
        break;
    case Tool::RoundRectangle: {
        const int corner = roundCorner(a, b);
        fillRounded(r, box, corner, corner);
        break;
    }
    case Tool::Ellipse:
        fillRounded(r, box, box.width(), box.height());
        break;
    default:
        break;
    }
}

void HotspotEditor::addPolygonPoint(QPoint view)
{
    if (m_polygon.size() < kMaxPolygonPoints)
        m_polygon.append(view);
}

void HotspotEditor::closePolygon(int number)
{
    QList<QPoint> points;
    points.reserve(m_polygon.size());
    for (const QPoint &p : std::as_const(m_polygon))
        points.append(viewToImage(p));
    m_polygon.clear();
    if (points.isEmpty())
        return;
    QRect bounds(points.first(), QSize(1, 1));
    for (const QPoint &p : std::as_const(points))
        bounds |= QRect(p, QSize(1, 1));
    fillPolygonOn(Raster{beginChange(bounds), m_view.width, m_view.height, uchar(number)}, points);
}

void HotspotEditor::clearLayer()
{
    std::memset(beginChange(QRect(0, 0, m_view.width, m_view.height)), 0, size_t(m_layer.size()));
}

void HotspotEditor::undo()
{
    if (!m_undoAvailable)
        return;
    auto *layer = reinterpret_cast<uchar *>(m_layer.data());
    for (int y = 0; y < m_undoArea.height(); ++y)
        std::memcpy(layer + qsizetype(m_undoArea.top() + y) * m_view.width + m_undoArea.left(),
                    m_undo.constData() + qsizetype(y) * m_undoArea.width(), size_t(m_undoArea.width()));
    m_undo = QByteArray();
    m_undoAvailable = false;
}

} // namespace sl::hotspot
