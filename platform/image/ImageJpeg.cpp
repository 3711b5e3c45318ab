// JPEG through libjpeg. libjpeg reports errors by calling error_exit, whose default prints and
// ends the process; ours keeps the message and jumps back to the setjmp of the step that failed.
// The functions holding a setjmp keep plain locals only, so that no destructor is skipped.
#include "platform/image/ImageIOPrivate.h"
#include "platform/io/RegularFile.h"

#include <QBuffer>
#include <QFile>
#include <QtEndian>

#include <csetjmp>
#include <cstdio>
#include <memory>

#include <jpeglib.h>
#include <jerror.h>

namespace sl::image::detail {
namespace {

#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr J_COLOR_SPACE kArgb32Space = JCS_EXT_BGRA; // bytes B G R A = 0xAARRGGBB in memory
constexpr J_COLOR_SPACE kRgb32InSpace = JCS_EXT_BGRX;
#else
constexpr J_COLOR_SPACE kArgb32Space = JCS_EXT_ARGB;
constexpr J_COLOR_SPACE kRgb32InSpace = JCS_EXT_XRGB;
#endif

constexpr int kBufferSize = 64 * 1024;

struct JpegError
{
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void jpegErrorExit(j_common_ptr cinfo)
{
    auto *err = reinterpret_cast<JpegError *>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Messages are never printed. libjpeg calls most damage in the data a warning and goes on with
// grey or repeated pixels; here damaged or short data end the decoding like any other error.
// Only the warnings about header details that leave the pixels intact are let through.
void jpegOutputMessage(j_common_ptr) {}

void jpegEmitMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0)
        return;
    cinfo->err->num_warnings++;
    switch (cinfo->err->msg_code) {
    case JWRN_ADOBE_XFORM:
    case JWRN_JFIF_MAJOR:
    case JWRN_NOT_SEQUENTIAL:
        return;
    default:
        jpegErrorExit(cinfo);
    }
}

void initError(JpegError &err)
{
    jpeg_std_error(&err.pub);
    err.pub.error_exit = jpegErrorExit;
    err.pub.output_message = jpegOutputMessage;
    err.pub.emit_message = jpegEmitMessage;
    err.message[0] = 0;
}

// ---- reading from a QIODevice ----

struct JpegSource
{
    jpeg_source_mgr pub;
    QIODevice *device;
    bool any;
    JOCTET buffer[kBufferSize];
};

void sourceInit(j_decompress_ptr) {}

boolean sourceFill(j_decompress_ptr cinfo)
{
    auto *src = reinterpret_cast<JpegSource *>(cinfo->src);
    const qint64 n = src->device->read(reinterpret_cast<char *>(src->buffer), kBufferSize);
    if (n <= 0) {
        // A truncated file is an error, not a grey lower part.
        if (src->any)
            ERREXIT(cinfo, JERR_INPUT_EOF);
        ERREXIT(cinfo, JERR_INPUT_EMPTY);
    }
    src->any = true;
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = size_t(n);
    return TRUE;
}

void sourceSkip(j_decompress_ptr cinfo, long count)
{
    auto *src = reinterpret_cast<JpegSource *>(cinfo->src);
    if (count <= 0)
        return;
    if (size_t(count) <= src->pub.bytes_in_buffer) {
        src->pub.next_input_byte += count;
        src->pub.bytes_in_buffer -= size_t(count);
        return;
    }
    const qint64 rest = count - qint64(src->pub.bytes_in_buffer);
    src->pub.bytes_in_buffer = 0;
    if (src->device->skip(rest) < rest)
        ERREXIT(cinfo, JERR_INPUT_EOF);
}

void sourceTerm(j_decompress_ptr) {}

// libjpeg's working memory for one image, from its header: the coefficients that a progressive
// or multi-scan file keeps whole (a block of 64 two-byte values for every 8 x 8 samples of every
// component, at the component's own sampling), the buffers of a few rows of blocks that decoding
// and upsampling go through, and room for tables. Should libjpeg ask for more, the file is
// refused rather than given what it asks.
qint64 workingMemory(const jpeg_decompress_struct &c)
{
    const auto roundUp = [](qint64 v, qint64 step) { return (v + step - 1) / step * step; };
    qint64 coefficients = 0;
    if (c.progressive_mode || c.comps_in_scan < c.num_components)
        for (int i = 0; i < c.num_components; ++i) {
            const jpeg_component_info &comp = c.comp_info[i];
            coefficients += roundUp(comp.width_in_blocks, comp.h_samp_factor)
                * roundUp(comp.height_in_blocks, comp.v_samp_factor) * qint64(sizeof(JBLOCK));
        }
    const qint64 rows = qint64(c.num_components) * roundUp(c.image_width, DCTSIZE * c.max_h_samp_factor)
        * (4 * DCTSIZE * c.max_v_samp_factor) * 4;
    return coefficients + rows + 16LL * 1024 * 1024;
}

struct JpegDecoder
{
    jpeg_decompress_struct cinfo;
    JpegError err;
    JpegSource src;
    bool created = false;
    bool cmyk = false;

