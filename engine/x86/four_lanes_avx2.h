// Four elements of axpy and scal with AVX2, from memory: the widening to
// four doubles is done by the load itself (vcvtps2pd from memory), the
// narrowing once before the store. The AVX2 kernels' lanes, and the
// AVX-512 kernels' short blocks and tails (AVX-512F takes AVX2's code).
#pragma once

#include <immintrin.h>

#include "kernel_rules.h"

namespace {

__attribute__((target("avx2"))) inline __m128 axpy4(__m256d alpha, const float *x, const float *y)
{
    __m256d wide_y = _mm256_cvtps_pd(_mm_loadu_ps(y));
    axpy_rule(wide_y, alpha, _mm256_cvtps_pd(_mm_loadu_ps(x)));
    return _mm256_cvtpd_ps(wide_y);
}

__attribute__((target("avx2"))) inline __m128 scal4(__m256d alpha, const float *x)
{
    __m256d wide = _mm256_cvtps_pd(_mm_loadu_ps(x));
    scal_rule(wide, alpha);
    return _mm256_cvtpd_ps(wide);
}

}  // namespace
