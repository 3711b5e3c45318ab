#include "preview/model/PanoRenderer.h"

#include "platform/image/ImageIO.h"
#include "platform/projection/Projection.h"
#include "platform/projection/ViewMapping.h"

#include <QCoreApplication>

#include <condition_variable>
#include <mutex>
#include <thread>

#include <QMutex>
#include <new>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#endif
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
using sl::projection::ViewMapping;

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

constexpr int kTileShift = 6;
static_assert(TiledPanorama::kTile == 1 << kTileShift);
constexpr int kStride = TiledPanorama::kStride;
constexpr qsizetype kTilePixels = qsizetype(kStride) * kStride;

// Bilinear blend of p[0], p[1], p[kStride], p[kStride + 1] with 7-bit weights (0..128):
// first down, then across, each rounded.
#if defined(__SSE2__)
inline quint32 blend(const quint32 *p, unsigned fx, unsigned fy)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i top = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(p)), zero);
    const __m128i bottom = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(p + kStride)), zero);
    const __m128i round = _mm_set1_epi16(64);
    __m128i v = _mm_add_epi16(_mm_mullo_epi16(top, _mm_set1_epi16(short(128 - fy))),
                              _mm_mullo_epi16(bottom, _mm_set1_epi16(short(fy))));
    v = _mm_srli_epi16(_mm_add_epi16(v, round), 7);
    __m128i h = _mm_mullo_epi16(v, _mm_unpacklo_epi64(_mm_set1_epi16(short(128 - fx)), _mm_set1_epi16(short(fx))));
    h = _mm_add_epi16(h, _mm_srli_si128(h, 8));
    h = _mm_srli_epi16(_mm_add_epi16(h, round), 7);
    return quint32(_mm_cvtsi128_si32(_mm_packus_epi16(h, h)));
}
#else
inline quint32 lerp7(quint32 a, quint32 b, unsigned t)
{
    const unsigned s = 128 - t;
    const quint32 rb = (((a & 0xff00ffu) * s + (b & 0xff00ffu) * t + 0x400040u) >> 7) & 0xff00ffu;
    const quint32 ag = (((((a >> 8) & 0xff00ffu) * s + ((b >> 8) & 0xff00ffu) * t + 0x400040u) >> 7) & 0xff00ffu) << 8;
    return rb | ag;
}
inline quint32 blend(const quint32 *p, unsigned fx, unsigned fy)
{
    return lerp7(lerp7(p[0], p[kStride], fy), lerp7(p[1], p[kStride + 1], fy), fx);
}
#endif

// Samples the tiled panorama at a 16.16 fixed-point position in pixel-index space.
struct Sampler
{
    const quint32 *pixels = nullptr;
    int width = 0;
    int height = 0;
    int tilesX = 0;
    quint32 alphaOr = 0;

    // The stored pixel at the position's top left and the 7-bit weights across and down.
    inline const quint32 *address(qint64 uf, qint64 vf, unsigned &fx, unsigned &fy) const
    {
        int x0 = int(uf >> 16);
        int y0 = int(vf >> 16);
        fx = unsigned(uf >> 9) & 127u;
        fy = unsigned(vf >> 9) & 127u;
        if (x0 < 0)
            x0 += width;
        else if (x0 >= width)
            x0 -= width;
        if (Q_UNLIKELY(unsigned(x0) >= unsigned(width)))
            x0 = ((x0 % width) + width) % width;
        if (Q_UNLIKELY(unsigned(y0) >= unsigned(height))) {
            y0 = y0 < 0 ? 0 : height - 1;
            fy = 0;
        }
        return pixels + qsizetype((y0 >> kTileShift) * tilesX + (x0 >> kTileShift)) * kTilePixels
            + (y0 & (TiledPanorama::kTile - 1)) * kStride + (x0 & (TiledPanorama::kTile - 1));
    }

