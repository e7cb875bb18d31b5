// The dialog re-layout: a walk over a standard dialog template that moves
// each control to the template's rectangle in one deferred-positioning
// batch and sets its content from the template again.
//
// The walk never reads past the resource: every field is checked against the
// resource's size before it is read, and a template that runs out is a
// failure at that point.
#include <windows.h>

#include "dialog_relayout.h"

namespace {

const WORD kNumberMarker = 0xFFFF;
const WORD kIdRepeatable = 0xFFFF;     // more than one such item is a failure
const DWORD kStyleHasFont = 0x40;
const unsigned kHeaderFixedBytes = 18;  // style .. height
const unsigned kItemFixedBytes = 18;    // style .. control id

const WORD kClassButton = 0x0080;
const WORD kClassStatic = 0x0082;
const WORD kClassListBox = 0x0083;
const WORD kClassComboBox = 0x0085;

const UINT kSetImage = 0x0172;
const UINT kGetImage = 0x0173;
const UINT kListGetSelection = 0x0188;
const UINT kListSetSelection = 0x0186;
const UINT kComboGetSelection = 0x0147;
const UINT kComboSetSelection = 0x014E;
const WPARAM kImageBitmap = 0;
const WPARAM kImageIcon = 1;
const UINT kKeepZOrder = 4;

WORD read_word(const BYTE *p)
{
    return static_cast<WORD>(p[0] | (p[1] << 8));
}

short read_short(const BYTE *p)
{
    return static_cast<short>(read_word(p));
}

DWORD read_dword(const BYTE *p)
{
    return static_cast<DWORD>(read_word(p)) | (static_cast<DWORD>(read_word(p + 2)) << 16);
}

bool is_number(const BYTE *field)
{
    return read_word(field) == kNumberMarker;
}

// Room for count bytes at p before end.
bool fits(const BYTE *p, const BYTE *end, unsigned count)
{
    return p != 0 && p <= end && static_cast<unsigned>(end - p) >= count;
}

void replace_image(HINSTANCE instance, HWND dialog, int id, WPARAM type, WORD resource)
{
    HANDLE previous = reinterpret_cast<HANDLE>(SendDlgItemMessageW(dialog, id, kGetImage, type, 0));
    HANDLE image;
    if (type == kImageIcon) {
        image = LoadIconW(instance, MAKEINTRESOURCEW(resource));
    } else {
        image = LoadBitmapW(instance, MAKEINTRESOURCEW(resource));
    }
    if (image == 0) {
        return;  // keep the image the control has
    }
    SendDlgItemMessageW(dialog, id, kSetImage, type, reinterpret_cast<LPARAM>(image));
    // Desktop Win32 hands out shared icons: the load may answer the very
    // image the control already shows, which must then stay alive.
    if (previous == 0 || previous == image) {
        return;
    }
    if (type == kImageIcon) {
        DestroyIcon(static_cast<HICON>(previous));
    } else {
        DeleteObject(static_cast<HGDIOBJ>(previous));
    }
}

void reselect(HWND dialog, int id, UINT get_selection, UINT set_selection)
{
    LRESULT selection = SendDlgItemMessageW(dialog, id, get_selection, 0, 0);
    if (selection != -1) {
        SendDlgItemMessageW(dialog, id, set_selection, static_cast<WPARAM>(selection), 0);
    }
}

} // namespace

const BYTE *skip_name_or_number(const BYTE *field, const BYTE *end)
{
    if (!fits(field, end, 2)) {
        return 0;
    }
    WORD first = read_word(field);
    if (first == kNumberMarker) {
        return fits(field, end, 4) ? field + 4 : 0;
    }
    const BYTE *p = field;
    while (fits(p, end, 2)) {
        WORD character = read_word(p);
        p += 2;
        if (character == 0) {
            return p;
        }
    }
    return 0;
}

