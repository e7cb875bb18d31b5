/* The recording test double's stand-in for the platform header: the types,
 * constants and calls that the shell uses, with the Win32 names, so that the
 * shell's sources compile unchanged against it. Everything is answered by
 * platform_double.cpp from a small model of one dialog.
 *
 * Test programs that include this header are built with -fshort-wchar, so
 * that wide texts have the platform's 16-bit characters. The header itself
 * is C++98, like the shell. */
#ifndef VELMARK_PLATFORM_DOUBLE_WINDOWS_H
#define VELMARK_PLATFORM_DOUBLE_WINDOWS_H

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

typedef struct DLGTEMPLATE DLGTEMPLATE;
typedef const DLGTEMPLATE *LPCDLGTEMPLATEW;

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

#ifdef __cplusplus
extern "C" {
#endif

HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
LPVOID LockResource(HGLOBAL loaded);
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

/* The Microsoft C runtime's bounded wide print, as the shell uses it. */
int _snwprintf(WCHAR *buffer, size_t count, const WCHAR *format, ...);

#ifdef __cplusplus
}
#endif

#endif