    inline quint32 at(qint64 uf, qint64 vf) const
    {
        unsigned fx, fy;
        const quint32 *p = address(uf, vf, fx, fy);
        return blend(p, fx, fy) | alphaOr;
    }
};

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
// blend() for two pixels at once, one in each half of AVX2 registers (the same arithmetic).
// Returns how many of the n pixels it did (an even count).
__attribute__((target("avx2"))) int blendPairsAvx2(const Sampler &s, qint64 &ufRun, qint64 &vfRun, qint64 du, qint64 dv,
                                                  int n, quint32 *out)
{
    qint64 uf = ufRun, vf = vfRun;
    const __m256i zero = _mm256_setzero_si256(), round = _mm256_set1_epi16(64);
    int i = 0;
    for (; i + 1 < n; i += 2) {
        unsigned fxa, fya, fxb, fyb;
        const quint32 *pa = s.address(uf, vf, fxa, fya);
        const quint32 *pb = s.address(uf + du, vf + dv, fxb, fyb);
        uf += 2 * du;
        vf += 2 * dv;
        // Each half: the top pair, then the bottom pair.
        const __m128i a = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(pa)),
                                             _mm_loadl_epi64(reinterpret_cast<const __m128i *>(pa + kStride)));
        const __m128i b = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(pb)),
                                             _mm_loadl_epi64(reinterpret_cast<const __m128i *>(pb + kStride)));
        const __m256i v = _mm256_inserti128_si256(_mm256_castsi128_si256(a), b, 1);
        const __m256i top = _mm256_unpacklo_epi8(v, zero), bottom = _mm256_unpackhi_epi8(v, zero);
        const __m256i wy = _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_set1_epi16(short(fya))),
                                                   _mm_set1_epi16(short(fyb)), 1);
        __m256i m = _mm256_add_epi16(_mm256_mullo_epi16(top, _mm256_sub_epi16(_mm256_set1_epi16(128), wy)),
                                     _mm256_mullo_epi16(bottom, wy));
        m = _mm256_srli_epi16(_mm256_add_epi16(m, round), 7);
        const __m256i wx = _mm256_inserti128_si256(
            _mm256_castsi128_si256(_mm_unpacklo_epi64(_mm_set1_epi16(short(128 - fxa)), _mm_set1_epi16(short(fxa)))),
            _mm_unpacklo_epi64(_mm_set1_epi16(short(128 - fxb)), _mm_set1_epi16(short(fxb))), 1);
        __m256i h = _mm256_mullo_epi16(m, wx);
        h = _mm256_add_epi16(h, _mm256_bsrli_epi128(h, 8));
        h = _mm256_srli_epi16(_mm256_add_epi16(h, round), 7);
        const __m256i packed = _mm256_packus_epi16(h, h);
        out[i] = quint32(_mm256_extract_epi32(packed, 0)) | s.alphaOr;
        out[i + 1] = quint32(_mm256_extract_epi32(packed, 4)) | s.alphaOr;
    }
    ufRun = uf;
    vfRun = vf;
    return i;
}
#endif

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
    return ViewMapping(viewWidth, viewHeight, srcWidth, srcHeight, pan, tilt, vfov).source(x, y);
}

namespace {

// Averages of 2 x 2 pixels: one row of the next level from two rows (a last odd column is
// dropped).
void halveRows(const quint32 *a, const quint32 *b, quint32 *out, int outWidth)
{
    for (int x = 0; x < outWidth; ++x) {
        const quint32 p[4] = {a[2 * x], a[2 * x + 1], b[2 * x], b[2 * x + 1]};
        quint32 rb = 0x00020002u, ag = 0x00020002u;
        for (quint32 q : p) {
            rb += q & 0x00ff00ffu;
            ag += (q >> 8) & 0x00ff00ffu;
        }
        out[x] = ((rb >> 2) & 0x00ff00ffu) | (((ag >> 2) & 0x00ff00ffu) << 8);
    }
}

} // namespace

// Takes the rows of the full image top to bottom and writes each straight into every level's
// tiles (a tile keeps the row after its last as well); the averages of a level's row pairs go on
// to the next level (a last odd row of a level is dropped).
class TiledPanorama::Builder
{
public:
    // False when the memory cannot be had.
    bool start(TiledPanorama &target, int width, int height, int levels)
    {
        int w = width, h = height;
        for (int i = 0; i < std::max(1, levels); ++i) {
            if (i > 0) {
                if (w / 2 < kTile || h / 2 < kTile / 2)
                    break;
                w /= 2;
                h /= 2;
            }
            Level level;
            level.width = w;
            level.height = h;
            level.tilesX = (w + kTile - 1) / kTile;
            level.tilesY = (h + kTile - 1) / kTile;
            level.pixels.reset(new (std::nothrow) quint32[size_t(level.tilesX) * level.tilesY * kTilePixels]);
            if (!level.pixels) {
                if (i == 0)
                    return false;
                break; // the levels made so far still serve
            }
            target.m_levels.push_back(std::move(level));
        }
        m_target = &target;
        m_states.resize(target.m_levels.size());
        for (size_t i = 0; i + 1 < m_states.size(); ++i) {
            m_states[i].even.resize(size_t(target.m_levels[i].width));
            m_states[i].half.resize(size_t(target.m_levels[i + 1].width));
        }
        return true;
    }

