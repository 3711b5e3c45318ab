#include "platform/projection/ViewMapping.h"

#include "platform/projection/EquirectMap.h"

#include <algorithm>
#include <cmath>

namespace sl::projection {

namespace {
constexpr double kPi = 3.14159265358979323846;
} // namespace

ViewMapping::ViewMapping(int viewWidth, int viewHeight, int srcWidth, int srcHeight, double pan, double tilt,
                         double vfov, int levels, double tolerance, int cell)
    : m_viewW(std::max(0, viewWidth)), m_viewH(std::max(0, viewHeight)), m_levels(std::clamp(levels, 1, kMaxLevels)),
      m_tolerance(std::isfinite(tolerance) ? std::max(tolerance, 1.0 / 64) : kTolerance),
      m_cell(cell == 4 || cell == 8 ? cell : kCell)
{
    m_equirect = std::make_unique<detail::EquirectMap>(std::max(1, srcWidth), std::max(1, srcHeight));
    const double p = pan * kPi / 180, t = tilt * kPi / 180;
    const double focal = (m_viewH / 2.0) / std::tan(vfov * kPi / 360);
    const double sp = std::sin(p), cp = std::cos(p), st = std::sin(t), ct = std::cos(t);
    m_rx = cp;
    m_rz = sp;
    m_ux = sp * st;
    m_uy = ct;
    m_uz = -cp * st;
    m_fx = -sp * ct * focal;
    m_fy = st * focal;
    m_fz = cp * ct * focal;
    m_halfW = m_viewW / 2.0;
    m_halfH = m_viewH / 2.0;
    m_srcW = srcWidth;
    m_srcH = srcHeight;
    m_perLon = srcWidth / (2 * kPi);
    m_perLat = srcHeight / kPi;
}

ViewMapping::~ViewMapping() = default;

void ViewMapping::ray(double x, double y, double &dx, double &dy, double &dz) const
{
    const double cx = x + 0.5 - m_halfW, cy = m_halfH - (y + 0.5);
    dx = cx * m_rx + cy * m_ux + m_fx;
    dy = cy * m_uy + m_fy;
    dz = cx * m_rz + cy * m_uz + m_fz;
}

QPointF ViewMapping::source(double x, double y) const
{
    double dx, dy, dz;
    ray(x, y, dx, dy, dz);
    const double lon = std::atan2(-dx, dz);
    const double lat = std::atan2(dy, std::sqrt(dx * dx + dz * dz));
    return {m_srcW * 0.5 - lon * m_perLon - 0.5, m_srcH * 0.5 - lat * m_perLat - 0.5};
}

// A column moved by whole turns to lie within half a turn of `ref`.
inline double ViewMapping::Band::unwrap(double u, double ref) const
{
    const double w = m_map->m_srcW;
    if (u - ref > w / 2)
        return u - w;
    if (u - ref < -w / 2)
        return u + w;
    return u;
}

// The level for a cell (corners unwrapped): the smallest one that still has a pixel per view
// pixel along the shorter of the cell's two sides.
int ViewMapping::Band::levelOf(const Corners &c, int size) const
{
    if (m_map->m_levels == 1)
        return 0;
    const double ax = c.p[1].x() - c.p[0].x(), ay = c.p[1].y() - c.p[0].y();
    const double dx = c.p[2].x() - c.p[0].x(), dy = c.p[2].y() - c.p[0].y();
    double ratio = std::sqrt(std::sqrt((ax * ax + ay * ay) * (dx * dx + dy * dy))) / size;
    int index = 0;
    while (index + 1 < m_map->m_levels && ratio >= 2) {
        ratio /= 2;
        ++index;
    }
    return index;
}

// Whether interpolating between the (unwrapped) corners misses `exact` at (s, t) by more than the
// tolerance (in pixels of the level read).
bool ViewMapping::Band::misses(const Corners &c, const QPointF &exact, double s, double t, int level) const
{
    const double tolerance = m_map->m_tolerance * (1 << level);
    const double u00 = c.p[0].x(), u10 = c.p[1].x(), u01 = c.p[2].x(), u11 = c.p[3].x();
    const double iu = (u00 * (1 - s) + u10 * s) * (1 - t) + (u01 * (1 - s) + u11 * s) * t;
    const double iv = (c.p[0].y() * (1 - s) + c.p[1].y() * s) * (1 - t) + (c.p[2].y() * (1 - s) + c.p[3].y() * s) * t;
    return std::abs(unwrap(exact.x(), u00) - iu) > tolerance || std::abs(exact.y() - iv) > tolerance;
}

// `n` pixels from x of row `t` (0..1) of a cell `size` pixels wide whose corners are unwrapped,
// interpolated.
void ViewMapping::Band::span(std::vector<Run> &out, int x, int n, int size, const Corners &c, double t,
                             int level) const
{
    const double uL = c.p[0].x() + (c.p[2].x() - c.p[0].x()) * t, uR = c.p[1].x() + (c.p[3].x() - c.p[1].x()) * t;
    const double vL = c.p[0].y() + (c.p[2].y() - c.p[0].y()) * t, vR = c.p[1].y() + (c.p[3].y() - c.p[1].y()) * t;
    out.push_back(Run{x, n, uL, vL, (uR - uL) / size, (vR - vL) / size, level});
}

// The corners with their columns moved within half a turn of the first one's.
ViewMapping::Band::Corners ViewMapping::Band::unwrapped(const QPointF &p00, const QPointF &p10, const QPointF &p01,
                                                      const QPointF &p11) const
{
    const double u00 = p00.x();
    return Corners{{p00, {unwrap(p10.x(), u00), p10.y()}, {unwrap(p01.x(), u00), p01.y()},
                    {unwrap(p11.x(), u00), p11.y()}}};
}

// Fills `out` with the source positions of the n view positions (xs[i], ys[i]).
void ViewMapping::Band::mapPoints(int n, const double *xs, const double *ys, QPointF *out)
{
    const size_t padded = size_t((n + 3) & ~3);
    m_dx.resize(padded);
    m_dy.resize(padded);
    m_dz.resize(padded);
    m_u.resize(padded);
    m_v.resize(padded);
    for (int i = 0; i < n; ++i) {
        double dx, dy, dz;
        m_map->ray(xs[i], ys[i], dx, dy, dz);
        m_dx[size_t(i)] = float(dx);
        m_dy[size_t(i)] = float(dy);
        m_dz[size_t(i)] = float(dz);
    }
    for (size_t i = size_t(n); i < padded; ++i)
        m_dx[i] = m_dy[i] = 0, m_dz[i] = 1;
    m_map->m_equirect->mapBlock(int(padded), m_dx.data(), m_dy.data(), m_dz.data(), m_u.data(), m_v.data());
    for (int i = 0; i < n; ++i)
        out[i] = QPointF(m_u[size_t(i)], m_v[size_t(i)]);
}

void ViewMapping::Band::plan(const ViewMapping &mapping, int band)
{
    m_map = &mapping;
    const int W = mapping.m_viewW;
    const int cell = mapping.m_cell, fine = cell / kFines;
    m_y0 = band * cell;
    m_rows = std::clamp(mapping.m_viewH - m_y0, 0, cell);
    const int cellsX = (W + cell - 1) / cell;
    const int half = cell / 2;
    const int y0 = m_y0;

    // The band's lattice: rows y0, y0 + half and y0 + cell, every half cell across. It holds the
    // cells' corners and the points they are checked at.
    const int across = 2 * cellsX + 1;
    std::vector<double> xs(size_t(3 * across)), ys(size_t(3 * across));
    for (int r = 0; r < 3; ++r)
        for (int k = 0; k < across; ++k) {
            xs[size_t(r * across + k)] = k * half;
            ys[size_t(r * across + k)] = y0 + r * half;
        }
    m_lattice.resize(size_t(3 * across));
    mapPoints(3 * across, xs.data(), ys.data(), m_lattice.data());
    auto node = [&](int r, int k) { return m_lattice[size_t(r * across + k)]; };

    m_cells.resize(size_t(cellsX));
    m_cellLevel.resize(size_t(cellsX));
    m_fineIndex.assign(size_t(cellsX), -1);
    m_fines.clear();
    constexpr int kNodes = (kFines + 1) * (kFines + 1);
    double fx[kNodes + kFines * kFines], fy[kNodes + kFines * kFines];
    QPointF fp[kNodes + kFines * kFines];
    for (int k = 0; k < cellsX; ++k) {
        const size_t K = size_t(k);
        Corners &c = m_cells[K];
        c = unwrapped(node(0, 2 * k), node(0, 2 * k + 2), node(2, 2 * k), node(2, 2 * k + 2));
        const int l = m_cellLevel[K] = levelOf(c, cell);
        const bool coarseFails = misses(c, node(1, 2 * k + 1), 0.5, 0.5, l) || misses(c, node(0, 2 * k + 1), 0.5, 0, l)
            || misses(c, node(2, 2 * k + 1), 0.5, 1, l) || misses(c, node(1, 2 * k), 0, 0.5, l)
            || misses(c, node(1, 2 * k + 2), 1, 0.5, l);
        if (!coarseFails)
            continue;
        // Split into fine cells: their corners, then their centres.
        const double x = k * cell;
        int n = 0;
        for (int j = 0; j <= kFines; ++j)
            for (int i = 0; i <= kFines; ++i, ++n) {
                fx[n] = x + i * fine;
                fy[n] = y0 + j * fine;
            }
        for (int j = 0; j < kFines; ++j)
            for (int i = 0; i < kFines; ++i, ++n) {
                fx[n] = x + (i + 0.5) * fine;
                fy[n] = y0 + (j + 0.5) * fine;
            }
        mapPoints(n, fx, fy, fp);
        Fine f;
        auto fineNode = [&fp](int j, int i) { return fp[j * (kFines + 1) + i]; };
        for (int j = 0; j < kFines; ++j)
            for (int i = 0; i < kFines; ++i) {
                const Corners fc =
                    unwrapped(fineNode(j, i), fineNode(j, i + 1), fineNode(j + 1, i), fineNode(j + 1, i + 1));
                f.cell[j][i] = fc;
                f.level[j][i] = levelOf(fc, fine);
                f.exact[j][i] = misses(fc, fp[kNodes + j * kFines + i], 0.5, 0.5, f.level[j][i]);
            }
        m_fineIndex[K] = int(m_fines.size());
        m_fines.push_back(f);
    }
}

void ViewMapping::Band::runs(int y, std::vector<Run> &out) const
{
    out.clear();
    if (!m_map || y < m_y0 || y >= m_y0 + m_rows)
        return;
    const int W = m_map->m_viewW;
    const int cell = m_map->m_cell, fine = cell / kFines;
    const int j = y - m_y0;
    const double t = double(j) / cell;
    for (size_t k = 0; k < m_cells.size(); ++k) {
        const int x0 = int(k) * cell;
        const int n = std::min(cell, W - x0);
        if (m_fineIndex[k] < 0) {
            span(out, x0, n, cell, m_cells[k], t, m_cellLevel[k]);
            continue;
        }
        const Fine &f = m_fines[size_t(m_fineIndex[k])];
        const int fj = j / fine;
        const double ft = double(j % fine) / fine;
        for (int i = 0; i < kFines && i * fine < n; ++i) {
            const int xs = x0 + i * fine;
            const int m = std::min(fine, n - i * fine);
            if (f.exact[fj][i]) {
                for (int e = 0; e < m; ++e) {
                    const QPointF p = m_map->source(xs + e, y);
                    out.push_back(Run{xs + e, 1, p.x(), p.y(), 0, 0, f.level[fj][i]});
                }
            } else {
                span(out, xs, m, fine, f.cell[fj][i], ft, f.level[fj][i]);
            }
        }
    }
}

} // namespace sl::projection
