/* Fixed-width integer types for the engine and the shell.
 *
 * The device compilers (Visual Studio 2005/2008) have no <stdint.h>, so the
 * two widths the program needs are spelled here once. */
#ifndef VELMARK_TYPES_H
#define VELMARK_TYPES_H

#if defined(_MSC_VER)
typedef __int32 vm_int32;
typedef __int64 vm_int64;
#else
typedef int vm_int32;
typedef long long vm_int64;
#endif

/* Compile-time width checks that C++98 and C89 both accept. */
typedef char vm_int32_must_be_32_bits[sizeof(vm_int32) == 4 ? 1 : -1];
typedef char vm_int64_must_be_64_bits[sizeof(vm_int64) == 8 ? 1 : -1];

#define VM_INT32_MAX 2147483647
#define VM_INT32_MIN (-VM_INT32_MAX - 1)

#endif
