// Times the reprojection of a synthetic 8000 x 4000 panorama to six 2048-pixel cube faces and to an
// 800 x 600 view, each against a plain reference measured in the same run: one thread, double
// precision, atan2 for every pixel, bilinear sampling.
#include "benchsupport.h"
#include "platform/projection/Projection.h"
#include "tests/projectionreference.h"

#include <QImage>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <thread>
#include <vector>

#ifdef __linux__
#include <sched.h>
#endif

using namespace sl::projection;

namespace {

using reference::kPi;

QImage syntheticPanorama(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < w; ++x)
            row[x] = qRgb((x * 255) / w, (y * 255) / h, ((x / 64 + y / 64) & 1) ? 200 : 40);
    }
    return image;
}

CubeFaces referenceCube(const QImage &src, int size)
{
    CubeFaces faces;
    for (int f = 0; f < 6; ++f)
        faces[size_t(f)] = reference::cubeFace(src, f, size, Interpolator::Bilinear);
    return faces;
}

QImage referenceView(const QImage &src, QSize size, double pan, double tilt, double vfov)
{
    QImage view(size, QImage::Format_RGB32);
    const double f = 0.5 * size.height() / std::tan(vfov * kPi / 360);
    const double p = pan * kPi / 180, t = tilt * kPi / 180;
    for (int j = 0; j < size.height(); ++j)
        for (int i = 0; i < size.width(); ++i) {
            const double cx = i + 0.5 - 0.5 * size.width(), cy = 0.5 * size.height() - (j + 0.5);
            // Tilt about the x axis, then pan about the vertical axis (to the left).
            const double y1 = cy * std::cos(t) + f * std::sin(t);
            const double z1 = -cy * std::sin(t) + f * std::cos(t);
            const double x2 = cx * std::cos(p) - z1 * std::sin(p);
            const double z2 = cx * std::sin(p) + z1 * std::cos(p);
            view.setPixel(i, j, reference::sampleDirection(src, x2, y1, z2, Interpolator::Bilinear));
        }
    return view;
}

// The median time of several runs, in seconds.
template <class F>
double medianSeconds(int runs, F &&f)
{
    return bench::medianMs(runs, [&](int) { f(); }) / 1e3;
}

void report(const char *what, double megapixels, double ours, double reference, const QString &difference)
{
    std::printf("%-34s ours %9.2f ms %8.1f MP/s | reference %9.2f ms %7.1f MP/s | ratio %6.1f\n", what, ours * 1e3,
                megapixels / ours, reference * 1e3, megapixels / reference, reference / ours);
    std::printf("%-34s against the reference: %s\n", "", qPrintable(difference));
}

QString describe(const reference::Difference &d, const QString &where)
{
    return QString("mean difference %1, largest %2 at %3 (%4, %5)")
        .arg(d.mean, 0, 'f', 3).arg(d.largest).arg(where).arg(d.x).arg(d.y);
}

} // namespace

int main()
{
    unsigned usable = std::thread::hardware_concurrency();
#ifdef __linux__
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0)
        usable = unsigned(CPU_COUNT(&set));
#endif
    std::printf("hardware threads: %u, usable by this process: %u\n", std::thread::hardware_concurrency(), usable);
    const QImage pano = syntheticPanorama(8000, 4000);

    // 1. Six 2048-pixel cube faces.
    {
        CubeFaces ours;
        const double t = medianSeconds(3, [&] { ours = equirectToCube(pano, 2048, Interpolator::Bilinear); });
        CubeFaces ref;
        const double r = medianSeconds(1, [&] { ref = referenceCube(pano, 2048); });
        QStringList diffs;
        for (int f = 0; f < 6; ++f)
            diffs << describe(reference::compare(ours[size_t(f)], ref[size_t(f)]), QString("face %1").arg(f));
        report("8000x4000 -> 6 x 2048 faces", 6.0 * 2048 * 2048 / 1e6, t, r, diffs.join("\n" + QString(37, ' ')));
        const double tc = medianSeconds(3, [&] { ours = equirectToCube(pano, 2048, Interpolator::Bicubic); });
        std::printf("%-34s ours %9.2f ms %8.1f MP/s\n", "  the same, bicubic", tc * 1e3, 6.0 * 2048 * 2048 / 1e6 / tc);
    }

    // 2. An 800 x 600 view.
    {
        const double pan = 37.5, tilt = 22.0, vfov = 65.0;
        QImage ours(800, 600, QImage::Format_RGB32);
        renderView(pano, ours, pan, tilt, vfov); // warm up
        const double t = medianSeconds(51, [&] { renderView(pano, ours, pan, tilt, vfov, Interpolator::Bilinear); });
        QImage ref;
        const double r = medianSeconds(3, [&] { ref = referenceView(pano, ours.size(), pan, tilt, vfov); });
        report("8000x4000 -> 800x600 view", 0.48, t, r, describe(reference::compare(ours, ref), "pixel"));
        const double tn = medianSeconds(51, [&] { renderView(pano, ours, pan, tilt, vfov, Interpolator::Nearest); });
        const double tc = medianSeconds(21, [&] { renderView(pano, ours, pan, tilt, vfov, Interpolator::Bicubic); });
        std::printf("%-34s ours %9.2f ms (nearest), %.2f ms (bicubic)\n", "  the same view", tn * 1e3, tc * 1e3);
    }

    // 3. Back from the faces (not timed against a reference).
    {
        const CubeFaces faces = equirectToCube(pano, 2048);
        QImage back;
        const double t = medianSeconds(3, [&] { back = cubeToEquirect(faces, 8000); });
        std::printf("%-34s ours %9.2f ms %8.1f MP/s\n", "6 x 2048 faces -> 8000x4000", t * 1e3, 32.0 / t);
    }
    return 0;
}
