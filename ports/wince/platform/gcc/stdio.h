/* coredll.dll's bounded wide print, for the device build with GCC.
 *
 * The platform passes a variadic double as two words, low word first, in
 * the next free argument slots: after buffer, count and format that is r3
 * for the low word and the first stack word for the high one. GCC's ARM
 * EABI would skip r3 and pass the double 8-byte aligned on the stack, which
 * the platform's _snwprintf would read as garbage. So the one form the
 * program uses, a single double, is passed here as its two words. */
#ifndef VELMARK_WINCE_STDIO_H
#define VELMARK_WINCE_STDIO_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The import itself: the format's arguments as the platform lays them out. */
int vm_wince_snwprintf_words(wchar_t *buffer, size_t count, const wchar_t *format, ...)
    __asm__("_snwprintf");

#ifdef __cplusplus
}

/* One double, as the platform's compilers pass it. */
inline int _snwprintf(wchar_t *buffer, size_t count, const wchar_t *format, double value)
{
    union {
        double value;
        unsigned int words[2];  /* little-endian: words[0] is the low word */
    } bits;
    bits.value = value;
    return vm_wince_snwprintf_words(buffer, count, format, bits.words[0], bits.words[1]);
}
#endif

#endif
