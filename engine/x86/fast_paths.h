/* The fast paths of x86-64 host builds: the unit-increment paths of axpy,
 * scal and iamax on the variant chosen at run time (kernel_dispatch.cpp).
 * Each answers false, leaving the work to the plain kernels, when the
 * chosen variant is the plain one or when x and y overlap; every variant
 * gives the plain kernels' bits. */
#ifndef VELMARK_FAST_PATHS_H
#define VELMARK_FAST_PATHS_H

#include "velmark_types.h"

/* n >= 1, alpha != 0, unit increments. */
bool axpy_fast_path(vm_int32 n, double alpha, const float *x, float *y);

/* n >= 1, unit increment. */
bool scal_fast_path(vm_int32 n, double alpha, float *x);

/* n >= 2, unit increment: the index found goes to *found. */
bool iamax_fast_path(vm_int32 n, const float *x, vm_int32 *found);

#endif
