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

#include "platform/image/ImageIO.h"
#include "platform/movie/MovieFile.h"
#include "platform/panoview/PanoView.h"
#include "preview/model/PanoRenderer.h"

namespace {

QImage makePanorama(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = qRgb((x * 7) & 0xff, (y * 5) & 0xff, ((x ^ y) >> 3) & 0xff);
    }
    return image;
}

template<typename F>
double medianMs(int runs, F &&f)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        f(i);
        times.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QImage pano = makePanorama(8000, 4000);
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

    // A drag through the widget: each step changes the pan, the view re-renders and repaints.
    sl::panoview::PanoView widget;
    widget.resize(800, 600);
    // The widget loads movies from files; the bench feeds the same panorama through a movie.
    const QString path = QDir::temp().filePath(QStringLiteral("bench_panoview_%1.mov").arg(QCoreApplication::applicationPid()));
    {
        sl::movie::Movie movie;
        movie.width = 8000;
        movie.height = 4000;
        movie.frames = {sl::image::encodeJpeg(pano, 90)};
        movie.settings = {{QStringLiteral("movie.width"), QStringLiteral("800")}, {QStringLiteral("movie.height"), QStringLiteral("600")}};
        sl::movie::writeMovie(path, movie);
    }
    QElapsedTimer load;
    load.start();
    widget.setURL(path);
    const double loadMs = load.nsecsElapsed() / 1e6;
    QFile::remove(path);
    if (!widget.isLoaded()) {
        std::printf("the widget could not load the bench movie: %s\n", qPrintable(widget.loadError()));
        return 1;
    }
    const double drag = medianMs(60, [&](int i) {
        widget.setPanAngle(float(i * 0.5));
        widget.setTiltAngle(float(std::sin(i * 0.1) * 20));
        widget.grab();
    });
    std::printf("widget: load %.0f ms; drag step (set pan and tilt, render, paint 800x600) %.2f ms median\n", loadMs, drag);
    return 0;
}
