// Hotspot images (the palette PNG written, read back, refused) and the TIFF loader of the editors.
#include "editors/HotspotImage.h"
#include "editors/TiffBitmap.h"
#include "platform/image/ImageIO.h"
#include "testsupport.h"

#include <QtEndian>
#include <QtTest>

#include <png.h>
#include <tiffio.h>
#include <zlib.h>

using namespace sl::hotspot;

namespace {

QByteArray be32(quint32 v) { QByteArray b(4, 0); qToBigEndian<quint32>(v, b.data()); return b; }

// A PNG of zero pixels in any layout libpng writes.
void writePng(const QString &path, int w, int h, int depth, int colorType)
{
    FILE *f = std::fopen(QFile::encodeName(path).constData(), "wb");
    QVERIFY(f);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_set_IHDR(png, info, png_uint_32(w), png_uint_32(h), depth, colorType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_color palette[16] = {};
    if (colorType == PNG_COLOR_TYPE_PALETTE)
        png_set_PLTE(png, info, palette, 16);
    png_write_info(png, info);
    std::vector<png_byte> row(size_t(png_get_rowbytes(png, info)), 7);
    for (int y = 0; y < h; ++y)
        png_write_row(png, row.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
}

// A palette PNG whose header claims a size; no pixel data follow.
QByteArray paletteHeaderClaiming(quint32 w, quint32 h)
{
    const auto chunk = [](const char *type, const QByteArray &data) {
        const QByteArray body = QByteArray(type) + data;
        return be32(quint32(data.size())) + body
            + be32(quint32(crc32(0, reinterpret_cast<const Bytef *>(body.constData()), uInt(body.size()))));
    };
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", be32(w) + be32(h) + QByteArray("\x08\x03\x00\x00\x00", 5))
        + chunk("PLTE", QByteArray(768, 0)) + chunk("IDAT", {}) + chunk("IEND", {});
}

QRgb pixelAt(int x, int y) { return qRgb((x * 37 + y) & 0xFF, (y * 11) & 0xFF, (x ^ y) & 0xFF); }

enum Layout { Strips, Tiles, BottomLeft, StripsWithAlpha, Deflate, OneStrip };

QSize sizeOf(Layout layout) { return layout == OneStrip ? QSize(1500, 1000) : QSize(40, 23); }

// An RGB(A) TIFF of pixelAt, in the given layout.
void writeTiff(const QString &path, Layout layout)
{
    const int w = sizeOf(layout).width(), h = sizeOf(layout).height(), samples = layout == StripsWithAlpha ? 4 : 3;
    TIFF *tif = TIFFOpen(QFile::encodeName(path).constData(), "w");
    QVERIFY(tif);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(w));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(h));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t(8));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(samples));
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, layout == Deflate ? COMPRESSION_ADOBE_DEFLATE : COMPRESSION_NONE);
    if (samples == 4) {
        const uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, uint16_t(1), extra);
    }
    // Bottom-left: the first row stored is the image's last.
    TIFFSetField(tif, TIFFTAG_ORIENTATION, layout == BottomLeft ? ORIENTATION_BOTLEFT : ORIENTATION_TOPLEFT);
    const auto sample = [&](int x, int y, int s) {
        const QRgb p = pixelAt(x, layout == BottomLeft ? h - 1 - y : y);
        const int values[] = {qRed(p), qGreen(p), qBlue(p), (x * 5) & 0xFF};
        return uint8_t(values[s]);
    };
    if (layout == Tiles) {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, uint32_t(16));
        TIFFSetField(tif, TIFFTAG_TILELENGTH, uint32_t(16));
        std::vector<uint8_t> tile(16 * 16 * 3);
        for (int ty = 0; ty < h; ty += 16)
            for (int tx = 0; tx < w; tx += 16) {
                for (int y = 0; y < 16; ++y)
                    for (int x = 0; x < 16; ++x)
                        for (int s = 0; s < 3; ++s)
                            tile[size_t((y * 16 + x) * 3 + s)] = tx + x < w && ty + y < h ? sample(tx + x, ty + y, s) : 0;
                TIFFWriteTile(tif, tile.data(), uint32_t(tx), uint32_t(ty), 0, 0);
            }
    } else {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, uint32_t(layout == OneStrip ? h : 5));
        std::vector<uint8_t> row(size_t(w * samples));
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x)
                for (int s = 0; s < samples; ++s)
                    row[size_t(x * samples + s)] = sample(x, y, s);
            TIFFWriteScanline(tif, row.data(), uint32_t(y), 0);
        }
    }
    TIFFClose(tif);
}

