#pragma once
// What the image fuzz targets share. Each defines fuzz::writeSeeds() (its corpus) and fuzz::decode()
// (its checks on a readable, small enough input), and includes this header once:
//   fuzz_image_X -seeds=DIR      writes the starting corpus into DIR and exits
//   fuzz_image_X DIR             fuzzes from it
#include "platform/image/ImageIO.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace fuzz {

// Pixels are decoded only up to this size, so that a large allowed header spares the fuzzer's memory.
constexpr qint64 kDecodeLimit = 4 * 1024 * 1024;

void writeSeeds(const QString &dir);
void decode(const QByteArray &bytes, const sl::image::ImageInfo &info);

inline void put(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

// A decoded image must have the size its header gave.
inline void expectHeaderSize(const QImage &image, const sl::image::ImageInfo &info)
{
    if (!image.isNull() && (image.width() != info.width || image.height() != info.height))
        std::abort();
}

} // namespace fuzz

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    for (int i = 1; i < *argc; ++i)
        if (std::strncmp((*argv)[i], "-seeds=", 7) == 0) {
            const QString dir = QString::fromLocal8Bit((*argv)[i] + 7);
            QDir().mkpath(dir);
            fuzz::writeSeeds(dir);
            std::exit(0);
        }
    return 0;
}

// Reads the header (always), then decodes when the pixels are small enough.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    sl::image::ImageInfo info;
    QString error;
    if (sl::image::readImageInfoFromData(bytes, info, &error) && qint64(info.width) * info.height <= fuzz::kDecodeLimit)
        fuzz::decode(bytes, info);
    return 0;
}
