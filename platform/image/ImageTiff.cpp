// TIFF through libtiff: the first image of a file, the common layouts strip by strip, all others
// with TIFFReadRGBAImageOriented; libtiff's messages are kept as text (per handle, and in a
// per-thread slot for any that bypass the handle), never printed.
#include "platform/image/ImageIOPrivate.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>
#include <unistd.h>

#include <tiffio.h>

namespace sl::image::detail {
namespace {

struct TiffMessages
{
    char first[512] = {};
};

thread_local TiffMessages *t_current = nullptr;

void keepMessage(TiffMessages *m, const char *module, const char *fmt, va_list ap)
{
    if (!m || m->first[0])
        return;
    char text[400];
    std::vsnprintf(text, sizeof text, fmt, ap);
    if (module && *module)
        std::snprintf(m->first, sizeof m->first, "%s: %s", module, text);
    else
        std::snprintf(m->first, sizeof m->first, "%s", text);
}

int handleError(TIFF *, void *user, const char *module, const char *fmt, va_list ap)
{
    keepMessage(static_cast<TiffMessages *>(user), module, fmt, ap);
    return 1;
}

int handleWarning(TIFF *, void *, const char *, const char *, va_list)
{
    return 1;
}

// Messages raised without a handle go to the slot of the thread that is reading or writing.
void globalError(const char *module, const char *fmt, va_list ap)
{
    keepMessage(t_current, module, fmt, ap);
}

void globalWarning(const char *, const char *, va_list) {}

void installGlobalHandlers()
{
    static std::once_flag once;
    std::call_once(once, [] {
        TIFFSetErrorHandler(globalError);
        TIFFSetWarningHandler(globalWarning);
    });
}

// The per-call message slot, with libtiff's options pointing at it.
class TiffSession
{
public:
    TiffSession()
    {
        installGlobalHandlers();
        m_previous = t_current;
        t_current = &m_messages;
        m_options = TIFFOpenOptionsAlloc();
        TIFFOpenOptionsSetErrorHandlerExtR(m_options, handleError, &m_messages);
        TIFFOpenOptionsSetWarningHandlerExtR(m_options, handleWarning, nullptr);
    }
    ~TiffSession()
    {
        if (m_tif)
            TIFFClose(m_tif);
        TIFFOpenOptionsFree(m_options);
        t_current = m_previous;
    }
    TiffSession(const TiffSession &) = delete;
    TiffSession &operator=(const TiffSession &) = delete;

