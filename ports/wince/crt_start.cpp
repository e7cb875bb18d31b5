// The process entry of the device image built with GCC, which has no C
// runtime of the platform's: it sets the stack-overrun guard, runs the
// static initialisers, then the program. The platform calls it with
// WinMain's four arguments and ends the process with its result.
//
// This file is compiled without the stack protector: its code runs before
// the guard has its value.
#include <windows.h>

typedef void (*vm_initialiser)();

// Placed around the initialisers by image.ld.
extern "C" vm_initialiser __init_array_start[];
extern "C" vm_initialiser __init_array_end[];

// What GCC's stack protector (-fstack-protector-strong) compares each
// guarded frame's canary with, and calls when one was overwritten.
extern "C" {
UINT_PTR __stack_chk_guard;
void __stack_chk_fail(void) __attribute__((noreturn));
}

namespace {

// The status the platform's runtime ends an overrun process with.
const UINT kStatusStackBufferOverrun = 0xC0000409u;
// Stands in for a guard that would come out 0, which a cleared canary
// would match.
const UINT_PTR kGuardWhenZero = 0xBB40E64Eu;

// Differs from process to process: the boot's millisecond count, the
// process handle and where this process's stack lies, mixed so that each
// input moves every bit.
UINT_PTR guard_value(HINSTANCE instance)
{
    volatile int here = 0;
    UINT_PTR value = static_cast<UINT_PTR>(GetTickCount());
    value ^= reinterpret_cast<UINT_PTR>(instance) * 0x9E3779B1u;
    value ^= reinterpret_cast<UINT_PTR>(&here) << 7;
    value ^= value >> 15;
    value *= 0x85EBCA77u;
    value ^= value >> 13;
    return value != 0 ? value : kGuardWhenZero;
}

}  // namespace

// A guarded frame's canary was overwritten: end the process at once,
// running nothing more of the program. Should TerminateProcess return for
// the calling process, an undefined instruction ends it: the frame it
// would return to is the overwritten one.
extern "C" void __stack_chk_fail(void)
{
    TerminateProcess(GetCurrentProcess(), kStatusStackBufferOverrun);
    __builtin_trap();
}

extern "C" int WinMainCRTStartup(HINSTANCE instance, HINSTANCE previous_instance,
                                 LPWSTR command_line, int show_command)
{
    __stack_chk_guard = guard_value(instance);
    for (vm_initialiser *run = __init_array_start; run != __init_array_end; ++run) {
        (*run)();
    }
    return WinMain(instance, previous_instance, command_line, show_command);
}
