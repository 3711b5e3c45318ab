// PNG through libpng. libpng reports errors by longjmp to the setjmp of the step that failed;
// the functions holding a setjmp keep plain locals only, so that no destructor is skipped.
#include "platform/image/ImageIOPrivate.h"

#include <QtEndian>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unistd.h>

#include <png.h>

namespace sl::image::detail {
namespace {

struct PngMessage
{
    char text[256];
};

void pngError(png_structp png, png_const_charp message)
{
    auto *m = static_cast<PngMessage *>(png_get_error_ptr(png));
    if (m) {
        std::strncpy(m->text, message ? message : "", sizeof m->text - 1);
        m->text[sizeof m->text - 1] = 0;
    }
    png_longjmp(png, 1);
}

// Warnings are neither printed nor fatal.
void pngWarning(png_structp, png_const_charp) {}

void pngReadDevice(png_structp png, png_bytep data, size_t length)
{
    auto *device = static_cast<QIODevice *>(png_get_io_ptr(png));
    size_t done = 0;
    while (done < length) {
        const qint64 n = device->read(reinterpret_cast<char *>(data) + done, qint64(length - done));
        if (n <= 0)
            png_error(png, "the file ends too early");
        done += size_t(n);
    }
}

struct PngReader
{
    png_structp png = nullptr;
    png_infop info = nullptr;
    PngMessage message{};

