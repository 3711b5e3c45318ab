#pragma once
// The projections by the book, pixel by pixel, for tests and benchmarks to compare ours against:
// double precision, atan2 for every pixel, one thread, no tables.
#include <QImage>

#include <algorithm>
#include <cmath>

#include "platform/projection/Projection.h"

namespace reference {

using sl::projection::Interpolator;

constexpr double kPi = 3.14159265358979323846;

inline double catmullRom(double p0, double p1, double p2, double p3, double t)
{
    return p1 + 0.5 * t * (p2 - p0 + t * (2 * p0 - 5 * p1 + 4 * p2 - p3 + t * (3 * (p1 - p2) + p3 - p0)));
}

// The panorama at (u, v) in pixel-index space, bilinear or bicubic (Catmull-Rom, clamped): columns
// wrap, rows stop at the edges; each channel rounded to the nearest level.
inline QRgb sample(const QImage &pano, double u, double v, Interpolator ip)
{
    const int w = pano.width(), h = pano.height();
    const auto at = [&](int x, int y) { return pano.pixel(((x % w) + w) % w, std::clamp(y, 0, h - 1)); };
    const auto level = [](QRgb p, int shift) { return double((p >> shift) & 0xff); };
    const int x0 = int(std::floor(u)), y0 = int(std::floor(v));
    const double fx = u - x0, fy = v - y0;
    if (ip == Interpolator::Bilinear) {
        const QRgb p00 = at(x0, y0), p10 = at(x0 + 1, y0), p01 = at(x0, y0 + 1), p11 = at(x0 + 1, y0 + 1);
        const auto mix = [&](int shift) {
            return (level(p00, shift) * (1 - fx) + level(p10, shift) * fx) * (1 - fy)
                + (level(p01, shift) * (1 - fx) + level(p11, shift) * fx) * fy;
        };
        return qRgb(int(mix(16) + 0.5), int(mix(8) + 0.5), int(mix(0) + 0.5));
    }
    QRgb p[4][4]; // rows y0 - 1 .. y0 + 2, columns x0 - 1 .. x0 + 2
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i)
            p[j][i] = at(x0 - 1 + i, y0 - 1 + j);
    const auto mix = [&](int shift) {
        double rows[4];
        for (int j = 0; j < 4; ++j)
            rows[j] = catmullRom(level(p[j][0], shift), level(p[j][1], shift), level(p[j][2], shift),
                                 level(p[j][3], shift), fx);
        return std::clamp(catmullRom(rows[0], rows[1], rows[2], rows[3], fy), 0.0, 255.0);
    };
    return qRgb(int(mix(16) + 0.5), int(mix(8) + 0.5), int(mix(0) + 0.5));
}

// The panorama seen in the direction (x right, y up, z forward).
inline QRgb sampleDirection(const QImage &pano, double x, double y, double z, Interpolator ip)
{
    const double lon = std::atan2(-x, z), lat = std::atan2(y, std::sqrt(x * x + z * z));
    const double u = pano.width() * (0.5 - lon / (2 * kPi)) - 0.5, v = pano.height() * (0.5 - lat / kPi) - 0.5;
    return sample(pano, u, v, ip);
}

// Cube face `face` (front, right, back, left, top, bottom) of `size` pixels, pixel by pixel.
inline QImage cubeFace(const QImage &pano, int face, int size, Interpolator ip)
{
    // Forward, right and down of each face, as seen from inside.
    static const double axes[6][3][3] = {
        {{0, 0, 1}, {1, 0, 0}, {0, -1, 0}},   {{1, 0, 0}, {0, 0, -1}, {0, -1, 0}}, {{0, 0, -1}, {-1, 0, 0}, {0, -1, 0}},
        {{-1, 0, 0}, {0, 0, 1}, {0, -1, 0}}, {{0, 1, 0}, {1, 0, 0}, {0, 0, 1}},   {{0, -1, 0}, {1, 0, 0}, {0, 0, -1}}};
    const auto &F = axes[face][0], &R = axes[face][1], &D = axes[face][2];
    QImage out(size, size, QImage::Format_RGB32);
    for (int j = 0; j < size; ++j)
        for (int i = 0; i < size; ++i) {
            const double a = 2.0 * (i + 0.5) / size - 1, b = 2.0 * (j + 0.5) / size - 1;
            out.setPixel(i, j, sampleDirection(pano, F[0] + a * R[0] + b * D[0], F[1] + a * R[1] + b * D[1],
                                               F[2] + a * R[2] + b * D[2], ip));
        }
    return out;
}

// The largest difference of a channel between two images (at its first pixel), and the mean over
// all pixels of each pixel's largest.
struct Difference
{
    int largest = 0;
    int x = 0, y = 0;
    double mean = 0;
};

inline Difference compare(const QImage &a, const QImage &b)
{
    Difference d;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const int e = std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))});
            sum += e;
            if (e > d.largest) {
                d.largest = e;
                d.x = x;
                d.y = y;
            }
        }
    d.mean = sum / (double(a.width()) * a.height());
    return d;
}

} // namespace reference
