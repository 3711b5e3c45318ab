#include "preview/model/PanoRenderer.h"

#include <QMutex>
#include <QThread>
#include <QThreadPool>
#include <QWaitCondition>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

namespace sl::preview {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kCell = 16;         // grid cell in view pixels
constexpr double kTolerance = 0.25; // largest interpolation error accepted, in source pixels

bool usableSource(const QImage &image)
{
    return !image.isNull()
        && (image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
            || image.format() == QImage::Format_ARGB32_Premultiplied);
}

bool usableTarget(const QImage &image)
{
    return !image.isNull()
        && (image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32);
}

// The view's camera: a ray for every view position and where it meets the panorama.
struct Camera
{
    double rx = 1, rz = 0;          // right (no vertical part)
    double ux = 0, uy = 1, uz = 0;  // up
    double fx = 0, fy = 0, fz = 1;  // forward, times the focal length in pixels
    double halfW = 0, halfH = 0;
    double srcW = 0, srcH = 0;
    double perLon = 0, perLat = 0;  // source pixels per radian

    Camera(int width, int height, int srcWidth, int srcHeight, double pan, double tilt, double vfov)
    {
        const double p = pan * kPi / 180, t = tilt * kPi / 180;
        const double focal = (height / 2.0) / std::tan(vfov * kPi / 360);
        const double sp = std::sin(p), cp = std::cos(p), st = std::sin(t), ct = std::cos(t);
        rx = cp;
        rz = sp;
        ux = sp * st;
        uy = ct;
        uz = -cp * st;
        fx = -sp * ct * focal;
        fy = st * focal;
        fz = cp * ct * focal;
        halfW = width / 2.0;
        halfH = height / 2.0;
        srcW = srcWidth;
        srcH = srcHeight;
        perLon = srcWidth / (2 * kPi);
        perLat = srcHeight / kPi;
    }

    void ray(double x, double y, double &dx, double &dy, double &dz) const
    {
        const double cx = x + 0.5 - halfW, cy = halfH - (y + 0.5);
        dx = cx * rx + cy * ux + fx;
        dy = cy * uy + fy;
        dz = cx * rz + cy * uz + fz;
    }

    // Source position in pixel-index space; the column lies in [-0.5, srcW - 0.5].
    void source(double x, double y, double &u, double &v) const
    {
        double dx, dy, dz;
        ray(x, y, dx, dy, dz);
        const double lon = std::atan2(-dx, dz);
        const double lat = std::atan2(dy, std::sqrt(dx * dx + dz * dz));
        u = srcW * 0.5 - lon * perLon - 0.5;
        v = srcH * 0.5 - lat * perLat - 0.5;
    }
};

inline quint32 lerpPixel(quint32 a, quint32 b, unsigned t) // t in [0, 256]
{
    const unsigned s = 256 - t;
    const quint32 rb = (((a & 0xff00ffu) * s + (b & 0xff00ffu) * t + 0x800080u) >> 8) & 0xff00ffu;
    const quint32 ag = (((a >> 8) & 0xff00ffu) * s + ((b >> 8) & 0xff00ffu) * t + 0x800080u) & 0xff00ff00u;
    return rb | ag;
}

// Samples the source bilinearly at a 16.16 fixed-point position.
struct Sampler
{
    const uchar *bits = nullptr;
    qsizetype bpl = 0;
    int width = 0;
    int height = 0;
    quint32 alphaOr = 0;

    inline quint32 at(qint64 uf, qint64 vf) const
    {
        int x0 = int(uf >> 16);
        int y0 = int(vf >> 16);
        const unsigned fx = unsigned(uf >> 8) & 0xffu;
        const unsigned fy = unsigned(vf >> 8) & 0xffu;
        if (x0 < 0)
            x0 += width;
        else if (x0 >= width)
            x0 -= width;
        if (Q_UNLIKELY(x0 < 0 || x0 >= width))
            x0 = ((x0 % width) + width) % width;
        const int x1 = x0 + 1 == width ? 0 : x0 + 1;
        int y1 = y0 + 1;
        y0 = std::clamp(y0, 0, height - 1);
        y1 = std::clamp(y1, 0, height - 1);
        const quint32 *r0 = reinterpret_cast<const quint32 *>(bits + y0 * bpl);
        const quint32 *r1 = reinterpret_cast<const quint32 *>(bits + y1 * bpl);
        const quint32 top = lerpPixel(r0[x0], r0[x1], fx);
        const quint32 bottom = lerpPixel(r1[x0], r1[x1], fx);
        return lerpPixel(top, bottom, fy) | alphaOr;
    }
};

inline qint64 toFixed(double value)
{
    return qint64(std::floor(value * 65536.0 + 0.5));
}

Q_GLOBAL_STATIC(QThreadPool, renderPool)

// Runs work(0) .. work(count - 1), spread over `threads` threads including the caller's.
void runParallel(int count, int threads, const std::function<void(int)> &work)
{
    if (threads <= 1 || count <= 1) {
        for (int i = 0; i < count; ++i)
            work(i);
        return;
    }
    struct Job
    {
        std::atomic<int> next{0};
        std::atomic<int> done{0};
        int count = 0;
        const std::function<void(int)> *work = nullptr;
        QMutex mutex;
        QWaitCondition finished;
    };
    auto job = std::make_shared<Job>();
    job->count = count;
    job->work = &work;
    // A helper that starts late finds nothing left and touches only the shared counters.
    auto drain = [](const std::shared_ptr<Job> &j) {
        for (;;) {
            const int i = j->next.fetch_add(1);
            if (i >= j->count)
                return;
            (*j->work)(i);
            if (j->done.fetch_add(1) + 1 == j->count) {
                QMutexLocker lock(&j->mutex);
                j->finished.wakeAll();
            }
        }
    };
    QThreadPool *pool = renderPool();
    const int helpers = std::min(threads, count) - 1;
    for (int h = 0; h < helpers; ++h)
        pool->start([job, drain] { drain(job); });
    drain(job);
    QMutexLocker lock(&job->mutex);
    while (job->done.load() < count)
        job->finished.wait(&job->mutex);
}

} // namespace

