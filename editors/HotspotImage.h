#pragma once
// Hotspot images: one 8-bit palette PNG per tile image, of the tile's size, whose pixel values
// are hotspot numbers (0 none, 1 to 255 hotspot N). Written with the fixed 256-colour palette
// at compression level 9, atomically.
#include <QByteArray>
#include <QRgb>
#include <QSize>
#include <QString>
#include <QVector>

namespace sl::hotspot {

// The 256 colours every hotspot image carries: the 6 x 6 x 6 colour cube over 255, 204, 153,
// 102, 51, 0 (red slowest, without black), ramps of red, green, blue and grey, then black.
const QVector<QRgb> &HotspotPalette();

// Writes `layer` (width x height bytes, row by row) to `path`; false with the reason.
bool writeHotspotImage(const QString &path, const QByteArray &layer, int width, int height,
                       QString *error = nullptr);

struct HotspotImageRead
{
    enum Status { Loaded, Missing, Refused };
    Status status = Missing;
    QByteArray layer;  // Loaded: width x height hotspot numbers
    QString notice;    // Refused: what to tell the user
};

// Reads the hotspot image of a tile of `size`. Missing when there is no such file. Refused,
// with the notice, when it is not an 8-bit palette or grey PNG, is damaged or has another size;
// the size is checked from the header, so a refused file costs no pixel memory.
HotspotImageRead readHotspotImage(const QString &path, QSize size);

} // namespace sl::hotspot
