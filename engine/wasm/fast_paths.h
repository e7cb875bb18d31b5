/* The fast paths of the browser's SIMD module: WebAssembly's 128-bit SIMD,
 * four singles a step, widened to two pairs of doubles for the kernels'
 * element rules (kernel_rules.h) and narrowed once at the store, so every
 * element has the plain kernels' bits. Where x and y overlap, axpy takes
 * the plain path. Built with -msimd128, with the compiler's own
 * WebAssembly SIMD header (its widening, narrowing and shuffles map one to
 * one onto instructions) and vector types for the element rules. */
#ifndef VELMARK_FAST_PATHS_H
#define VELMARK_FAST_PATHS_H

#include <wasm_simd128.h>

#include "kernel_rules.h"
#include "vectors_overlap.h"
#include "velmark_types.h"

typedef float vm_f32x4 __attribute__((vector_size(16)));
typedef double vm_f64x2 __attribute__((vector_size(16)));
typedef int vm_i32x4 __attribute__((vector_size(16)));

static inline vm_f32x4 load4(const float *at)
{
    return reinterpret_cast<vm_f32x4>(wasm_v128_load(at));
}

static inline void store4(float *at, vm_f32x4 v)
{
    wasm_v128_store(at, reinterpret_cast<v128_t>(v));
}

static inline vm_f64x2 widen_low(vm_f32x4 v)
{
    return reinterpret_cast<vm_f64x2>(wasm_f64x2_promote_low_f32x4(reinterpret_cast<v128_t>(v)));
}

static inline vm_f64x2 widen_high(vm_f32x4 v)
{
    v128_t high = wasm_i64x2_shuffle(reinterpret_cast<v128_t>(v), reinterpret_cast<v128_t>(v), 1, 1);
    return reinterpret_cast<vm_f64x2>(wasm_f64x2_promote_low_f32x4(high));
}

/* Each pair rounded to singles (f32x4.demote_f64x2_zero), then joined. */
static inline vm_f32x4 narrow(vm_f64x2 low, vm_f64x2 high)
{
    v128_t l = wasm_f32x4_demote_f64x2_zero(reinterpret_cast<v128_t>(low));
    v128_t h = wasm_f32x4_demote_f64x2_zero(reinterpret_cast<v128_t>(high));
    return reinterpret_cast<vm_f32x4>(wasm_i64x2_shuffle(l, h, 0, 2));
}

static inline bool axpy_fast_path(vm_int32 n, double alpha, const float *x, float *y)
{
    if (vectors_overlap(x, y, n)) {
        return false;
    }
    const vm_f64x2 a = {alpha, alpha};
    vm_int32 i = 0;
    for (; i + 4 <= n; i += 4) {
        vm_f32x4 xs = load4(x + i), ys = load4(y + i);
        vm_f64x2 low = widen_low(ys), high = widen_high(ys);
        axpy_rule(low, a, widen_low(xs));
        axpy_rule(high, a, widen_high(xs));
        store4(y + i, narrow(low, high));
    }
    for (; i < n; ++i) {
        y[i] = axpy_element(alpha, x[i], y[i]);
    }
    return true;
}

static inline bool scal_fast_path(vm_int32 n, double alpha, float *x)
{
    const vm_f64x2 a = {alpha, alpha};
    vm_int32 i = 0;
    for (; i + 4 <= n; i += 4) {
        vm_f32x4 xs = load4(x + i);
        vm_f64x2 low = widen_low(xs), high = widen_high(xs);
        scal_rule(low, a);
        scal_rule(high, a);
        store4(x + i, narrow(low, high));
    }
    for (; i < n; ++i) {
        x[i] = scal_element(alpha, x[i]);
    }
    return true;
}

/* |v| for each lane, by clearing the sign bits, as the rule's magnitudes. */
static inline vm_f32x4 magnitudes(vm_f32x4 v)
{
    const vm_i32x4 sign_off = {0x7fffffff, 0x7fffffff, 0x7fffffff, 0x7fffffff};
    return reinterpret_cast<vm_f32x4>(reinterpret_cast<vm_i32x4>(v) & sign_off);
}

/* Each lane of v where it is greater than running's, else running's: a
 * NaN is never greater. */
static inline vm_f32x4 larger(vm_f32x4 v, vm_f32x4 running)
{
    vm_i32x4 take = v > running;  /* all ones where greater */
    return reinterpret_cast<vm_f32x4>((take & reinterpret_cast<vm_i32x4>(v)) |
                                      (~take & reinterpret_cast<vm_i32x4>(running)));
}

/* The first index of the largest magnitude: the largest found first, a
 * NaN never taken, then its first position. */
static inline bool iamax_fast_path(vm_int32 n, const float *x, vm_int32 *found)
{
    if (x[0] != x[0]) {
        *found = 0;  /* the maximum stays NaN: nothing beats it */
        return true;
    }
    const float first = __builtin_fabsf(x[0]);
    vm_f32x4 running = {first, first, first, first};
    vm_int32 i = 1;
    for (; i + 4 <= n; i += 4) {
        running = larger(magnitudes(load4(x + i)), running);
    }
    float largest = first;
    for (int lane = 0; lane < 4; ++lane) {
        largest = running[lane] > largest ? running[lane] : largest;
    }
    for (; i < n; ++i) {
        largest = __builtin_fabsf(x[i]) > largest ? __builtin_fabsf(x[i]) : largest;
    }
    for (i = 0; i < n; ++i) {
        if (__builtin_fabsf(x[i]) == largest) {
            *found = i;
            return true;
        }
    }
    *found = 0;  /* not reached: the largest magnitude is one of the elements */
    return true;
}

#endif