void refresh_control(HINSTANCE instance, HWND dialog, const BYTE *item,
                     const BYTE *class_field, const BYTE *text_field)
{
    if (!is_number(class_field)) {
        return;  // a class given by name: nothing to refresh
    }
    DWORD style = read_dword(item);
    int id = read_word(item + 16);
    WORD class_number = read_word(class_field + 2);

    if (class_number == kClassButton || class_number == kClassStatic) {
        if (!is_number(text_field)) {
            SetDlgItemTextW(dialog, id, reinterpret_cast<LPCWSTR>(text_field));
            return;
        }
        WORD resource = read_word(text_field + 2);
        if ((style & 0x3) == 0x3) {
            replace_image(instance, dialog, id, kImageIcon, resource);
        } else if ((style & 0xE) == 0xE) {
            replace_image(instance, dialog, id, kImageBitmap, resource);
        }
    } else if (class_number == kClassListBox) {
        reselect(dialog, id, kListGetSelection, kListSetSelection);
    } else if (class_number == kClassComboBox) {
        reselect(dialog, id, kComboGetSelection, kComboSetSelection);
    }
}

int relayout_dialog(HINSTANCE instance, HWND dialog, int template_id)
{
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(template_id), MAKEINTRESOURCEW(5));
    if (found == 0) {
        return 0;
    }
    HGLOBAL loaded = LoadResource(instance, found);
    if (loaded == 0) {
        return 0;
    }
    const BYTE *base = static_cast<const BYTE *>(LockResource(loaded));
    DWORD size = SizeofResource(instance, found);
    if (base == 0 || size < kHeaderFixedBytes) {
        return 0;  // not even a header, so no item count to begin a batch for
    }
    const BYTE *end = base + size;
    WORD item_count = read_word(base + 8);
    HDWP batch = BeginDeferWindowPos(item_count);
    if (batch == 0) {
        return 0;
    }

    int ok = 1;
    int repeatable_ids = 0;
    const BYTE *p = skip_name_or_number(base + kHeaderFixedBytes, end);  // menu
    p = p ? skip_name_or_number(p, end) : 0;                             // class
    p = p ? skip_name_or_number(p, end) : 0;                             // caption
    if (p != 0 && (read_dword(base) & kStyleHasFont) != 0) {
        p = fits(p, end, 2) ? skip_name_or_number(p + 2, end) : 0;       // point size, face
    }
    if (p == 0) {
        ok = 0;
        item_count = 0;
    }
    // Offsets rather than pointers from here on: an item may claim to end
    // anywhere, and only positions inside the resource become pointers.
    DWORD next_offset = p ? static_cast<DWORD>(p - base) : 0;

    for (WORD index = 0; index < item_count; ++index) {
        DWORD item_offset = (next_offset + 3u) & ~static_cast<DWORD>(3u);
        if (item_offset > size || size - item_offset < kItemFixedBytes) {
            ok = 0;  // the item runs past the resource
            break;
        }
        const BYTE *item = base + item_offset;
        int id = read_word(item + 16);
        HWND control = GetDlgItem(dialog, id);
        if (control == 0) {
            ok = 0;
            break;
        }
        RECT rect;
        rect.left = read_short(item + 8);
        rect.top = read_short(item + 10);
        rect.right = rect.left + read_short(item + 12);
        rect.bottom = rect.top + read_short(item + 14);
        if (!MapDialogRect(dialog, &rect)) {
            ok = 0;
            break;
        }
        HDWP next = DeferWindowPos(batch, control, 0, rect.left, rect.top,
                                   rect.right - rect.left, rect.bottom - rect.top, kKeepZOrder);
        if (next == 0) {
            ok = 0;  // this move is lost; the batch goes on with the others
        } else {
            batch = next;
        }

        const BYTE *class_field = item + kItemFixedBytes;
        const BYTE *text_field = skip_name_or_number(class_field, end);
        const BYTE *size_word = text_field ? skip_name_or_number(text_field, end) : 0;
        if (size_word == 0 || !fits(size_word, end, 2)) {
            ok = 0;  // class, text or size runs past the resource: not refreshed
            break;
        }
        refresh_control(instance, dialog, item, class_field, text_field);

        // The creation-data size counts its own word; 0 means no data.
        WORD creation_bytes = read_word(size_word);
        next_offset = static_cast<DWORD>(size_word - base) + (creation_bytes != 0 ? creation_bytes : 2u);
        if (id == kIdRepeatable) {
            ++repeatable_ids;
        }
        if (next_offset > size) {
            ok = 0;  // the creation data runs past the resource
            break;
        }
    }

    if (!EndDeferWindowPos(batch)) {
        ok = 0;
    }
    if (repeatable_ids >= 2) {
        ok = 0;
    }
    return ok;
}
