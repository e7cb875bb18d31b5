// The limit the kernels' own rule sets on this machine: the factorisation's
// axpy work alone, each element single(double(x) * alpha + double(y)), on
// vectors the compiler knows do not overlap, built for this very processor
// (-march=native) with nothing fused.
#include "strict_axpy_model.h"

namespace {

void strict_axpy(int n, double alpha, const float *__restrict x, float *__restrict y)
{
    for (int i = 0; i < n; ++i) {
        y[i] = static_cast<float>(static_cast<double>(x[i]) * alpha + static_cast<double>(y[i]));
    }
}

}  // namespace

void strict_axpy_model(float *a, int lda, int n)
{
    // For each step k, one update of length n - k - 1 per column to its right.
    for (int k = 0; k < n - 1; ++k) {
        const float *multipliers = a + lda * k + k + 1;
        for (int j = k + 1; j < n; ++j) {
            float *column = a + lda * j + k + 1;
            strict_axpy(n - k - 1, a[lda * j + k], multipliers, column);
        }
    }
}
