/* The Pocket PC shell library's calls that the program makes, imported
 * from aygshell.dll by name, for the device build with GCC. */
#ifndef VELMARK_WINCE_AYGSHELL_H
#define VELMARK_WINCE_AYGSHELL_H

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

BOOL SHInitExtraControls(void);
BOOL SHInitDialog(PSHINITDLGINFO info);

#ifdef __cplusplus
}
#endif

#endif
