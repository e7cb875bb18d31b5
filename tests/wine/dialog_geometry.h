// What a dialog shows, read through Win32, and where a template says its
// controls belong: shared by the Windows test programs.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "dialog_template_reader.h"

namespace dialog_geometry {

// A template of this module's own resources, parsed.
inline dialog_template::Template load_template(int id)
{
    HMODULE self = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(self, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5));
    if (!found) return {};
    const auto *bytes = static_cast<const std::uint8_t *>(LockResource(LoadResource(self, found)));
    return dialog_template::parse(bytes, SizeofResource(self, found));
}

inline const void *template_bytes(int id)
{
    HMODULE self = GetModuleHandleW(nullptr);
    return LockResource(LoadResource(self, FindResourceW(self, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5))));
}

// A control's rectangle in its dialog's client coordinates.
inline RECT control_rect(HWND dialog, int id)
{
    RECT r{};
    HWND control = GetDlgItem(dialog, id);
    if (!control) return r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT *>(&r), 2);
    return r;
}

// The pixel rectangle the item's dialog-unit rectangle converts to in
// dialog (whose dialog units are used).
inline RECT expected_rect(HWND dialog, const dialog_template::Item &item)
{
    RECT r{item.x, item.y, item.x + item.width, item.y + item.height};
    MapDialogRect(dialog, &r);
    return r;
}

// The text of a window, without sending it a message: works on another
// process's controls, and while that process is busy.
inline std::string window_text(HWND window)
{
    wchar_t buffer[512] = {};
    InternalGetWindowText(window, buffer, 512);
    std::string text;
    for (const wchar_t *p = buffer; *p; ++p) text += *p < 0x80 ? static_cast<char>(*p) : '?';
    return text;
}

inline std::string describe(const RECT &r)
{
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) +
           "," + std::to_string(r.bottom) + ")";
}

inline bool same(const RECT &a, const RECT &b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace dialog_geometry