    // The memory the tiles will fill, for faulting it in ahead.
    QVector<sl::image::PageWarmer::Block> memory() const
    {
        QVector<sl::image::PageWarmer::Block> blocks;
        for (const Level &l : m_target->m_levels)
            blocks.append({reinterpret_cast<const uchar *>(l.pixels.get()),
                           qsizetype(l.tilesX) * l.tilesY * kTilePixels * qsizetype(sizeof(quint32))});
        return blocks;
    }

    // The next row of the full image.
    void push(const quint32 *row) { push(0, row); }

private:
    struct State
    {
        std::vector<quint32> even; // the last even row, for the next level
        std::vector<quint32> half;
        int next = 0;              // rows taken
    };

    void push(size_t index, const quint32 *row)
    {
        const Level &level = m_target->m_levels[index];
        State &st = m_states[index];
        const int y = st.next++;
        if (y >= level.height)
            return; // a last odd row of the level above
        const int ty = y / kTile, ly = y % kTile;
        writeRow(level, ty, ly, row);
        if (ly == 0 && ty > 0)
            writeRow(level, ty - 1, kTile, row);
        if (y == level.height - 1) // the rows below the image repeat its last
            for (int l = ly + 1; l < kStride; ++l)
                writeRow(level, ty, l, row);
        if (index + 1 < m_states.size()) {
            if (y % 2 == 0) {
                std::copy(row, row + level.width, st.even.data());
            } else {
                halveRows(st.even.data(), row, st.half.data(), m_target->m_levels[index + 1].width);
                push(index + 1, st.half.data());
            }
        }
    }

    // Row `ly` of every tile of tile row `ty`, each with the next tile's first column.
    static void writeRow(const Level &level, int ty, int ly, const quint32 *src)
    {
        const int w = level.width;
        for (int tx = 0; tx < level.tilesX; ++tx) {
            quint32 *dst = level.pixels.get() + (qsizetype(ty) * level.tilesX + tx) * kTilePixels + qsizetype(ly) * kStride;
            const int x0 = tx * kTile;
            const int inside = std::min(kStride, w - x0);
            std::copy(src + x0, src + x0 + inside, dst);
            for (int lx = inside; lx < kStride; ++lx) // past the right edge: the columns wrap
                dst[lx] = src[(x0 + lx) % w];
        }
    }

    TiledPanorama *m_target = nullptr;
    std::vector<State> m_states;
};

TiledPanorama::TiledPanorama(const QImage &equirect, int levels)
{
    if (equirect.isNull() || equirect.width() < 1 || equirect.height() < 1)
        return;
    QImage image = equirect;
    if (!usableSource(image))
        image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull())
        return;
    Builder builder;
    if (!builder.start(*this, image.width(), image.height(), levels))
        return;
    m_alpha = image.format() != QImage::Format_RGB32;
    for (int y = 0; y < image.height(); ++y)
        builder.push(reinterpret_cast<const quint32 *>(image.constScanLine(y)));
}

TiledPanorama TiledPanorama::fromJpeg(const QByteArray &jpeg, QString *error, int levels)
{
    TiledPanorama result;
    sl::image::JpegRowReader reader;
    if (!reader.open(jpeg, error))
        return result;
    const int w = reader.width(), h = reader.height();
    // Bands of decoded rows go round between the decoding (this thread) and the tiling (a helper).
    constexpr int kRows = 16, kBands = 8;
    std::unique_ptr<quint32[]> rows(new (std::nothrow) quint32[size_t(kBands) * kRows * w]);
    Builder builder;
    if (!rows || !builder.start(result, w, h, levels)) {
        if (error)
            *error = QCoreApplication::translate("sl::preview", "Not enough memory for the panorama.");
        return TiledPanorama();
    }
    const sl::image::PageWarmer warmer(builder.memory());
    const int bandCount = (h + kRows - 1) / kRows;
    std::mutex mutex;
    std::condition_variable changed;
    int decoded = 0, tiled = 0; // bands
    bool stop = false;
    std::thread tiler([&] {
        for (int band = 0; band < bandCount; ++band) {
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return stop || decoded > band; });
                if (stop && decoded <= band)
                    return;
            }
            const quint32 *first = rows.get() + size_t(band % kBands) * kRows * w;
            for (int i = 0; i < std::min(kRows, h - band * kRows); ++i)
                builder.push(first + size_t(i) * w);
            {
                std::lock_guard lock(mutex);
                tiled = band + 1;
            }
            changed.notify_all();
        }
    });
    bool ok = true;
    for (int band = 0; band < bandCount && ok; ++band) {
        {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return tiled > band - kBands; });
        }
        quint32 *first = rows.get() + size_t(band % kBands) * kRows * w;
        ok = reader.readRows(reinterpret_cast<uchar *>(first), qsizetype(w) * 4, std::min(kRows, h - band * kRows), error);
        {
            std::lock_guard lock(mutex);
            if (ok)
                decoded = band + 1;
            else
                stop = true;
        }
        changed.notify_all();
    }
    tiler.join();
    return ok ? std::move(result) : TiledPanorama();
}

