// Reprojection between equirectangular images, cube faces and rectilinear views.
//
// Coordinates: x to the right, y up, z forward (pan 0, tilt 0). A direction at pan p (growing to the
// left) and tilt t (growing upwards) is (-sin p cos t, sin t, cos p cos t). In an equirectangular
// image of W x H pixels, pan p lies at the continuous column W (1/2 - p/360) and tilt t at the
// continuous row H (1/2 - t/180); pixel i covers [i, i+1), its centre is i + 1/2.
//
// Faces and views take their source positions from ViewMapping (a face is a square view of 90
// degrees), exact on a grid and interpolated between, and read them with fixed-point samplers
// along straight runs. Where the processor has AVX2, the faces' bicubic sampling takes paths of
// its own: the side faces in two separable passes, the top and bottom faces with every pixel's
// position worked out exactly. Rows are shared among threads.
#include "platform/projection/Projection.h"
#include "platform/projection/EquirectMap.h"
#include "platform/projection/ViewMapping.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#endif

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <thread>
#include <vector>

#ifdef __linux__
#include <sched.h>
#endif

namespace sl::projection {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kMaxSize = 65535;

// Views and faces: source positions exact on a grid of 8-pixel cells and interpolated inside
// them, held to a tenth of a source pixel (cells of 8 cost little more than 16 and stay closer to
// the exact mapping); drawn in tiles of 32 columns.
constexpr int kViewCell = 8;
constexpr double kViewTolerance = 0.1;
constexpr int kViewTile = 32;
static_assert(kViewTile % kViewCell == 0);
constexpr int kBandRows = 16; // rows of a face or of the equirectangular output a thread takes at a time

// ---- the faces ----

struct Vec3
{
    float x, y, z;
};

inline float dot(const Vec3 &a, const Vec3 &b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// Each face: the direction it looks at, its right-hand direction and its downward direction, as
// seen from inside. The top face's lower edge meets the front face's upper edge, the bottom face's
// upper edge the front face's lower edge.
struct FaceAxes
{
    Vec3 forward, right, down;
};

constexpr FaceAxes kFaces[6] = {
    {{0, 0, 1}, {1, 0, 0}, {0, -1, 0}},   // 0 front  (pan 0)
    {{1, 0, 0}, {0, 0, -1}, {0, -1, 0}},  // 1 right  (pan -90)
    {{0, 0, -1}, {-1, 0, 0}, {0, -1, 0}}, // 2 back   (pan 180)
    {{-1, 0, 0}, {0, 0, 1}, {0, -1, 0}},  // 3 left   (pan 90)
    {{0, 1, 0}, {1, 0, 0}, {0, 0, 1}},    // 4 top
    {{0, -1, 0}, {1, 0, 0}, {0, 0, -1}},  // 5 bottom
};

// ---- pixels ----

struct Source
{
    const uchar *bits = nullptr;
    qsizetype stride = 0;
    int w = 0;
    int h = 0;

    explicit Source(const QImage &image)
        : bits(image.constBits()), stride(image.bytesPerLine()), w(image.width()), h(image.height())
    {
    }
    inline quint32 at(int x, int y) const
    {
        return reinterpret_cast<const quint32 *>(bits + qsizetype(y) * stride)[x];
    }
};

// Column and row indices outside the image: equirectangular images wrap around horizontally and
// stop at the poles; faces stop at their edges.
template <bool Wrap>
inline int column(int x, int w)
{
    if constexpr (Wrap) {
        if (x >= 0 && x < w)
            return x;
        if (x >= w && x < 2 * w)
            return x - w;
        if (x < 0 && x >= -w)
            return x + w;
        x %= w;
        return x < 0 ? x + w : x;
    } else {
        return x < 0 ? 0 : (x >= w ? w - 1 : x);
    }
}

// floor() for the coordinates met here (well inside the int range), without a library call.
inline int floorInt(float v)
{
    const int i = int(v);
    return i - (v < float(i) ? 1 : 0);
}

inline int clampRow(int y, int h) { return y < 0 ? 0 : (y >= h ? h - 1 : y); }

// Whether the four columns or rows from `first` on all lie in [0, n): never when n < 4.
inline bool fourInside(int first, int n) { return first >= 0 && first <= n - 4; }

// a + (b - a) * f / 256 on all four bytes at once, rounded.
inline quint32 lerp(quint32 a, quint32 b, quint32 f)
{
    const quint32 g = 256 - f;
    const quint32 rb = (((a & 0x00FF00FFu) * g + (b & 0x00FF00FFu) * f + 0x00800080u) >> 8) & 0x00FF00FFu;
    const quint32 ag = (((a >> 8) & 0x00FF00FFu) * g + ((b >> 8) & 0x00FF00FFu) * f + 0x00800080u) & 0xFF00FF00u;
    return rb | ag;
}

template <bool Wrap>
struct Nearest
{
    static inline quint32 sample(const Source &s, float x, float y)
    {
        const int ix = column<Wrap>(floorInt(x + 0.5f), s.w);
        const int iy = clampRow(floorInt(y + 0.5f), s.h);
        return s.at(ix, iy);
    }
};

template <bool Wrap>
struct Bilinear
{
    static inline quint32 sample(const Source &s, float x, float y)
    {
        const int ix = floorInt(x), iy = floorInt(y);
        const quint32 fx = quint32((x - float(ix)) * 256.0f + 0.5f);
        const quint32 fy = quint32((y - float(iy)) * 256.0f + 0.5f);
        const int x0 = column<Wrap>(ix, s.w);
        int x1;
        if constexpr (Wrap)
            x1 = x0 + 1 < s.w ? x0 + 1 : 0;
        else
            x1 = column<false>(ix + 1, s.w);
        const int y0 = clampRow(iy, s.h);
        const int y1 = clampRow(iy + 1, s.h);
        const quint32 top = lerp(s.at(x0, y0), s.at(x1, y0), fx);
        const quint32 bottom = lerp(s.at(x0, y1), s.at(x1, y1), fx);
        return lerp(top, bottom, fy);
    }
};

// Bilinear<true> at a 16.16 fixed-point position: almost always no more than one test for the
// wrap and one for the poles.
inline quint32 bilinearFixed(const Source &s, qint64 uf, qint64 vf)
{
    {
        int x0 = int(uf >> 16), y0 = int(vf >> 16);
        const quint32 fx = quint32(((uf & 0xFFFF) + 128) >> 8), fy = quint32(((vf & 0xFFFF) + 128) >> 8);
        if (x0 < 0)
            x0 += s.w;
        else if (x0 >= s.w)
            x0 -= s.w;
        if (Q_UNLIKELY(unsigned(x0) >= unsigned(s.w)))
            x0 = column<true>(x0, s.w);
        const int x1 = x0 + 1 < s.w ? x0 + 1 : 0;
        int y1 = y0 + 1;
        if (Q_UNLIKELY(unsigned(y0) >= unsigned(s.h - 1))) {
            y1 = clampRow(y1, s.h);
            y0 = clampRow(y0, s.h);
        }
        const quint32 *r0 = reinterpret_cast<const quint32 *>(s.bits + qsizetype(y0) * s.stride);
        const quint32 *r1 = reinterpret_cast<const quint32 *>(s.bits + qsizetype(y1) * s.stride);
#if defined(__SSE2__)
        // The same arithmetic as lerp() on all four pixels at once; two neighbours in one load
        // unless the pair wraps around.
        __m128i top, bottom;
        if (Q_LIKELY(x1 == x0 + 1)) {
            top = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(r0 + x0));
            bottom = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(r1 + x0));
        } else {
            top = _mm_unpacklo_epi32(_mm_cvtsi32_si128(int(r0[x0])), _mm_cvtsi32_si128(int(r0[x1])));
            bottom = _mm_unpacklo_epi32(_mm_cvtsi32_si128(int(r1[x0])), _mm_cvtsi32_si128(int(r1[x1])));
        }
        const __m128i zero = _mm_setzero_si128(), round = _mm_set1_epi16(128);
        const __m128i wx = _mm_unpacklo_epi64(_mm_set1_epi16(short(256 - fx)), _mm_set1_epi16(short(fx)));
        __m128i t = _mm_mullo_epi16(_mm_unpacklo_epi8(top, zero), wx);
        __m128i b = _mm_mullo_epi16(_mm_unpacklo_epi8(bottom, zero), wx);
        t = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(t, _mm_srli_si128(t, 8)), round), 8);
        b = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(b, _mm_srli_si128(b, 8)), round), 8);
        const __m128i wy = _mm_unpacklo_epi64(_mm_set1_epi16(short(256 - fy)), _mm_set1_epi16(short(fy)));
        __m128i v = _mm_mullo_epi16(_mm_unpacklo_epi64(t, b), wy);
        v = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(v, _mm_srli_si128(v, 8)), round), 8);
        return quint32(_mm_cvtsi128_si32(_mm_packus_epi16(v, v)));
