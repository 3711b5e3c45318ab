#pragma once
// Where the pixels of a rectilinear view land in an equirectangular panorama, shared by the
// engine's renderView() and the panorama view's renderer.
// Directions as in Projection.h: pan grows to the left, tilt upwards, the field of view is
// vertical. View pixel i of a row covers [i, i+1). Source positions are in pixel-index space of
// the panorama (pixel i centred on i); exact ones have their column in [-0.5, srcWidth - 0.5).
#include <QPointF>
#include <memory>
#include <vector>

namespace sl::projection {

namespace detail {
struct EquirectMap;
}

class ViewMapping
{
public:
    static constexpr int kCell = 16;           // default grid cell in view pixels (and rows of a band)
    static constexpr int kFines = 4;           // a failing cell is split into kFines x kFines cells
    static constexpr double kTolerance = 0.25; // default largest interpolation error, in source pixels
    static constexpr int kMaxLevels = 8;

    // `levels`: how many copies of the panorama, each half the size of the one before, a sampler
    // may read (1 to kMaxLevels). `tolerance`: the largest interpolation error accepted, in pixels
    // of the level read (at least 1/64). `cell`: the grid's cell, 4, 8 or 16 pixels (a smaller
    // one suits a smaller tolerance). The angles are taken as given: callers check them for sense.
    ViewMapping(int viewWidth, int viewHeight, int srcWidth, int srcHeight, double pan, double tilt, double vfov,
                int levels = 1, double tolerance = kTolerance, int cell = kCell);
    ~ViewMapping();
    ViewMapping(const ViewMapping &) = delete;
    ViewMapping &operator=(const ViewMapping &) = delete;

    int viewWidth() const { return m_viewW; }
    int viewHeight() const { return m_viewH; }
    int cell() const { return m_cell; }
    int bandCount() const { return (m_viewH + m_cell - 1) / m_cell; }

    // The ray through view position (x, y) (pixel indices; x + 0.5 is the pixel's centre), not
    // normalised; x to the right, y up, z forward.
    void ray(double x, double y, double &dx, double &dy, double &dz) const;
    // The exact source position of view position (x, y), double precision.
    QPointF source(double x, double y) const;

    // A straight run of view pixels: pixel x + i (i < n) samples (u + i du, v + i dv), a position
    // on the full-size panorama whose column may lie up to half the width outside it (samplers
    // wrap it). `level` is the copy that still has a pixel per view pixel there.
    struct Run
    {
        int x = 0;
        int n = 0;
        double u = 0, v = 0, du = 0, dv = 0;
        int level = 0;
    };

    // The mapping of one band of cell() rows: exact on a grid of cells (float, with an arctangent
    // good to 1e-5 radians) and interpolated inside them. A cell whose interpolation misses by
    // more than the tolerance at its centre or the middle of an edge -- near a pole, at wide
    // fields of view -- is split into kFines x kFines cells checked the same way; those that still
    // miss are computed per pixel, in double precision. One Band a thread, planned again for each
    // band.
    class Band
    {
    public:
        void plan(const ViewMapping &mapping, int band);
        int firstRow() const { return m_y0; }
        int endRow() const { return m_y0 + m_rows; }
        // The runs of view row y (within the band), left to right, covering the whole row.
        void runs(int y, std::vector<Run> &out) const;

    private:
        struct Corners
        {
            QPointF p[4]; // top left, top right, bottom left, bottom right
        };
        struct Fine
        {
            bool exact[kFines][kFines];
            int level[kFines][kFines];
            Corners cell[kFines][kFines]; // unwrapped
        };
        double unwrap(double u, double ref) const;
        Corners unwrapped(const QPointF &p00, const QPointF &p10, const QPointF &p01, const QPointF &p11) const;
        int levelOf(const Corners &c, int size) const;
        bool misses(const Corners &c, const QPointF &exact, double s, double t, int level) const;
        void mapPoints(int n, const double *xs, const double *ys, QPointF *out);
        void span(std::vector<Run> &out, int x, int n, int size, const Corners &c, double t, int level) const;

        const ViewMapping *m_map = nullptr;
        int m_y0 = 0;
        int m_rows = 0;
        std::vector<QPointF> m_lattice;
        std::vector<float> m_dx, m_dy, m_dz, m_u, m_v;
        std::vector<Corners> m_cells; // unwrapped
        std::vector<int> m_cellLevel;
        std::vector<int> m_fineIndex;
        std::vector<Fine> m_fines;
    };

private:
    int m_viewW = 0, m_viewH = 0;
    int m_levels = 1;
    double m_tolerance = kTolerance;
    int m_cell = kCell;
    double m_rx = 1, m_rz = 0;         // right (no vertical part)
    double m_ux = 0, m_uy = 1, m_uz = 0; // up
    double m_fx = 0, m_fy = 0, m_fz = 1; // forward, times the focal length in pixels
    double m_halfW = 0, m_halfH = 0;
    double m_srcW = 0, m_srcH = 0;
    double m_perLon = 0, m_perLat = 0; // source pixels per radian
    std::unique_ptr<detail::EquirectMap> m_equirect; // the grid's positions: float, four at a time
};

} // namespace sl::projection
