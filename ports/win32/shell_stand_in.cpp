// The Pocket PC shell library's two calls, for desktop Win32. Each does on
// the desktop what its flags ask where the desktop has an equivalent, and
// nothing more: the Done button, the input panel and the menu bar have none.
#include <windows.h>

#include "aygshell.h"

BOOL SHInitExtraControls(void)
{
    return TRUE;  // the desktop's common controls need no start-up here
}

BOOL SHInitDialog(PSHINITDLGINFO info)
{
    if (info == 0 || (info->dwMask & SHIDIM_FLAGS) == 0) {
        return FALSE;
    }
    if ((info->dwFlags & SHIDIF_SIZEDLGFULLSCREEN) == 0) {
        return TRUE;
    }
    // Fill the work area: the desktop's nearest thing to the full screen
    // below the device's title bar.
    RECT work;
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0)) {
        return FALSE;
    }
    return SetWindowPos(info->hDlg, 0, work.left, work.top, work.right - work.left,
                        work.bottom - work.top, SWP_NOZORDER | SWP_NOACTIVATE);
}
