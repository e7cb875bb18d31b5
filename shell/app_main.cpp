// The program's entry: the shell start-up, then the main dialog, opened from
// the tall template whatever the screen; the first resize message gives it
// the layout that fits.
#include <windows.h>
#include <aygshell.h>

#include "main_dialog.h"
#include "resource_ids.h"

HINSTANCE app_instance;

int app_main(HINSTANCE instance, HINSTANCE previous_instance, LPWSTR command_line,
             int show_command)
{
    (void)previous_instance;
    (void)command_line;
    (void)show_command;

    app_instance = instance;
    SHInitExtraControls();
    // The templates are part of the program, so neither step is checked.
    HRSRC found = FindResourceW(app_instance, MAKEINTRESOURCEW(DLG_TALL), MAKEINTRESOURCEW(5));
    HGLOBAL loaded = LoadResource(app_instance, found);
    DialogBoxIndirectParamW(app_instance, static_cast<LPCDLGTEMPLATEW>(LockResource(loaded)), 0,
                            main_dialog_proc, 0);
    return 0;
}
