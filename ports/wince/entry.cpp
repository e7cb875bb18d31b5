// Process entry on Windows CE, whose WinMain takes a wide command line:
// straight into the program.
#include <windows.h>

#include "main_dialog.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous_instance, LPWSTR command_line,
                   int show_command)
{
    return app_main(instance, previous_instance, command_line, show_command);
}
