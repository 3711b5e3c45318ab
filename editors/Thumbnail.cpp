#include "editors/Thumbnail.h"

#include "editors/TiffBitmap.h"
#include "platform/image/ImageIO.h"
#include "project/PathRules.h"

#include <QCoreApplication>
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

} // namespace

Thumbnail makeThumbnail(const QString &path, int size)
{
    Thumbnail t;
    QString ext;
    isThumbnailImageName(path, &ext);
    QImage decoded;
    if (ext == QLatin1String(".tif") || ext == QLatin1String(".tiff")) {
        decoded = LoadTiffAsBitmap(path, &t.error);
        t.imageSize = decoded.size();
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
