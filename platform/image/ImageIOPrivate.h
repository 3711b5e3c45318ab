#pragma once
// Shared pieces of the image readers and writers (not part of the public interface).
#include "platform/image/ImageIO.h"

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

// A file written under a temporary name in the target's folder and renamed over the target
// by commit(). Until then the target is untouched; the temporary file is removed when the
// object goes away without a successful commit.
class AtomicFile
{
public:
    explicit AtomicFile(const QString &path);
    ~AtomicFile();
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    bool open(QString *error);
    int fd() const { return m_fd; }
    // The descriptor now belongs to someone else (fdopen, TIFFFdOpen), who closes it.
    void releaseFd() { m_fd = -1; }
    const QByteArray &tempName() const { return m_temp; }
    bool writeAll(const char *data, qint64 size, QString *error);
    // Flushes, closes (when still owned) and renames over the target.
    bool commit(QString *error);

private:
    QString m_path;
    QByteArray m_target;
    QByteArray m_temp;
    int m_fd = -1;
    bool m_done = false;
};

QString writeFailure(const QString &path, const QString &reason);

// Readers over an open, readable and seekable device (a file or a buffer), positioned at 0.
bool tiffInfo(QIODevice &device, ImageInfo &info, QString *error);
QImage tiffDecode(QIODevice &device, QString *error);
bool jpegInfo(QIODevice &device, ImageInfo &info, QString *error);
QImage jpegDecode(QIODevice &device, QString *error, int minWidth, int minHeight);
bool pngInfo(QIODevice &device, ImageInfo &info, QString *error);
QImage pngDecode(QIODevice &device, QString *error);
bool pngDecodePalette(QIODevice &device, QByteArray &indices, int &width, int &height,
                      QVector<QRgb> *palette, QString *error);
bool bmpInfo(QIODevice &device, ImageInfo &info, QString *error);
QImage bmpDecode(QIODevice &device, QString *error);

} // namespace sl::image::detail
