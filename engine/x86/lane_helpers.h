// What the variants' lanes need beside the kernels' rules (kernel_rules.h):
// the magnitude as the vector code forms it, and the NaN test.
#pragma once

#include <string.h>

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