// An uncompressed RGB TIFF of pixelAt, 40 x 23 in strips of 5 rows, directory first as some
// writers do, so that cutting the file cuts its pixels and keeps the directory.
QByteArray tiffDirectoryFirst(bool bottomLeft)
{
    const int w = 40, h = 23, rows = 5, strips = 5, data = 128 + 8 * strips;
    QByteArray t("II*\0\x08\0\0\0", 8);
    const auto u16 = [&t](quint32 v) { t += char(v & 0xFF), t += char(v >> 8 & 0xFF); };
    const auto u32 = [&](quint32 v) { u16(v & 0xFFFF), u16(v >> 16); };
    const auto entry = [&](quint16 tag, quint16 type, quint32 count, quint32 value) {
        u16(tag), u16(type), u32(count);
        type == 3 && count == 1 ? (u16(value), u16(0)) : u32(value);
    };
    u16(9);
    entry(256, 4, 1, w), entry(257, 4, 1, h), entry(258, 3, 3, 122), entry(262, 3, 1, PHOTOMETRIC_RGB);
    entry(273, 4, strips, 128), entry(274, 3, 1, bottomLeft ? ORIENTATION_BOTLEFT : ORIENTATION_TOPLEFT);
    entry(277, 3, 1, 3), entry(278, 4, 1, rows), entry(279, 4, strips, 128 + 4 * strips);
    u32(0), u16(8), u16(8), u16(8);
    for (int s = 0; s < strips; ++s)
        u32(quint32(data + s * rows * w * 3));
    for (int s = 0; s < strips; ++s)
        u32(quint32(qMin(rows, h - s * rows) * w * 3));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const QRgb p = pixelAt(x, bottomLeft ? h - 1 - y : y);
            t += char(qRed(p)), t += char(qGreen(p)), t += char(qBlue(p));
        }
    return t;
}

} // namespace

class TestHotspotImage : public testsupport::Fixture
{
    Q_OBJECT

    QString path(const QString &name) const { return dir + u'/' + name; }

private slots:

    void palette()
    {
        const QVector<QRgb> &p = HotspotPalette();
        QCOMPARE(p.size(), 256);
        // A sample: the colour cube from white, then the red, green, blue and grey ramps.
        const struct { int index; QRgb colour; } rows[] = {
            {0, qRgb(255, 255, 255)}, {1, qRgb(255, 255, 204)}, {6, qRgb(255, 204, 255)}, {214, qRgb(0, 0, 51)},
            {215, qRgb(238, 0, 0)}, {225, qRgb(0, 238, 0)}, {244, qRgb(0, 0, 17)}, {254, qRgb(17, 17, 17)}, {255, 0xFF000000}};
        for (const auto &r : rows)
            QCOMPARE(p[r.index], r.colour);
    }

