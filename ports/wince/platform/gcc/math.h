/* The two functions of the C library that the engine uses, imported from
 * coredll.dll: the device image carries no C library of its own. A double
 * as the first argument, and as the result, sits in r0:r1 both under the
 * platform's convention and under GCC's, so they are called directly. */
#ifndef VELMARK_WINCE_MATH_H
#define VELMARK_WINCE_MATH_H

#ifdef __cplusplus
extern "C" {
#endif

double fabs(double value);
double floor(double value);

#ifdef __cplusplus
}
#endif

#endif
