// TIFF through libtiff: the first image of a file, read with TIFFReadRGBAImageOriented; libtiff's
// messages are kept as text (per handle, and in a per-thread slot for any that bypass the handle),
// never printed.
#include "platform/image/ImageIOPrivate.h"

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

QImage tiffDecode(QIODevice &device, QString *error)
{
    TiffSession session;
    quint32 w = 0, h = 0;
    if (!openDevice(session, device, error) || !sizeOf(session, w, h, error))
        return {};
    TIFF *tif = session.tif();

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
    if (!TIFFReadRGBAImageOriented(tif, w, h, raster, ORIENTATION_TOPLEFT, 1)) {
        setError(error, session.message(tr("The TIFF data are damaged.")));
        return {};
    }
    // libtiff packs A B G R from the high byte down; QImage wants A R G B.
    const qsizetype count = qsizetype(w) * h;
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
    TIFF *tif = TIFFFdOpenExt(file.fd(), file.tempName().constData(), "w", session.options());
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
        if (TIFFWriteScanline(tif, row.data(), uint32_t(y), 0) < 0) {
            setError(error, writeFailure(path, session.message(tr("libtiff could not write the pixels."))));
            return false;
        }
    }
    if (!TIFFFlush(tif) || ::fsync(TIFFFileno(tif)) != 0) {
        const QString reason = session.message(QString::fromLocal8Bit(std::strerror(errno)));
        setError(error, writeFailure(path, reason));
        return false;
    }
    if (!session.close()) {
        setError(error, writeFailure(path, session.message(QString())));
        return false;
    }
    return file.commit(error);
}

} // namespace sl::image