#else
        return lerp(lerp(r0[x0], r0[x1], fx), lerp(r1[x0], r1[x1], fx), fy);
#endif
    }
}

// Bilinear<true> along a straight run of a view: no float conversions per pixel.
struct BilinearRun
{
    const Source &s;

    static inline qint64 toFixed(double v) { return qint64(std::floor(v * 65536.0 + 0.5)); }
    inline quint32 sample(qint64 uf, qint64 vf) const { return bilinearFixed(s, uf, vf); }

    void run(const ViewMapping::Run &r, quint32 *out, quint32 orMask) const
    {
        qint64 uf = toFixed(r.u), vf = toFixed(r.v);
        const qint64 du = toFixed(r.du), dv = toFixed(r.dv);
        for (int i = 0; i < r.n; ++i, uf += du, vf += dv)
            out[i] = sample(uf, vf) | orMask;
    }
};

// Catmull-Rom weights for the four samples around a fraction t.
inline void cubicWeights(float t, float w[4])
{
    const float t2 = t * t, t3 = t2 * t;
    w[0] = -0.5f * t3 + t2 - 0.5f * t;
    w[1] = 1.5f * t3 - 2.5f * t2 + 1.0f;
    w[2] = -1.5f * t3 + 2.0f * t2 + 0.5f * t;
    w[3] = 0.5f * t3 - 0.5f * t2;
}

template <bool Wrap>
struct Bicubic
{
    static inline quint32 sample(const Source &s, float x, float y)
    {
        const int ix = floorInt(x), iy = floorInt(y);
        float wx[4], wy[4];
        cubicWeights(x - float(ix), wx);
        cubicWeights(y - float(iy), wy);
        int xs[4];
        for (int i = 0; i < 4; ++i)
            xs[i] = column<Wrap>(ix - 1 + i, s.w);
        float acc[4] = {0, 0, 0, 0};
        for (int j = 0; j < 4; ++j) {
            const int yy = clampRow(iy - 1 + j, s.h);
            float row[4] = {0, 0, 0, 0};
            for (int i = 0; i < 4; ++i) {
                const quint32 p = s.at(xs[i], yy);
                row[0] += wx[i] * float(p & 0xFF);
                row[1] += wx[i] * float((p >> 8) & 0xFF);
                row[2] += wx[i] * float((p >> 16) & 0xFF);
                row[3] += wx[i] * float(p >> 24);
            }
            for (int c = 0; c < 4; ++c)
                acc[c] += wy[j] * row[c];
        }
        quint32 out = 0;
        for (int c = 0; c < 4; ++c) {
            const float v = std::clamp(acc[c] + 0.5f, 0.0f, 255.0f);
            out |= quint32(v) << (8 * c);
        }
        return out;
    }
};

#if defined(__SSE2__)
// Catmull-Rom weights by the fraction in 1/256 steps: for the horizontal pass as 16-bit integers
// scaled by 4096 and laid out for _mm_madd_epi16 ({w0, w1} four times, then {w2, w3}), for the
// vertical pass the same weights as floats that also undo the horizontal scale.
struct CubicTable
{
    alignas(16) qint16 across[256][2][8];
    alignas(16) float down[256][4];

    CubicTable()
    {
        for (int f = 0; f < 256; ++f) {
            float w[4];
            cubicWeights(float(f) / 256.0f, w);
            int q[4], sum = 0;
            for (int i = 0; i < 4; ++i)
                sum += q[i] = int(std::lround(w[i] * 4096.0f));
            q[f < 128 ? 1 : 2] += 4096 - sum; // the weights add up to one exactly
            for (int k = 0; k < 4; ++k) {
                across[f][0][2 * k] = qint16(q[0]);
                across[f][0][2 * k + 1] = qint16(q[1]);
                across[f][1][2 * k] = qint16(q[2]);
                across[f][1][2 * k + 1] = qint16(q[3]);
            }
            for (int i = 0; i < 4; ++i)
                down[f][i] = float(q[i]) / (4096.0f * 4096.0f);
        }
    }
};

const CubicTable &cubicTable()
{
    static const CubicTable table;
    return table;
}

// Bicubic<true> along a straight run of a view in 16.16 fixed point, the four pixels of a row in
// one load: the horizontal pass in integers, the vertical one in float, all four channels at
// once. Fractions are taken in 1/256 steps.
struct BicubicRun
{
    const Source &s;
    const CubicTable &table = cubicTable();

