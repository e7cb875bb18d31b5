// The main dialog: full screen, re-laid out on every resize, and the Run
// command, which runs the benchmark on this thread behind a waiting message.
#include <windows.h>
#include <aygshell.h>
#include <stdio.h>

#include "dialog_relayout.h"
#include "dialog_texts.h"
#include "main_dialog.h"
#include "resource_ids.h"
#include "velmark_engine.h"

namespace {

const WCHAR kWaitingMessage[] = VM_WIDE(VM_WAITING_MESSAGE);
const WCHAR kResultFormat[] = VM_WIDE(VM_RESULT_FORMAT);

// The longest result, "CPU performance -2147483.75 MFlops", is 34 characters.
const int kResultLength = 256;

// KFLOPS to MFlops, as a single-precision product (0.001f is 0x3A83126F).
const float kMflopsPerKflops = 0.001f;

const UINT kCloseResult = 16;
const WORD kCommandOk = 1;

void run_command(HWND dialog)
{
    ShowWindow(GetDlgItem(dialog, CTL_RUN), SW_HIDE);
    SetDlgItemTextW(dialog, CTL_STATUS, kWaitingMessage);

    // Let the dialog repaint (and handle whatever else is pending) before
    // the run holds the thread.
    MSG message;
    while (PeekMessageW(&message, dialog, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&message);
    }

    vm_int32 kflops = run_benchmark();
    float mflops = static_cast<float>(kflops) * kMflopsPerKflops;

    WCHAR result[kResultLength];
    _snwprintf(result, kResultLength, kResultFormat, static_cast<double>(mflops));
    result[kResultLength - 1] = 0;
    SetDlgItemTextW(dialog, CTL_STATUS, result);

    ShowWindow(GetDlgItem(dialog, CTL_RUN), SW_SHOW);
}

void fit_layout_to_screen(HWND dialog)
{
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN);
    relayout_dialog(app_instance, dialog, height > width ? DLG_TALL : DLG_WIDE);
}

void make_full_screen(HWND dialog)
{
    SHINITDLGINFO info;
    info.dwMask = SHIDIM_FLAGS;
    info.hDlg = dialog;
    info.dwFlags = SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN | SHIDIF_EMPTYMENU;
    SHInitDialog(&info);
}

} // namespace

INT_PTR CALLBACK main_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    (void)lparam;
    switch (message) {
    case WM_INITDIALOG:
        make_full_screen(dialog);
        return 1;
    case WM_SIZE:
        fit_layout_to_screen(dialog);
        return 0;
    case WM_CLOSE:
        EndDialog(dialog, kCloseResult);
        return 1;
    case WM_COMMAND:
        // The notification code in the high word is not looked at.
        if (LOWORD(wparam) == kCommandOk) {
            EndDialog(dialog, 1);
            return 1;
        }
        if (LOWORD(wparam) == CTL_RUN) {
            run_command(dialog);
        }
        return 0;
    default:
        return 0;
    }
}
