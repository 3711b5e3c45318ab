#include "platform/image/ImageIO.h"
#include "platform/image/ImageIOPrivate.h"
#include "platform/io/RegularFile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <thread>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sl::image {
namespace detail {

QString sizeProblem(qint64 width, qint64 height)
{
    if (width <= 0 || height <= 0)
        return tr("The image has no pixels (%1 x %2).").arg(width).arg(height);
    if (width > kMaxSide || height > kMaxSide)
        return tr("The image is too large: %1 x %2 pixels (at most %3 pixels a side).")
            .arg(width).arg(height).arg(kMaxSide);
    if (width * height > kMaxPixels)
        return tr("The image is too large: %1 x %2 pixels (at most %3 million pixels).")
            .arg(width).arg(height).arg(kMaxPixels / 1000000);
    return {};
}

Format formatOfHeader(const char *data, qint64 size)
{
    const auto *b = reinterpret_cast<const unsigned char *>(data);
    if (size >= 4 && ((b[0] == 'I' && b[1] == 'I' && (b[2] == 42 || b[2] == 43) && b[3] == 0)
                      || (b[0] == 'M' && b[1] == 'M' && b[2] == 0 && (b[3] == 42 || b[3] == 43))))
        return Format::Tiff;
    if (size >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF)
        return Format::Jpeg;
    static const unsigned char png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (size >= 8 && std::memcmp(b, png, 8) == 0)
        return Format::Png;
    // "BM" alone is too common a start: the size of the header that follows must be one of the
    // known ones too.
    if (size >= 18 && b[0] == 'B' && b[1] == 'M') {
        const quint32 header = b[14] | b[15] << 8 | b[16] << 16 | quint32(b[17]) << 24;
        for (quint32 known : {12u, 16u, 40u, 52u, 56u, 64u, 108u, 124u})
            if (header == known)
                return Format::Bmp;
    }
    return Format::Unknown;
}

} // namespace detail

using namespace detail;

struct PageWarmer::Private
{
    std::atomic<bool> stop{false};
    std::thread thread;
};

PageWarmer::PageWarmer(const QVector<Block> &blocks)
{
#ifdef MADV_POPULATE_WRITE
    // The filler takes the faults of the first few megabytes itself, so that the helper starts
    // ahead of it rather than beside it (where the two would wait for each other's page locks).
    static constexpr qsizetype kChunk = 2 * 1024 * 1024, kLead = 8 * 1024 * 1024;
    qsizetype total = 0;
    for (const Block &b : blocks)
        total += b.size;
    if (total < kLead + 4 * kChunk)
        return;
    d = std::make_unique<Private>();
    d->thread = std::thread([blocks, stop = &d->stop] {
        const qsizetype page = ::sysconf(_SC_PAGESIZE);
        for (const Block &b : blocks) {
            const qsizetype lead = &b == &blocks.first() ? std::min(kLead, b.size) : 0;
            // Whole pages inside the block only: the pages at its ends may hold other data.
            const quintptr first = (quintptr(b.start) + quintptr(lead) + page - 1) & ~quintptr(page - 1);
            const quintptr end = (quintptr(b.start) + quintptr(b.size)) & ~quintptr(page - 1);
            for (quintptr at = first; at < end && !stop->load(std::memory_order_relaxed); at += kChunk) {
                // Faulting in writable pages leaves their contents as they are.
                if (::madvise(reinterpret_cast<void *>(at), size_t(std::min<quintptr>(kChunk, end - at)),
                              MADV_POPULATE_WRITE) != 0)
                    return; // not offered here: the filling thread takes the faults itself
            }
        }
    });
#else
    Q_UNUSED(blocks);
#endif
}

PageWarmer::~PageWarmer()
{
    if (d) {
        d->stop = true;
        d->thread.join();
    }
}

