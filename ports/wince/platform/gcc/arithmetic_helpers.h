/* The floating-point helpers that coredll.dll exports and that the
 * platform's own compilers call for every float and double operation: the
 * device has no floating-point unit. The device image reaches them through
 * its import stubs; GCC's own names for the same operations (__aeabi_fadd,
 * __aeabi_dmul, ...) are forwarded to them (ports/wince/imports.txt).
 *
 * A single travels in one register, a double or a 64-bit integer in two,
 * low word first: the first two doubles sit in r0:r1 and r2:r3, as under
 * GCC's ARM EABI. Conversions to integers truncate toward zero. The
 * comparisons that coredll also exports are not declared: what they return
 * is not confirmed, and the image keeps libgcc's. */
#ifndef VELMARK_WINCE_ARITHMETIC_HELPERS_H
#define VELMARK_WINCE_ARITHMETIC_HELPERS_H

#ifdef __cplusplus
extern "C" {
#endif

float __adds(float a, float b);
float __subs(float a, float b);   /* a - b */
float __muls(float a, float b);
float __divs(float a, float b);   /* a / b */
double __addd(double a, double b);
double __subd(double a, double b);
double __muld(double a, double b);
double __divd(double a, double b);

double __stod(float value);       /* single to double, exact */
float __dtos(double value);       /* double to single, rounded to nearest even */
float __itos(int value);
double __itod(int value);
float __i64tos(long long value);
int __dtoi(double value);         /* toward zero */

#ifdef __cplusplus
}
#endif

#endif
