// SSE2 unit paths: four singles at a time, each widened to double for the
// kernel's arithmetic and rounded back once at the store.
#include <emmintrin.h>

#include "kernel_rules.h"
#include "lane_helpers.h"
#include "x86_kernels.h"

#define VELMARK_SSE2 __attribute__((target("sse2")))

namespace {

VELMARK_SSE2 inline __m128 axpy4(__m128d alpha, __m128 x, __m128 y)
{
    __m128d y_low = _mm_cvtps_pd(y), y_high = _mm_cvtps_pd(_mm_movehl_ps(y, y));
    axpy_rule(y_low, alpha, _mm_cvtps_pd(x));
    axpy_rule(y_high, alpha, _mm_cvtps_pd(_mm_movehl_ps(x, x)));
    return _mm_movelh_ps(_mm_cvtpd_ps(y_low), _mm_cvtpd_ps(y_high));
}

VELMARK_SSE2 inline __m128 scal4(__m128d alpha, __m128 x)
{
    __m128d low = _mm_cvtps_pd(x), high = _mm_cvtps_pd(_mm_movehl_ps(x, x));
    scal_rule(low, alpha);
    scal_rule(high, alpha);
    return _mm_movelh_ps(_mm_cvtpd_ps(low), _mm_cvtpd_ps(high));
}

VELMARK_SSE2 void axpy_sse2(vm_int32 n, double alpha, const float *x, float *y)
{
    const __m128d a = _mm_set1_pd(alpha);
    vm_int32 i = 0;
    for (; i + 8 <= n; i += 8) {
        __m128 first = axpy4(a, _mm_loadu_ps(x + i), _mm_loadu_ps(y + i));
        __m128 second = axpy4(a, _mm_loadu_ps(x + i + 4), _mm_loadu_ps(y + i + 4));
        _mm_storeu_ps(y + i, first);
        _mm_storeu_ps(y + i + 4, second);
    }
    if (i + 4 <= n) {
        _mm_storeu_ps(y + i, axpy4(a, _mm_loadu_ps(x + i), _mm_loadu_ps(y + i)));
        i += 4;
    }
    for (; i < n; ++i) y[i] = axpy_element(alpha, x[i], y[i]);
}

VELMARK_SSE2 void scal_sse2(vm_int32 n, double alpha, float *x)
{
    const __m128d a = _mm_set1_pd(alpha);
    vm_int32 i = 0;
    for (; i + 4 <= n; i += 4) _mm_storeu_ps(x + i, scal4(a, _mm_loadu_ps(x + i)));
    for (; i < n; ++i) x[i] = scal_element(alpha, x[i]);
}

VELMARK_SSE2 vm_int32 iamax_sse2(vm_int32 n, const float *x)
{
    if (is_nan(x[0])) return 0;  // the maximum stays NaN: nothing beats it
    // Pass 1: the largest magnitude, NaNs left out (maxps answers its second
    // operand, the running maximum, when the element is a NaN).
    const __m128 sign_off = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff));
    float largest = magnitude(x[0]);
    __m128 running = _mm_set1_ps(largest);
    vm_int32 i = 1;
    for (; i + 4 <= n; i += 4) running = _mm_max_ps(_mm_and_ps(_mm_loadu_ps(x + i), sign_off), running);
    float lanes[4];
    _mm_storeu_ps(lanes, running);
    for (int lane = 0; lane < 4; ++lane) largest = lanes[lane] > largest ? lanes[lane] : largest;
    for (; i < n; ++i) largest = magnitude(x[i]) > largest ? magnitude(x[i]) : largest;
    // Pass 2: its first position.
    const __m128 wanted = _mm_set1_ps(largest);
    for (i = 0; i + 4 <= n; i += 4) {
        int hits = _mm_movemask_ps(_mm_cmpeq_ps(_mm_and_ps(_mm_loadu_ps(x + i), sign_off), wanted));
        if (hits) return i + __builtin_ctz(static_cast<unsigned>(hits));
    }
    for (; i < n; ++i) {
        if (magnitude(x[i]) == largest) return i;
    }
    return 0;  // not reached: the largest magnitude is one of the elements
}

}  // namespace

const UnitKernels sse2_unit_kernels = {axpy_sse2, scal_sse2, iamax_sse2};
