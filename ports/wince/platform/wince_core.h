/* The Windows CE core library's types, constants and calls that the program
 * uses, written once for the two headers that stand in for the platform's
 * <windows.h>: the device build's (gcc/windows.h) and the
 * recording platform double's (celoader/dlls/include/windows.h). So the
 * two agree on every type by construction.
 *
 * The types are the platform's: 32-bit DWORD, LONG and UINT, pointer-sized
 * handles and message parameters, 16-bit wide characters (-fshort-wchar).
 * DWORD and LONG are spelled as int rather than long so that they stay 32
 * bits where the double runs on a 64-bit host; on the device both spellings
 * are 32 bits. C++98, like the code that includes it. */
#ifndef VELMARK_WINCE_CORE_H
#define VELMARK_WINCE_CORE_H

#include <stddef.h>

typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef unsigned int DWORD;
typedef unsigned int UINT;
typedef int BOOL;
typedef int LONG;
typedef wchar_t WCHAR;
typedef const WCHAR *LPCWSTR;
typedef WCHAR *LPWSTR;
typedef void *LPVOID;
typedef ptrdiff_t INT_PTR;
typedef ptrdiff_t LONG_PTR;
typedef size_t UINT_PTR;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;

typedef char vm_wince_wchar_is_16_bits[sizeof(WCHAR) == 2 ? 1 : -1];
typedef char vm_wince_dword_is_32_bits[sizeof(DWORD) == 4 ? 1 : -1];

typedef struct HWND__ *HWND;
typedef struct HINSTANCE__ *HINSTANCE;
typedef HINSTANCE HMODULE;
typedef struct HRSRC__ *HRSRC;
typedef void *HGLOBAL;
typedef void *HANDLE;
typedef struct HDWP__ *HDWP;
typedef struct HICON__ *HICON;
typedef struct HBITMAP__ *HBITMAP;
typedef void *HGDIOBJ;

typedef struct tagRECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
} RECT, *LPRECT;

typedef struct tagPOINT {
    LONG x;
    LONG y;
} POINT;

typedef struct tagMSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
} MSG, *LPMSG;

/* The counter's 64-bit value; the halves are named, not anonymous, so that
 * C++98 accepts the union. */
typedef union _LARGE_INTEGER {
    struct {
        DWORD LowPart;
        LONG HighPart;
    } u;
    long long QuadPart;
} LARGE_INTEGER;

typedef struct DLGTEMPLATE DLGTEMPLATE;
typedef const DLGTEMPLATE *LPCDLGTEMPLATEW;

/* One calling convention on ARM: these mark nothing. */
#define CALLBACK
#define WINAPI
#define APIENTRY

typedef INT_PTR (CALLBACK *DLGPROC)(HWND, UINT, WPARAM, LPARAM);

#define MAKEINTRESOURCEW(i) ((LPWSTR)((UINT_PTR)((WORD)(i))))
#define LOWORD(l) ((WORD)(((UINT_PTR)(l)) & 0xffff))
#define HIWORD(l) ((WORD)((((UINT_PTR)(l)) >> 16) & 0xffff))

#define WM_SIZE 0x0005
#define WM_CLOSE 0x0010
#define WM_PAINT 0x000F
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define SW_HIDE 0
#define SW_SHOW 5
#define PM_REMOVE 0x0001
#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define IDOK 1
#define IDCANCEL 2

/* The current process, as the platform's headers define it: coredll
 * exports no GetCurrentProcess. The pseudo-handle is the current-process
 * slot, 2, plus the system handle base, 64 (not checked on a device). */
#define GetCurrentProcess() ((HANDLE)(UINT_PTR)0x42)

#ifdef __cplusplus
extern "C" {
#endif

HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
DWORD SizeofResource(HMODULE module, HRSRC resource);

HDWP BeginDeferWindowPos(int windows);
HDWP DeferWindowPos(HDWP batch, HWND window, HWND insert_after, int x, int y, int cx, int cy,
                    UINT flags);
BOOL EndDeferWindowPos(HDWP batch);
BOOL MapDialogRect(HWND dialog, LPRECT rect);

HWND GetDlgItem(HWND dialog, int id);
BOOL SetDlgItemTextW(HWND dialog, int id, LPCWSTR text);
LRESULT SendDlgItemMessageW(HWND dialog, int id, UINT message, WPARAM wparam, LPARAM lparam);

HICON LoadIconW(HINSTANCE instance, LPCWSTR name);
HBITMAP LoadBitmapW(HINSTANCE instance, LPCWSTR name);
BOOL DestroyIcon(HICON icon);
BOOL DeleteObject(HGDIOBJ object);

INT_PTR DialogBoxIndirectParamW(HINSTANCE instance, LPCDLGTEMPLATEW dialog_template, HWND owner,
                                DLGPROC procedure, LPARAM init);
BOOL EndDialog(HWND dialog, INT_PTR result);
int GetSystemMetrics(int index);
BOOL ShowWindow(HWND window, int command);
BOOL PeekMessageW(LPMSG message, HWND window, UINT first, UINT last, UINT remove);
LRESULT DispatchMessageW(const MSG *message);

BOOL QueryPerformanceCounter(LARGE_INTEGER *count);
BOOL QueryPerformanceFrequency(LARGE_INTEGER *frequency);
DWORD GetTickCount(void);
BOOL TerminateProcess(HANDLE process, UINT exit_code);

#ifdef __cplusplus
}
#endif

#endif