    ~PngReader()
    {
        if (png)
            png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    }
    QString errorText() const
    {
        return message.text[0] ? QString::fromLocal8Bit(message.text) : tr("The PNG data are damaged.");
    }
};

bool readerOpen(PngReader *r, QIODevice *device)
{
    r->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &r->message, pngError, pngWarning);
    if (!r->png)
        return false;
    r->info = png_create_info_struct(r->png);
    if (!r->info)
        return false;
    if (setjmp(png_jmpbuf(r->png)))
        return false;
    // Our own size check below gives the clear message; libpng's smaller default must not come first.
    png_set_user_limits(r->png, 0x7fffffff, 0x7fffffff);
    png_set_read_fn(r->png, device, pngReadDevice);
    png_read_info(r->png, r->info);
    return true;
}

// 32-bit pixels as QImage keeps them: B G R A in memory on little-endian machines.
bool readerSetArgb(PngReader *r, int *passes, int *hasAlpha)
{
    if (setjmp(png_jmpbuf(r->png)))
        return false;
    png_structp png = r->png;
    png_infop info = r->info;
    const int colorType = png_get_color_type(png, info);
    const int depth = png_get_bit_depth(png, info);
    const bool trns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    *hasAlpha = (colorType & PNG_COLOR_MASK_ALPHA) || trns;
    if (colorType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    if (trns)
        png_set_tRNS_to_alpha(png);
    if (depth == 16)
        png_set_strip_16(png);
    if (!(colorType & PNG_COLOR_MASK_COLOR))
        png_set_gray_to_rgb(png);
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    png_set_bgr(png);
    if (!*hasAlpha)
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
#else
    if (*hasAlpha)
        png_set_swap_alpha(png);
    else
        png_set_filler(png, 0xFF, PNG_FILLER_BEFORE);
#endif
    *passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return true;
}

bool readerSetPalette(PngReader *r, int *passes)
{
    if (setjmp(png_jmpbuf(r->png)))
        return false;
    *passes = png_set_interlace_handling(r->png);
    png_read_update_info(r->png, r->info);
    return true;
}

bool readerRows(PngReader *r, unsigned char *bits, qsizetype stride, int height, int passes)
{
    if (setjmp(png_jmpbuf(r->png)))
        return false;
    for (int pass = 0; pass < passes; ++pass)
        for (int y = 0; y < height; ++y)
            png_read_row(r->png, bits + qsizetype(y) * stride, nullptr);
    return true;
}

// Reads the header and checks the size; the reader stays ready for the pixels.
bool openChecked(PngReader &r, QIODevice &device, int &width, int &height, QString *error)
{
    if (!readerOpen(&r, &device)) {
        setError(error, r.png && r.info ? r.errorText() : tr("Not enough memory."));
        return false;
    }
    const png_uint_32 w = png_get_image_width(r.png, r.info);
    const png_uint_32 h = png_get_image_height(r.png, r.info);
    const QString problem = sizeProblem(w, h);
    if (!problem.isEmpty()) {
        setError(error, problem);
        return false;
    }
    width = int(w);
    height = int(h);
    return true;
}

struct PngWriter
{
    png_structp png = nullptr;
    png_infop info = nullptr;
    PngMessage message{};

    ~PngWriter()
    {
        if (png)
            png_destroy_write_struct(&png, info ? &info : nullptr);
    }
};

bool writerRun(PngWriter *w, std::FILE *fp, const unsigned char *indices, int width, int height,
               const png_color *palette, const png_byte *alpha, int alphaCount)
{
    w->png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &w->message, pngError, pngWarning);
    if (!w->png)
        return false;
    w->info = png_create_info_struct(w->png);
    if (!w->info)
        return false;
    if (setjmp(png_jmpbuf(w->png)))
        return false;
    png_init_io(w->png, fp);
    png_set_IHDR(w->png, w->info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_PALETTE,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_PLTE(w->png, w->info, palette, 256);
    if (alphaCount > 0)
        png_set_tRNS(w->png, w->info, alpha, alphaCount, nullptr);
    png_set_compression_level(w->png, 9);
    png_write_info(w->png, w->info);
    for (int y = 0; y < height; ++y)
        png_write_row(w->png, indices + qsizetype(y) * width);
    png_write_end(w->png, nullptr);
    return true;
}

} // namespace

bool pngInfo(QIODevice &device, ImageInfo &info, QString *error)
{
    PngReader r;
    int w = 0, h = 0;
    if (!openChecked(r, device, w, h, error))
        return false;
    info.format = Format::Png;
    info.width = w;
    info.height = h;
    return true;
}

QImage pngDecode(QIODevice &device, QString *error)
{
    PngReader r;
    int w = 0, h = 0;
    if (!openChecked(r, device, w, h, error))
        return {};
    int passes = 1, hasAlpha = 0;
    if (!readerSetArgb(&r, &passes, &hasAlpha)) {
        setError(error, r.errorText());
        return {};
    }
    if (png_get_rowbytes(r.png, r.info) != size_t(w) * 4) {
        setError(error, tr("Unsupported PNG pixel layout."));
        return {};
    }
    QImage image(w, h, hasAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull()) {
        setError(error, tr("Not enough memory for an image of %1 x %2 pixels.").arg(w).arg(h));
        return {};
    }
    if (!readerRows(&r, image.bits(), image.bytesPerLine(), h, passes)) {
        setError(error, r.errorText());
        return {};
    }
    return image;
}

bool pngDecodePalette(QIODevice &device, QByteArray &indices, int &width, int &height,
                      QVector<QRgb> *palette, QString *error)
{
    PngReader r;
    int w = 0, h = 0;
    if (!openChecked(r, device, w, h, error))
        return false;
    // One byte per pixel is one index: 8-bit palette images, and 8-bit grey taken as it is.
    const int colorType = png_get_color_type(r.png, r.info);
    if (colorType != PNG_COLOR_TYPE_PALETTE && colorType != PNG_COLOR_TYPE_GRAY) {
        setError(error, tr("The PNG image has no palette."));
        return false;
    }
    if (png_get_bit_depth(r.png, r.info) != 8) {
        setError(error, tr("Wrong PNG format. The PNG has to have 8bit per pixel!"));
        return false;
    }
    int passes = 1;
    if (!readerSetPalette(&r, &passes)) {
        setError(error, r.errorText());
        return false;
    }
    if (png_get_rowbytes(r.png, r.info) != size_t(w)) {
        setError(error, tr("Unsupported PNG pixel layout."));
        return false;
    }
    QByteArray data(qsizetype(w) * h, Qt::Uninitialized);
    if (data.size() != qsizetype(w) * h) {
        setError(error, tr("Not enough memory for an image of %1 x %2 pixels.").arg(w).arg(h));
        return false;
    }
    if (!readerRows(&r, reinterpret_cast<unsigned char *>(data.data()), w, h, passes)) {
        setError(error, r.errorText());
        return false;
    }
    if (palette && colorType == PNG_COLOR_TYPE_GRAY) {
        palette->clear();
        for (int i = 0; i < 256; ++i)
            palette->append(qRgb(i, i, i));
    } else if (palette) {
        palette->clear();
        png_colorp colors = nullptr;
        int count = 0;
        png_get_PLTE(r.png, r.info, &colors, &count);
        png_bytep alpha = nullptr;
        int alphaCount = 0;
        png_get_tRNS(r.png, r.info, &alpha, &alphaCount, nullptr);
        for (int i = 0; i < count; ++i)
            palette->append(qRgba(colors[i].red, colors[i].green, colors[i].blue,
                                  alpha && i < alphaCount ? alpha[i] : 255));
    }
    indices = data;
    width = w;
    height = h;
    return true;
}

} // namespace sl::image::detail

