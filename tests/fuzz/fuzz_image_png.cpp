// libFuzzer target for the PNG readers: header, size check, colour decoding and palette indices.
// Seeds: small PNG files of many kinds (see FuzzSupport.h).
#include "FuzzSupport.h"

#include <cstdio>
#include <vector>

#include <png.h>

using namespace sl::image;

namespace {

// Interlaced files straight from libpng (Qt writes none); default error handling: our own input.
void interlacedSeed(const QString &path, int colorType, int depth)
{
    std::FILE *fp = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!fp)
        return;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, fp);
    const int w = 29, h = 13;
    png_set_IHDR(png, info, w, h, depth, colorType, PNG_INTERLACE_ADAM7, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_color palette[16];
    png_byte alpha[16];
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        for (int i = 0; i < 16; ++i) {
            palette[i] = png_color{png_byte(i * 16), png_byte(255 - i * 16), png_byte(i * 5)};
            alpha[i] = png_byte(i * 17);
        }
        png_set_PLTE(png, info, palette, 1 << depth);
        png_set_tRNS(png, info, alpha, 1 << depth, nullptr);
    }
    png_write_info(png, info);
    const int channels = colorType == PNG_COLOR_TYPE_RGB_ALPHA ? 4 : colorType == PNG_COLOR_TYPE_RGB ? 3 : 1;
    std::vector<png_byte> row(size_t(w) * channels * depth / 8 + 1);
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass)
        for (int y = 0; y < h; ++y) {
            for (size_t i = 0; i < row.size(); ++i)
                row[i] = png_byte(i * 7 + y * 3);
            png_write_row(png, row.data());
        }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(fp);
}

} // namespace

void fuzz::writeSeeds(const QString &dir)
{
    QImage image(37, 21, QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgba(x * 7, y * 12, (x * y) & 0xFF, 255 - x * 3));
    image.save(dir + "/rgba.png", "PNG");
    image.convertToFormat(QImage::Format_RGB32).save(dir + "/rgb.png", "PNG");
    image.convertToFormat(QImage::Format_Grayscale8).save(dir + "/gray.png", "PNG");
    image.convertToFormat(QImage::Format_Grayscale16).save(dir + "/gray16.png", "PNG");
    image.convertToFormat(QImage::Format_RGBA64).save(dir + "/rgba64.png", "PNG");
    image.convertToFormat(QImage::Format_Mono).save(dir + "/mono.png", "PNG");
    image.convertToFormat(QImage::Format_Indexed8).save(dir + "/indexed.png", "PNG");

    QByteArray indices(37 * 21, 0);
    for (int i = 0; i < indices.size(); ++i)
        indices[i] = char(i % 255);
    QVector<QRgb> palette;
    for (int i = 0; i < 256; ++i)
        palette << qRgba(i, 255 - i, i / 2, i < 10 ? i * 20 : 255);
    writePalettePng(indices, 37, 21, palette, dir + "/hotspots.png");

    interlacedSeed(dir + "/interlaced-rgb.png", PNG_COLOR_TYPE_RGB, 8);
    interlacedSeed(dir + "/interlaced-rgba16.png", PNG_COLOR_TYPE_RGB_ALPHA, 16);
    interlacedSeed(dir + "/interlaced-palette4.png", PNG_COLOR_TYPE_PALETTE, 4);
    interlacedSeed(dir + "/interlaced-gray2.png", PNG_COLOR_TYPE_GRAY, 2);
}

void fuzz::decode(const QByteArray &bytes, const ImageInfo &info)
{
    QString error;
    fuzz::expectHeaderSize(decodeImage(bytes, &error), info);
    QByteArray indices;
    int w = 0, h = 0;
    QVector<QRgb> palette;
    if (decodePalettePng(bytes, indices, w, h, &palette, &error)
        && (indices.size() != qsizetype(w) * h || palette.size() > 256))
        std::abort();
}
