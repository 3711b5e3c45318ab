// The hotspot editor on a 10000 x 5000 panorama: opening a TIFF tile with its hotspot image
// against a bare libtiff decode of the same file (measured in the same run), the peak memory of
// a process that opens the tile and draws on it, the repaint of a 1600 x 1000 viewport at every
// zoom and turn, and saving the layer.
//
//   bench_hotspots            runs everything
//   bench_hotspots --open F   (internal) opens tile F, draws, repaints, clears and prints its peak memory
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <vector>

#include <tiffio.h>

#include "benchsupport.h"
#include "editors/HotspotEditor.h"
#include "editors/HotspotImage.h"
#include "editors/gui/HotspotView.h"
#include "platform/image/ImageIO.h"

using namespace sl::hotspot;
using bench::medianMs;

namespace {

constexpr int kWidth = 10000;
constexpr int kHeight = 5000;

// A landscape: sky, ridges, ground and some texture, so that compression works as on a photo.
QImage makePanorama()
{
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    quint32 seed = 1;
    for (int y = 0; y < kHeight; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < kWidth; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int noise = int(seed >> 29);
            const double u = x * 2 * M_PI / kWidth;
            const int ridge = int(kHeight * (0.45 + 0.05 * std::sin(3 * u) + 0.02 * std::sin(11 * u + 1)));
            if (y < ridge)
                line[x] = qRgb(90 + y * 100 / kHeight + noise, 140 + y * 80 / kHeight + noise, 230 - noise);
            else
                line[x] = qRgb(70 + (x / 40 % 7) * 6 + noise, 110 + noise * 3, 50 + (y / 30 % 5) * 5);
        }
    }
    return image;
}

bool writeUncompressedTiff(const QImage &image, const QString &path)
{
    TIFF *tif = TIFFOpen(QFile::encodeName(path).constData(), "w");
    if (!tif)
        return false;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(image.width()));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(image.height()));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t(8));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(3));
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, uint32_t(16));
    std::vector<uint8_t> row(size_t(image.width()) * 3);
    for (int y = 0; y < image.height(); ++y) {
        const auto *in = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            row[size_t(x) * 3] = uint8_t(qRed(in[x]));
            row[size_t(x) * 3 + 1] = uint8_t(qGreen(in[x]));
            row[size_t(x) * 3 + 2] = uint8_t(qBlue(in[x]));
        }
        TIFFWriteScanline(tif, row.data(), uint32_t(y), 0);
    }
    TIFFClose(tif);
    return true;
}

// The reference: every strip decoded by libtiff into one buffer, nothing more.
double bareDecodeMs(const QString &path)
{
    return medianMs(3, [&](int) {
        TIFF *tif = TIFFOpen(QFile::encodeName(path).constData(), "r");
        const tmsize_t stripSize = TIFFStripSize(tif);
        const uint32_t strips = TIFFNumberOfStrips(tif);
        std::vector<uint8_t> buffer(size_t(stripSize) * strips);
        for (uint32_t s = 0; s < strips; ++s)
            TIFFReadEncodedStrip(tif, s, buffer.data() + size_t(s) * stripSize, stripSize);
        TIFFClose(tif);
    });
}

QString hotspotNameOf(const QString &tiff)
{
    return tiff.left(tiff.lastIndexOf(u'.')) + QStringLiteral("_hs.png");
}