QPointF panoViewSource(double x, double y, int viewWidth, int viewHeight, int srcWidth,
                       int srcHeight, double pan, double tilt, double vfov)
{
    const Camera cam(viewWidth, viewHeight, srcWidth, srcHeight, pan, tilt, vfov);
    double u, v;
    cam.source(x, y, u, v);
    return {u, v};
}

void renderPanoView(const QImage &equirect, QImage &target, double pan, double tilt, double vfov,
                    int threads)
{
    if (!usableTarget(target))
        return;
    if (!usableSource(equirect) || !std::isfinite(pan) || !std::isfinite(tilt) || !(vfov > 0)
        || !(vfov < 180)) {
        target.fill(0xff000000u);
        return;
    }
    const int W = target.width(), H = target.height();
    const Camera cam(W, H, equirect.width(), equirect.height(), pan, tilt, vfov);
    Sampler sampler;
    sampler.bits = equirect.constBits();
    sampler.bpl = equirect.bytesPerLine();
    sampler.width = equirect.width();
    sampler.height = equirect.height();
    sampler.alphaOr = (target.format() == QImage::Format_RGB32 || equirect.format() == QImage::Format_RGB32)
        ? 0xff000000u : 0u;
    uchar *outBits = target.bits();
    const qsizetype outBpl = target.bytesPerLine();
    const int cellsX = (W + kCell - 1) / kCell;
    const int bands = (H + kCell - 1) / kCell;
    const double srcW = equirect.width();

    auto band = [&](int b) {
        const int y0 = b * kCell;
        const int rowsHere = std::min(kCell, H - y0);
        // Exact positions at the cell corners, the midpoints of the cell edges and the centres.
        std::vector<QPointF> top(cellsX + 1), bottom(cellsX + 1), side(cellsX + 1);
        std::vector<QPointF> topMid(cellsX), bottomMid(cellsX), centre(cellsX);
        auto at = [&cam](double x, double y) {
            double u, v;
            cam.source(x, y, u, v);
            return QPointF(u, v);
        };
        const double half = kCell / 2.0;
        for (int k = 0; k <= cellsX; ++k) {
            top[k] = at(k * kCell, y0);
            bottom[k] = at(k * kCell, y0 + kCell);
            side[k] = at(k * kCell, y0 + half);
            if (k < cellsX) {
                topMid[k] = at(k * kCell + half, y0);
                bottomMid[k] = at(k * kCell + half, y0 + kCell);
                centre[k] = at(k * kCell + half, y0 + half);
            }
        }
        struct Cell
        {
            double u00, u10, u01, u11, v00, v10, v01, v11;
            bool exact;
        };
        std::vector<Cell> cells(cellsX);
        auto unwrap = [srcW](double u, double ref) {
            if (u - ref > srcW / 2)
                return u - srcW;
            if (u - ref < -srcW / 2)
                return u + srcW;
            return u;
        };
        for (int k = 0; k < cellsX; ++k) {
            Cell &c = cells[k];
            c.u00 = top[k].x();
            c.v00 = top[k].y();
            c.u10 = unwrap(top[k + 1].x(), c.u00);
            c.v10 = top[k + 1].y();
            c.u01 = unwrap(bottom[k].x(), c.u00);
            c.v01 = bottom[k].y();
            c.u11 = unwrap(bottom[k + 1].x(), c.u00);
            c.v11 = bottom[k + 1].y();
            // The interpolation must hold at the centre and at the middle of every edge.
            auto off = [&](const QPointF &exact, double s, double t) {
                const double u = unwrap(exact.x(), c.u00);
                const double iu = (c.u00 * (1 - s) + c.u10 * s) * (1 - t) + (c.u01 * (1 - s) + c.u11 * s) * t;
                const double iv = (c.v00 * (1 - s) + c.v10 * s) * (1 - t) + (c.v01 * (1 - s) + c.v11 * s) * t;
                return std::abs(u - iu) > kTolerance || std::abs(exact.y() - iv) > kTolerance;
            };
            c.exact = off(centre[k], 0.5, 0.5) || off(topMid[k], 0.5, 0) || off(bottomMid[k], 0.5, 1)
                || off(side[k], 0, 0.5) || off(side[k + 1], 1, 0.5);
        }
        for (int j = 0; j < rowsHere; ++j) {
            const int y = y0 + j;
            quint32 *out = reinterpret_cast<quint32 *>(outBits + y * outBpl);
            const double t = double(j) / kCell;
            for (int k = 0; k < cellsX; ++k) {
                const Cell &c = cells[k];
                const int x0 = k * kCell;
                const int n = std::min(kCell, W - x0);
                if (c.exact) {
                    for (int i = 0; i < n; ++i) {
                        double u, v;
                        cam.source(x0 + i, y, u, v);
                        out[x0 + i] = sampler.at(toFixed(u), toFixed(v));
                    }
                    continue;
                }
                const double uL = c.u00 + (c.u01 - c.u00) * t, uR = c.u10 + (c.u11 - c.u10) * t;
                const double vL = c.v00 + (c.v01 - c.v00) * t, vR = c.v10 + (c.v11 - c.v10) * t;
                qint64 uf = toFixed(uL), vf = toFixed(vL);
                const qint64 du = toFixed((uR - uL) / kCell), dv = toFixed((vR - vL) / kCell);
                quint32 *o = out + x0;
                for (int i = 0; i < n; ++i) {
                    o[i] = sampler.at(uf, vf);
                    uf += du;
                    vf += dv;
                }
            }
        }
    };
    if (threads <= 0)
        threads = QThread::idealThreadCount();
    if (qint64(W) * H < 64 * 64)
        threads = 1;
    runParallel(bands, threads, band);
}