    // The four columns from c0 and rows from r0 (either may lie outside: columns wrap, rows stop).
    inline quint32 sample(int c0, unsigned fx, int r0, unsigned fy) const
    {
        const __m128i wLow = _mm_load_si128(reinterpret_cast<const __m128i *>(table.across[fx][0]));
        const __m128i wHigh = _mm_load_si128(reinterpret_cast<const __m128i *>(table.across[fx][1]));
        const __m128 wy = _mm_load_ps(table.down[fy]);
        const quint32 *rows[4];
        if (Q_LIKELY(fourInside(r0, s.h))) {
            const uchar *p = s.bits + qsizetype(r0) * s.stride;
            for (int j = 0; j < 4; ++j)
                rows[j] = reinterpret_cast<const quint32 *>(p + j * s.stride);
        } else {
            for (int j = 0; j < 4; ++j)
                rows[j] = reinterpret_cast<const quint32 *>(s.bits + qsizetype(clampRow(r0 + j, s.h)) * s.stride);
        }
        const __m128i zero = _mm_setzero_si128();
        // One row: its four pixels weighted across, as floats (scaled by 4096).
        auto across = [&](__m128i v) {
            const __m128i a = _mm_unpacklo_epi8(_mm_unpacklo_epi8(v, _mm_srli_si128(v, 4)), zero);
            const __m128i b = _mm_unpacklo_epi8(_mm_unpacklo_epi8(_mm_srli_si128(v, 8), _mm_srli_si128(v, 12)), zero);
            return _mm_cvtepi32_ps(_mm_add_epi32(_mm_madd_epi16(a, wLow), _mm_madd_epi16(b, wHigh)));
        };
        __m128i v0, v1, v2, v3;
        if (Q_LIKELY(fourInside(c0, s.w))) {
            v0 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(rows[0] + c0));
            v1 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(rows[1] + c0));
            v2 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(rows[2] + c0));
            v3 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(rows[3] + c0));
        } else {
            int cs[4];
            for (int i = 0; i < 4; ++i)
                cs[i] = column<true>(c0 + i, s.w);
            auto gather = [&](const quint32 *row) {
                return _mm_setr_epi32(int(row[cs[0]]), int(row[cs[1]]), int(row[cs[2]]), int(row[cs[3]]));
            };
            v0 = gather(rows[0]);
            v1 = gather(rows[1]);
            v2 = gather(rows[2]);
            v3 = gather(rows[3]);
        }
        __m128 acc = _mm_mul_ps(across(v0), _mm_shuffle_ps(wy, wy, 0x00));
        acc = _mm_add_ps(acc, _mm_mul_ps(across(v1), _mm_shuffle_ps(wy, wy, 0x55)));
        acc = _mm_add_ps(acc, _mm_mul_ps(across(v2), _mm_shuffle_ps(wy, wy, 0xAA)));
        acc = _mm_add_ps(acc, _mm_mul_ps(across(v3), _mm_shuffle_ps(wy, wy, 0xFF)));
        const __m128i r = _mm_cvtps_epi32(acc);
        const __m128i p = _mm_packs_epi32(r, r);
        return quint32(_mm_cvtsi128_si32(_mm_packus_epi16(p, p)));
    }

    void run(const ViewMapping::Run &r, quint32 *out, quint32 orMask) const;
};

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
// The same arithmetic as BicubicRun::sample, two pixels at once in the two halves of AVX2
// registers, with the bytes of a row spread into 16-bit pairs by one shuffle. Pixels whose four
// rows and columns are not all inside go through the plain sampler. Returns the pixels done.
#define SL_AVX2 __attribute__((target("avx2"), always_inline)) inline

// Two 16-byte loads as the low and high halves of one register.
SL_AVX2 __m256i loadPair(const void *low, const void *high)
{
    return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(static_cast<const __m128i *>(low))),
                                   _mm_loadu_si128(static_cast<const __m128i *>(high)), 1);
}

// The four pixels of a row in each half weighted across, as floats (scaled by 4096).
SL_AVX2 __m256 acrossPair(__m256i v, __m256i spreadLow, __m256i spreadHigh, __m256i wLow, __m256i wHigh)
{
    return _mm256_cvtepi32_ps(_mm256_add_epi32(_mm256_madd_epi16(_mm256_shuffle_epi8(v, spreadLow), wLow),
                                               _mm256_madd_epi16(_mm256_shuffle_epi8(v, spreadHigh), wHigh)));
}

// Two pixels whose four columns and rows lie inside the image, from the first of each one's
// (at pa and pb) and their fractions.
SL_AVX2 void bicubicPairInside(const BicubicRun &sampler, const uchar *pa, unsigned fxa, unsigned fya, const uchar *pb,
                               unsigned fxb, unsigned fyb, quint32 *out, quint32 orMask)
{
    const qsizetype stride = sampler.s.stride;
    const CubicTable &t = sampler.table;
    const __m256i spreadLow = _mm256_setr_epi8(0, -128, 4, -128, 1, -128, 5, -128, 2, -128, 6, -128, 3, -128, 7, -128,
                                               0, -128, 4, -128, 1, -128, 5, -128, 2, -128, 6, -128, 3, -128, 7, -128);
    const __m256i spreadHigh = _mm256_setr_epi8(8, -128, 12, -128, 9, -128, 13, -128, 10, -128, 14, -128, 11, -128,
                                                15, -128, 8, -128, 12, -128, 9, -128, 13, -128, 10, -128, 14, -128,
                                                11, -128, 15, -128);
    const __m256i wLow = loadPair(t.across[fxa][0], t.across[fxb][0]);
    const __m256i wHigh = loadPair(t.across[fxa][1], t.across[fxb][1]);
    const __m256 wy = _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_load_ps(t.down[fya])), _mm_load_ps(t.down[fyb]), 1);
#define SL_ACROSS(j) acrossPair(loadPair(pa + (j) * stride, pb + (j) * stride), spreadLow, spreadHigh, wLow, wHigh)
    __m256 acc = _mm256_mul_ps(SL_ACROSS(0), _mm256_shuffle_ps(wy, wy, 0x00));
    acc = _mm256_add_ps(acc, _mm256_mul_ps(SL_ACROSS(1), _mm256_shuffle_ps(wy, wy, 0x55)));
    acc = _mm256_add_ps(acc, _mm256_mul_ps(SL_ACROSS(2), _mm256_shuffle_ps(wy, wy, 0xAA)));
    acc = _mm256_add_ps(acc, _mm256_mul_ps(SL_ACROSS(3), _mm256_shuffle_ps(wy, wy, 0xFF)));
#undef SL_ACROSS
    const __m256i r = _mm256_cvtps_epi32(acc);
    const __m256i p16 = _mm256_packs_epi32(r, r);
    const __m256i p8 = _mm256_packus_epi16(p16, p16);
    out[0] = quint32(_mm256_extract_epi32(p8, 0)) | orMask;
    out[1] = quint32(_mm256_extract_epi32(p8, 4)) | orMask;
}

// Two pixels: the first of each one's four columns and rows, and its fractions.
SL_AVX2 void bicubicPair(const BicubicRun &sampler, int ca, unsigned fxa, int ra, unsigned fya, int cb, unsigned fxb,
                         int rb, unsigned fyb, quint32 *out, quint32 orMask)
{
    const Source &s = sampler.s;
    if (Q_UNLIKELY(!fourInside(ca, s.w) || !fourInside(cb, s.w) || !fourInside(ra, s.h) || !fourInside(rb, s.h))) {
        out[0] = sampler.sample(ca, fxa, ra, fya) | orMask;
        out[1] = sampler.sample(cb, fxb, rb, fyb) | orMask;
        return;
    }
    bicubicPairInside(sampler, s.bits + qsizetype(ra) * s.stride + qsizetype(ca) * 4, fxa, fya,
                      s.bits + qsizetype(rb) * s.stride + qsizetype(cb) * 4, fxb, fyb, out, orMask);
}

__attribute__((target("avx2"))) int bicubicPairsAvx2(const BicubicRun &sampler, qint64 &ufRun, qint64 &vfRun,
                                                    qint64 du, qint64 dv, int n, quint32 *out, quint32 orMask)
{
    qint64 uf = ufRun, vf = vfRun;
    int i = 0;
    for (; i + 1 < n; i += 2, uf += 2 * du, vf += 2 * dv)
        bicubicPair(sampler, int(uf >> 16) - 1, unsigned(uf >> 8) & 255u, int(vf >> 16) - 1, unsigned(vf >> 8) & 255u,
                    int((uf + du) >> 16) - 1, unsigned((uf + du) >> 8) & 255u, int((vf + dv) >> 16) - 1,
                    unsigned((vf + dv) >> 8) & 255u, out + i, orMask);
    ufRun = uf;
    vfRun = vf;
    return i;
}

#endif

