/* The Windows CE core library's declarations, for the device build with GCC
 * (arm-none-eabi), which has no platform kit: the types and calls of
 * ../wince_core.h, each call imported from coredll.dll by name
 * (ports/wince/imports.txt). The shell library's are in
 * ports/windows/aygshell.h, the arithmetic helpers' in arithmetic_helpers.h. */
#ifndef VELMARK_WINCE_WINDOWS_H
#define VELMARK_WINCE_WINDOWS_H

#include "../wince_core.h"

/* coredll exports no LockResource: the handle LoadResource returns is
 * already the address of the resource's bytes. */
#define LockResource(loaded) ((LPVOID)(loaded))

/* The program's own WinMain, called by the start-up code (crt_start.cpp). */
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous_instance, LPWSTR command_line,
                   int show_command);

#endif
