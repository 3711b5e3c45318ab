#pragma once
// Directions to positions in an equirectangular image, in float with a polynomial arctangent good
// to 1e-5 radians (a hundredth of a pixel at 8000 pixels across); four at a time with SSE2, eight
// with AVX2 for callers that have checked for it.
// Shared by the reprojections in this folder; not for use elsewhere.
#include <algorithm>
#include <cmath>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define SL_EQUIRECT_AVX2 1
#endif

namespace sl::projection::detail {

constexpr float kPiF = 3.14159265358979323846f;
// atan(t) for 0 <= t <= 1 as t (c1 + s (c3 + s (c5 + s (c7 + s c9)))), s = t^2: error below 1e-5 radians.
constexpr float kAtan1 = 0.9998660f, kAtan3 = -0.3302995f, kAtan5 = 0.1801410f, kAtan7 = -0.0851330f,
                kAtan9 = 0.0208351f;

inline float atanUnit(float t)
{
    const float s = t * t;
    return t * (kAtan1 + s * (kAtan3 + s * (kAtan5 + s * (kAtan7 + s * kAtan9))));
}

inline float fastAtan2(float y, float x)
{
    const float ax = std::fabs(x), ay = std::fabs(y);
    const float hi = std::max(ax, ay);
    if (hi == 0.0f)
        return 0.0f;
    const float lo = std::min(ax, ay);
    float r = atanUnit(lo / hi);
    if (ay > ax)
        r = 0.5f * kPiF - r;
    if (x < 0.0f)
        r = kPiF - r;
    return y < 0.0f ? -r : r;
}

// Where a direction lands in an equirectangular image of w x h pixels (pixel centres at integers).
struct EquirectMap
{
    float xScale, xOffset, yScale, yOffset;
    EquirectMap(int w, int h)
        : xScale(-float(w) / (2.0f * kPiF)), xOffset(0.5f * float(w) - 0.5f),
          yScale(-float(h) / kPiF), yOffset(0.5f * float(h) - 0.5f)
    {
    }
    inline void map(float dx, float dy, float dz, float &sx, float &sy) const
    {
        const float lon = fastAtan2(-dx, dz);
        const float lat = fastAtan2(dy, std::sqrt(dx * dx + dz * dz));
        sx = lon * xScale + xOffset;
        sy = lat * yScale + yOffset;
    }

    // map() for n directions; the arrays hold n rounded up to a multiple of 4.
    void mapBlock(int n, const float *dx, const float *dy, const float *dz, float *sx, float *sy) const
    {
#if defined(__SSE2__)
        const __m128 absMask = _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF));
        const __m128 signMask = _mm_castsi128_ps(_mm_set1_epi32(int(0x80000000u)));
        const __m128 tiny = _mm_set1_ps(1e-30f);
        const __m128 halfPi = _mm_set1_ps(0.5f * kPiF), pi = _mm_set1_ps(kPiF), zero = _mm_setzero_ps();
        const __m128 c1 = _mm_set1_ps(kAtan1), c3 = _mm_set1_ps(kAtan3), c5 = _mm_set1_ps(kAtan5),
                     c7 = _mm_set1_ps(kAtan7), c9 = _mm_set1_ps(kAtan9);
        auto atan2v = [&](__m128 y, __m128 x) {
            const __m128 ax = _mm_and_ps(x, absMask), ay = _mm_and_ps(y, absMask);
            const __m128 hi = _mm_max_ps(_mm_max_ps(ax, ay), tiny), lo = _mm_min_ps(ax, ay);
            const __m128 t = _mm_div_ps(lo, hi);
            const __m128 s = _mm_mul_ps(t, t);
            __m128 r = _mm_add_ps(c7, _mm_mul_ps(s, c9));
            r = _mm_add_ps(c5, _mm_mul_ps(s, r));
            r = _mm_add_ps(c3, _mm_mul_ps(s, r));
            r = _mm_add_ps(c1, _mm_mul_ps(s, r));
            r = _mm_mul_ps(t, r);
            const __m128 steep = _mm_cmpgt_ps(ay, ax);
            r = _mm_or_ps(_mm_and_ps(steep, _mm_sub_ps(halfPi, r)), _mm_andnot_ps(steep, r));
            const __m128 back = _mm_cmplt_ps(x, zero);
            r = _mm_or_ps(_mm_and_ps(back, _mm_sub_ps(pi, r)), _mm_andnot_ps(back, r));
            return _mm_or_ps(r, _mm_and_ps(y, signMask));
        };
        const __m128 xs = _mm_set1_ps(xScale), xo = _mm_set1_ps(xOffset), ys = _mm_set1_ps(yScale),
                     yo = _mm_set1_ps(yOffset);
        for (int i = 0; i < n; i += 4) {
            const __m128 x = _mm_loadu_ps(dx + i), y = _mm_loadu_ps(dy + i), z = _mm_loadu_ps(dz + i);
            const __m128 lon = atan2v(_mm_xor_ps(x, signMask), z);
            const __m128 lat = atan2v(y, _mm_sqrt_ps(_mm_add_ps(_mm_mul_ps(x, x), _mm_mul_ps(z, z))));
            _mm_storeu_ps(sx + i, _mm_add_ps(_mm_mul_ps(lon, xs), xo));
            _mm_storeu_ps(sy + i, _mm_add_ps(_mm_mul_ps(lat, ys), yo));
        }
#else
        for (int i = 0; i < n; ++i)
            map(dx[i], dy[i], dz[i], sx[i], sy[i]);
#endif
    }