void BicubicRun::run(const ViewMapping::Run &r, quint32 *out, quint32 orMask) const
{
    qint64 uf = BilinearRun::toFixed(r.u), vf = BilinearRun::toFixed(r.v);
    const qint64 du = BilinearRun::toFixed(r.du), dv = BilinearRun::toFixed(r.dv);
    int i = 0;
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    if (processorHasAvx2())
        i = bicubicPairsAvx2(*this, uf, vf, du, dv, r.n, out, orMask);
#endif
    for (; i < r.n; ++i, uf += du, vf += dv)
        out[i] = sample(int(uf >> 16) - 1, unsigned(uf >> 8) & 255u, int(vf >> 16) - 1, unsigned(vf >> 8) & 255u) | orMask;
}
#endif

// Samples a row of coordinates into `out`.
template <template <bool> class Sampler, bool Wrap>
void sampleRow(const Source &s, const float *xs, const float *ys, int n, quint32 *out, quint32 orMask)
{
    for (int i = 0; i < n; ++i)
        out[i] = Sampler<Wrap>::sample(s, xs[i], ys[i]) | orMask;
}

template <bool Wrap>
void sampleRow(Interpolator ip, const Source &s, const float *xs, const float *ys, int n, quint32 *out,
               quint32 orMask = 0)
{
    switch (ip) {
    case Interpolator::Nearest: sampleRow<Nearest, Wrap>(s, xs, ys, n, out, orMask); break;
    case Interpolator::Bilinear: sampleRow<Bilinear, Wrap>(s, xs, ys, n, out, orMask); break;
    case Interpolator::Bicubic: sampleRow<Bicubic, Wrap>(s, xs, ys, n, out, orMask); break;
    }
}

// ---- threads ----

} // namespace

bool processorHasAvx2()
{
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
#else
    return false;
#endif
}

unsigned usableProcessors()
{
    unsigned n = std::max(1u, std::thread::hardware_concurrency());
#ifdef __linux__
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0)
        n = std::min(n, unsigned(std::max(1, CPU_COUNT(&set))));
#endif
    return n;
}

namespace {

// Calls work(first, end) for bands of `bandRows` rows out of 0..rows-1, spread over the processors
// this process may use (at most hardware_concurrency()); the bands are taken in turn, so that slow
// and fast parts of the image even out.
template <class Work>
void forEachBand(int rows, int bandRows, qint64 pixels, const Work &work)
{
    const int bands = (rows + bandRows - 1) / bandRows;
    const qint64 byWork = std::max<qint64>(1, pixels / 32768);
    const int threads = int(std::min<qint64>({qint64(usableProcessors()), byWork, qint64(bands)}));
    std::atomic<int> next{0};
    auto run = [&] {
        for (;;) {
            const int band = next.fetch_add(1);
            if (band >= bands)
                return;
            work(band * bandRows, std::min(rows, (band + 1) * bandRows));
        }
    };
    if (threads <= 1) {
        run();
        return;
    }
    std::vector<std::thread> pool;
    pool.reserve(size_t(threads - 1));
    for (int t = 1; t < threads; ++t)
        pool.emplace_back(run);
    run();
    for (std::thread &t : pool)
        t.join();
}

// ---- formats ----

bool isByteFormat32(QImage::Format f)
{
    switch (f) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
    case QImage::Format_RGBX8888:
    case QImage::Format_RGBA8888:
    case QImage::Format_RGBA8888_Premultiplied:
        return true;
    default:
        return false;
    }
}

// A 32-bit image with one byte a channel, converted when needed.
QImage byteFormat32(const QImage &image)
{
    if (isByteFormat32(image.format()))
        return image;
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
}

// The alpha bits to set on output: formats without alpha keep theirs opaque.
quint32 opaqueMask(QImage::Format f)
{
    return (f == QImage::Format_RGB32 || f == QImage::Format_RGBX8888) ? 0xFF000000u : 0u;
}

// The view of one face: 90 degrees square, looking along the face's axis (the top face with the
// front below it, the bottom face with the front above).
std::unique_ptr<ViewMapping> faceMapping(int face, int size, const Source &src)
{
    static const double turn[6][2] = {{0, 0}, {-90, 0}, {180, 0}, {90, 0}, {0, 90}, {0, -90}};
    return std::make_unique<ViewMapping>(size, size, src.w, src.h, turn[face][0], turn[face][1], 90, 1,
                                         kViewTolerance, kViewCell);
}

// Renders the rows of one band of `mapping` that lie in [firstRow, endRow), row y at
// bits + (y - firstRow) * stride. Source positions come
// from the grid-interpolated mapping, read in tiles of kViewTile columns (runs never cross a
// tile's edge): neighbouring output pixels, which read neighbouring source pixels, follow each
// other.
void renderBand(const Source &src, const ViewMapping &mapping, int band, int firstRow, int endRow, Interpolator ip,
                uchar *bits, qsizetype stride, quint32 orMask)
{
    ViewMapping::Band plan;
    plan.plan(mapping, band);
    const int first = std::max(plan.firstRow(), firstRow), rows = std::min(plan.endRow(), endRow) - first;
    if (rows <= 0)
        return;
    const int w = mapping.viewWidth();
    std::vector<std::vector<ViewMapping::Run>> runs(static_cast<size_t>(rows));
    for (int r = 0; r < rows; ++r)
        plan.runs(first + r, runs[size_t(r)]);
    auto rowBits = [&](int r) { return reinterpret_cast<quint32 *>(bits + (first + r - firstRow) * stride); };
    std::vector<size_t> next(static_cast<size_t>(rows), 0); // by row: the first run not drawn yet
    auto byRuns = [&](const auto &sampler) {
        for (int i0 = 0; i0 < w; i0 += kViewTile)
            for (int r = 0; r < rows; ++r) {
                const std::vector<ViewMapping::Run> &row = runs[size_t(r)];
                for (size_t &k = next[size_t(r)]; k < row.size() && row[k].x < i0 + kViewTile; ++k)
                    sampler.run(row[k], rowBits(r) + row[k].x, orMask);
            }
    };
    if (ip == Interpolator::Bilinear)
        return byRuns(BilinearRun{src});
#if defined(__SSE2__)
    if (ip == Interpolator::Bicubic)
        return byRuns(BicubicRun{src});
#endif
    float xs[kViewTile], ys[kViewTile];
    for (int i0 = 0; i0 < w; i0 += kViewTile) {
        const int n = std::min(w, i0 + kViewTile) - i0;
        for (int r = 0; r < rows; ++r) {
            const std::vector<ViewMapping::Run> &row = runs[size_t(r)];
            size_t &k = next[size_t(r)];
            for (; k < row.size() && row[k].x < i0 + kViewTile; ++k) {
                const ViewMapping::Run &run = row[k];
                for (int i = 0; i < run.n; ++i) {
                    xs[run.x - i0 + i] = float(run.u + i * run.du);
                    ys[run.x - i0 + i] = float(run.v + i * run.dv);
                }
            }
            sampleRow<true>(ip, src, xs, ys, n, rowBits(r) + i0, orMask);
        }
    }
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define SL_AVX2_FACES 1
// The side faces (front, right, back, left) with the bicubic sampler, in two passes. A column of
// a side face keeps one source column (its pan), so each column's four source columns are
// weighted once per source row (across), and then each pixel weights four such sums (down).
// The rows a pixel reads come from exact values every `knot` face rows (16 or fewer), interpolated
// between, off by at most a twentieth of a row.
struct SideFacePlan
{
    int size = 0;
    int knot = 16;
    std::vector<int> column;   // per face column: the first of its four source columns
    std::vector<quint8> fx;    // and its fraction in 1/256
    std::vector<float> knots;  // source rows at face rows 0, knot, 2 knot, ...: knots[m * size + i]
};

SideFacePlan planSideFace(const Source &src, int face, int size)
{
    SideFacePlan plan;
    plan.size = size;
    const FaceAxes &f = kFaces[face];
    const double step = 2.0 / size;
    // Between knots the row is off by at most (H / pi) 0.65 (knot step)^2 / 8, the row's
    // curvature at its largest (at tilt 30 degrees).
    while (plan.knot > 1 && 0.65 * src.h / kPi * (plan.knot * step) * (plan.knot * step) / 8 > 0.05)
        plan.knot /= 2;
    const int kKnot = plan.knot;
    const int knotRows = (size + kKnot - 1) / kKnot + 1;
    plan.column.resize(size_t(size));
    plan.fx.resize(size_t(size));
    plan.knots.resize(size_t(knotRows) * size_t(size) + 8); // read eight at a time
    for (int i = 0; i < size; ++i) {
        const double a = (i + 0.5) * step - 1;
        const double dx = f.forward.x + a * f.right.x, dz = f.forward.z + a * f.right.z;
        const double u = src.w * 0.5 - std::atan2(-dx, dz) * src.w / (2 * kPi) - 0.5;
        const double fl = std::floor(u);
        plan.column[size_t(i)] = int(fl) - 1;
        plan.fx[size_t(i)] = quint8(std::min(255, int((u - fl) * 256)));
        // The face's "down" is the world's -y. The float arctangent is good to 1e-5 radians.
        const float across = float(std::sqrt(dx * dx + dz * dz));
        for (int m = 0; m < knotRows; ++m) {
            const float b = float((m * kKnot + 0.5) * step - 1);
            plan.knots[size_t(m) * size + i] = float(src.h * 0.5 - 0.5) + detail::fastAtan2(b, across) * float(src.h / kPi);
        }
    }
    return plan;
}

SL_AVX2 __m256i broadcast128(const void *p)
{
    return _mm256_broadcastsi128_si256(_mm_load_si128(static_cast<const __m128i *>(p)));
}

// The across pass of two source rows (the halves of v): their four pixels weighted, scaled by 64,
// stored as two rows of four 16-bit channels.
SL_AVX2 void acrossRows(__m256i v, __m256i spreadLow, __m256i spreadHigh, __m256i wLow, __m256i wHigh, qint16 *out)
{
    __m256i sum = _mm256_add_epi32(_mm256_madd_epi16(_mm256_shuffle_epi8(v, spreadLow), wLow),
                                   _mm256_madd_epi16(_mm256_shuffle_epi8(v, spreadHigh), wHigh));
    sum = _mm256_srai_epi32(_mm256_add_epi32(sum, _mm256_set1_epi32(32)), 6);
    const __m256i packed = _mm256_permute4x64_epi64(_mm256_packs_epi32(sum, sum), 0x08);
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out), _mm256_castsi256_si128(packed));
}

