/* Fast paths with a planted fault, for the tests only: axpy rounds each
 * product to single before the sum, as a kernel that broke the element
 * rule would; the rest is the plain kernels'. The page must show a failure
 * and no result with it. */
#ifndef VELMARK_FAST_PATHS_H
#define VELMARK_FAST_PATHS_H

#include "velmark_types.h"

static inline bool axpy_fast_path(vm_int32 n, double alpha, const float *x, float *y)
{
    for (vm_int32 i = 0; i < n; ++i) {
        float product = static_cast<float>(static_cast<double>(x[i]) * alpha);
        y[i] = static_cast<float>(static_cast<double>(product) + static_cast<double>(y[i]));
    }
    return true;
}

static inline bool scal_fast_path(vm_int32, double, float *)
{
    return false;
}

static inline bool iamax_fast_path(vm_int32, const float *, vm_int32 *)
{
    return false;
}

#endif