    // The file is what the engine reads: IHDR 8-bit colour type 3, the whole palette; every number comes back.
    void writtenAndReadBack()
    {
        const QString file = path(QString::fromUtf8("pano \"ü\"_hs.png"));
        QVERIFY(writeHotspotImage(file, QByteArray(100 * 50, 0), 100, 50));
        const QByteArray bytes = testsupport::readFile(file);
        QCOMPARE(bytes.mid(16, 10), be32(100) + be32(50) + QByteArray("\x08\x03", 2));
        QByteArray plte;
        for (QRgb c : HotspotPalette())
            plte += char(qRed(c)), plte += char(qGreen(c)), plte += char(qBlue(c));
        QCOMPARE(bytes.mid(33, 8 + 768), be32(768) + "PLTE" + plte);
        const HotspotImageRead blank = readHotspotImage(file, QSize(100, 50));
        QVERIFY(blank.status == HotspotImageRead::Loaded && blank.layer == QByteArray(100 * 50, 0));

        QByteArray every(256 * 3, 0);
        for (int i = 0; i < every.size(); ++i)
            every[i] = char(i % 256);
        QVERIFY(writeHotspotImage(file, every, 256, 3));
        QCOMPARE(readHotspotImage(file, QSize(256, 3)).layer, every);
        QCOMPARE(readHotspotImage(path("none_hs.png"), QSize(256, 3)).status, HotspotImageRead::Missing);
    }

    // What cannot be a layer of this tile is refused with a notice; the file stays as it was.
    void refused()
    {
        const QString file = path("tile_hs.png");
        const QString sizeWarning = "Warning! The dimensions of the Hotspot file and tile size are different!";
        const struct { const char *name; std::function<void()> make; const char *notice; } rows[] = {
            {"4-bit palette", [&] { writePng(file, 20, 10, 4, PNG_COLOR_TYPE_PALETTE); }, "8bit per pixel"},
            {"RGB", [&] { writePng(file, 20, 10, 8, PNG_COLOR_TYPE_RGB); }, "no palette"},
            {"another size", [&] { writePng(file, 21, 10, 8, PNG_COLOR_TYPE_PALETTE); }, "dimensions"},
            // Checked from the header: 900 million pixels are never allocated.
            {"huge, under the limits", [&] { testsupport::writeFile(file, paletteHeaderClaiming(60000, 15000)); }, "dimensions"},
            {"a million a side", [&] { testsupport::writeFile(file, paletteHeaderClaiming(1000000, 1000000)); }, "too large"},
            {"truncated", [&] {
                 writePng(file, 20, 10, 8, PNG_COLOR_TYPE_PALETTE);
                 testsupport::writeFile(file, testsupport::readFile(file).left(60));
             }, ""},
            {"not an image", [&] { testsupport::writeFile(file, "hotspots"); }, "not a TIFF, JPEG, PNG or BMP"},
        };
        for (const auto &r : rows) {
            r.make();
            const QByteArray before = testsupport::readFile(file);
            const HotspotImageRead read = readHotspotImage(file, QSize(20, 10));
            QVERIFY2(read.status == HotspotImageRead::Refused && read.layer.isEmpty(), r.name);
            QVERIFY2(!read.notice.isEmpty() && read.notice.contains(QLatin1String(r.notice)), qPrintable(read.notice));
            QVERIFY2(!read.notice.contains(sizeWarning) || QByteArray(r.notice) == "dimensions", r.name);
            QCOMPARE(testsupport::readFile(file), before);
        }
        // Grey is taken as it is: its values are the numbers.
        writePng(file, 20, 10, 8, PNG_COLOR_TYPE_GRAY);
        QCOMPARE(readHotspotImage(file, QSize(20, 10)).layer, QByteArray(200, 7));
    }

    void tiffLayouts()
    {
        const struct { Layout layout; const char *name; } rows[] = {
            {Strips, "strips"}, {Tiles, "tiles"}, {BottomLeft, "bottom-left"}, {StripsWithAlpha, "alpha"}, {Deflate, "deflate"},
            {OneStrip, "one large strip"}};
        for (const auto &r : rows) {
            const QString file = path(QStringLiteral("%1.tif").arg(r.name));
            writeTiff(file, r.layout);
            QString error;
            const QImage image = sl::LoadTiffAsBitmap(file, &error);
            QVERIFY2(!image.isNull(), qPrintable(error));
            QCOMPARE(image.size(), sizeOf(r.layout));
            QCOMPARE(image.format(), r.layout == StripsWithAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x) {
                    const QRgb alpha = r.layout == StripsWithAlpha ? QRgb((x * 5) & 0xFF) << 24 : 0xFF000000u;
                    const QRgb expected = (pixelAt(x, y) & 0xFFFFFFu) | alpha;
                    if (image.pixel(x, y) != expected)
                        QFAIL(qPrintable(QStringLiteral("%1 at %2,%3 %4").arg(r.name).arg(x).arg(y).arg(image.pixel(x, y), 0, 16)));
                }
        }
    }

