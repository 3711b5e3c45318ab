// libFuzzer target for the TIFF reader: header, size check and the whole decode.
// Seeds: small TIFF files of many kinds (see FuzzSupport.h).
#include "FuzzSupport.h"

#include <vector>

#include <tiffio.h>

using namespace sl::image;

namespace {

struct Kind
{
    const char *name;
    uint16_t photometric, bits, samples, compression, planar;
    bool tiled;
    uint16_t extra; // 0 none, else the EXTRASAMPLES value of the last sample
    uint16_t sampleFormat;
};

void writeSeed(const QString &path, const Kind &k, int pages)
{
    TIFF *tif = TIFFOpen(QFile::encodeName(path).constData(), "w");
    if (!tif)
        return;
    const uint32_t w = 37, h = 19;
    for (int page = 0; page < pages; ++page) {
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, k.bits);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, k.samples);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, k.photometric);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, k.compression);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, k.planar);
        TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, k.sampleFormat);
        if (k.extra) {
            const uint16_t extra[] = {k.extra};
            TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, uint16_t(1), extra);
        }
        if (k.photometric == PHOTOMETRIC_PALETTE) {
            std::vector<uint16_t> r(1u << k.bits), g(r.size()), b(r.size());
            for (size_t i = 0; i < r.size(); ++i) {
                r[i] = uint16_t(i * 257 * 255 / (r.size() - 1));
                g[i] = uint16_t(65535 - r[i]);
                b[i] = uint16_t((i * 7919) & 0xFFFF);
            }
            TIFFSetField(tif, TIFFTAG_COLORMAP, r.data(), g.data(), b.data());
        }
        if (k.compression == COMPRESSION_JPEG) {
            TIFFSetField(tif, TIFFTAG_JPEGQUALITY, 75);
            TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
        }
        const int planes = k.planar == PLANARCONFIG_SEPARATE ? k.samples : 1;
        const int perPixel = k.planar == PLANARCONFIG_SEPARATE ? 1 : k.samples;
        if (k.tiled) {
            TIFFSetField(tif, TIFFTAG_TILEWIDTH, 16);
            TIFFSetField(tif, TIFFTAG_TILELENGTH, 16);
            std::vector<uint8_t> tile(size_t(TIFFTileSize(tif)));
            for (int p = 0; p < planes; ++p)
                for (uint32_t y = 0; y < h; y += 16)
                    for (uint32_t x = 0; x < w; x += 16) {
                        for (size_t i = 0; i < tile.size(); ++i)
                            tile[i] = uint8_t(i * 13 + x + y * 3 + p * 50);
                        TIFFWriteTile(tif, tile.data(), x, y, 0, uint16_t(p));
                    }
        } else {
            TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 8);
            const size_t rowBytes = (size_t(w) * perPixel * k.bits + 7) / 8;
            std::vector<uint8_t> row(rowBytes);
            for (int p = 0; p < planes; ++p)
                for (uint32_t y = 0; y < h; ++y) {
                    for (size_t i = 0; i < row.size(); ++i)
                        row[i] = uint8_t(i * 5 + y * 11 + p * 70);
                    TIFFWriteScanline(tif, row.data(), y, uint16_t(p));
                }
        }
        TIFFWriteDirectory(tif);
    }
    TIFFClose(tif);
}

} // namespace

void fuzz::writeSeeds(const QString &dir)
{
    QImage image(41, 23, QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgba(x * 6, y * 11, (x * y) & 0xFF, (x + y) * 4));
    writeTiff(image.convertToFormat(QImage::Format_RGB32), dir + "/ours-rgb.tif");
    writeTiff(image, dir + "/ours-rgba.tif");

    const Kind kinds[] = {
        {"gray8", PHOTOMETRIC_MINISBLACK, 8, 1, COMPRESSION_NONE, PLANARCONFIG_CONTIG, false, 0, SAMPLEFORMAT_UINT},
        {"gray16-lzw", PHOTOMETRIC_MINISBLACK, 16, 1, COMPRESSION_LZW, PLANARCONFIG_CONTIG, false, 0, SAMPLEFORMAT_UINT},
        {"bilevel-packbits", PHOTOMETRIC_MINISWHITE, 1, 1, COMPRESSION_PACKBITS, PLANARCONFIG_CONTIG, false, 0, SAMPLEFORMAT_UINT},
        {"gray4", PHOTOMETRIC_MINISBLACK, 4, 1, COMPRESSION_NONE, PLANARCONFIG_CONTIG, false, 0, SAMPLEFORMAT_UINT},
        {"palette8", PHOTOMETRIC_PALETTE, 8, 1, COMPRESSION_PACKBITS, PLANARCONFIG_CONTIG, false, 0, SAMPLEFORMAT_UINT},
        {"palette4", PHOTOMETRIC_PALETTE, 4, 1, COMPRESSION_NONE, PLANARCONFIG_CONTIG, false, 0, SAMPLEFORMAT_UINT},
        {"rgb-tiled", PHOTOMETRIC_RGB, 8, 3, COMPRESSION_ADOBE_DEFLATE, PLANARCONFIG_CONTIG, true, 0, SAMPLEFORMAT_UINT},
        {"rgb-separate", PHOTOMETRIC_RGB, 8, 3, COMPRESSION_NONE, PLANARCONFIG_SEPARATE, false, 0, SAMPLEFORMAT_UINT},
        {"rgba-assoc-tiled-separate", PHOTOMETRIC_RGB, 8, 4, COMPRESSION_LZW, PLANARCONFIG_SEPARATE, true,
         EXTRASAMPLE_ASSOCALPHA, SAMPLEFORMAT_UINT},
        {"rgb16", PHOTOMETRIC_RGB, 16, 3, COMPRESSION_NONE, PLANARCONFIG_CONTIG, false, 0, SAMPLEFORMAT_UINT},
        {"cmyk", PHOTOMETRIC_SEPARATED, 8, 4, COMPRESSION_NONE, PLANARCONFIG_CONTIG, false, 0, SAMPLEFORMAT_UINT},
        {"rgb-jpeg", PHOTOMETRIC_YCBCR, 8, 3, COMPRESSION_JPEG, PLANARCONFIG_CONTIG, false, 0, SAMPLEFORMAT_UINT},
        {"float", PHOTOMETRIC_MINISBLACK, 32, 1, COMPRESSION_NONE, PLANARCONFIG_CONTIG, false, 0, SAMPLEFORMAT_IEEEFP},
        {"lab", PHOTOMETRIC_CIELAB, 8, 3, COMPRESSION_NONE, PLANARCONFIG_CONTIG, false, 0, SAMPLEFORMAT_INT},
    };
    for (const Kind &k : kinds)
        writeSeed(dir + "/" + k.name + ".tif", k, 1);
    writeSeed(dir + "/two-pages.tif", kinds[0], 2);
}

void fuzz::decode(const QByteArray &bytes, const ImageInfo &info)
{
    QString error;
    fuzz::expectHeaderSize(decodeImage(bytes, &error), info);
}