// The down pass of one pixel: four rows of sums weighted, the low half holding rows 0 and 1,
// the high half rows 2 and 3 (four channels each, scaled by 2^18).
SL_AVX2 __m256i downRows(const qint16 *sums, const qint16 *weights, __m256i pairRows)
{
    const __m256i h = _mm256_shuffle_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(sums)), pairRows);
    return _mm256_madd_epi16(h, _mm256_loadu_si256(reinterpret_cast<const __m256i *>(weights)));
}

// Two pixels' down pass, finished: their channels as 32-bit integers, the first pixel in the low half.
SL_AVX2 __m256i downPair(const qint16 *sumsA, const qint16 *weightsA, const qint16 *sumsB, const qint16 *weightsB,
                         __m256i pairRows, __m256i round)
{
    const __m256i a = downRows(sumsA, weightsA, pairRows), b = downRows(sumsB, weightsB, pairRows);
    const __m256i sum = _mm256_add_epi32(_mm256_permute2x128_si256(a, b, 0x20), _mm256_permute2x128_si256(a, b, 0x31));
    return _mm256_srai_epi32(_mm256_add_epi32(sum, round), 18);
}

// Rows [first, end) of a side face into bits (row `first` first).
__attribute__((target("avx2"))) void drawSideFaceRows(const Source &s, const SideFacePlan &plan, int first, int end,
                                                     uchar *bits, qsizetype stride, quint32 orMask)
{
    const CubicTable &t = cubicTable();
    const int size = plan.size, kKnot = plan.knot;
    const __m256i spreadLow = _mm256_setr_epi8(0, -128, 4, -128, 1, -128, 5, -128, 2, -128, 6, -128, 3, -128, 7, -128,
                                               0, -128, 4, -128, 1, -128, 5, -128, 2, -128, 6, -128, 3, -128, 7, -128);
    const __m256i spreadHigh = _mm256_setr_epi8(8, -128, 12, -128, 9, -128, 13, -128, 10, -128, 14, -128, 11, -128,
                                                15, -128, 8, -128, 12, -128, 9, -128, 13, -128, 10, -128, 14, -128,
                                                11, -128, 15, -128);
    // Two rows' sums (four 16-bit channels each) side by side, as the down pass pairs them.
    const __m256i pairRows = _mm256_setr_epi8(0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15,
                                              0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15);
    thread_local std::vector<qint16> sums;
    thread_local std::vector<int> lowRow, offset, last, base;
    thread_local std::vector<float> step;
    // Padded for the down pass, which works out eight columns at a time.
    const size_t padded = (size_t(size) + 7) & ~size_t(7);
    lowRow.resize(size_t(size));
    offset.resize(padded);
    base.resize(padded);
    last.resize(padded);
    step.resize(padded);
    const __m256i round = _mm256_set1_epi32(1 << 17);
    for (int j0 = first; j0 < end;) {
        const int m = j0 / kKnot, j1 = std::min(end, (m + 1) * kKnot);
        const float *k0 = &plan.knots[size_t(m) * size], *k1 = k0 + size;
        // The source rows each column needs for rows [j0, j1): the rows only grow downwards.
        size_t total = 0;
        for (int i = 0; i < size; ++i) {
            const float dv = step[size_t(i)] = (k1[i] - k0[i]) / kKnot;
            const int lo = int(std::floor(k0[i] + float(j0 - m * kKnot) * dv)) - 1;
            const int hi = int(std::floor(k0[i] + float(j1 - 1 - m * kKnot) * dv)) + 2;
            const int count = (hi - lo + 2) & ~1; // an even count: rows are weighted in pairs
            lowRow[size_t(i)] = lo;
            offset[size_t(i)] = int(total);
            last[size_t(i)] = int(total) + count - 4; // the last four sums a pixel may weight
            base[size_t(i)] = int(total) - 1 - lo;    // plus the row at a pixel: its first sum
            total += size_t(count);
        }
        sums.resize(total * 4);
        // Across: the four source columns of each face column, for each of its rows (two at a time).
        for (int i = 0; i < size; ++i) {
            const __m256i wLow = broadcast128(t.across[plan.fx[size_t(i)]][0]);
            const __m256i wHigh = broadcast128(t.across[plan.fx[size_t(i)]][1]);
            const int c0 = plan.column[size_t(i)], lo = lowRow[size_t(i)];
            const int count = last[size_t(i)] + 4 - offset[size_t(i)];
            qint16 *out = &sums[size_t(offset[size_t(i)]) * 4];
            if (fourInside(c0, s.w) && lo >= 0 && lo + count <= s.h) {
                const uchar *p = s.bits + qsizetype(lo) * s.stride + qsizetype(c0) * 4;
                // Every eighth column, the column's rows two cache lines on are asked for ahead:
                // going across, the face takes a new line in every row at once.
                if ((i & 7) == 0)
                    for (int k = 0; k < count; ++k)
                        _mm_prefetch(reinterpret_cast<const char *>(p + k * s.stride + 128), _MM_HINT_T0);
                for (int k = 0; k < count; k += 2, p += 2 * s.stride)
                    acrossRows(loadPair(p, p + s.stride), spreadLow, spreadHigh, wLow, wHigh, out + k * 4);
                continue;
            }
            // Near the seam or a pole: columns wrap, rows stop.
            int cs[4];
            for (int k = 0; k < 4; ++k)
                cs[k] = column<true>(c0 + k, s.w);
            auto four = [&](int r) {
                const quint32 *row = reinterpret_cast<const quint32 *>(s.bits + qsizetype(clampRow(r, s.h)) * s.stride);
                return _mm_setr_epi32(int(row[cs[0]]), int(row[cs[1]]), int(row[cs[2]]), int(row[cs[3]]));
            };
            for (int k = 0; k < count; k += 2)
                acrossRows(_mm256_inserti128_si256(_mm256_castsi128_si256(four(lo + k)), four(lo + k + 1), 1), spreadLow, spreadHigh,
                           wLow, wHigh, out + k * 4);
        }
        // Down: each pixel weights four sums of its column, row by row so that the pixels are
        // written in order. The rows and fractions of eight columns are worked out at once, two
        // pixels weighted in one register. The index of the sums is kept within the column's own
        // (should the float arithmetic round otherwise than above).
        for (int j = j0; j < j1; ++j) {
            quint32 *out = reinterpret_cast<quint32 *>(bits + (j - first) * stride);
            const __m256 rows = _mm256_set1_ps(float(j - m * kKnot));
            for (int i0 = 0; i0 < size; i0 += 8) {
                const __m256 v = _mm256_add_ps(_mm256_loadu_ps(k0 + i0), _mm256_mul_ps(rows, _mm256_loadu_ps(&step[size_t(i0)])));
                const __m256 fl = _mm256_floor_ps(v);
                const __m256i fraction = _mm256_min_epi32(_mm256_cvttps_epi32(_mm256_mul_ps(_mm256_sub_ps(v, fl), _mm256_set1_ps(256.0f))),
                                                          _mm256_set1_epi32(255));
                __m256i index = _mm256_add_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(&base[size_t(i0)])),
                                                 _mm256_cvttps_epi32(fl));
                index = _mm256_max_epi32(index, _mm256_loadu_si256(reinterpret_cast<const __m256i *>(&offset[size_t(i0)])));
                index = _mm256_min_epi32(index, _mm256_loadu_si256(reinterpret_cast<const __m256i *>(&last[size_t(i0)])));
                alignas(32) int at[8], fy[8];
                _mm256_store_si256(reinterpret_cast<__m256i *>(at), index);
                _mm256_store_si256(reinterpret_cast<__m256i *>(fy), fraction);
                auto sumsAt = [&](int k) { return &sums[size_t(at[k]) * 4]; };
                auto weightsAt = [&](int k) { return t.across[fy[k]][0]; };
                if (i0 + 8 > size) {
                    for (int k = 0; k < size - i0; ++k) {
                        const __m256i both = downRows(sumsAt(k), weightsAt(k), pairRows);
                        __m128i sum = _mm_add_epi32(_mm256_castsi256_si128(both), _mm256_extracti128_si256(both, 1));
                        sum = _mm_srai_epi32(_mm_add_epi32(sum, _mm256_castsi256_si128(round)), 18);
                        const __m128i p16 = _mm_packs_epi32(sum, sum);
                        out[i0 + k] = quint32(_mm_cvtsi128_si32(_mm_packus_epi16(p16, p16))) | orMask;
                    }
                    break;
                }
                const __m256i p01 = downPair(sumsAt(0), weightsAt(0), sumsAt(1), weightsAt(1), pairRows, round);
                const __m256i p23 = downPair(sumsAt(2), weightsAt(2), sumsAt(3), weightsAt(3), pairRows, round);
                const __m256i p45 = downPair(sumsAt(4), weightsAt(4), sumsAt(5), weightsAt(5), pairRows, round);
                const __m256i p67 = downPair(sumsAt(6), weightsAt(6), sumsAt(7), weightsAt(7), pairRows, round);
                // Bytes of pixels 0 2 4 6 in the low half, 1 3 5 7 in the high half, then in order.
                const __m256i packed = _mm256_packus_epi16(_mm256_packs_epi32(p01, p23), _mm256_packs_epi32(p45, p67));
                const __m256i pixels = _mm256_permutevar8x32_epi32(packed, _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7));
                _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + i0), _mm256_or_si256(pixels, _mm256_set1_epi32(int(orMask))));
            }
        }
        j0 = j1;
    }
}

