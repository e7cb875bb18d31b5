/* The program's entry and its one dialog. */
#ifndef VELMARK_MAIN_DIALOG_H
#define VELMARK_MAIN_DIALOG_H

#include <windows.h>

/* The module that holds the templates and images; set once by app_main. */
extern HINSTANCE app_instance;

/* The program: opens the main dialog from the tall template and returns 0
 * when it ends. Only the instance is used. */
int app_main(HINSTANCE instance, HINSTANCE previous_instance, LPWSTR command_line,
             int show_command);

/* Nonzero tells the dialog manager the message was handled. */
INT_PTR CALLBACK main_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

#endif
