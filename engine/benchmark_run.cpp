// The timed schedule, its timer and the reduction of the timing table to one
// integer rate in KFLOPS.
//
// Every time is a single-precision number of seconds since the start of the
// run; only the rate formula and the final rounding work in double.
#include <math.h>

#include "counter.h"
#include "velmark_engine.h"
#include "workspace.h"

vm_int32 n;
vm_int32 lda1;
vm_int32 lda2;
float matrix1[LEADING_DIMENSION_LAYOUT1 * WORKSPACE_ORDER];
float matrix2[LEADING_DIMENSION_LAYOUT2 * WORKSPACE_ORDER];
float rhs[WORKSPACE_ORDER];
vm_int32 pivots[WORKSPACE_ORDER];
vm_int32 info;
vm_int32 repetitions;
float timing_table[TIMING_ROWS][TIMING_COLUMNS];
vm_int32 result_kflops;
vm_int64 counter_origin;
vm_int64 counter_frequency;

// 2*100^3/3 + 2*100^2; every order of evaluating it in double gives these
// bits (0x4124F49555555555).
extern "C" const double ops = 686666.6666666666;

float elapsed_seconds(void)
{
    vm_int64 now = 0;
    read_counter(&now);
    float ticks = static_cast<float>(now - counter_origin);
    // The frequency is converted afresh on every call, as the timer always has.
    float frequency = static_cast<float>(counter_frequency);
    return ticks / frequency;
}

namespace {

void complete_column(vm_int32 k)
{
    timing_table[ROW_TOTAL_SECONDS][k] =
        timing_table[ROW_SOLVE_SECONDS][k] + timing_table[ROW_FACTOR_SECONDS][k];
    double total = static_cast<double>(timing_table[ROW_TOTAL_SECONDS][k]);
    double product = total * 1000.0;
    timing_table[ROW_KFLOPS][k] = static_cast<float>(ops / product);
}

void single_measurement(vm_int32 k, float *matrix, vm_int32 lda)
{
    make_matrix(matrix, lda, n, rhs);

    float start = elapsed_seconds();
    lu_factor(matrix, lda, n, pivots, &info);
    timing_table[ROW_FACTOR_SECONDS][k] = elapsed_seconds() - start;

    start = elapsed_seconds();
    lu_solve(matrix, lda, n, pivots, rhs, 0);
    timing_table[ROW_SOLVE_SECONDS][k] = elapsed_seconds() - start;

    complete_column(k);
}

void averaged_measurement(vm_int32 k, float *matrix, vm_int32 lda)
{
    repetitions = 10;
    float generation = 0.0f;

    // The matrix is regenerated before every factorisation; each generation
    // is bracketed by readings of its own and its time taken off the loop's.
    float t0 = elapsed_seconds();
    for (vm_int32 r = 0; r < repetitions; ++r) {
        float a = elapsed_seconds();
        make_matrix(matrix, lda, n, rhs);
        float e = elapsed_seconds();
        float sum = e + generation;
        generation = sum - a;
        lu_factor(matrix, lda, n, pivots, &info);
    }
    float t1 = elapsed_seconds();
    float loop = t1 - t0;
    float factoring = loop - generation;
    timing_table[ROW_FACTOR_SECONDS][k] = factoring / static_cast<float>(repetitions);

    // Back-to-back solves on the last factors: each one takes the previous
    // solution as its right-hand side.
    t0 = elapsed_seconds();
    for (vm_int32 r = 0; r < repetitions; ++r) {
        lu_solve(matrix, lda, n, pivots, rhs, 0);
    }
    t1 = elapsed_seconds();
    float solving = t1 - t0;
    timing_table[ROW_SOLVE_SECONDS][k] = solving / static_cast<float>(repetitions);

    complete_column(k);
}

} // namespace

float lower_averaged_rate(float rate_layout1, float rate_layout2)
{
    // The second layout wins ties, and whenever the comparison is false
    // (a NaN on either side).
    return rate_layout1 < rate_layout2 ? rate_layout1 : rate_layout2;
}

vm_int32 round_rate_to_kflops(float rate)
{
    double d = rate > 0.0f ? static_cast<double>(rate) + 0.5
                           : static_cast<double>(rate) - 0.5;
    float y = static_cast<float>(d);
    double m = fabs(static_cast<double>(y));
    if (m != m) {
        return 0;  // NaN has no integer value
    }
    if (m < 1.0) {
        return 0;
    }
    if (m >= 2147483648.0) {
        return y < 0.0f ? VM_INT32_MIN : VM_INT32_MAX;  // past the range, +-inf too
    }
    vm_int32 result = static_cast<vm_int32>(floor(m));
    if (y < 0.0f) {
        result = -result;
    }
    return result;
}

vm_int32 run_benchmark(void)
{
    read_counter_frequency(&counter_frequency);
    read_counter(&counter_origin);

    lda1 = LEADING_DIMENSION_LAYOUT1;
    n = 100;
    lda2 = LEADING_DIMENSION_LAYOUT2;

    single_measurement(0, matrix1, lda1);
    single_measurement(1, matrix1, lda1);
    single_measurement(2, matrix1, lda1);
    averaged_measurement(COLUMN_AVERAGED_LAYOUT1, matrix1, lda1);

    single_measurement(4, matrix2, lda2);
    single_measurement(5, matrix2, lda2);
    single_measurement(6, matrix2, lda2);
    averaged_measurement(COLUMN_AVERAGED_LAYOUT2, matrix2, lda2);

    float rate = lower_averaged_rate(timing_table[ROW_KFLOPS][COLUMN_AVERAGED_LAYOUT1],
                                     timing_table[ROW_KFLOPS][COLUMN_AVERAGED_LAYOUT2]);
    result_kflops = round_rate_to_kflops(rate);
    return result_kflops;
}
