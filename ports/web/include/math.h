/* The two functions of the C library that the engine uses, for the browser
 * port, which links no C library: WebAssembly has both as instructions
 * (f64.abs, f64.floor), exact as the C library's are. */
#ifndef VELMARK_WEB_MATH_H
#define VELMARK_WEB_MATH_H

static inline double fabs(double value)
{
    return __builtin_fabs(value);
}

static inline double floor(double value)
{
    return __builtin_floor(value);
}

#endif