QRgb TiledPanorama::pixel(int x, int y, int index) const
{
    if (index < 0 || index >= levelCount())
        return 0;
    const Level &l = m_levels[size_t(index)];
    x = ((x % l.width) + l.width) % l.width;
    y = std::clamp(y, 0, l.height - 1);
    return l.pixels[(qsizetype(y / kTile) * l.tilesX + x / kTile) * kTilePixels + (y % kTile) * kStride + x % kTile];
}

void renderPanoView(const QImage &equirect, QImage &target, double pan, double tilt, double vfov, int threads)
{
    renderPanoView(TiledPanorama(equirect, 1), target, pan, tilt, vfov, threads);
}

void renderPanoView(const TiledPanorama &panorama, QImage &target, double pan, double tilt, double vfov,
                    int threads)
{
    if (!usableTarget(target))
        return;
    if (panorama.isNull() || !std::isfinite(pan) || !std::isfinite(tilt) || !(vfov > 0) || !(vfov < 180)) {
        target.fill(0xff000000u);
        return;
    }
    const int W = target.width(), H = target.height();
    const int levels = std::min(panorama.levelCount(), ViewMapping::kMaxLevels);
    // Positions are worked out on the full image and scaled to the level a run reads.
    const ViewMapping mapping(W, H, panorama.width(), panorama.height(), pan, tilt, vfov, levels);
    Sampler samplers[ViewMapping::kMaxLevels];
    double scaleU[ViewMapping::kMaxLevels], scaleV[ViewMapping::kMaxLevels];
    for (int i = 0; i < levels; ++i) {
        const TiledPanorama::Level &level = panorama.level(i);
        Sampler &sampler = samplers[i];
        sampler.pixels = level.pixels.get();
        sampler.width = level.width;
        sampler.height = level.height;
        sampler.tilesX = level.tilesX;
        sampler.alphaOr = (target.format() == QImage::Format_RGB32 || !panorama.hasAlpha()) ? 0xff000000u : 0u;
        scaleU[i] = double(level.width) / panorama.width();
        scaleV[i] = double(level.height) / panorama.height();
    }
    uchar *outBits = target.bits();
    const qsizetype outBpl = target.bytesPerLine();
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    const bool avx2 = sl::projection::processorHasAvx2();
#endif

    auto band = [&](int b) {
        ViewMapping::Band plan;
        plan.plan(mapping, b);
        std::vector<ViewMapping::Run> runs;
        for (int y = plan.firstRow(); y < plan.endRow(); ++y) {
            quint32 *out = reinterpret_cast<quint32 *>(outBits + y * outBpl);
            plan.runs(y, runs);
            for (const ViewMapping::Run &r : runs) {
                const double su = scaleU[r.level], sv = scaleV[r.level];
                qint64 uf = toFixed((r.u + 0.5) * su - 0.5), vf = toFixed((r.v + 0.5) * sv - 0.5);
                const qint64 du = toFixed(r.du * su), dv = toFixed(r.dv * sv);
                const Sampler &sampler = samplers[r.level];
                quint32 *o = out + r.x;
                int i = 0;
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
                if (avx2)
                    i = blendPairsAvx2(sampler, uf, vf, du, dv, r.n, o);
#endif
                for (; i < r.n; ++i) {
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
    runParallel(mapping.bandCount(), threads, band);
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
    const ViewMapping mapping(W, H, sw, sh, pan, tilt, vfov);
    const bool opaque = target.format() == QImage::Format_RGB32 || equirect.format() == QImage::Format_RGB32;
    for (int y = 0; y < H; ++y) {
        quint32 *out = reinterpret_cast<quint32 *>(target.scanLine(y));
        for (int x = 0; x < W; ++x) {
            double dx, dy, dz;
            mapping.ray(x, y, dx, dy, dz);
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
