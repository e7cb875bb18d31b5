/* The Windows CE core library's declarations that the program uses, for the
 * device build with GCC (arm-none-eabi), which has no platform kit. Every
 * call is imported from coredll.dll by name (shell/wince/imports.txt); the
 * shell library's are in shell/desktop/aygshell.h.
 *
 * The platform's types: 32-bit pointers and handles, 16-bit wide characters
 * (-fshort-wchar) and int-sized enums (-fno-short-enums). */
#ifndef VELMARK_WINCE_WINDOWS_H
#define VELMARK_WINCE_WINDOWS_H

#include <stddef.h>

typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef unsigned long DWORD;
typedef unsigned int UINT;
typedef int BOOL;
typedef long LONG;
typedef wchar_t WCHAR;
typedef const WCHAR *LPCWSTR;
typedef WCHAR *LPWSTR;
typedef void *LPVOID;
typedef int INT_PTR;
typedef long LONG_PTR;
typedef unsigned int UINT_PTR;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;

typedef char vm_wince_wchar_is_16_bits[sizeof(WCHAR) == 2 ? 1 : -1];

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

/* coredll exports no LockResource: the handle LoadResource returns is
 * already the address of the resource's bytes. */
#define LockResource(loaded) ((LPVOID)(loaded))

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

#ifdef __cplusplus
}
#endif

/* The program's own WinMain, called by the start-up code (crt_start.cpp). */
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous_instance, LPWSTR command_line,
                   int show_command);

#endif
