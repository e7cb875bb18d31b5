// Process entry on desktop Win32: straight into the program.
#include <windows.h>

#include "main_dialog.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous_instance, LPWSTR command_line,
                    int show_command)
{
    return app_main(instance, previous_instance, command_line, show_command);
}