    ~JpegDecoder()
    {
        if (created)
            jpeg_destroy_decompress(&cinfo);
    }
};

bool decoderOpen(JpegDecoder *d)
{
    d->cinfo.err = &d->err.pub;
    initError(d->err);
    if (setjmp(d->err.jump))
        return false;
    jpeg_create_decompress(&d->cinfo);
    d->created = true;
    d->src.pub.init_source = sourceInit;
    d->src.pub.fill_input_buffer = sourceFill;
    d->src.pub.skip_input_data = sourceSkip;
    d->src.pub.resync_to_restart = jpeg_resync_to_restart;
    d->src.pub.term_source = sourceTerm;
    d->src.pub.next_input_byte = nullptr;
    d->src.pub.bytes_in_buffer = 0;
    d->cinfo.src = &d->src.pub;
    jpeg_read_header(&d->cinfo, TRUE);
    return true;
}

bool decoderStart(JpegDecoder *d)
{
    if (setjmp(d->err.jump))
        return false;
    jpeg_start_decompress(&d->cinfo);
    return true;
}

// The next `count` output lines into bits, one `stride` apart.
bool decoderReadLines(JpegDecoder *d, unsigned char *bits, qsizetype stride, int count)
{
    if (setjmp(d->err.jump))
        return false;
    for (int i = 0; i < count; ++i) {
        JSAMPROW row = bits + qsizetype(i) * stride;
        if (jpeg_read_scanlines(&d->cinfo, &row, 1) != 1)
            ERREXIT(&d->cinfo, JERR_INPUT_EOF);
    }
    return true;
}

QString jpegMessage(const JpegDecoder &d)
{
    if (d.err.pub.msg_code == JERR_NO_BACKING_STORE)
        return tr("The JPEG file needs more working memory than an image of its size may take.");
    return d.err.message[0] ? QString::fromLocal8Bit(d.err.message) : tr("The JPEG data are damaged.");
}

// CMYK scanlines (4 bytes a pixel) to RGB32 in place. Adobe's files store the inks inverted.
void cmykToRgb(uchar *bits, qsizetype stride, int width, int rows, bool inverted)
{
    for (int y = 0; y < rows; ++y) {
        uchar *p = bits + qsizetype(y) * stride;
        auto *out = reinterpret_cast<QRgb *>(p);
        for (int x = 0; x < width; ++x, p += 4) {
            int c = p[0], m = p[1], ye = p[2], k = p[3];
            if (!inverted) {
                c = 255 - c;
                m = 255 - m;
                ye = 255 - ye;
                k = 255 - k;
            }
            out[x] = qRgb(c * k / 255, m * k / 255, ye * k / 255);
        }
    }
}

// Reads the header, checks the size and starts the decoder, at the smallest of the scales 1/8,
// 1/4, 1/2 and 1/1 that still covers minWidth x minHeight (0: full size).
bool decoderPrepare(JpegDecoder &d, QIODevice &device, int minWidth, int minHeight, QString *error)
{
    d.src.device = &device;
    d.src.any = false;
    if (!decoderOpen(&d)) {
        setError(error, jpegMessage(d));
        return false;
    }
    jpeg_decompress_struct &c = d.cinfo;
    const QString problem = sizeProblem(c.image_width, c.image_height);
    if (!problem.isEmpty()) {
        setError(error, problem);
        return false;
    }
    c.mem->max_memory_to_use = long(workingMemory(c));
    if (minWidth > 0 || minHeight > 0) {
        for (unsigned denom : {8u, 4u, 2u}) {
            const qint64 w = (qint64(c.image_width) + denom - 1) / denom;
            const qint64 h = (qint64(c.image_height) + denom - 1) / denom;
            if (w >= minWidth && h >= minHeight) {
                c.scale_num = 1;
                c.scale_denom = denom;
                break;
            }
        }
    }
    d.cmyk = c.jpeg_color_space == JCS_CMYK || c.jpeg_color_space == JCS_YCCK;
    c.out_color_space = d.cmyk ? JCS_CMYK : kArgb32Space;
    if (!decoderStart(&d)) {
        setError(error, jpegMessage(d));
        return false;
    }
    if (c.output_components != 4) {
        setError(error, tr("Unsupported JPEG colour layout."));
        return false;
    }
    return true;
}

// The next `count` lines as RGB32.
bool decoderRead(JpegDecoder &d, uchar *bits, qsizetype stride, int count, QString *error)
{
    if (count < 0 || qint64(d.cinfo.output_scanline) + count > qint64(d.cinfo.output_height)) {
        setError(error, tr("The JPEG image has no more rows."));
        return false;
    }
    if (!decoderReadLines(&d, bits, stride, count)) {
        setError(error, jpegMessage(d));
        return false;
    }
    if (d.cmyk)
        cmykToRgb(bits, stride, int(d.cinfo.output_width), count, d.cinfo.saw_Adobe_marker);
    return true;
}

// ---- writing into memory ----

struct JpegDestination
{
    jpeg_destination_mgr pub;
    QByteArray *out;
    JOCTET buffer[kBufferSize];
};

void destInit(j_compress_ptr cinfo)
{
    auto *dst = reinterpret_cast<JpegDestination *>(cinfo->dest);
    dst->pub.next_output_byte = dst->buffer;
    dst->pub.free_in_buffer = kBufferSize;
}

boolean destEmpty(j_compress_ptr cinfo)
{
    auto *dst = reinterpret_cast<JpegDestination *>(cinfo->dest);
    dst->out->append(reinterpret_cast<const char *>(dst->buffer), kBufferSize);
    dst->pub.next_output_byte = dst->buffer;
    dst->pub.free_in_buffer = kBufferSize;
    return TRUE;
}

void destTerm(j_compress_ptr cinfo)
{
    auto *dst = reinterpret_cast<JpegDestination *>(cinfo->dest);
    dst->out->append(reinterpret_cast<const char *>(dst->buffer), qsizetype(kBufferSize - dst->pub.free_in_buffer));
}

struct JpegEncoder
{
    jpeg_compress_struct cinfo;
    JpegError err;
    JpegDestination dst;
    bool created = false;