    TIFFOpenOptions *options() const { return m_options; }
    TIFF *tif() const { return m_tif; }
    void setTif(TIFF *tif) { m_tif = tif; }
    // Closes now (writing the directory); false when libtiff complained.
    bool close()
    {
        if (m_tif)
            TIFFClose(m_tif);
        m_tif = nullptr;
        return !m_messages.first[0];
    }
    QString message(const QString &fallback) const
    {
        return m_messages.first[0] ? QString::fromLocal8Bit(m_messages.first) : fallback;
    }

private:
    TiffMessages m_messages;
    TiffMessages *m_previous = nullptr;
    TIFFOpenOptions *m_options = nullptr;
    TIFF *m_tif = nullptr;
};

// ---- a QIODevice as libtiff's file ----

tmsize_t deviceRead(thandle_t handle, void *data, tmsize_t size)
{
    const qint64 n = static_cast<QIODevice *>(handle)->read(static_cast<char *>(data), size);
    return n < 0 ? 0 : tmsize_t(n);
}

tmsize_t deviceWrite(thandle_t, void *, tmsize_t)
{
    return 0;
}

toff_t deviceSeek(thandle_t handle, toff_t offset, int whence)
{
    auto *device = static_cast<QIODevice *>(handle);
    qint64 base = 0;
    if (whence == SEEK_CUR)
        base = device->pos();
    else if (whence == SEEK_END)
        base = device->size();
    const qint64 target = base + qint64(offset);
    if (qint64(offset) < 0 && whence == SEEK_SET)
        return toff_t(-1);
    // Reading only: nothing lies beyond the end (and QBuffer would warn about it).
    if (target < 0 || target > device->size() || !device->seek(target))
        return toff_t(-1);
    return toff_t(target);
}

int deviceClose(thandle_t)
{
    return 0;
}

toff_t deviceSize(thandle_t handle)
{
    return toff_t(static_cast<QIODevice *>(handle)->size());
}

int deviceMap(thandle_t, void **, toff_t *)
{
    return 0;
}

void deviceUnmap(thandle_t, void *, toff_t) {}

bool openDevice(TiffSession &session, QIODevice &device, QString *error)
{
    TIFF *tif = TIFFClientOpenExt("image", "rm", &device, deviceRead, deviceWrite, deviceSeek, deviceClose,
                                  deviceSize, deviceMap, deviceUnmap, session.options());
    if (!tif) {
        setError(error, session.message(tr("The TIFF data are damaged.")));
        return false;
    }
    session.setTif(tif);
    return true;
}

bool sizeOf(TiffSession &session, quint32 &width, quint32 &height, QString *error)
{
    width = height = 0;
    if (!TIFFGetField(session.tif(), TIFFTAG_IMAGEWIDTH, &width)
        || !TIFFGetField(session.tif(), TIFFTAG_IMAGELENGTH, &height)) {
        setError(error, session.message(tr("The TIFF image has no size.")));
        return false;
    }
    const QString problem = sizeProblem(width, height);
    if (!problem.isEmpty()) {
        setError(error, problem);
        return false;
    }
    return true;
}

// The layouts most files have (8-bit RGB or RGB with unassociated alpha, chunky, top-left) are
// read by strips or tiles straight into the image, in one pass and without libtiff's RGBA raster.
bool isDirectLayout(TIFF *tif, bool *alpha)
{
    uint16_t bits = 0, samples = 0, photometric = 0, planar = 0, orientation = 0, extraCount = 0;
    uint16_t *extra = nullptr;
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
    TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extra);
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric))
        return false;
    *alpha = samples == 4 && extraCount == 1 && extra && extra[0] == EXTRASAMPLE_UNASSALPHA;
    return bits == 8 && photometric == PHOTOMETRIC_RGB && planar == PLANARCONFIG_CONTIG
        && orientation == ORIENTATION_TOPLEFT && (samples == 3 || *alpha);
}

// Pixels of `count` samples each into 0xAARRGGBB.
void toArgb(const uint8_t *in, int samples, int count, QRgb *out)
{
    if (samples == 3) {
        for (int x = 0; x < count; ++x, in += 3)
            out[x] = 0xFF000000u | (uint32_t(in[0]) << 16) | (uint32_t(in[1]) << 8) | in[2];
    } else {
        for (int x = 0; x < count; ++x, in += 4)
            out[x] = (uint32_t(in[3]) << 24) | (uint32_t(in[0]) << 16) | (uint32_t(in[1]) << 8) | in[2];
    }
}

constexpr tmsize_t kLargeStrip = 4 << 20;

