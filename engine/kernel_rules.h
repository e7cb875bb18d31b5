/* The vector kernels' element rules, written once: what one element of
 * axpy and scal becomes. The plain kernels (vector_kernels.cpp) use them
 * element by element; the fast variants of a build (engine/x86/) use the
 * same rules on their lanes and for their leftover elements, so every
 * variant gives the plain kernels' bits.
 *
 * The order of evaluation is part of the result: nothing here may be
 * reassociated or fused. */
#ifndef VELMARK_KERNEL_RULES_H
#define VELMARK_KERNEL_RULES_H

#include "velmark_types.h"

/* The rules in double, for a double or for a vector of doubles (a fast
 * variant's lanes). Operands are passed by reference, so that no vector
 * type crosses a call in a register between code built for different
 * instruction sets. */

/* axpy: y := x * alpha + y, the product and the sum in double. */
template <typename Wide>
inline void axpy_rule(Wide &y, const Wide &alpha, const Wide &x)
{
    y = x * alpha + y;
}

/* scal: x := x * alpha, in double. */
template <typename Wide>
inline void scal_rule(Wide &x, const Wide &alpha)
{
    x = x * alpha;
}

/* One element: widened to double, the rule, one rounding to single at the
 * store. */
static inline float axpy_element(double alpha, float x, float y)
{
    double wide_x = static_cast<double>(x);
    double wide_y = static_cast<double>(y);
    axpy_rule(wide_y, alpha, wide_x);
    return static_cast<float>(wide_y);
}

static inline float scal_element(double alpha, float x)
{
    double wide = static_cast<double>(x);
    scal_rule(wide, alpha);
    return static_cast<float>(wide);
}

#endif
