#pragma once
// Thumbnails of the light table: a square with the whole image scaled to fit, centred on black.
// Images are decoded at the smallest size that still fills the square (JPEG through libjpeg's
// reduced scales); the size is read from the file's header before anything is decoded.
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

namespace sl {

// The side of a thumbnail, a cell and a spare image.
constexpr int kCellSize = 100;

// The part of a size x size square that a width x height image fills: scaled to fit, centred,
// aspect kept, sizes truncated. Empty when the width or the height is 0 or less.
QRect thumbnailRect(int width, int height, int size = kCellSize);

struct Thumbnail
{
    QImage image;     // size x size; null when the file could not be read
    QSize imageSize;  // the whole image's size
    QString error;    // why it could not be read
};

// The extension of a file name with its dot, in lower case, when the light table reads it
// (".tif", ".tiff", ".jpg", ".jpeg", ".bmp", ".png"); `ext` gets it either way.
bool isThumbnailImageName(const QString &fileName, QString *ext = nullptr);

// Reads a file for its thumbnail: TIFF (by extension) through the editors' TIFF loader, the
// others (JPEG, PNG, BMP) through the program's readers. Only regular files are read. Safe to
// call on any thread.
Thumbnail makeThumbnail(const QString &path, int size = kCellSize);

} // namespace sl