// With `keepPartial`, a strip, tile or row that cannot be decoded is left black (transparent
// with alpha) and the image is refused only when nothing decoded; without it, the first such
// part refuses the image.
bool readDirect(TiffSession &session, QImage &image, int samples, bool keepPartial, QString *error)
{
    TIFF *tif = session.tif();
    const int w = image.width(), h = image.height();
    const auto fail = [&] {
        setError(error, session.message(tr("The TIFF data are damaged.")));
        return false;
    };
    // A part that failed: false when that refuses the image, else the part is made black.
    const auto lost = [&](int x0, int y0, int columns, int rows) {
        for (int r = 0; keepPartial && r < rows; ++r)
            std::memset(image.scanLine(y0 + r) + size_t(x0) * 4, 0, size_t(columns) * 4);
        return keepPartial;
    };
    qint64 decoded = 0;
    if (TIFFIsTiled(tif)) {
        uint32_t tileW = 0, tileH = 0;
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileW);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileH);
        const tmsize_t tileSize = TIFFTileSize(tif);
        if (tileW == 0 || tileH == 0 || tileSize < tmsize_t(tileW) * tileH * samples)
            return fail();
        std::vector<uint8_t> buffer(static_cast<size_t>(tileSize));
        for (uint32_t y0 = 0; y0 < uint32_t(h); y0 += tileH)
            for (uint32_t x0 = 0; x0 < uint32_t(w); x0 += tileW) {
                const int columns = int(qMin<uint32_t>(tileW, uint32_t(w) - x0));
                const int rows = int(qMin<uint32_t>(tileH, uint32_t(h) - y0));
                if (TIFFReadEncodedTile(tif, TIFFComputeTile(tif, x0, y0, 0, 0), buffer.data(), tileSize) != tileSize) {
                    if (!lost(int(x0), int(y0), columns, rows))
                        return fail();
                    continue;
                }
                ++decoded;
                for (int r = 0; r < rows; ++r)
                    toArgb(buffer.data() + size_t(r) * tileW * samples, samples, columns,
                           reinterpret_cast<QRgb *>(image.scanLine(int(y0) + r)) + x0);
            }
        return decoded > 0 || fail();
    }
    uint32_t rowsPerStrip = 0;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    rowsPerStrip = qBound<uint32_t>(1, rowsPerStrip, uint32_t(h));
    const tmsize_t rowBytes = tmsize_t(w) * samples;
    // Large strips (a whole image in one strip is common) are read row by row, so that no second
    // copy of the image is needed.
    if (rowBytes * rowsPerStrip > kLargeStrip) {
        std::vector<uint8_t> row(static_cast<size_t>(rowBytes));
        for (int y = 0; y < h; ++y) {
            if (TIFFReadScanline(tif, row.data(), uint32_t(y), 0) < 0) {
                // The rest of the strip cannot follow, and each further row would read it again.
                const int end = int(qMin<qint64>(h, (y / qint64(rowsPerStrip) + 1) * rowsPerStrip));
                if (!lost(0, y, w, end - y))
                    return fail();
                y = end - 1;
                continue;
            }
            ++decoded;
            toArgb(row.data(), samples, w, reinterpret_cast<QRgb *>(image.scanLine(y)));
        }
        return decoded > 0 || fail();
    }
    std::vector<uint8_t> buffer(size_t(rowBytes) * rowsPerStrip);
    for (uint32_t y0 = 0, strip = 0; y0 < uint32_t(h); y0 += rowsPerStrip, ++strip) {
        const int rows = int(qMin<uint32_t>(rowsPerStrip, uint32_t(h) - y0));
        if (TIFFReadEncodedStrip(tif, strip, buffer.data(), rowBytes * rows) != rowBytes * rows) {
            if (!lost(0, int(y0), w, rows))
                return fail();
            continue;
        }
        ++decoded;
        for (int r = 0; r < rows; ++r)
            toArgb(buffer.data() + size_t(r) * rowBytes, samples, w, reinterpret_cast<QRgb *>(image.scanLine(int(y0) + r)));
    }
    return decoded > 0 || fail();
}

} // namespace

bool tiffInfo(QIODevice &device, ImageInfo &info, QString *error)
{
    TiffSession session;
    quint32 w = 0, h = 0;
    if (!openDevice(session, device, error) || !sizeOf(session, w, h, error))
        return false;
    info.format = Format::Tiff;
    info.width = int(w);
    info.height = int(h);
    return true;
}