// The top and bottom faces with the bicubic sampler. Around a pole the grid of ViewMapping splits
// most of its cells and works many pixels out one by one; here every pixel's source position is
// worked out on its own (the float arctangent, good to 1e-5 radians), eight at a time, in tiles
// of kViewTile columns and kBandRows rows, so that neighbouring pixels, which read neighbouring
// source pixels, follow each other. A tile's positions come first and its source pixels are
// asked for ahead (one pixel in eight, its four rows): around a pole neighbouring pixels read
// source rows far apart, which the processor does not foresee. Then the pixels, two at a time.
struct PoleTile
{
    static_assert(kViewTile <= 32);
    // By row and pixel: the first of the four source columns and rows read, their fractions in
    // 1/256, and (by bit) whether all four of each lie inside.
    alignas(32) int col[kBandRows][kViewTile];
    alignas(32) int row[kBandRows][kViewTile];
    alignas(32) int fx[kBandRows][kViewTile];
    alignas(32) int fy[kBandRows][kViewTile];
    quint32 inside[kBandRows];
};

__attribute__((target("avx2"))) void drawPoleFaceRows(const Source &s, int face, int size, int first, int end,
                                                     uchar *bits, qsizetype stride, quint32 orMask)
{
    const FaceAxes &f = kFaces[face];
    const detail::EquirectMap map(s.w, s.h);
    const BicubicRun sampler{s};
    const float step = 2.0f / float(size);
    const __m256 lanes = _mm256_setr_ps(0.5f, 1.5f, 2.5f, 3.5f, 4.5f, 5.5f, 6.5f, 7.5f);
    const __m256i one = _mm256_set1_epi32(1), fraction = _mm256_set1_epi32(255);
    const __m256i lastColumn = _mm256_set1_epi32(s.w - 4), lastRow = _mm256_set1_epi32(s.h - 4);
    PoleTile tile;
    auto at = [&](int r, int k) { return s.bits + qsizetype(tile.row[r][k]) * s.stride + qsizetype(tile.col[r][k]) * 4; };
    for (int y0 = first; y0 < end; y0 += kBandRows) {
        const int rows = std::min(end, y0 + kBandRows) - y0;
        for (int i0 = 0; i0 < size; i0 += kViewTile) {
            const int n = std::min(kViewTile, size - i0);
            for (int r = 0; r < rows; ++r) {
                const float b = (float(y0 + r) + 0.5f) * step - 1.0f;
                tile.inside[r] = 0;
                for (int k = 0; k < n; k += 8) {
                    // a = (i + 0.5) step - 1 for the eight columns i from i0 + k.
                    const __m256 a = _mm256_sub_ps(_mm256_mul_ps(_mm256_add_ps(_mm256_set1_ps(float(i0 + k)), lanes),
                                                                 _mm256_set1_ps(step)), _mm256_set1_ps(1.0f));
                    __m256 u, v;
                    map.map8(_mm256_add_ps(_mm256_set1_ps(f.forward.x + b * f.down.x), _mm256_mul_ps(a, _mm256_set1_ps(f.right.x))),
                             _mm256_add_ps(_mm256_set1_ps(f.forward.y + b * f.down.y), _mm256_mul_ps(a, _mm256_set1_ps(f.right.y))),
                             _mm256_add_ps(_mm256_set1_ps(f.forward.z + b * f.down.z), _mm256_mul_ps(a, _mm256_set1_ps(f.right.z))),
                             u, v);
                    // Positions in 1/256 pixel.
                    const __m256i pu = _mm256_cvttps_epi32(_mm256_floor_ps(_mm256_mul_ps(u, _mm256_set1_ps(256.0f))));
                    const __m256i pv = _mm256_cvttps_epi32(_mm256_floor_ps(_mm256_mul_ps(v, _mm256_set1_ps(256.0f))));
                    const __m256i c = _mm256_sub_epi32(_mm256_srai_epi32(pu, 8), one);
                    const __m256i rr = _mm256_sub_epi32(_mm256_srai_epi32(pv, 8), one);
                    _mm256_store_si256(reinterpret_cast<__m256i *>(&tile.col[r][k]), c);
                    _mm256_store_si256(reinterpret_cast<__m256i *>(&tile.row[r][k]), rr);
                    _mm256_store_si256(reinterpret_cast<__m256i *>(&tile.fx[r][k]), _mm256_and_si256(pu, fraction));
                    _mm256_store_si256(reinterpret_cast<__m256i *>(&tile.fy[r][k]), _mm256_and_si256(pv, fraction));
                    const __m256i zero = _mm256_setzero_si256();
                    const __m256i outside =
                        _mm256_or_si256(_mm256_or_si256(_mm256_cmpgt_epi32(c, lastColumn), _mm256_cmpgt_epi32(zero, c)),
                                        _mm256_or_si256(_mm256_cmpgt_epi32(rr, lastRow), _mm256_cmpgt_epi32(zero, rr)));
                    tile.inside[r] |= quint32(~_mm256_movemask_ps(_mm256_castsi256_ps(outside)) & 0xFF) << k;
                }
                for (int k = 0; k < n; k += 8)
                    if ((tile.inside[r] >> k) & 1u)
                        for (int j = 0; j < 4; ++j)
                            _mm_prefetch(reinterpret_cast<const char *>(at(r, k) + j * s.stride), _MM_HINT_T0);
            }
            for (int r = 0; r < rows; ++r) {
                quint32 *out = reinterpret_cast<quint32 *>(bits + (y0 + r - first) * stride) + i0;
                int k = 0;
                for (; k + 1 < n; k += 2) {
                    if (Q_LIKELY(((tile.inside[r] >> k) & 3u) == 3u))
                        bicubicPairInside(sampler, at(r, k), unsigned(tile.fx[r][k]), unsigned(tile.fy[r][k]), at(r, k + 1),
                                          unsigned(tile.fx[r][k + 1]), unsigned(tile.fy[r][k + 1]), out + k, orMask);
                    else
                        for (const int e : {k, k + 1})
                            out[e] = sampler.sample(tile.col[r][e], unsigned(tile.fx[r][e]), tile.row[r][e],
                                                    unsigned(tile.fy[r][e])) | orMask;
                }
                if (k < n)
                    out[k] = sampler.sample(tile.col[r][k], unsigned(tile.fx[r][k]), tile.row[r][k], unsigned(tile.fy[r][k]))
                        | orMask;
            }
        }
    }
}
#endif

