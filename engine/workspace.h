/* The engine's static workspace. It lives for the whole process, is zero at
 * load and is rewritten by every run before it is read. Only the run and its
 * timer write it; readers (the host runner, tests) look at it after a run. */
#ifndef VELMARK_WORKSPACE_H
#define VELMARK_WORKSPACE_H

#include "velmark_types.h"

#ifdef __cplusplus
extern "C" {
#endif

enum {
    WORKSPACE_ORDER = 200,           /* the arrays are dimensioned for 200 */
    TIMING_ROWS = 9,
    TIMING_COLUMNS = 9,
    ROW_FACTOR_SECONDS = 0,
    ROW_SOLVE_SECONDS = 1,
    ROW_TOTAL_SECONDS = 2,
    ROW_KFLOPS = 3,
    COLUMN_AVERAGED_LAYOUT1 = 3,
    COLUMN_AVERAGED_LAYOUT2 = 7,
    USED_COLUMNS = 8,
    COLUMNS_PER_LAYOUT = 4,          /* three single measurements, then the averaged one */
    LEADING_DIMENSION_LAYOUT1 = 201, /* matrix1's, in columns 0 to 3 */
    LEADING_DIMENSION_LAYOUT2 = 200  /* matrix2's, in columns 4 to 7 */
};

/* The shape of the timing table's used columns, for its readers (the host
 * runner; tools/page_constants.py reads the same enums for the page): the
 * layout a column measured, and whether it is an averaged measurement. */
static inline vm_int32 timing_column_layout(vm_int32 k)
{
    return k < COLUMNS_PER_LAYOUT ? LEADING_DIMENSION_LAYOUT1 : LEADING_DIMENSION_LAYOUT2;
}

static inline int timing_column_averaged(vm_int32 k)
{
    return k == COLUMN_AVERAGED_LAYOUT1 || k == COLUMN_AVERAGED_LAYOUT2;
}

extern vm_int32 n;
extern vm_int32 lda1;
extern vm_int32 lda2;
extern float matrix1[LEADING_DIMENSION_LAYOUT1 * WORKSPACE_ORDER];
extern float matrix2[LEADING_DIMENSION_LAYOUT2 * WORKSPACE_ORDER];
extern float rhs[WORKSPACE_ORDER];
extern vm_int32 pivots[WORKSPACE_ORDER];
extern vm_int32 info;
extern vm_int32 repetitions;
extern float timing_table[TIMING_ROWS][TIMING_COLUMNS];
extern vm_int32 result_kflops;
extern vm_int64 counter_origin;
extern vm_int64 counter_frequency;

/* Floating-point operations of one factorisation and one solve of order
 * 100: 2n^3/3 + 2n^2 in double, held as a constant. */
extern const double ops;

#ifdef __cplusplus
}
#endif

#endif
