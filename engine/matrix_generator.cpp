// The test problem: a dense matrix from a fixed integer sequence, and the
// right-hand side as its row sums, so that the exact solution is all ones.
#include "velmark_engine.h"

void make_matrix(float *a, vm_int32 lda, vm_int32 n, float *b)
{
    if (n <= 0) {
        return;
    }
    vm_int32 seed = 1325;
    for (vm_int32 j = 0; j < n; ++j) {
        for (vm_int32 i = 0; i < n; ++i) {
            // seed < 65536, so the product stays below 2^31 and the
            // remainder is never negative.
            seed = (seed * 3125) % 65536;
            double value = (static_cast<double>(seed) - 32768.0) * 6.103515625e-05;
            a[lda * j + i] = static_cast<float>(value);
        }
    }
    for (vm_int32 i = 0; i < n; ++i) {
        b[i] = 0.0f;
    }
    for (vm_int32 j = 0; j < n; ++j) {
        for (vm_int32 i = 0; i < n; ++i) {
            b[i] = b[i] + a[lda * j + i];
        }
    }
}
