// BMP: the header is read here, so that the size limits hold before anything is allocated and a
// file cut short is refused (Qt's reader would fill the missing rows with whatever it has); the
// pixels are Qt's to decode.
#include "platform/image/ImageIOPrivate.h"

#include <QImageReader>
#include <QtEndian>

#include <algorithm>

namespace sl::image::detail {
namespace {

enum Compression : quint32 { Rgb = 0, BitFields = 3, AlphaBitFields = 6 }; // the uncompressed ones

QString damaged() { return tr("The BMP data are damaged."); }

} // namespace

// The size, checked against the limits, from the file and DIB headers; false when the header
// is refused or promises more pixel data than the file holds.
bool bmpInfo(QIODevice &device, ImageInfo &info, QString *error)
{
    uchar b[38] = {};
    const qint64 n = device.peek(reinterpret_cast<char *>(b), sizeof b);
    const quint32 dibSize = n >= 18 ? qFromLittleEndian<quint32>(b + 14) : 0;
    // The fields read below: up to the image's byte count in a header of 40 bytes or more.
    if (n < 14 + qint64(std::min<quint32>(dibSize, 24))) {
        setError(error, damaged());
        return false;
    }
    qint64 width = 0, height = 0;
    quint32 bitsPerPixel = 0, compression = Rgb, imageBytes = 0;
    if (dibSize == 12) { // OS/2 1.x: 16-bit sizes
        width = qFromLittleEndian<quint16>(b + 18);
        height = qFromLittleEndian<quint16>(b + 20);
        bitsPerPixel = qFromLittleEndian<quint16>(b + 24);
    } else {
        width = qFromLittleEndian<qint32>(b + 18);
        height = qAbs(qint64(qFromLittleEndian<qint32>(b + 22))); // negative: stored top down
        bitsPerPixel = qFromLittleEndian<quint16>(b + 28);
        if (dibSize >= 40) {
            compression = qFromLittleEndian<quint32>(b + 30);
            imageBytes = qFromLittleEndian<quint32>(b + 34);
        }
    }
    const QString problem = sizeProblem(width, height);
    if (!problem.isEmpty()) {
        setError(error, problem);
        return false;
    }
    // Uncompressed rows are padded to four bytes; compressed data give their own length.
    const qint64 data = compression == Rgb || compression == BitFields || compression == AlphaBitFields
                            ? (width * bitsPerPixel + 31) / 32 * 4 * height
                            : imageBytes;
    if (qint64(qFromLittleEndian<quint32>(b + 10)) + data > device.size()) {
        setError(error, damaged());
        return false;
    }
    info.format = Format::Bmp;
    info.width = int(width);
    info.height = int(height);
    return true;
}

QImage bmpDecode(QIODevice &device, QString *error)
{
    ImageInfo info;
    if (!bmpInfo(device, info, error))
        return {};
    QImageReader reader(&device, "bmp");
    // Qt's own limit (256 MB) would refuse large images the header check has let through.
    reader.setAllocationLimit(int(qint64(info.width) * info.height * 4 / (1024 * 1024)) + 16);
    QImage image = reader.read();
    if (image.isNull()) {
        setError(error, damaged());
        return {};
    }
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32)
        image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull())
        setError(error, tr("Not enough memory for an image of %1 x %2 pixels.").arg(info.width).arg(info.height));
    return image;
}

} // namespace sl::image::detail
