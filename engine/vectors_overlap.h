/* Whether the n elements at x and at y share any memory. A fast path takes
 * whole blocks of elements, so where the two vectors overlap it leaves
 * them to the plain kernels, which walk them one element at a time as the
 * rule does. For the fast paths' folders (engine/x86/, engine/wasm/)
 * alone: the device's compilers have no <stdint.h>. */
#ifndef VELMARK_VECTORS_OVERLAP_H
#define VELMARK_VECTORS_OVERLAP_H

#include <stdint.h>

#include "velmark_types.h"

static inline bool vectors_overlap(const float *x, const float *y, vm_int32 n)
{
    uintptr_t a = reinterpret_cast<uintptr_t>(x), b = reinterpret_cast<uintptr_t>(y);
    uintptr_t bytes = static_cast<uintptr_t>(n) * sizeof(float);
    return a < b + bytes && b < a + bytes;
}

#endif
