/* The Pocket PC shell library's calls that the program makes, for desktop
 * Win32, where that library does not exist. shell_stand_in.cpp implements
 * them on the desktop; the device build uses the device kit's own header
 * and library instead of this folder. */
#ifndef VELMARK_DESKTOP_AYGSHELL_H
#define VELMARK_DESKTOP_AYGSHELL_H

#include <windows.h>

#define SHIDIM_FLAGS 0x0001

#define SHIDIF_DONEBUTTON 0x0001
#define SHIDIF_SIZEDLGFULLSCREEN 0x0004
#define SHIDIF_SIPDOWN 0x0008
#define SHIDIF_EMPTYMENU 0x0020

typedef struct tagSHINITDLGINFO {
    DWORD dwMask;
    HWND hDlg;
    DWORD dwFlags;
} SHINITDLGINFO, *PSHINITDLGINFO;

#ifdef __cplusplus
extern "C" {
#endif

/* The shell start-up call. */
BOOL SHInitExtraControls(void);

/* Full-screen dialog initialisation from the record {mask, dialog, flags}. */
BOOL SHInitDialog(PSHINITDLGINFO info);

#ifdef __cplusplus
}
#endif

#endif
