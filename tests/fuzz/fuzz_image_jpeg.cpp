// libFuzzer target for the JPEG reader: header, size check, whole and scaled decoding; JPEG seeds.
#include "FuzzSupport.h"

#include <vector>

#include <jpeglib.h>

using namespace sl::image;
using fuzz::put;

namespace {

// Seeds straight from libjpeg for the kinds our encoder does not make (our own input: no error handling).
QByteArray libjpegSeed(J_COLOR_SPACE space, int components, bool progressive, bool arithmetic, int restart)
{
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char *out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&c, &out, &outSize);
    c.image_width = 45;
    c.image_height = 27;
    c.input_components = components;
    c.in_color_space = space;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 70, TRUE);
    if (progressive)
        jpeg_simple_progression(&c);
    c.arith_code = arithmetic ? TRUE : FALSE;
    c.restart_interval = JDIMENSION(restart);
    jpeg_start_compress(&c, TRUE);
    std::vector<JSAMPLE> row(size_t(c.image_width) * components);
    while (c.next_scanline < c.image_height) {
        for (size_t i = 0; i < row.size(); ++i)
            row[i] = JSAMPLE((i * 9 + c.next_scanline * 17) & 0xFF);
        JSAMPROW p = row.data();
        jpeg_write_scanlines(&c, &p, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    QByteArray result(reinterpret_cast<const char *>(out), qsizetype(outSize));
    std::free(out);
    return result;
}

} // namespace

void fuzz::writeSeeds(const QString &dir)
{
    QImage image(53, 31, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x * 4, y * 8, (x ^ y) * 3));
    put(dir + "/ours.jpg", encodeJpeg(image, 85));
    put(dir + "/ours-low.jpg", encodeJpeg(image, 5));
    put(dir + "/progressive.jpg", libjpegSeed(JCS_RGB, 3, true, false, 0));
    put(dir + "/gray.jpg", libjpegSeed(JCS_GRAYSCALE, 1, false, false, 0));
    put(dir + "/cmyk.jpg", libjpegSeed(JCS_CMYK, 4, false, false, 0));
    put(dir + "/arithmetic.jpg", libjpegSeed(JCS_RGB, 3, false, true, 0));
    put(dir + "/restarts.jpg", libjpegSeed(JCS_RGB, 3, false, false, 2));
    put(dir + "/progressive-gray-arith.jpg", libjpegSeed(JCS_GRAYSCALE, 1, true, true, 1));
}

void fuzz::decode(const QByteArray &bytes, const ImageInfo &info)
{
    QString error;
    fuzz::expectHeaderSize(decodeJpeg(bytes, &error), info);
    // Scaled: at least the size asked for (or the whole image when it is smaller).
    const QImage thumb = decodeImage(bytes, &error, 7, 5);
    if (!thumb.isNull() && (thumb.width() < qMin(7, info.width) || thumb.height() < qMin(5, info.height)))
        std::abort();
}
