// The vector copies evaluate the law at every point the way point_conductivity does: each term
// in double, each partial sum rounded to Single and widened again (the conversions are written
// as instructions: with the compiler's generic vectors it may drop a narrowing followed by a
// widening, and with it the rounding). A term whose coefficient is zero at some of the points
// of a block is computed there too, where point_conductivity skips it: at a finite temperature
// it adds zero and the sum keeps its value; at an infinite one the first-degree term has already
// made the sum not finite. Either way a point gets the same Single, since a sum of zero or one
// that is not finite ends at kMinConductivity. The face means compute both means in every lane
// and keep the one each face asks for.
#include "solver/cond_kernels.h"

#include "materials/conductivitylaw.h"
#include "solver/allgrid_kernels.h"
#include "solver/clsmgheat.h"

#include <limits>

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define TARSEN_COND_SIMD 1
// GCC 12's conversion intrinsics pass an undefined vector as the unused merge source, which its
// flow analysis reports once they are inlined here. Each vector loop clears the upper halves of
// the vector registers before the scalar tail, whose code is the baseline's: GCC left them set
// on the way into it, and the code that ran after a cycle's conductivities (the resistivity's
// pow among it) then took twice as long.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>
#else
#define TARSEN_COND_SIMD 0
#endif

namespace tarsen {

static_assert(sizeof(CondCoefficients) == kCondCoefficients * sizeof(float),
              "the coefficients of successive points must lie one after another");

namespace {

constexpr std::size_t kStride = kCondCoefficients;

void points_scalar(const float* a, const float* t, float* c, std::size_t k0, std::size_t n,
                   float tlow, bool fixed)
{
    for (std::size_t k = k0; k < n; ++k) {
        const float T = fixed ? tlow : (t[k] > tlow ? t[k] : tlow);
        c[k] = point_conductivity(a + kStride * k, T);
    }
}

void faces_scalar(const float* a, const float* c, float* cr, float* cz, std::size_t k0,
                  std::size_t k1, std::size_t s, bool FluxMatch)
{
    for (std::size_t k = k0; k < k1; ++k) {
        const float c0 = a[kStride * k];
        cr[k] = face_conductivity(c[k - s], c[k], FluxMatch && a[kStride * (k - s)] != c0);
        cz[k] = face_conductivity(c[k - 1], c[k], FluxMatch && a[kStride * (k - 1)] != c0);
    }
}

#if TARSEN_COND_SIMD

#define TARSEN_AVX512 __attribute__((target("arch=x86-64-v4")))
#define TARSEN_AVX2 __attribute__((target("arch=x86-64-v3")))

/// The coefficients of 8 points one after another, in four registers, from which each
/// coefficient's 8 values are picked by lane permutations (cheaper than 8 loads into lanes).
struct Coefficients8 {
    __m512 v0, v1, v2, v3; //!< values 0 ... 15, 16 ... 31, 32 ... 47, 48 ... 55 (then zeros)
};

TARSEN_AVX512 inline Coefficients8 load_coefficients8(const float* q)
{
    static_assert(8 * kStride == 56, "the four registers hold 56 values");
    return {_mm512_loadu_ps(q), _mm512_loadu_ps(q + 16), _mm512_loadu_ps(q + 32),
            _mm512_maskz_loadu_ps(0x00ff, q + 48)};
}

/// Coefficient j of the 8 points.
TARSEN_AVX512 inline __m256 coefficient8(const Coefficients8& q, int j)
{
    const __m512i at =
        _mm512_add_epi32(_mm512_setr_epi32(0, 7, 14, 21, 28, 35, 42, 49, 0, 0, 0, 0, 0, 0, 0, 0),
                         _mm512_set1_epi32(j));
    const __m512i thirtyTwo = _mm512_set1_epi32(32);
    const __m512 first = _mm512_permutex2var_ps(q.v0, at, q.v1);
    const __m512 second = _mm512_permutex2var_ps(q.v2, _mm512_sub_epi32(at, thirtyTwo), q.v3);
    const __mmask16 fromSecond = _mm512_cmpge_epi32_mask(at, thirtyTwo);
    return _mm512_castps512_ps256(_mm512_mask_blend_ps(fromSecond, first, second));
}

TARSEN_AVX512 inline __m512d single8(__m512d x) { return _mm512_cvtps_pd(_mm512_cvtpd_ps(x)); }

/// v + the term c x, rounded to Single, unless c is zero in all 8 points (the law skips a zero
/// term; computed, it would add zero).
TARSEN_AVX512 inline __m512d add_term8(__m512d v, __m256 c, __m512d x, bool divide)
{
    if (_mm256_cmp_ps_mask(c, _mm256_setzero_ps(), _CMP_NEQ_UQ) == 0)
        return v;
    const __m512d cd = _mm512_cvtps_pd(c);
    return single8(_mm512_add_pd(v, divide ? _mm512_div_pd(cd, x) : _mm512_mul_pd(cd, x)));
}

TARSEN_AVX512 void points_avx512(const float* a, const float* t, float* c, std::size_t n,
                                 float tlow, bool fixed)
{
    const __m256 low = _mm256_set1_ps(tlow);
    const __m512d one = _mm512_set1_pd(1.0);
    const __m512d milli = _mm512_set1_pd(0.001);
    const __m256 least = _mm256_set1_ps(kMinConductivity);
    const __m256 most = _mm256_set1_ps(std::numeric_limits<float>::max());
    std::size_t k = 0;
    for (; k + 8 <= n; k += 8) {
        const Coefficients8 q = load_coefficients8(a + kStride * k);
        __m256 T = low;
        if (!fixed) {
            const __m256 tk = _mm256_loadu_ps(t + k);
            T = _mm256_blendv_ps(low, tk, _mm256_cmp_ps(tk, low, _CMP_GT_OQ));
        }
        const __m512d td = _mm512_cvtps_pd(T);
        const __m512d t2 = _mm512_mul_pd(td, td);
        const __m512d t3 = _mm512_mul_pd(t2, td);
        const __m512d t4 = _mm512_mul_pd(t3, td);
        __m512d v = single8(_mm512_add_pd(_mm512_cvtps_pd(coefficient8(q, 0)),
                                          _mm512_mul_pd(_mm512_cvtps_pd(coefficient8(q, 1)), td)));
        v = add_term8(v, coefficient8(q, 2), t2, false);
        v = add_term8(v, coefficient8(q, 3), t3, false);
        v = add_term8(v, coefficient8(q, 4), t4, false);
        const __m256 c5 = coefficient8(q, 5);
        const __m256 c6 = coefficient8(q, 6);
        if (_mm256_cmp_ps_mask(_mm256_or_ps(c5, c6), _mm256_setzero_ps(), _CMP_NEQ_UQ) != 0) {
            const __m512d tpos =
                _mm512_mask_blend_pd(_mm512_cmp_pd_mask(td, one, _CMP_GT_OQ), one, td);
            v = add_term8(v, c5, _mm512_sqrt_pd(tpos), true);
            v = add_term8(v, c6, tpos, true);
        }
        const __m256 r = _mm512_cvtpd_ps(_mm512_mul_pd(milli, v));
        const __m256 ok =
            _mm256_and_ps(_mm256_cmp_ps(r, least, _CMP_GE_OQ), _mm256_cmp_ps(r, most, _CMP_LE_OQ));
        _mm256_storeu_ps(c + k, _mm256_blendv_ps(least, r, ok));
    }
    _mm256_zeroupper();
    points_scalar(a, t, c, k, n, tlow, fixed);
}

/// C0 of the 8 points from k.
TARSEN_AVX512 inline __m256 first_coefficients8(const float* a, std::size_t k)
{
    return coefficient8(load_coefficients8(a + kStride * k), 0);
}

/// face_conductivity of 8 pairs, harmonic in the lanes of the mask.
TARSEN_AVX512 inline __m256 means8(__m256 c1, __m256 c2, __mmask8 harmonic)
{
    const __m512d d1 = _mm512_cvtps_pd(c1);
    const __m512d d2 = _mm512_cvtps_pd(c2);
    const __m512d sum = _mm512_add_pd(d1, d2);
    const __m512d h = _mm512_div_pd(_mm512_mul_pd(_mm512_mul_pd(_mm512_set1_pd(2.0), d1), d2), sum);
    const __m512d m = _mm512_mul_pd(_mm512_set1_pd(0.5), sum);
    return _mm512_cvtpd_ps(_mm512_mask_blend_pd(harmonic, m, h));
}

TARSEN_AVX512 void faces_avx512(const float* a, const float* c, float* cr, float* cz,
                                std::size_t k0, std::size_t k1, std::size_t s, bool FluxMatch)
{
    std::size_t k = k0;
    for (; k + 8 <= k1; k += 8) {
        const __m256 here = _mm256_loadu_ps(c + k);
        __mmask8 acrossR = 0;
        __mmask8 acrossZ = 0;
        if (FluxMatch) {
            const __m256 c0 = first_coefficients8(a, k);
            acrossR = _mm256_cmp_ps_mask(first_coefficients8(a, k - s), c0, _CMP_NEQ_UQ);
            acrossZ = _mm256_cmp_ps_mask(first_coefficients8(a, k - 1), c0, _CMP_NEQ_UQ);
        }
        _mm256_storeu_ps(cr + k, means8(_mm256_loadu_ps(c + k - s), here, acrossR));
        _mm256_storeu_ps(cz + k, means8(_mm256_loadu_ps(c + k - 1), here, acrossZ));
    }
    _mm256_zeroupper();
    faces_scalar(a, c, cr, cz, k, k1, s, FluxMatch);
}

/// Coefficient j of the 4 points from q.
TARSEN_AVX2 inline __m256d coefficients4(const float* q, int j)
{
    return _mm256_cvtps_pd(
        _mm_setr_ps(q[j], q[kStride + j], q[2 * kStride + j], q[3 * kStride + j]));
}

TARSEN_AVX2 inline __m256d single4(__m256d x) { return _mm256_cvtps_pd(_mm256_cvtpd_ps(x)); }

TARSEN_AVX2 void points_avx2(const float* a, const float* t, float* c, std::size_t n, float tlow,
                             bool fixed)
{
    const __m128 low = _mm_set1_ps(tlow);
    const __m256d one = _mm256_set1_pd(1.0);
    const __m256d milli = _mm256_set1_pd(0.001);
    const __m128 least = _mm_set1_ps(kMinConductivity);
    const __m128 most = _mm_set1_ps(std::numeric_limits<float>::max());
    std::size_t k = 0;
    for (; k + 4 <= n; k += 4) {
        const float* q = a + kStride * k;
        __m128 T = low;
        if (!fixed) {
            const __m128 tk = _mm_loadu_ps(t + k);
            T = _mm_blendv_ps(low, tk, _mm_cmp_ps(tk, low, _CMP_GT_OQ));
        }
        const __m256d td = _mm256_cvtps_pd(T);
        const __m256d t2 = _mm256_mul_pd(td, td);
        const __m256d t3 = _mm256_mul_pd(t2, td);
        const __m256d t4 = _mm256_mul_pd(t3, td);
        const __m256d tpos = _mm256_blendv_pd(one, td, _mm256_cmp_pd(td, one, _CMP_GT_OQ));
        __m256d v =
            single4(_mm256_add_pd(coefficients4(q, 0), _mm256_mul_pd(coefficients4(q, 1), td)));
        v = single4(_mm256_add_pd(v, _mm256_mul_pd(coefficients4(q, 2), t2)));
        v = single4(_mm256_add_pd(v, _mm256_mul_pd(coefficients4(q, 3), t3)));
        v = single4(_mm256_add_pd(v, _mm256_mul_pd(coefficients4(q, 4), t4)));
        v = single4(_mm256_add_pd(v, _mm256_div_pd(coefficients4(q, 5), _mm256_sqrt_pd(tpos))));
        v = single4(_mm256_add_pd(v, _mm256_div_pd(coefficients4(q, 6), tpos)));
        const __m128 r = _mm256_cvtpd_ps(_mm256_mul_pd(milli, v));
        const __m128 ok =
            _mm_and_ps(_mm_cmp_ps(r, least, _CMP_GE_OQ), _mm_cmp_ps(r, most, _CMP_LE_OQ));
        _mm_storeu_ps(c + k, _mm_blendv_ps(least, r, ok));
    }
    _mm256_zeroupper();
    points_scalar(a, t, c, k, n, tlow, fixed);
}

/// C0 of the 4 points from k.
TARSEN_AVX2 inline __m128 first_coefficients4(const float* a, std::size_t k)
{
    const float* q = a + kStride * k;
    return _mm_setr_ps(q[0], q[kStride], q[2 * kStride], q[3 * kStride]);
}

/// face_conductivity of 4 pairs, harmonic in the lanes of the mask.
TARSEN_AVX2 inline __m128 means4(__m128 c1, __m128 c2, __m128 harmonic)
{
    const __m256d d1 = _mm256_cvtps_pd(c1);
    const __m256d d2 = _mm256_cvtps_pd(c2);
    const __m256d sum = _mm256_add_pd(d1, d2);
    const __m256d h = _mm256_div_pd(_mm256_mul_pd(_mm256_mul_pd(_mm256_set1_pd(2.0), d1), d2), sum);
    const __m256d m = _mm256_mul_pd(_mm256_set1_pd(0.5), sum);
    return _mm_blendv_ps(_mm256_cvtpd_ps(m), _mm256_cvtpd_ps(h), harmonic);
}

TARSEN_AVX2 void faces_avx2(const float* a, const float* c, float* cr, float* cz, std::size_t k0,
                            std::size_t k1, std::size_t s, bool FluxMatch)
{
    std::size_t k = k0;
    for (; k + 4 <= k1; k += 4) {
        const __m128 here = _mm_loadu_ps(c + k);
        __m128 acrossR = _mm_setzero_ps();
        __m128 acrossZ = _mm_setzero_ps();
        if (FluxMatch) {
            const __m128 c0 = first_coefficients4(a, k);
            acrossR = _mm_cmp_ps(first_coefficients4(a, k - s), c0, _CMP_NEQ_UQ);
            acrossZ = _mm_cmp_ps(first_coefficients4(a, k - 1), c0, _CMP_NEQ_UQ);
        }
        _mm_storeu_ps(cr + k, means4(_mm_loadu_ps(c + k - s), here, acrossR));
        _mm_storeu_ps(cz + k, means4(_mm_loadu_ps(c + k - 1), here, acrossZ));
    }
    _mm256_zeroupper();
    faces_scalar(a, c, cr, cz, k, k1, s, FluxMatch);
}

#endif

} // namespace

void point_conductivities(const float* a, const float* t, float* c, std::size_t n, float tlow,
                          bool fixed)
{
#if TARSEN_COND_SIMD
    switch (allgrid::ActiveKernelIsa()) {
    case allgrid::KernelIsa::kAvx512:
        points_avx512(a, t, c, n, tlow, fixed);
        return;
    case allgrid::KernelIsa::kAvx2:
        points_avx2(a, t, c, n, tlow, fixed);
        return;
    case allgrid::KernelIsa::kGeneric:
        break;
    }
#endif
    points_scalar(a, t, c, 0, n, tlow, fixed);
}

void face_conductivities(const float* a, const float* c, float* cr, float* cz, std::size_t k0,
                         std::size_t k1, std::size_t s, bool FluxMatch)
{
#if TARSEN_COND_SIMD
    switch (allgrid::ActiveKernelIsa()) {
    case allgrid::KernelIsa::kAvx512:
        faces_avx512(a, c, cr, cz, k0, k1, s, FluxMatch);
        return;
    case allgrid::KernelIsa::kAvx2:
        faces_avx2(a, c, cr, cz, k0, k1, s, FluxMatch);
        return;
    case allgrid::KernelIsa::kGeneric:
        break;
    }
#endif
    faces_scalar(a, c, cr, cz, k0, k1, s, FluxMatch);
}

} // namespace tarsen
