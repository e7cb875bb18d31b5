// The one-element steps the vector variants use for their leftover
// elements: the kernels' rules, written once.
#pragma once

#include <string.h>

#include "velmark_types.h"

inline float axpy_step(double alpha, float x, float y)
{
    double product = static_cast<double>(x) * alpha;
    return static_cast<float>(product + static_cast<double>(y));
}

inline float scal_step(double alpha, float x)
{
    return static_cast<float>(static_cast<double>(x) * alpha);
}

// |x| by clearing the sign bit, as the vector code does.
inline float magnitude(float x)
{
    unsigned int bits;
    memcpy(&bits, &x, sizeof bits);
    bits &= 0x7fffffffu;
    memcpy(&x, &bits, sizeof bits);
    return x;
}

inline bool is_nan(float x)
{
    return x != x;
}
