/* The recording test double's stand-in for the platform header: the core
 * library's types and calls of ports/wince/platform/wince_core.h, the same ones the
 * device build declares, so that the shell's sources compile unchanged
 * against it. Everything is answered by platform_double.cpp from a small
 * model of one dialog.
 *
 * Test programs that include this header are built with -fshort-wchar, so
 * that wide texts have the platform's 16-bit characters. */
#ifndef VELMARK_PLATFORM_DOUBLE_WINDOWS_H
#define VELMARK_PLATFORM_DOUBLE_WINDOWS_H

#include "wince_core.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The desktop's form: a call that hands out the loaded resource's bytes. */
LPVOID LockResource(HGLOBAL loaded);

/* The Microsoft C runtime's bounded wide print, as the shell uses it. */
int _snwprintf(WCHAR *buffer, size_t count, const WCHAR *format, ...);

#ifdef __cplusplus
}
#endif

#endif
