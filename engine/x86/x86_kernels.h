// The unit-increment paths of axpy, scal and iamax for x86-64, one set per
// instruction set, each compiled for its own target with function
// attributes. Each computes every element by the kernel's rule
// (kernel_rules.h), in its lanes:
//   axpy: y(i) = single(double(x(i)) * alpha + double(y(i)))
//   scal: x(i) = single(double(x(i)) * alpha)
//   iamax: the first index of the largest magnitude; a NaN never wins,
//          and a NaN in element 0 gives 0.
// Callers pass n >= 1 (n >= 2 for iamax), alpha != 0 for axpy, and x and y
// that do not overlap.
#pragma once

#include "velmark_types.h"

struct UnitKernels {
    void (*axpy)(vm_int32 n, double alpha, const float *x, float *y);
    void (*scal)(vm_int32 n, double alpha, float *x);
    vm_int32 (*iamax)(vm_int32 n, const float *x);
};

extern const UnitKernels sse2_unit_kernels;
extern const UnitKernels avx2_unit_kernels;
extern const UnitKernels avx512_unit_kernels;
