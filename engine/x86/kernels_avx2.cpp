// AVX2 unit paths: eight singles at a time, widened to two vectors of four
// doubles for the kernel's arithmetic and rounded back once at the store.
#include <immintrin.h>

#include "four_lanes_avx2.h"
#include "kernel_rules.h"
#include "lane_helpers.h"
#include "x86_kernels.h"

#define VELMARK_AVX2 __attribute__((target("avx2")))

namespace {

// Lanes 0 .. count-1 of eight switched on, for count from 0 to 8.
VELMARK_AVX2 inline __m256i first_lanes(vm_int32 count)
{
    const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    return _mm256_cmpgt_epi32(_mm256_set1_epi32(count), lane);
}

// Every element depends on its own x and y alone, so the last, partial
// block is done as the full block that ends at n, formed from the elements
// as they were before the loop and stored after it: where it overlaps the
// loop's last block it stores the very values the loop stored. No masked
// stores, which are slow on some processors.
VELMARK_AVX2 void axpy_avx2(vm_int32 n, double alpha, const float *x, float *y)
{
    const __m256d a = _mm256_set1_pd(alpha);
    if (n >= 8) {
        const vm_int32 last = n - 8;
        const __m128 tail_low = axpy4(a, x + last, y + last), tail_high = axpy4(a, x + last + 4, y + last + 4);
        for (vm_int32 i = 0; i < last; i += 8) {
            __m128 low = axpy4(a, x + i, y + i), high = axpy4(a, x + i + 4, y + i + 4);
            _mm_storeu_ps(y + i, low);
            _mm_storeu_ps(y + i + 4, high);
        }
        _mm_storeu_ps(y + last, tail_low);
        _mm_storeu_ps(y + last + 4, tail_high);
    } else if (n >= 4) {
        const __m128 tail = axpy4(a, x + n - 4, y + n - 4);
        _mm_storeu_ps(y, axpy4(a, x, y));
        _mm_storeu_ps(y + n - 4, tail);
    } else {
        for (vm_int32 i = 0; i < n; ++i) y[i] = axpy_element(alpha, x[i], y[i]);
    }
}

// The same overlapping last block as axpy.
VELMARK_AVX2 void scal_avx2(vm_int32 n, double alpha, float *x)
{
    const __m256d a = _mm256_set1_pd(alpha);
    if (n >= 4) {
        const __m128 tail = scal4(a, x + n - 4);
        for (vm_int32 i = 0; i < n - 4; i += 4) _mm_storeu_ps(x + i, scal4(a, x + i));
        _mm_storeu_ps(x + n - 4, tail);
    } else {
        for (vm_int32 i = 0; i < n; ++i) x[i] = scal_element(alpha, x[i]);
    }
}

VELMARK_AVX2 vm_int32 iamax_avx2(vm_int32 n, const float *x)
{
    if (is_nan(x[0])) return 0;  // the maximum stays NaN: nothing beats it
    // Pass 1: the largest magnitude, NaNs left out (maxps answers its second
    // operand, the running maximum, when the element is a NaN). Lanes past
    // the end load as +0.0, which never exceeds a magnitude.
    const __m256 sign_off = _mm256_castsi256_ps(_mm256_set1_epi32(0x7fffffff));
    __m256 running = _mm256_set1_ps(magnitude(x[0]));
    vm_int32 i = 0;
    for (; i + 8 <= n; i += 8) running = _mm256_max_ps(_mm256_and_ps(_mm256_loadu_ps(x + i), sign_off), running);
    if (i < n) {
        __m256 tail = _mm256_maskload_ps(x + i, first_lanes(n - i));
        running = _mm256_max_ps(_mm256_and_ps(tail, sign_off), running);
    }
    __m128 four = _mm_max_ps(_mm256_castps256_ps128(running), _mm256_extractf128_ps(running, 1));
    four = _mm_max_ps(four, _mm_movehl_ps(four, four));
    four = _mm_max_ss(four, _mm_shuffle_ps(four, four, 1));
    const __m256 wanted = _mm256_set1_ps(_mm_cvtss_f32(four));
    // Pass 2: its first position.
    for (i = 0; i < n; i += 8) {
        __m256 v = i + 8 <= n ? _mm256_loadu_ps(x + i) : _mm256_maskload_ps(x + i, first_lanes(n - i));
        unsigned hits = static_cast<unsigned>(
            _mm256_movemask_ps(_mm256_cmp_ps(_mm256_and_ps(v, sign_off), wanted, _CMP_EQ_OQ)));
        if (n - i < 8) hits &= (1u << (n - i)) - 1u;  // a largest magnitude of 0 matches the padding
        if (hits) return i + __builtin_ctz(hits);
    }
    return 0;  // not reached: the largest magnitude is one of the elements
}

}  // namespace

const UnitKernels avx2_unit_kernels = {axpy_avx2, scal_avx2, iamax_avx2};
