// What the loader asks of Linux beyond the C library: the clock, fixed
// mappings, and the system call itself (linux_start.S).
#pragma once

extern "C" long linux_syscall(long number, long a, long b, long c, long d, long e, long f);

long long monotonic_nanoseconds();

// Maps size bytes of zeroed read-write memory at exactly address, or
// answers nullptr.
void *map_fixed(unsigned long address, unsigned long size);
// Gives the pages of [address, address + size) the protection of a PE
// section's flags (execute, read, write); false when the system refused.
bool protect(unsigned long address, unsigned long size, bool execute, bool read, bool write);

// Calls trapped(pc) when the process executes an undefined instruction
// (SIGILL); trapped must not return. False when the system refused.
bool on_undefined_instruction(void (*trapped)(unsigned long pc));

// Calls code of the image with the first four words in r0-r3, the rest on
// the stack, and the stack pointer 4 mod 8, as the device does (linux_start.S).
extern "C" unsigned long long call_image(unsigned target, const unsigned *words, unsigned count);

// The trampolines through which the image reaches the loader's exports:
// trampoline i (at realign_trampolines + 8 i) aligns the stack to 8 and
// calls realign_targets[i] (linux_start.S).
const int kRealignTrampolines = 64;
extern "C" char realign_trampolines[];
extern "C" void *realign_targets[kRealignTrampolines];