    ~JpegEncoder()
    {
        if (created)
            jpeg_destroy_compress(&cinfo);
    }
};

bool encoderStart(JpegEncoder *e, int width, int height, int quality)
{
    e->cinfo.err = &e->err.pub;
    initError(e->err);
    if (setjmp(e->err.jump))
        return false;
    jpeg_create_compress(&e->cinfo);
    e->created = true;
    e->dst.pub.init_destination = destInit;
    e->dst.pub.empty_output_buffer = destEmpty;
    e->dst.pub.term_destination = destTerm;
    e->cinfo.dest = &e->dst.pub;
    e->cinfo.image_width = JDIMENSION(width);
    e->cinfo.image_height = JDIMENSION(height);
    e->cinfo.input_components = 4;
    e->cinfo.in_color_space = kRgb32InSpace;
    jpeg_set_defaults(&e->cinfo);
    jpeg_set_quality(&e->cinfo, quality, TRUE);
    e->cinfo.optimize_coding = TRUE;
    jpeg_start_compress(&e->cinfo, TRUE);
    return true;
}

bool encoderWrite(JpegEncoder *e, const uchar *bits, qsizetype stride, int count)
{
    if (setjmp(e->err.jump))
        return false;
    for (int i = 0; i < count; ++i) {
        JSAMPROW row = const_cast<JSAMPROW>(bits + qsizetype(i) * stride);
        jpeg_write_scanlines(&e->cinfo, &row, 1);
    }
    return true;
}

bool encoderFinish(JpegEncoder *e)
{
    if (setjmp(e->err.jump))
        return false;
    jpeg_finish_compress(&e->cinfo);
    return true;
}

QString encoderMessage(const JpegEncoder &e)
{
    return e.err.message[0] ? QString::fromLocal8Bit(e.err.message) : tr("JPEG encoding failed.");
}

} // namespace

bool jpegInfo(QIODevice &device, ImageInfo &info, QString *error)
{
    auto d = std::make_unique<JpegDecoder>();
    d->src.device = &device;
    d->src.any = false;
    if (!decoderOpen(d.get())) {
        setError(error, jpegMessage(*d));
        return false;
    }
    const QString problem = sizeProblem(d->cinfo.image_width, d->cinfo.image_height);
    if (!problem.isEmpty()) {
        setError(error, problem);
        return false;
    }
    info.format = Format::Jpeg;
    info.width = int(d->cinfo.image_width);
    info.height = int(d->cinfo.image_height);
    return true;
}

QImage jpegDecode(QIODevice &device, QString *error, int minWidth, int minHeight)
{
    auto d = std::make_unique<JpegDecoder>();
    if (!decoderPrepare(*d, device, minWidth, minHeight, error))
        return {};
    const int w = int(d->cinfo.output_width), h = int(d->cinfo.output_height);
    QImage image(w, h, QImage::Format_RGB32);
    if (image.isNull()) {
        setError(error, tr("Not enough memory for an image of %1 x %2 pixels.").arg(w).arg(h));
        return {};
    }
    const PageWarmer warmer({{image.bits(), image.sizeInBytes()}});
    if (!decoderRead(*d, image.bits(), image.bytesPerLine(), h, error))
        return {};
    return image;
}

} // namespace sl::image::detail