QImage tiffDecode(QIODevice &device, QString *error, bool keepPartial)
{
    TiffSession session;
    quint32 w = 0, h = 0;
    if (!openDevice(session, device, error) || !sizeOf(session, w, h, error))
        return {};
    TIFF *tif = session.tif();

    bool directAlpha = false;
    if (isDirectLayout(tif, &directAlpha)) {
        QImage image(int(w), int(h), directAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        if (image.isNull()) {
            setError(error, tr("Not enough memory for an image of %1 x %2 pixels.").arg(w).arg(h));
            return {};
        }
        return readDirect(session, image, directAlpha ? 4 : 3, keepPartial, error) ? image : QImage();
    }

    char message[1024] = {};
    TIFFRGBAImage probe;
    if (!TIFFRGBAImageOK(tif, message) || !TIFFRGBAImageBegin(&probe, tif, 1, message)) {
        setError(error, session.message(QString::fromLocal8Bit(message)));
        return {};
    }
    const bool alpha = probe.alpha != 0;
    TIFFRGBAImageEnd(&probe);

    // libtiff hands back premultiplied colours when the file has alpha.
    QImage image(int(w), int(h), alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (image.isNull()) {
        setError(error, tr("Not enough memory for an image of %1 x %2 pixels.").arg(w).arg(h));
        return {};
    }
    auto *raster = reinterpret_cast<uint32_t *>(image.bits());
    const qsizetype count = qsizetype(w) * h;
    // libtiff stops at the first strip or tile it cannot decode, with what it decoded before in
    // place. Kept, that part shows and the rest stays zero (black); all zero is nothing decoded.
    // (Not stopping would fill the parts that fail with whatever libtiff's buffer held last.)
    if (keepPartial)
        std::fill_n(raster, count, 0u);
    if (!TIFFReadRGBAImageOriented(tif, w, h, raster, ORIENTATION_TOPLEFT, 1)
        && (!keepPartial || std::all_of(raster, raster + count, [](uint32_t p) { return p == 0; }))) {
        setError(error, session.message(tr("The TIFF data are damaged.")));
        return {};
    }
    // libtiff packs A B G R from the high byte down; QImage wants A R G B.
    const uint32_t opaque = alpha ? 0 : 0xFF000000u;
    for (qsizetype i = 0; i < count; ++i) {
        const uint32_t p = raster[i];
        raster[i] = (p & 0xFF00FF00u) | ((p & 0xFFu) << 16) | ((p >> 16) & 0xFFu) | opaque;
    }
    if (alpha)
        image.convertTo(QImage::Format_ARGB32);
    return image;
}

} // namespace sl::image::detail

namespace sl::image {

using namespace detail;

namespace {
// Why a write failed: the system's reason when one of libtiff's system calls failed (a full
// disk), else libtiff's own message.
QString systemOr(int err, const TiffSession &session, const QString &fallback = QString())
{
    return err ? QString::fromLocal8Bit(std::strerror(err)) : session.message(fallback);
}
} // namespace

bool writeTiff(const QImage &image, const QString &path, QString *error)
{
    if (image.isNull()) {
        setError(error, writeFailure(path, tr("there is no image to write.")));
        return false;
    }
    const QString problem = sizeProblem(image.width(), image.height());
    if (!problem.isEmpty()) {
        setError(error, writeFailure(path, problem));
        return false;
    }
    const bool alpha = image.hasAlphaChannel();
    const QImage source = image.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (source.isNull()) {
        setError(error, writeFailure(path, tr("not enough memory to convert the image.")));
        return false;
    }
    const int w = source.width();
    const int h = source.height();
    const int channels = alpha ? 4 : 3;

    AtomicFile file(path);
    if (!file.open(error))
        return false;
    TiffSession session;
    // libtiff names the file in its messages: the name the caller gave, not the temporary one.
    TIFF *tif = TIFFFdOpenExt(file.fd(), QFile::encodeName(path).constData(), "w", session.options());
    if (!tif) {
        setError(error, writeFailure(path, session.message(tr("libtiff could not start the file."))));
        return false;
    }
    file.releaseFd(); // TIFFClose closes it
    session.setTif(tif);

    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(w));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(h));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t(8));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(channels));
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    if (alpha) {
        const uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, uint16_t(1), extra);
    }
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));

    std::vector<uint8_t> row(size_t(w) * channels);
    for (int y = 0; y < h; ++y) {
        const auto *in = reinterpret_cast<const QRgb *>(source.constScanLine(y));
        uint8_t *out = row.data();
        for (int x = 0; x < w; ++x) {
            *out++ = uint8_t(qRed(in[x]));
            *out++ = uint8_t(qGreen(in[x]));
            *out++ = uint8_t(qBlue(in[x]));
            if (alpha)
                *out++ = uint8_t(qAlpha(in[x]));
        }
        errno = 0;
        if (TIFFWriteScanline(tif, row.data(), uint32_t(y), 0) < 0) {
            const int err = errno;
            setError(error, writeFailure(path, systemOr(err, session, tr("libtiff could not write the pixels."))));
            return false;
        }
    }
    errno = 0;
    if (!TIFFFlush(tif) || ::fsync(TIFFFileno(tif)) != 0) {
        const int err = errno;
        setError(error, writeFailure(path, systemOr(err, session)));
        return false;
    }
    errno = 0;
    if (!session.close()) {
        const int err = errno;
        setError(error, writeFailure(path, systemOr(err, session)));
        return false;
    }
    return file.commit(error);
}

} // namespace sl::image