namespace {
// Pages move a chunk at a time: few calls, and rows released in steps of a few dozen.
constexpr qsizetype kWindowChunk = 1024 * 1024;

qsizetype roundUp(qsizetype v, qsizetype step) { return (v + step - 1) / step * step; }
} // namespace

RowWindow::RowWindow(int rows, qsizetype stride)
    : m_stride(stride)
{
    const qsizetype bytes = qsizetype(std::max(0, rows)) * stride;
    if (bytes <= 0)
        return;
#if defined(MREMAP_MAYMOVE) && defined(MREMAP_FIXED) && defined(MREMAP_DONTUNMAP)
    m_size = roundUp(bytes, kWindowChunk);
    m_moving = kWindowChunk % ::sysconf(_SC_PAGESIZE) == 0;
#else
    m_size = bytes;
#endif
    void *p = ::mmap(nullptr, size_t(m_size), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (p == MAP_FAILED) {
        m_size = 0;
        m_moving = false;
        return;
    }
    m_bits = static_cast<uchar *>(p);
}

RowWindow::~RowWindow()
{
    if (m_bits)
        ::munmap(m_bits, size_t(m_size));
}

bool RowWindow::reuse(int end, int released)
{
    const qsizetype target = std::min(m_size, roundUp(qsizetype(end) * m_stride, kWindowChunk));
#if defined(MREMAP_MAYMOVE) && defined(MREMAP_FIXED) && defined(MREMAP_DONTUNMAP)
    const qsizetype free = std::min(qsizetype(released) * m_stride / kWindowChunk * kWindowChunk, m_front);
    while (m_moving && m_front < target && m_from + kWindowChunk <= free) {
        // The pages go with their contents; the old addresses stay mapped, empty.
        if (::mremap(m_bits + m_from, size_t(kWindowChunk), size_t(kWindowChunk),
                     MREMAP_MAYMOVE | MREMAP_FIXED | MREMAP_DONTUNMAP, m_bits + m_front) == MAP_FAILED) {
            m_moving = false;
            break;
        }
        m_from += kWindowChunk;
        m_front += kWindowChunk;
    }
#else
    Q_UNUSED(released);
#endif
    return m_front >= target || !m_moving;
}

void RowWindow::fill(int end)
{
    m_front = std::max(m_front, std::min(m_size, roundUp(qsizetype(end) * m_stride, kWindowChunk)));
}

namespace {

// Opens a file for reading and recognises its format; a message naming the file on failure.
bool openImageFile(const QString &path, QFile &file, Format &format, QString *error)
{
    if (path.isEmpty()) {
        setError(error, tr("No file name was given."));
        return false;
    }
    const QString shown = QDir::toNativeSeparators(path);
    if (!QFileInfo::exists(path)) {
        setError(error, tr("The file \"%1\" does not exist.").arg(shown));
        return false;
    }
    QString reason;
    if (!io::openRegularFile(path, file, &reason)) {
        setError(error, tr("Cannot open \"%1\": %2").arg(shown, reason));
        return false;
    }
    char head[18];
    const qint64 n = file.peek(head, sizeof head);
    if (n <= 0) {
        setError(error, tr("The file \"%1\" is empty.").arg(shown));
        return false;
    }
    format = formatOfHeader(head, n);
    if (format == Format::Unknown) {
        setError(error, tr("The file \"%1\" is not a TIFF, JPEG, PNG or BMP image.").arg(shown));
        return false;
    }
    return true;
}

bool openImageData(const QByteArray &data, QBuffer &buffer, Format &format, QString *error)
{
    if (data.isEmpty()) {
        setError(error, tr("The image data are empty."));
        return false;
    }
    format = formatOfHeader(data.constData(), data.size());
    if (format == Format::Unknown) {
        setError(error, tr("The data are not a TIFF, JPEG, PNG or BMP image."));
        return false;
    }
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    return true;
}

bool infoOf(QIODevice &device, Format format, ImageInfo &info, QString *error)
{
    switch (format) {
    case Format::Tiff: return tiffInfo(device, info, error);
    case Format::Jpeg: return jpegInfo(device, info, error);
    case Format::Png: return pngInfo(device, info, error);
    case Format::Bmp: return bmpInfo(device, info, error);
    case Format::Unknown: break;
    }
    return false;
}

QImage decodeOf(QIODevice &device, Format format, QString *error, int minWidth, int minHeight)
{
    switch (format) {
    case Format::Tiff: return tiffDecode(device, error);
    case Format::Jpeg: return jpegDecode(device, error, minWidth, minHeight);
    case Format::Png: return pngDecode(device, error);
    case Format::Bmp: return bmpDecode(device, error);
    case Format::Unknown: break;
    }
    return {};
}

// Prefixes a reader's reason with the file's name.
QString readFailure(const QString &path, const QString &reason)
{
    return tr("Cannot read \"%1\": %2").arg(QDir::toNativeSeparators(path), reason);
}

} // namespace

bool readImageInfo(const QString &path, ImageInfo &info, QString *error)
{
    info = {};
    QFile file;
    Format format = Format::Unknown;
    if (!openImageFile(path, file, format, error))
        return false;
    QString reason;
    ImageInfo found;
    if (!infoOf(file, format, found, &reason)) {
        setError(error, readFailure(path, reason));
        return false;
    }
    info = found;
    return true;
}

bool readImageInfoFromData(const QByteArray &data, ImageInfo &info, QString *error)
{
    info = {};
    QBuffer buffer;
    Format format = Format::Unknown;
    if (!openImageData(data, buffer, format, error))
        return false;
    ImageInfo found;
    if (!infoOf(buffer, format, found, error))
        return false;
    info = found;
    return true;
}

QImage readImage(const QString &path, QString *error, int minWidth, int minHeight)
{
    QFile file;
    Format format = Format::Unknown;
    if (!openImageFile(path, file, format, error))
        return {};
    QString reason;
    QImage image = decodeOf(file, format, &reason, minWidth, minHeight);
    if (image.isNull())
        setError(error, readFailure(path, reason));
    return image;
}

QImage decodeImage(const QByteArray &data, QString *error, int minWidth, int minHeight)
{
    QBuffer buffer;
    Format format = Format::Unknown;
    if (!openImageData(data, buffer, format, error))
        return {};
    return decodeOf(buffer, format, error, minWidth, minHeight);
}

QImage decodeJpeg(const QByteArray &data, QString *error)
{
    QBuffer buffer;
    Format format = Format::Unknown;
    if (!openImageData(data, buffer, format, error))
        return {};
    if (format != Format::Jpeg) {
        setError(error, tr("The data are not a JPEG image."));
        return {};
    }
    return jpegDecode(buffer, error, 0, 0);
}

bool readPalettePng(const QString &path, QByteArray &indices, int &width, int &height,
                    QVector<QRgb> *palette, QString *error)
{
    indices.clear();
    width = height = 0;
    QFile file;
    Format format = Format::Unknown;
    if (!openImageFile(path, file, format, error))
        return false;
    if (format != Format::Png) {
        setError(error, readFailure(path, tr("not a PNG image.")));
        return false;
    }
    QString reason;
    if (!pngDecodePalette(file, indices, width, height, palette, &reason)) {
        setError(error, readFailure(path, reason));
        return false;
    }
    return true;
}

bool decodePalettePng(const QByteArray &data, QByteArray &indices, int &width, int &height,
                      QVector<QRgb> *palette, QString *error)
{
    indices.clear();
    width = height = 0;
    QBuffer buffer;
    Format format = Format::Unknown;
    if (!openImageData(data, buffer, format, error))
        return false;
    if (format != Format::Png) {
        setError(error, tr("The data are not a PNG image."));
        return false;
    }
    return pngDecodePalette(buffer, indices, width, height, palette, error);
}

} // namespace sl::image