bool validEquirect(const QImage &equirect) { return !equirect.isNull() && equirect.width() >= 1 && equirect.height() >= 1; }

} // namespace

Interpolator interpolatorFromValue(int value)
{
    if (value == 0)
        return Interpolator::Nearest;
    if (value >= 2)
        return Interpolator::Bicubic;
    return Interpolator::Bilinear;
}

struct FaceRows::Private
{
    Private(const QImage &equirect, Interpolator ip, int size)
        : src(equirect), ip(ip), size(size), orMask(opaqueMask(equirect.format()))
    {
    }
    Source src;
    Interpolator ip;
    int size;
    quint32 orMask;
    std::unique_ptr<ViewMapping> mapping;
#ifdef SL_AVX2_FACES
    SideFacePlan side; // set for the separable passes
    int pole = -1;     // the top or bottom face, positions worked out pixel by pixel
#endif
};

FaceRows::FaceRows(const QImage &equirect, int face, int size, Interpolator ip)
{
    if (face < 0 || face > 5 || size < 1 || size > kMaxSize || !validEquirect(equirect) || !isByteFormat32(equirect.format()))
        return;
    d = std::make_unique<Private>(equirect, ip, size);
#ifdef SL_AVX2_FACES
    if (face < 4 && ip == Interpolator::Bicubic && processorHasAvx2()) {
        d->side = planSideFace(d->src, face, size);
        return;
    }
    if (face >= 4 && ip == Interpolator::Bicubic && processorHasAvx2()) {
        d->pole = face;
        return;
    }
#endif
    d->mapping = faceMapping(face, size, d->src);
}

FaceRows::~FaceRows() = default;

void FaceRows::draw(int first, int end, uchar *bits, qsizetype stride) const
{
    if (!d || !bits)
        return;
    first = std::max(0, first);
    end = std::min(d->size, end);
    if (first >= end)
        return;
#ifdef SL_AVX2_FACES
    if (d->pole >= 0)
        return drawPoleFaceRows(d->src, d->pole, d->size, first, end, bits, stride, d->orMask);
    if (!d->mapping)
        return drawSideFaceRows(d->src, d->side, first, end, bits, stride, d->orMask);
#endif
    for (int band = first / d->mapping->cell(); band * d->mapping->cell() < end; ++band)
        renderBand(d->src, *d->mapping, band, first, end, d->ip, bits, stride, d->orMask);
}

QImage equirectToFace(const QImage &equirect, int face, int size, Interpolator ip)
{
    if (!validEquirect(equirect) || face < 0 || face > 5 || size < 1 || size > kMaxSize)
        return {};
    const QImage source = byteFormat32(equirect);
    QImage out(size, size, source.format());
    if (out.isNull())
        return {};
    const FaceRows rows(source, face, size, ip);
    uchar *bits = out.bits();
    const qsizetype stride = out.bytesPerLine();
    forEachBand(size, kBandRows, qint64(size) * size, [&](int first, int end) {
        rows.draw(first, end, bits + first * stride, stride);
    });
    return out;
}

RowRange faceSourceRows(int face, int size, int srcHeight, int first, int end, Interpolator ip)
{
    if (face < 0 || face > 5 || size < 1 || srcHeight < 1)
        return {0, srcHeight - 1};
    // Along a row of a face the tilt is extreme at the row's ends or at its middle.
    const FaceAxes &f = kFaces[face];
    const double step = 2.0 / size;
    double highest = srcHeight, lowest = -1;
    for (int j = std::max(0, first); j < std::min(size, end); ++j) {
        const double b = (j + 0.5) * step - 1;
        for (const double a : {0.5 * step - 1, 0.0, 1 - 0.5 * step}) {
            const double dx = f.forward.x + a * f.right.x + b * f.down.x;
            const double dy = f.forward.y + a * f.right.y + b * f.down.y;
            const double dz = f.forward.z + a * f.right.z + b * f.down.z;
            const double tilt = std::atan2(dy, std::sqrt(dx * dx + dz * dz));
            const double row = srcHeight * (0.5 - tilt / kPi) - 0.5;
            highest = std::min(highest, row);
            lowest = std::max(lowest, row);
        }
    }
    // The samplers' reach above and below the position, and a row for the float arithmetic (two
    // above: a row read there after it was dropped would come out wrong, not merely late).
    const bool bicubic = ip == Interpolator::Bicubic;
    return {std::clamp(int(std::floor(highest)) - (bicubic ? 1 : 0) - 2, 0, srcHeight - 1),
            std::clamp(int(std::floor(lowest)) + (bicubic ? 2 : 1) + 1, 0, srcHeight - 1)};
}

