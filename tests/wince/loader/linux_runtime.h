// What the loader asks of Linux beyond the C library: the clock, fixed
// mappings, and the system call itself (linux_start.S).
#pragma once

extern "C" long linux_syscall(long number, long a, long b, long c, long d, long e, long f);

long long monotonic_nanoseconds();

// Maps size bytes of zeroed read-write-execute memory at exactly address,
// or answers nullptr.
void *map_fixed(unsigned long address, unsigned long size);