namespace sl::image {

using namespace detail;

struct JpegRowReader::Private
{
    QFile file;
    QBuffer buffer;
    JpegDecoder decoder;
};

JpegRowReader::JpegRowReader() = default;
JpegRowReader::~JpegRowReader() = default;

bool JpegRowReader::open(const QString &path, QString *error)
{
    d = std::make_unique<Private>();
    QString reason;
    if (!io::openRegularFile(path, d->file, &reason)) {
        setError(error, tr("Cannot open \"%1\": %2").arg(QDir::toNativeSeparators(path), reason));
        d.reset();
        return false;
    }
    if (!decoderPrepare(d->decoder, d->file, 0, 0, &reason)) {
        setError(error, tr("Cannot read \"%1\": %2").arg(QDir::toNativeSeparators(path), reason));
        d.reset();
        return false;
    }
    return true;
}

bool JpegRowReader::open(const QByteArray &data, QString *error)
{
    d = std::make_unique<Private>();
    d->buffer.setData(data);
    d->buffer.open(QIODevice::ReadOnly);
    if (!decoderPrepare(d->decoder, d->buffer, 0, 0, error)) {
        d.reset();
        return false;
    }
    return true;
}

int JpegRowReader::width() const { return d ? int(d->decoder.cinfo.output_width) : 0; }
int JpegRowReader::height() const { return d ? int(d->decoder.cinfo.output_height) : 0; }
int JpegRowReader::rowsRead() const { return d ? int(d->decoder.cinfo.output_scanline) : 0; }

bool JpegRowReader::readRows(uchar *bits, qsizetype stride, int count, QString *error)
{
    if (!d) {
        setError(error, tr("No JPEG image is open."));
        return false;
    }
    return decoderRead(d->decoder, bits, stride, count, error);
}

struct JpegRowWriter::Private
{
    QByteArray out;
    JpegEncoder encoder;
    int rows = 0;
};

JpegRowWriter::JpegRowWriter() = default;
JpegRowWriter::~JpegRowWriter() = default;

bool JpegRowWriter::start(int width, int height, int quality, QString *error)
{
    d.reset();
    const QString problem = sizeProblem(width, height);
    if (!problem.isEmpty()) {
        setError(error, problem);
        return false;
    }
    if (width > 65500 || height > 65500) {
        setError(error, tr("A JPEG image holds at most 65500 pixels a side."));
        return false;
    }
    d = std::make_unique<Private>();
    d->encoder.dst.out = &d->out;
    if (!encoderStart(&d->encoder, width, height, qBound(1, quality, 100))) {
        setError(error, encoderMessage(d->encoder));
        d.reset();
        return false;
    }
    return true;
}

bool JpegRowWriter::writeRows(const uchar *bits, qsizetype stride, int count, QString *error)
{
    if (!d || count < 0 || qint64(d->rows) + count > qint64(d->encoder.cinfo.image_height)) {
        setError(error, tr("JPEG encoding failed."));
        return false;
    }
    if (!encoderWrite(&d->encoder, bits, stride, count)) {
        setError(error, encoderMessage(d->encoder));
        d.reset();
        return false;
    }
    d->rows += count;
    return true;
}

QByteArray JpegRowWriter::finish(QString *error)
{
    if (!d || d->rows != int(d->encoder.cinfo.image_height)) {
        setError(error, tr("JPEG encoding failed."));
        d.reset();
        return {};
    }
    QByteArray out;
    if (encoderFinish(&d->encoder))
        out = std::move(d->out);
    else
        setError(error, encoderMessage(d->encoder));
    d.reset();
    return out;
}

QByteArray encodeJpeg(const QImage &image, int quality, QString *error)
{
    if (image.isNull()) {
        setError(error, tr("There is no image to write."));
        return {};
    }
    // JPEG has no alpha: the colours are written as they are, the alpha dropped.
    QImage source = image;
    if (source.format() != QImage::Format_RGB32 && source.format() != QImage::Format_ARGB32)
        source = source.convertToFormat(source.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (source.isNull()) {
        setError(error, tr("Not enough memory to convert the image."));
        return {};
    }
    JpegRowWriter writer;
    if (!writer.start(source.width(), source.height(), quality, error)
        || !writer.writeRows(source.constBits(), source.bytesPerLine(), source.height(), error))
        return {};
    return writer.finish(error);
}

bool writeJpeg(const QImage &image, const QString &path, int quality, QString *error)
{
    QString reason;
    const QByteArray data = encodeJpeg(image, quality, &reason);
    if (data.isEmpty()) {
        setError(error, writeFailure(path, reason));
        return false;
    }
    return writeFileAtomically(path, data, error);
}

} // namespace sl::image