namespace sl::image {

using namespace detail;

bool writePalettePng(const QByteArray &indices, int width, int height, const QVector<QRgb> &palette,
                     const QString &path, QString *error)
{
    const QString problem = sizeProblem(width, height);
    if (!problem.isEmpty()) {
        setError(error, writeFailure(path, problem));
        return false;
    }
    if (indices.size() != qsizetype(width) * height) {
        setError(error, writeFailure(path, tr("%1 pixel values given for an image of %2 x %3 pixels.")
                                               .arg(indices.size()).arg(width).arg(height)));
        return false;
    }
    if (palette.size() > 256) {
        setError(error, writeFailure(path, tr("the palette has %1 entries, more than 256.").arg(palette.size())));
        return false;
    }
    // Always 256 entries; missing ones are black.
    png_color colors[256] = {};
    png_byte alpha[256];
    int alphaCount = 0;
    for (int i = 0; i < 256; ++i) {
        const QRgb c = i < palette.size() ? palette[i] : qRgb(0, 0, 0);
        colors[i] = png_color{png_byte(qRed(c)), png_byte(qGreen(c)), png_byte(qBlue(c))};
        alpha[i] = png_byte(qAlpha(c));
        if (alpha[i] != 255)
            alphaCount = i + 1;
    }

    AtomicFile file(path);
    if (!file.open(error))
        return false;
    std::FILE *fp = fdopen(file.fd(), "wb");
    if (!fp) {
        setError(error, writeFailure(path, QString::fromLocal8Bit(std::strerror(errno))));
        return false;
    }
    file.releaseFd();
    bool ok = false;
    QString reason;
    {
        PngWriter w;
        errno = 0;
        ok = writerRun(&w, fp, reinterpret_cast<const unsigned char *>(indices.constData()), width, height,
                       colors, alpha, alphaCount);
        const int err = errno;
        // A write the system refused (a full disk) is told in the system's words.
        if (!ok)
            reason = std::ferror(fp) && err ? QString::fromLocal8Bit(std::strerror(err))
                   : w.message.text[0]     ? QString::fromLocal8Bit(w.message.text)
                                           : tr("PNG encoding failed.");
    }
    if (ok && (std::fflush(fp) != 0 || ::fsync(fileno(fp)) != 0)) {
        ok = false;
        reason = QString::fromLocal8Bit(std::strerror(errno));
    }
    if (std::fclose(fp) != 0 && ok) {
        ok = false;
        reason = QString::fromLocal8Bit(std::strerror(errno));
    }
    if (!ok) {
        setError(error, writeFailure(path, reason));
        return false;
    }
    return file.commit(error);
}

} // namespace sl::image
