// The four vector kernels that carry all of the solver's inner work.
//
// Unit-increment paths are unrolled (axpy by four, dot and scal by five) with
// the leftover elements handled first; the order of evaluation inside each
// path is part of the result, so it must not be reassociated. The element
// rules are in kernel_rules.h. A build with fast variants of the
// unit-increment paths (engine/x86/fast_paths.h) hands those to them; a
// build without (engine/plain/fast_paths.h) runs the paths written here.
#include <math.h>

#include "fast_paths.h"
#include "kernel_rules.h"
#include "velmark_engine.h"

namespace {

// Offset of element 0 of a walk with a possibly negative increment: a
// negative increment starts at the far end and walks back to offset 0.
vm_int32 walk_start(vm_int32 count, vm_int32 inc)
{
    return inc < 0 ? (1 - count) * inc : 0;
}

} // namespace

void axpy(vm_int32 n, double alpha, const float *x, vm_int32 incx, float *y,
          vm_int32 incy)
{
    if (n <= 0 || alpha == 0.0) {
        return;
    }
    if (incx == 1 && incy == 1) {
        if (axpy_fast_path(n, alpha, x, y)) {
            return;
        }
        vm_int32 m = n % 4;
        for (vm_int32 i = 0; i < m; ++i) {
            y[i] = axpy_element(alpha, x[i], y[i]);
        }
        if (n < 4) {
            return;
        }
        for (vm_int32 i = m; i < n; i += 4) {
            y[i] = axpy_element(alpha, x[i], y[i]);
            y[i + 1] = axpy_element(alpha, x[i + 1], y[i + 1]);
            y[i + 2] = axpy_element(alpha, x[i + 2], y[i + 2]);
            y[i + 3] = axpy_element(alpha, x[i + 3], y[i + 3]);
        }
        return;
    }
    vm_int32 ix = walk_start(n, incx);
    vm_int32 iy = walk_start(n, incy);
    for (vm_int32 i = 0; i < n; ++i) {
        y[iy] = axpy_element(alpha, x[ix], y[iy]);
        ix += incx;
        iy += incy;
    }
}

float dot(vm_int32 n, const float *x, vm_int32 incx, const float *y,
          vm_int32 incy)
{
    float s = 0.0f;
    if (n <= 0) {
        return s;
    }
    if (incx == 1 && incy == 1) {
        vm_int32 m = n % 5;
        for (vm_int32 i = 0; i < m; ++i) {
            float p = x[i] * y[i];
            s = s + p;
        }
        if (n < 5) {
            return s;
        }
        for (vm_int32 i = m; i < n; i += 5) {
            float p0 = x[i] * y[i];
            float p1 = x[i + 1] * y[i + 1];
            float p2 = x[i + 2] * y[i + 2];
            float p3 = x[i + 3] * y[i + 3];
            float p4 = x[i + 4] * y[i + 4];
            // The block is summed from its last product to its first, and
            // only then added to the running sum.
            float g = p4 + p3;
            g = g + p2;
            g = g + p1;
            g = g + p0;
            s = g + s;
        }
        return s;
    }
    vm_int32 ix = walk_start(n, incx);
    vm_int32 iy = walk_start(n, incy);
    for (vm_int32 i = 0; i < n; ++i) {
        float p = x[ix] * y[iy];
        s = s + p;
        ix += incx;
        iy += incy;
    }
    return s;
}

void scal(vm_int32 n, double alpha, float *x, vm_int32 incx)
{
    // No shortcut for alpha == 0: every element is multiplied, so an
    // infinity or a NaN becomes a NaN and a zero keeps its sign.
    if (n <= 0) {
        return;
    }
    if (incx == 1) {
        if (scal_fast_path(n, alpha, x)) {
            return;
        }
        vm_int32 m = n % 5;
        for (vm_int32 i = 0; i < m; ++i) {
            x[i] = scal_element(alpha, x[i]);
        }
        if (n < 5) {
            return;
        }
        for (vm_int32 i = m; i < n; i += 5) {
            x[i] = scal_element(alpha, x[i]);
            x[i + 1] = scal_element(alpha, x[i + 1]);
            x[i + 2] = scal_element(alpha, x[i + 2]);
            x[i + 3] = scal_element(alpha, x[i + 3]);
            x[i + 4] = scal_element(alpha, x[i + 4]);
        }
        return;
    }
    if (incx <= 0) {
        return;  // no start offset for negative increments: nothing to scale
    }
    for (vm_int32 i = 0, offset = 0; i < n; ++i, offset += incx) {
        x[offset] = scal_element(alpha, x[offset]);
    }
}

vm_int32 iamax(vm_int32 n, const float *x, vm_int32 incx)
{
    if (n < 1) {
        return -1;
    }
    if (n == 1) {
        return 0;
    }
    vm_int32 found = 0;
    if (incx == 1 && iamax_fast_path(n, x, &found)) {
        return found;
    }
    vm_int32 offset = walk_start(n, incx);
    vm_int32 best = 0;
    float max = static_cast<float>(fabs(static_cast<double>(x[offset])));
    for (vm_int32 i = 1; i < n; ++i) {
        offset += incx;
        double v = fabs(static_cast<double>(x[offset]));
        // Strict: the first of equal magnitudes wins, and a NaN never does.
        if (v > static_cast<double>(max)) {
            best = i;
            max = static_cast<float>(v);
        }
    }
    return best;
}
