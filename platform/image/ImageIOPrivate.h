#pragma once
// Shared pieces of the image readers and writers (not part of the public interface).
#include "platform/image/ImageIO.h"
#include "platform/io/AtomicFile.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QIODevice>
#include <QString>

namespace sl::image::detail {

inline QString tr(const char *text) { return QCoreApplication::translate("sl::image", text); }

inline void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

// The clear refusal of an oversized image, or an empty text when width x height is acceptable.
QString sizeProblem(qint64 width, qint64 height);

// Recognises a format by the first bytes of a file.
Format formatOfHeader(const char *data, qint64 size);

// The atomic writer every image writer uses, and its message for a file it cannot write.
using io::AtomicFile;
using io::writeFailure;
using io::writeFileAtomically;

// Readers over an open, readable and seekable device (a file or a buffer), positioned at 0.
bool tiffInfo(QIODevice &device, ImageInfo &info, QString *error);
// With keepPartial, a TIFF whose data are damaged in part comes back with what decoded.
QImage tiffDecode(QIODevice &device, QString *error, bool keepPartial = false);
bool jpegInfo(QIODevice &device, ImageInfo &info, QString *error);
QImage jpegDecode(QIODevice &device, QString *error, int minWidth, int minHeight);
bool pngInfo(QIODevice &device, ImageInfo &info, QString *error);
QImage pngDecode(QIODevice &device, QString *error);
bool pngDecodePalette(QIODevice &device, QByteArray &indices, int &width, int &height,
                      QVector<QRgb> *palette, QString *error);
bool bmpInfo(QIODevice &device, ImageInfo &info, QString *error);
QImage bmpDecode(QIODevice &device, QString *error);

} // namespace sl::image::detail
