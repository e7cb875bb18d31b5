// The plain kernels under the names the dispatching kernels fall back to
// (portable_kernels.cpp compiles vector_kernels.cpp under them). Both sides
// include this header: these are C functions, so a definition whose
// signature drifted from a declaration here fails to compile.
#pragma once

#include "velmark_types.h"

extern "C" {
void portable_axpy(vm_int32 n, double alpha, const float *x, vm_int32 incx, float *y, vm_int32 incy);
void portable_scal(vm_int32 n, double alpha, float *x, vm_int32 incx);
vm_int32 portable_iamax(vm_int32 n, const float *x, vm_int32 incx);
}
