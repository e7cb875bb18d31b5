// Linked into the runner with -Wl,--wrap=lu_solve: every solve leaves its
// first element one bit off, as a broken kernel would, so that every run's
// solution and the untimed solve's digest are wrong while the time is right.
#include <cstring>

#include "velmark_engine.h"

extern "C" {

void __real_lu_solve(const float *a, vm_int32 lda, vm_int32 n, const vm_int32 *pivots, float *b, vm_int32 job);

void __wrap_lu_solve(const float *a, vm_int32 lda, vm_int32 n, const vm_int32 *pivots, float *b, vm_int32 job)
{
    __real_lu_solve(a, lda, n, pivots, b, job);
    unsigned int bits;
    std::memcpy(&bits, &b[0], sizeof bits);
    bits ^= 1u;
    std::memcpy(&b[0], &bits, sizeof bits);
}

}  // extern "C"
