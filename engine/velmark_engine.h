/* The benchmark engine: one entry point, the generator, the solver and the
 * vector kernels it is built from. Plain C linkage so that C programs, the
 * device shell, tests and benchmark programs link the library as it is. */
#ifndef VELMARK_ENGINE_H
#define VELMARK_ENGINE_H

#include "velmark_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Runs the whole timed schedule (26 generations, factorisations and solves
 * on the 201- and 200-layouts) and returns the lower averaged rate rounded
 * to whole KFLOPS; the same value is left in result_kflops.
 *
 * Rounding is to nearest with halves away from zero, and any rate whose
 * rounded magnitude is below 1 gives 0. The rate plus one half is rounded to
 * single before the floor, so above 2^23 KFLOPS, where singles are no
 * longer dense in halves, the result can differ by one from the rate
 * rounded exactly (8861883.0 gives 8861884). Where that has no integer value the
 * result is defined as follows: a NaN rate gives 0; a rate whose rounded
 * magnitude is 2^31 or more (+infinity included) saturates to
 * VM_INT32_MAX, or to VM_INT32_MIN when negative. */
vm_int32 run_benchmark(void);

/* Seconds since the start of the current run, in single precision. */
float elapsed_seconds(void);

/* Fills the leading n x n block of the column-major matrix a (leading
 * dimension lda) from the fixed sequence, and b[0..n-1] with its row sums.
 * Restarts the sequence on every call. n <= 0 leaves both untouched. */
void make_matrix(float *a, vm_int32 lda, vm_int32 n, float *b);

/* LU factorisation with partial pivoting, in place. pivots[k] is the row
 * exchanged with row k at step k; info is 0 or the index of the last column
 * whose pivot was exactly zero. n < 1 writes info = 0 and nothing else. */
void lu_factor(float *a, vm_int32 lda, vm_int32 n, vm_int32 *pivots,
               vm_int32 *info);

/* Solves A x = b (job 0) or A' x = b (job != 0) with the factors and pivots
 * of lu_factor; x overwrites b. n <= 0 changes nothing. */
void lu_solve(const float *a, vm_int32 lda, vm_int32 n,
              const vm_int32 *pivots, float *b, vm_int32 job);

/* y := alpha*x + y. alpha == 0 returns without reading x or y. */
void axpy(vm_int32 n, double alpha, const float *x, vm_int32 incx, float *y,
          vm_int32 incy);

/* Sum of x(i)*y(i), accumulated in single precision. */
float dot(vm_int32 n, const float *x, vm_int32 incx, const float *y,
          vm_int32 incy);

/* x := alpha*x. An increment of 0 or less changes nothing. */
void scal(vm_int32 n, double alpha, float *x, vm_int32 incx);

/* Index of the first element of largest magnitude; -1 when n < 1. A
 * negative increment walks from the far end, as axpy and dot do. */
vm_int32 iamax(vm_int32 n, const float *x, vm_int32 incx);

/* The two steps that reduce the timing table to the result, exposed so the
 * rounding rules can be checked on their own. */
float lower_averaged_rate(float rate_layout1, float rate_layout2);
vm_int32 round_rate_to_kflops(float rate);

#ifdef __cplusplus
}
#endif

#endif
