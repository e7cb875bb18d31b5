// AVX-512 unit paths: sixteen singles at a time, widened to two vectors of
// eight doubles for the kernel's arithmetic and rounded back once at the
// store.
#include <immintrin.h>

#include "four_lanes_avx2.h"
#include "kernel_rules.h"
#include "lane_helpers.h"
#include "x86_kernels.h"

#define VELMARK_AVX512 __attribute__((target("avx512f")))

namespace {

VELMARK_AVX512 inline __mmask16 first_lanes(vm_int32 count)
{
    return static_cast<__mmask16>((1u << count) - 1u);
}

// Eight elements from memory: the widening is done by the load itself
// (vcvtps2pd from memory), the narrowing once before the store; four are
// the AVX2 kernels' (four_lanes_avx2.h).
VELMARK_AVX512 inline __m256 axpy8(__m512d alpha, const float *x, const float *y)
{
    __m512d wide_y = _mm512_cvtps_pd(_mm256_loadu_ps(y));
    axpy_rule(wide_y, alpha, _mm512_cvtps_pd(_mm256_loadu_ps(x)));
    return _mm512_cvtpd_ps(wide_y);
}

VELMARK_AVX512 inline __m256 scal8(__m512d alpha, const float *x)
{
    __m512d wide = _mm512_cvtps_pd(_mm256_loadu_ps(x));
    scal_rule(wide, alpha);
    return _mm512_cvtpd_ps(wide);
}

// Every element depends on its own x and y alone, so the last, partial
// block is done as the full block that ends at n, formed from the elements
// as they were before the loop and stored after it: where it overlaps the
// loop's last block it stores the very values the loop stored. No masked
// stores, which are slow on some processors.
VELMARK_AVX512 void axpy_avx512(vm_int32 n, double alpha, const float *x, float *y)
{
    if (n >= 16) {
        const __m512d a = _mm512_set1_pd(alpha);
        const vm_int32 last = n - 16;
        const __m256 tail_low = axpy8(a, x + last, y + last), tail_high = axpy8(a, x + last + 8, y + last + 8);
        for (vm_int32 i = 0; i < last; i += 16) {
            __m256 low = axpy8(a, x + i, y + i), high = axpy8(a, x + i + 8, y + i + 8);
            _mm256_storeu_ps(y + i, low);
            _mm256_storeu_ps(y + i + 8, high);
        }
        _mm256_storeu_ps(y + last, tail_low);
        _mm256_storeu_ps(y + last + 8, tail_high);
    } else if (n >= 8) {
        const __m512d a = _mm512_set1_pd(alpha);
        const __m256 tail = axpy8(a, x + n - 8, y + n - 8);
        _mm256_storeu_ps(y, axpy8(a, x, y));
        _mm256_storeu_ps(y + n - 8, tail);
    } else if (n >= 4) {
        const __m256d a = _mm256_set1_pd(alpha);
        const __m128 tail = axpy4(a, x + n - 4, y + n - 4);
        _mm_storeu_ps(y, axpy4(a, x, y));
        _mm_storeu_ps(y + n - 4, tail);
    } else {
        for (vm_int32 i = 0; i < n; ++i) y[i] = axpy_element(alpha, x[i], y[i]);
    }
}

// The same overlapping last block as axpy.
VELMARK_AVX512 void scal_avx512(vm_int32 n, double alpha, float *x)
{
    if (n >= 16) {
        const __m512d a = _mm512_set1_pd(alpha);
        const vm_int32 last = n - 16;
        const __m256 tail_low = scal8(a, x + last), tail_high = scal8(a, x + last + 8);
        for (vm_int32 i = 0; i < last; i += 16) {
            __m256 low = scal8(a, x + i), high = scal8(a, x + i + 8);
            _mm256_storeu_ps(x + i, low);
            _mm256_storeu_ps(x + i + 8, high);
        }
        _mm256_storeu_ps(x + last, tail_low);
        _mm256_storeu_ps(x + last + 8, tail_high);
    } else if (n >= 8) {
        const __m512d a = _mm512_set1_pd(alpha);
        const __m256 tail = scal8(a, x + n - 8);
        _mm256_storeu_ps(x, scal8(a, x));
        _mm256_storeu_ps(x + n - 8, tail);
    } else if (n >= 4) {
        const __m256d a = _mm256_set1_pd(alpha);
        const __m128 tail = scal4(a, x + n - 4);
        _mm_storeu_ps(x, scal4(a, x));
        _mm_storeu_ps(x + n - 4, tail);
    } else {
        for (vm_int32 i = 0; i < n; ++i) x[i] = scal_element(alpha, x[i]);
    }
}

VELMARK_AVX512 vm_int32 iamax_avx512(vm_int32 n, const float *x)
{
    if (is_nan(x[0])) return 0;  // the maximum stays NaN: nothing beats it
    // Pass 1: the largest magnitude, NaNs left out (maxps answers its second
    // operand, the running maximum, when the element is a NaN). Lanes past
    // the end load as +0.0, which never exceeds a magnitude.
    const __m512i sign_off = _mm512_set1_epi32(0x7fffffff);
    __m512 running = _mm512_set1_ps(magnitude(x[0]));
    vm_int32 i = 0;
    for (; i < n; i += 16) {
        __mmask16 mask = n - i >= 16 ? static_cast<__mmask16>(0xffff) : first_lanes(n - i);
        __m512 v = _mm512_castsi512_ps(
            _mm512_and_si512(_mm512_castps_si512(_mm512_maskz_loadu_ps(mask, x + i)), sign_off));
        running = _mm512_max_ps(v, running);
    }
    const __m512 wanted = _mm512_set1_ps(_mm512_reduce_max_ps(running));
    // Pass 2: its first position, among the lanes that hold elements.
    for (i = 0; i < n; i += 16) {
        __mmask16 mask = n - i >= 16 ? static_cast<__mmask16>(0xffff) : first_lanes(n - i);
        __m512 v = _mm512_castsi512_ps(
            _mm512_and_si512(_mm512_castps_si512(_mm512_maskz_loadu_ps(mask, x + i)), sign_off));
        unsigned hits = _mm512_mask_cmp_ps_mask(mask, v, wanted, _CMP_EQ_OQ);
        if (hits) return i + __builtin_ctz(hits);
    }
    return 0;  // not reached: the largest magnitude is one of the elements
}

}  // namespace

const UnitKernels avx512_unit_kernels = {axpy_avx512, scal_avx512, iamax_avx512};
