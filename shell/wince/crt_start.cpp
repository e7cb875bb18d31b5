// The process entry of the device image built with GCC, which has no C
// runtime of the platform's: it runs the static initialisers, then the
// program. The platform calls it with WinMain's four arguments and ends the
// process with its result.
#include <windows.h>

typedef void (*vm_initialiser)();

// Placed around the initialisers by image.ld.
extern "C" vm_initialiser __init_array_start[];
extern "C" vm_initialiser __init_array_end[];

extern "C" int WinMainCRTStartup(HINSTANCE instance, HINSTANCE previous_instance,
                                 LPWSTR command_line, int show_command)
{
    for (vm_initialiser *run = __init_array_start; run != __init_array_end; ++run) {
        (*run)();
    }
    return WinMain(instance, previous_instance, command_line, show_command);
}
