#include "editors/Thumbnail.h"

#include "editors/TiffBitmap.h"
#include "platform/image/ImageIO.h"
#include "project/PathRules.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

#include <algorithm>

namespace sl {

QRect thumbnailRect(int width, int height, int size)
{
    if (width <= 0 || height <= 0 || size <= 0)
        return {};
    if (height < width) {
        const int h = int(qint64(height) * size / width);
        const int top = (size - h) / 2;
        return QRect(0, top, size, size - 2 * top);
    }
    const int w = int(qint64(width) * size / height);
    const int left = (size - w) / 2;
    return QRect(left, 0, size - 2 * left, size);
}

bool isThumbnailImageName(const QString &fileName, QString *ext)
{
    const QString e = extractFileExt(fileName).toLower();
    if (ext)
        *ext = e;
    for (const char *known : {".tif", ".tiff", ".jpg", ".jpeg", ".bmp", ".png"})
        if (e == QLatin1String(known))
            return true;
    return false;
}

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("sl::Thumbnail", text);
}

// BMP files (and whatever else Qt reads) with the program's size limits checked first.
QImage readWithQt(const QString &path, QSize *size, QString *error)
{
    QImageReader reader(path);
    const QSize s = reader.size();
    if (!s.isValid() || s.isEmpty()) {
        *error = reader.canRead() ? tr("The image has no pixels.") : reader.errorString();
        return {};
    }
    if (s.width() > image::kMaxSide || s.height() > image::kMaxSide
        || qint64(s.width()) * s.height() > image::kMaxPixels) {
        *error = tr("The image is too large: %1 x %2 pixels.").arg(s.width()).arg(s.height());
        return {};
    }
    *size = s;
    reader.setAllocationLimit(int(image::kMaxPixels * 4 / (1024 * 1024)) + 1);
    QImage img = reader.read();
    if (img.isNull())
        *error = reader.errorString();
    return img;
}

} // namespace

Thumbnail makeThumbnail(const QString &path, int size)
{
    Thumbnail t;
    QString ext;
    isThumbnailImageName(path, &ext);
    // Only regular files: a pipe or a device with an image's name would hold the reader forever.
    const QFileInfo file(path);
    if (!file.isFile()) {
        t.error = file.exists() ? tr("This is not a regular file.") : tr("The file does not exist.");
        return t;
    }
    QImage decoded;
    if (ext == QLatin1String(".tif") || ext == QLatin1String(".tiff")) {
        decoded = LoadTiffAsBitmap(path, &t.error);
        t.imageSize = decoded.size();
    } else if (ext == QLatin1String(".bmp")) {
        decoded = readWithQt(path, &t.imageSize, &t.error);
    } else {
        image::ImageInfo info;
        if (image::readImageInfo(path, info, &t.error)) {
            t.imageSize = QSize(info.width, info.height);
            const QRect r = thumbnailRect(info.width, info.height, size);
            decoded = image::readImage(path, &t.error, std::max(1, r.width()), std::max(1, r.height()));
        }
    }
    if (decoded.isNull()) {
        if (t.error.isEmpty())
            t.error = tr("The image cannot be read.");
        return t;
    }
    t.error.clear();

    t.image = QImage(size, size, QImage::Format_RGB32);
    t.image.fill(Qt::black);
    const QRect r = thumbnailRect(t.imageSize.width(), t.imageSize.height(), size);
    if (!r.isEmpty()) {
        const QImage scaled = decoded.scaled(r.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QPainter p(&t.image);
        p.drawImage(r.topLeft(), scaled);
    }
    return t;
}

} // namespace sl