void drawCube(const QImage &equirect, int size, const std::array<uchar *, 6> &bits, qsizetype stride, Interpolator ip)
{
    if (!validEquirect(equirect) || size < 1 || size > kMaxSize || !isByteFormat32(equirect.format()))
        return;
    std::unique_ptr<FaceRows> rows[6];
    for (int i = 0; i < 6; ++i)
        rows[i] = std::make_unique<FaceRows>(equirect, i, size, ip);
    // All six faces in one pass, so that every thread stays busy to the end.
    const int bandsPerFace = (size + kBandRows - 1) / kBandRows;
    forEachBand(6 * bandsPerFace, 1, 6 * qint64(size) * size, [&](int band, int) {
        const int face = band / bandsPerFace, first = (band % bandsPerFace) * kBandRows;
        rows[face]->draw(first, first + kBandRows, bits[size_t(face)] + first * stride, stride);
    });
}

CubeFaces equirectToCube(const QImage &equirect, int size, Interpolator ip)
{
    CubeFaces faces;
    if (!validEquirect(equirect) || size < 1 || size > kMaxSize)
        return faces;
    const QImage source = byteFormat32(equirect);
    std::array<uchar *, 6> bits;
    for (int i = 0; i < 6; ++i) {
        QImage &f = faces[size_t(i)];
        f = QImage(size, size, source.format());
        if (f.isNull())
            return CubeFaces{};
        bits[size_t(i)] = f.bits();
    }
    drawCube(source, size, bits, faces[0].bytesPerLine(), ip);
    return faces;
}

QImage cubeToEquirect(const CubeFaces &faces, int width, Interpolator ip)
{
    const int height = width / 2;
    if (width < 2 || width > kMaxSize)
        return {};
    const int size = faces[0].width();
    for (const QImage &f : faces)
        if (f.isNull() || f.width() != size || f.height() != size)
            return {};
    // All faces in the first face's layout.
    const QImage first = byteFormat32(faces[0]);
    std::array<QImage, 6> converted;
    for (int i = 0; i < 6; ++i)
        converted[size_t(i)] = i == 0 ? first : faces[size_t(i)].convertToFormat(first.format());
    std::vector<Source> src;
    for (const QImage &f : converted)
        src.emplace_back(f);

    QImage out(width, height, first.format());
    if (out.isNull())
        return {};
    const quint32 orMask = opaqueMask(out.format());

    // Directions by column and by row.
    std::vector<float> sinLon(static_cast<size_t>(width)), cosLon(static_cast<size_t>(width));
    for (int x = 0; x < width; ++x) {
        const double lon = (0.5 - (x + 0.5) / width) * 2.0 * kPi;
        sinLon[size_t(x)] = float(std::sin(lon));
        cosLon[size_t(x)] = float(std::cos(lon));
    }
    const float half = 0.5f * float(size);
    uchar *bits = out.bits();
    const qsizetype stride = out.bytesPerLine();
    forEachBand(height, kBandRows, qint64(width) * height, [&](int first, int end) {
      for (int y = first; y < end; ++y) {
        const double lat = (0.5 - (y + 0.5) / height) * kPi;
        const float sinLat = float(std::sin(lat)), cosLat = float(std::cos(lat));
        auto *row = reinterpret_cast<quint32 *>(bits + y * stride);
        for (int x = 0; x < width; ++x) {
            const Vec3 d{-sinLon[size_t(x)] * cosLat, sinLat, cosLon[size_t(x)] * cosLat};
            const float ax = std::fabs(d.x), ay = std::fabs(d.y), az = std::fabs(d.z);
            int face;
            if (az >= ax && az >= ay)
                face = d.z > 0 ? 0 : 2;
            else if (ax >= ay)
                face = d.x > 0 ? 1 : 3;
            else
                face = d.y > 0 ? 4 : 5;
            const FaceAxes &f = kFaces[face];
            const float inv = 1.0f / dot(d, f.forward);
            const float a = dot(d, f.right) * inv, b = dot(d, f.down) * inv;
            const float fx = (a + 1.0f) * half - 0.5f, fy = (b + 1.0f) * half - 0.5f;
            const Source &s = src[size_t(face)];
            quint32 p = 0;
            switch (ip) {
            case Interpolator::Nearest: p = Nearest<false>::sample(s, fx, fy); break;
            case Interpolator::Bilinear: p = Bilinear<false>::sample(s, fx, fy); break;
            case Interpolator::Bicubic: p = Bicubic<false>::sample(s, fx, fy); break;
            }
            row[x] = p | orMask;
        }
      }
    });
    return out;
}

void renderView(const QImage &equirect, QImage &target, double pan, double tilt, double vfov, Interpolator ip)
{
    if (target.isNull())
        return;
    if (!validEquirect(equirect)) {
        target.fill(QColor(Qt::black));
        return;
    }
    // Draw in a layout that both share, without converting the (large) panorama when avoidable.
    auto xrgb = [](QImage::Format f) {
        return f == QImage::Format_RGB32 || f == QImage::Format_ARGB32 || f == QImage::Format_ARGB32_Premultiplied;
    };
    const QImage::Format targetFormat = target.format();
    // 0xAARRGGBB pixels may be copied across when the source is opaque or the target keeps no alpha.
    const bool sameLayout = isByteFormat32(targetFormat)
        && (equirect.format() == targetFormat
            || (xrgb(targetFormat) && xrgb(equirect.format())
                && (equirect.format() == QImage::Format_RGB32 || targetFormat == QImage::Format_RGB32)));
    const QImage source = sameLayout ? equirect : equirect.convertToFormat(QImage::Format_ARGB32);
    QImage scratch;
    if (!sameLayout)
        scratch = QImage(target.size(), QImage::Format_ARGB32);
    QImage &canvas = sameLayout ? target : scratch;
    if (source.isNull() || canvas.isNull())
        return;

    if (!std::isfinite(pan))
        pan = 0;
    if (!std::isfinite(tilt))
        tilt = 0;
    if (!std::isfinite(vfov))
        vfov = 90;
    vfov = std::clamp(vfov, 0.01, 179.0);
    pan = std::fmod(pan, 360.0);

    const int w = canvas.width(), h = canvas.height();
    const Source src(source);
    const ViewMapping mapping(w, h, src.w, src.h, pan, tilt, vfov, 1, kViewTolerance, kViewCell);
    const quint32 orMask = opaqueMask(canvas.format());
    uchar *bits = canvas.bits();
    const qsizetype stride = canvas.bytesPerLine();
    forEachBand(mapping.bandCount(), 1, qint64(w) * h, [&](int band, int) {
        renderBand(src, mapping, band, 0, h, ip, bits, stride, orMask);
    });
    if (!sameLayout)
        target = scratch.convertToFormat(targetFormat);
}

} // namespace sl::projection