void renderPanoViewReference(const QImage &equirect, QImage &target, double pan, double tilt,
                             double vfov)
{
    if (!usableTarget(target))
        return;
    if (!usableSource(equirect) || !std::isfinite(pan) || !std::isfinite(tilt) || !(vfov > 0)
        || !(vfov < 180)) {
        target.fill(0xff000000u);
        return;
    }
    const int W = target.width(), H = target.height();
    const int sw = equirect.width(), sh = equirect.height();
    const Camera cam(W, H, sw, sh, pan, tilt, vfov);
    const bool opaque = target.format() == QImage::Format_RGB32 || equirect.format() == QImage::Format_RGB32;
    for (int y = 0; y < H; ++y) {
        quint32 *out = reinterpret_cast<quint32 *>(target.scanLine(y));
        for (int x = 0; x < W; ++x) {
            double dx, dy, dz;
            cam.ray(x, y, dx, dy, dz);
            const double len = std::sqrt(dx * dx + dy * dy + dz * dz);
            const double lon = std::atan2(-dx, dz);
            const double lat = std::asin(std::clamp(dy / len, -1.0, 1.0));
            const double u = sw * 0.5 - lon * sw / (2 * kPi) - 0.5;
            const double v = sh * 0.5 - lat * sh / kPi - 0.5;
            const double fu = std::floor(u), fv = std::floor(v);
            const double wx = u - fu, wy = v - fv;
            int x0 = int(fu) % sw;
            if (x0 < 0)
                x0 += sw;
            const int x1 = (x0 + 1) % sw;
            const int y0 = std::clamp(int(fv), 0, sh - 1), y1 = std::clamp(int(fv) + 1, 0, sh - 1);
            const QRgb *r0 = reinterpret_cast<const QRgb *>(equirect.constScanLine(y0));
            const QRgb *r1 = reinterpret_cast<const QRgb *>(equirect.constScanLine(y1));
            const QRgb p00 = r0[x0], p10 = r0[x1], p01 = r1[x0], p11 = r1[x1];
            auto mix = [&](int shift) {
                const double a = ((p00 >> shift) & 0xff) * (1 - wx) + ((p10 >> shift) & 0xff) * wx;
                const double b = ((p01 >> shift) & 0xff) * (1 - wx) + ((p11 >> shift) & 0xff) * wx;
                return quint32(std::lround(a * (1 - wy) + b * wy)) << shift;
            };
            quint32 px = mix(0) | mix(8) | mix(16) | mix(24);
            if (opaque)
                px |= 0xff000000u;
            out[x] = px;
        }
    }
}

} // namespace sl::preview
