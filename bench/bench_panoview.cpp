// Panorama view rendering: an 800 x 600 view of an 8000 x 4000 panorama, against the plain
// per-pixel reference (double precision, atan2 and asin for every pixel, one thread) measured in
// the same run. Also a drag (the pan moving a little every frame) through the widget itself.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "benchsupport.h"
#include "platform/image/ImageIO.h"
#include "platform/movie/MovieFile.h"
#include "platform/panoview/PanoView.h"
#include "preview/model/PanoRenderer.h"

using bench::medianMs;

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QImage pano = bench::makePanorama(8000, 4000);
    QElapsedTimer tiling;
    tiling.start();
    const sl::preview::TiledPanorama tiled(pano);
    const double tilingMs = tiling.nsecsElapsed() / 1e6;
    QImage view(800, 600, QImage::Format_RGB32);
    std::printf("panorama 8000x4000, view 800x600, ideal thread count %d\n", QThread::idealThreadCount());
    std::printf("tiling the panorama once at load: %.0f ms\n", tilingMs);

    struct Case
    {
        const char *name;
        double pan, tilt, fov;
    } cases[] = {{"horizon, fov 70", 30, 0, 70}, {"tilt 45, fov 90", 120, 45, 90}, {"zenith, fov 100", 200, 90, 100}};
    for (const Case &c : cases) {
        const double reference = medianMs(3, [&](int) { sl::preview::renderPanoViewReference(pano, view, c.pan, c.tilt, c.fov); });
        const double one = medianMs(15, [&](int i) { sl::preview::renderPanoView(tiled, view, c.pan + i * 0.1, c.tilt, c.fov, 1); });
        const double two = medianMs(15, [&](int i) { sl::preview::renderPanoView(tiled, view, c.pan + i * 0.1, c.tilt, c.fov, 2); });
        const double all = medianMs(15, [&](int i) { sl::preview::renderPanoView(tiled, view, c.pan + i * 0.1, c.tilt, c.fov, 0); });
        std::printf("%-18s reference %7.2f ms | 1 thread %6.2f ms (x%.0f) | 2 threads %6.2f ms (x%.0f) | default %6.2f ms (x%.0f)\n",
                    c.name, reference, one, reference / one, two, reference / two, all, reference / all);
    }

    // Loading a movie of that panorama into the widget, against decoding its frame alone (each
    // the median of several runs), and the memory the loaded view holds.
    sl::panoview::PanoView widget;
    widget.resize(800, 600);
    const QString path = QDir::temp().filePath(QStringLiteral("bench_panoview_%1.mov").arg(QCoreApplication::applicationPid()));
    QByteArray frame;
    {
        sl::movie::Movie movie;
        movie.width = 8000;
        movie.height = 4000;
        frame = sl::image::encodeJpeg(pano, 90);
        movie.frames = {frame};
        movie.settings = {{QStringLiteral("movie.width"), QStringLiteral("800")}, {QStringLiteral("movie.height"), QStringLiteral("600")}};
        sl::movie::writeMovie(path, movie);
    }
    // Load and decode in turns, so that both meet the same load of the machine.
    std::vector<double> loads, decodes, ratios;
    for (int i = 0; i < 7; ++i) {
        widget.setURL(QString());
        QElapsedTimer t;
        t.start();
        widget.setURL(path);
        loads.push_back(t.nsecsElapsed() / 1e6);
        t.restart();
        (void)sl::image::decodeJpeg(frame);
        decodes.push_back(t.nsecsElapsed() / 1e6);
        ratios.push_back(loads.back() / decodes.back());
    }
    widget.setURL(QString());
    bench::resetPeak();
    const qint64 before = bench::peakKilobytes();
    widget.setURL(path);
    const qint64 loadPeak = bench::peakKilobytes() - before;
    QFile::remove(path);
    if (!widget.isLoaded()) {
        std::printf("the widget could not load the bench movie: %s\n", qPrintable(widget.loadError()));
        return 1;
    }
    const double ratio = bench::median(ratios);
    std::printf("widget: load of the 8000x4000 movie frame %.0f ms, decoding the frame alone %.0f ms (medians);\n"
                "  ratio %.2f (median of the runs' ratios), bound 1.50 %s; peak memory of a load %lld MB (the frame decoded is %d MB)\n",
                bench::median(loads), bench::median(decodes), ratio, ratio <= 1.5 ? "met" : "MISSED", loadPeak / 1024,
                8000 * 4000 * 4 / (1024 * 1024));

    // A drag through the widget: each step changes the pan, the view re-renders and repaints.
    const double drag = medianMs(60, [&](int i) {
        widget.setPanAngle(float(i * 0.5));
        widget.setTiltAngle(float(std::sin(i * 0.1) * 20));
        widget.grab();
    });
    std::printf("widget: drag step (set pan and tilt, render, paint 800x600) %.2f ms median; bound 4 ms on 2 cores %s\n", drag,
                drag <= 4 ? "met" : "MISSED");
    return 0;
}