// The child process: open, draw (the undo copy comes into being), repaint a viewport.
int openOnly(const QString &tiff)
{
    const long long before = bench::peakKilobytes();
    HotspotEditor editor;
    LoadedTile tile = loadTile(tiff, hotspotNameOf(tiff));
    if (tile.image.isNull()) {
        std::printf("cannot open: %s\n", qPrintable(tile.error));
        return 1;
    }
    editor.commit(std::move(tile), 0);
    editor.drawShape(Tool::Ellipse, QPoint(100, 100), QPoint(3000, 2000), 7);
    QImage viewport(1600, 1000, QImage::Format_RGB32);
    editor.render(viewport, QRect(2000, 1000, 1600, 1000), 7);
    const long long drawn = bench::peakKilobytes();
    editor.clearLayer(); // the undo copy of the whole layer
    std::printf("%lld %lld %lld\n", before, drawn, (long long)bench::peakKilobytes());
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--open")
        return openOnly(QString::fromLocal8Bit(argv[2]));

    QTemporaryDir dir;
    const QImage pano = makePanorama();
    const QString deflate = dir.filePath(QStringLiteral("pano_deflate.tif"));
    const QString plain = dir.filePath(QStringLiteral("pano_plain.tif"));
    if (!sl::image::writeTiff(pano, deflate) || !writeUncompressedTiff(pano, plain)) {
        std::printf("cannot write the test images\n");
        return 1;
    }
    for (const QString &tiff : {deflate, plain})
        writeHotspotImage(hotspotNameOf(tiff), QByteArray(qsizetype(kWidth) * kHeight, 0), kWidth, kHeight);
    std::printf("panorama %d x %d; hotspot images blank; medians of 3 runs\n", kWidth, kHeight);

    // Opening: the tile image and its hotspot image taken over by the editor.
    HotspotEditor editor;
    const double hotspots = medianMs(3, [&](int) { readHotspotImage(hotspotNameOf(deflate), QSize(kWidth, kHeight)); });
    std::printf("reading a blank hotspot image alone: %.0f ms (read beside the tile image)\n", hotspots);
    for (const QString &tiff : {deflate, plain}) {
        const double reference = bareDecodeMs(tiff);
        const double open = medianMs(3, [&](int) {
            editor.reset();
            editor.commit(loadTile(tiff, hotspotNameOf(tiff)), 0);
        });
        const double image = medianMs(3, [&](int) { loadTile(tiff, QString()); });
        std::printf("%-28s bare libtiff decode %6.0f ms | tile image %6.0f ms (x%.2f) | open with hotspots %6.0f ms (x%.2f)\n",
                    tiff == deflate ? "TIFF, deflate + predictor:" : "TIFF, uncompressed:", reference, image,
                    image / reference, open, open / reference);
    }

    // Peak memory of a process that only opens the tile, draws once and repaints, then clears.
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--open"), deflate});
    child.waitForFinished(-1);
    const QList<QByteArray> kb = child.readAllStandardOutput().trimmed().split(' ');
    if (kb.size() == 3)
        std::printf("peak memory: %.0f MB after open + ellipse + repaint, %.0f MB after clearing the layer "
                    "(%.0f MB before the tile was read)\n",
                    kb[1].toLong() / 1024.0, kb[2].toLong() / 1024.0, kb[0].toLong() / 1024.0);

    // Repaint of a 1600 x 1000 viewport in the middle of the view, at every zoom and turn.
    editor.reset();
    editor.commit(loadTile(deflate, hotspotNameOf(deflate)), 0);
    editor.drawShape(Tool::Rectangle, QPoint(0, 0), QPoint(5000, 2500), 3);
    editor.drawShape(Tool::Ellipse, QPoint(4000, 1000), QPoint(9000, 4500), 9);
    QImage viewport(1600, 1000, QImage::Format_RGB32);
    std::printf("repaint of a 1600 x 1000 viewport (ms), zoom x turn:\n%8s", "");
    for (int turn : {0, 90, 180, 270})
        std::printf("%9d", turn);
    std::printf("\n");
    double worst = 0;
    const char *zooms[] = {"10%", "16%", "25%", "33%", "50%", "100%", "200%", "300%", "400%"};
    for (int z = 0; z < 9; ++z) {
        std::printf("%8s", zooms[z]);
        for (int turn : {0, 90, 180, 270}) {
            editor.setZoomCode(zoomCodeForIndex(z));
            editor.setTurn(turn);
            const QSize view = editor.viewSize();
            const QRect rect(qMax(0, view.width() / 2 - 800), qMax(0, view.height() / 2 - 500), 1600, 1000);
            const double ms = medianMs(9, [&](int) { editor.render(viewport, rect, 3); });
            worst = qMax(worst, ms);
            std::printf("%9.2f", ms);
        }
        std::printf("\n");
    }
    std::printf("slowest repaint: %.2f ms (a 60 Hz frame is 16.7 ms)\n", worst);

    // The same through the widget's own paint event.
    {
        editor.setZoomCode(1);
        editor.setTurn(90);
        HotspotView view;
        view.setEditor(&editor);
        QImage target(1600, 1000, QImage::Format_RGB32);
        const double ms = medianMs(9, [&](int i) {
            view.render(&target, QPoint(), QRegion(QRect(2000 + i * 7, 3000 + i * 5, 1600, 1000)));
        });
        std::printf("the view widget's paint of 1600 x 1000, 100%%, turned 90: %.2f ms\n", ms);
    }

    // Saving the layer (two large hotspots drawn).
    editor.setZoomCode(1);
    editor.setTurn(0);
    const double save = medianMs(3, [&](int) { editor.save(nullptr); });
    const double blank = medianMs(3, [&](int) {
        writeHotspotImage(hotspotNameOf(deflate), QByteArray(qsizetype(kWidth) * kHeight, 0), kWidth, kHeight);
    });
    std::printf("saving the layer: %.0f ms with two large hotspots, %.0f ms blank (%.0f KB)\n", save, blank,
                QFileInfo(hotspotNameOf(deflate)).size() / 1024.0);
    return 0;
}