#ifdef SL_EQUIRECT_AVX2
    // map() for eight directions, with mapBlock()'s arithmetic.
    __attribute__((target("avx2"))) inline void map8(__m256 x, __m256 y, __m256 z, __m256 &sx, __m256 &sy) const
    {
        const __m256 signMask = _mm256_castsi256_ps(_mm256_set1_epi32(int(0x80000000u)));
        sx = _mm256_add_ps(_mm256_mul_ps(atan2v(_mm256_xor_ps(x, signMask), z), _mm256_set1_ps(xScale)),
                           _mm256_set1_ps(xOffset));
        const __m256 across = _mm256_sqrt_ps(_mm256_add_ps(_mm256_mul_ps(x, x), _mm256_mul_ps(z, z)));
        sy = _mm256_add_ps(_mm256_mul_ps(atan2v(y, across), _mm256_set1_ps(yScale)), _mm256_set1_ps(yOffset));
    }

private:
    __attribute__((target("avx2"))) static inline __m256 atan2v(__m256 y, __m256 x)
    {
        const __m256 absMask = _mm256_castsi256_ps(_mm256_set1_epi32(0x7FFFFFFF));
        const __m256 signMask = _mm256_castsi256_ps(_mm256_set1_epi32(int(0x80000000u)));
        const __m256 ax = _mm256_and_ps(x, absMask), ay = _mm256_and_ps(y, absMask);
        const __m256 hi = _mm256_max_ps(_mm256_max_ps(ax, ay), _mm256_set1_ps(1e-30f)), lo = _mm256_min_ps(ax, ay);
        const __m256 t = _mm256_div_ps(lo, hi);
        const __m256 s = _mm256_mul_ps(t, t);
        __m256 r = _mm256_add_ps(_mm256_set1_ps(kAtan7), _mm256_mul_ps(s, _mm256_set1_ps(kAtan9)));
        r = _mm256_add_ps(_mm256_set1_ps(kAtan5), _mm256_mul_ps(s, r));
        r = _mm256_add_ps(_mm256_set1_ps(kAtan3), _mm256_mul_ps(s, r));
        r = _mm256_add_ps(_mm256_set1_ps(kAtan1), _mm256_mul_ps(s, r));
        r = _mm256_mul_ps(t, r);
        r = _mm256_blendv_ps(r, _mm256_sub_ps(_mm256_set1_ps(0.5f * kPiF), r), _mm256_cmp_ps(ay, ax, _CMP_GT_OQ));
        r = _mm256_blendv_ps(r, _mm256_sub_ps(_mm256_set1_ps(kPiF), r), _mm256_cmp_ps(x, _mm256_setzero_ps(), _CMP_LT_OQ));
        return _mm256_or_ps(r, _mm256_and_ps(y, signMask));
    }
#endif
};

} // namespace sl::projection::detail
