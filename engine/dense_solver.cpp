// LU factorisation with partial pivoting and the matching solve, column by
// column, with every inner loop handed to a vector kernel on a contiguous
// segment.
#include "velmark_engine.h"

namespace {

inline vm_int32 at(vm_int32 lda, vm_int32 i, vm_int32 j)
{
    return lda * j + i;
}

} // namespace

void lu_factor(float *a, vm_int32 lda, vm_int32 n, vm_int32 *pivots,
               vm_int32 *info)
{
    *info = 0;
    if (n < 1) {
        return;  // there is no last pivot to write and no diagonal to test
    }
    for (vm_int32 k = 0; k < n - 1; ++k) {
        vm_int32 l = k + iamax(n - k, &a[at(lda, k, k)], 1);
        pivots[k] = l;
        if (a[at(lda, l, k)] == 0.0f) {
            *info = k;
            continue;
        }
        if (l != k) {
            float pivot = a[at(lda, l, k)];
            a[at(lda, l, k)] = a[at(lda, k, k)];
            a[at(lda, k, k)] = pivot;
        }
        float t = static_cast<float>(-1.0 / static_cast<double>(a[at(lda, k, k)]));
        scal(n - k - 1, t, &a[at(lda, k + 1, k)], 1);
        for (vm_int32 j = k + 1; j < n; ++j) {
            float s = a[at(lda, l, j)];
            if (l != k) {
                a[at(lda, l, j)] = a[at(lda, k, j)];
                a[at(lda, k, j)] = s;
            }
            axpy(n - k - 1, s, &a[at(lda, k + 1, k)], 1, &a[at(lda, k + 1, j)], 1);
        }
    }
    pivots[n - 1] = n - 1;
    if (a[at(lda, n - 1, n - 1)] == 0.0f) {
        *info = n - 1;
    }
}

namespace {

void solve_plain(const float *a, vm_int32 lda, vm_int32 n,
                 const vm_int32 *pivots, float *b)
{
    // Forward elimination, applying interchange k just before the
    // multipliers of column k are used.
    for (vm_int32 k = 0; k < n - 1; ++k) {
        vm_int32 l = pivots[k];
        float s = b[l];
        if (l != k) {
            b[l] = b[k];
            b[k] = s;
        }
        axpy(n - k - 1, s, &a[at(lda, k + 1, k)], 1, &b[k + 1], 1);
    }
    for (vm_int32 k = n - 1; k >= 0; --k) {
        b[k] = b[k] / a[at(lda, k, k)];
        float s = -b[k];
        axpy(k, s, &a[at(lda, 0, k)], 1, &b[0], 1);
    }
}

void solve_transposed(const float *a, vm_int32 lda, vm_int32 n,
                      const vm_int32 *pivots, float *b)
{
    for (vm_int32 k = 0; k < n; ++k) {
        float s = dot(k, &a[at(lda, 0, k)], 1, &b[0], 1);
        float difference = b[k] - s;
        b[k] = difference / a[at(lda, k, k)];
    }
    // Interchange k is applied just after the multipliers of column k.
    for (vm_int32 k = n - 2; k >= 0; --k) {
        float s = dot(n - k - 1, &a[at(lda, k + 1, k)], 1, &b[k + 1], 1);
        b[k] = s + b[k];
        vm_int32 l = pivots[k];
        if (l != k) {
            float t = b[l];
            b[l] = b[k];
            b[k] = t;
        }
    }
}

} // namespace

void lu_solve(const float *a, vm_int32 lda, vm_int32 n,
              const vm_int32 *pivots, float *b, vm_int32 job)
{
    if (job == 0) {
        solve_plain(a, lda, n, pivots, b);
    } else {
        solve_transposed(a, lda, n, pivots, b);
    }
}