    // A TIFF cut or damaged halfway shows in the editors what decoded, black elsewhere; one that
    // gives nothing is an error in libtiff's words. The engine's own reader refuses them all.
    void damagedTiffs()
    {
        const QString file = path("broken.tif");
        QString error;
        QVERIFY(sl::LoadTiffAsBitmap(path("missing.tif"), &error).isNull() && error.contains("Unable to open file"));

        const QByteArray topDown = tiffDirectoryFirst(false), bottomUp = tiffDirectoryFirst(true);
        const qsizetype firstStrip = topDown.size() - 40 * 23 * 3, strip = 40 * 5 * 3;
        writeTiff(file, Deflate);
        QByteArray deflate = testsupport::readFile(file);
        TIFF *tif = TIFFOpen(QFile::encodeName(file).constData(), "r");
        uint64_t *offsets = nullptr, *counts = nullptr;
        QVERIFY(TIFFGetField(tif, TIFFTAG_STRIPOFFSETS, &offsets) && TIFFGetField(tif, TIFFTAG_STRIPBYTECOUNTS, &counts));
        for (uint64_t i = offsets[1]; i < offsets[1] + counts[1]; ++i) // the second strip, rows 5 to 9
            deflate[qsizetype(i)] = char(deflate[qsizetype(i)] ^ 0x5A);
        TIFFClose(tif);
        writeTiff(file, Strips);
        const QByteArray withoutDirectory = testsupport::readFile(file).left(1000); // libtiff writes it last
        // Stored rows from `from` up to `to` are black, the others the picture's; all black is refused.
        const struct { const char *name; QByteArray bytes; bool bottomUp; int from, to; } rows[] = {
            {"cut in the third strip", topDown.left(firstStrip + 2 * strip + 100), false, 10, 23},
            {"bottom-left, cut in the third strip", bottomUp.left(firstStrip + 2 * strip + 100), true, 10, 23},
            {"deflate, second strip damaged", deflate, false, 5, 10},
            {"cut in the first strip", topDown.left(firstStrip + 100), false, 0, 23},
            {"cut, the directory at the end lost", withoutDirectory, false, 0, 23},
        };
        for (const auto &r : rows) {
            testsupport::writeFile(file, r.bytes);
            error.clear();
            const QImage image = sl::LoadTiffAsBitmap(file, &error);
            QVERIFY2(sl::image::readImage(file).isNull(), r.name);
            if (r.from == 0 && r.to == 23) {
                QVERIFY2(image.isNull() && !error.isEmpty() && !error.contains("damaged"), qPrintable(error));
                continue;
            }
            QVERIFY2(image.size() == QSize(40, 23), r.name);
            for (int y = 0; y < 23; ++y)
                for (int x = 0; x < 40; ++x) {
                    const int stored = r.bottomUp ? 22 - y : y;
                    if (image.pixel(x, y) != (stored >= r.from && stored < r.to ? qRgb(0, 0, 0) : pixelAt(x, y)))
                        QFAIL(qPrintable(QStringLiteral("%1 at %2,%3").arg(r.name).arg(x).arg(y)));
                }
        }

        tif = TIFFOpen(QFile::encodeName(file).constData(), "w");
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(0));
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(5));
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t(8));
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(3));
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFWriteDirectory(tif);
        TIFFClose(tif);
        error.clear();
        QVERIFY(sl::LoadTiffAsBitmap(file, &error).isNull() && !error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestHotspotImage)
#include "tst_hotspotimage.moc"
