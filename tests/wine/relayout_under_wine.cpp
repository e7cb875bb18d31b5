// The re-layout for real: a dialog created by the system from the tall
// template is re-laid out from the wide one and back. Every control must end
// where the template's rectangle, in this dialog's own dialog units, puts
// it, with the template's text.
#include <windows.h>

#include "dialog_geometry.h"
#include "dialog_relayout.h"
#include "resource_ids.h"
#include "wine_checks.h"

namespace {

using wine_checks::check;

INT_PTR CALLBACK quiet_procedure(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

void check_layout(HWND dialog, int template_id)
{
    dialog_template::Template t = dialog_geometry::load_template(template_id);
    check(t.items.size() == 5, "template " + std::to_string(template_id) + " has its five items");
    for (const dialog_template::Item &item : t.items) {
        std::string name = "template " + std::to_string(template_id) + ", control " + std::to_string(item.id);
        RECT expected = dialog_geometry::expected_rect(dialog, item);
        RECT actual = dialog_geometry::control_rect(dialog, item.id);
        check(dialog_geometry::same(expected, actual),
              name + " at " + dialog_geometry::describe(actual) + ", expected " +
                  dialog_geometry::describe(expected));
        if (item.text.rfind("#", 0) != 0) {
            std::string text = dialog_geometry::window_text(GetDlgItem(dialog, item.id));
            check(text == item.text, name + " text '" + text + "'");
        }
    }
}

}  // namespace

int main()
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    HWND dialog = CreateDialogIndirectParamW(
        instance, static_cast<LPCDLGTEMPLATEW>(dialog_geometry::template_bytes(DLG_TALL)), nullptr,
        quiet_procedure, 0);
    if (!check(dialog != nullptr, "dialog created from template 105")) return wine_checks::finish();
    ShowWindow(dialog, SW_SHOW);

    SetDlgItemTextW(dialog, CTL_STATUS, L"CPU performance 1.23 MFlops");
    check(relayout_dialog(instance, dialog, DLG_WIDE) == 1, "re-layout to 106 succeeds");
    check_layout(dialog, DLG_WIDE);

    SetDlgItemTextW(dialog, CTL_NAME, L"changed");
    check(relayout_dialog(instance, dialog, DLG_TALL) == 1, "re-layout back to 105 succeeds");
    check_layout(dialog, DLG_TALL);

    HICON icon = reinterpret_cast<HICON>(SendDlgItemMessageW(dialog, CTL_ICON, STM_GETICON, 0, 0));
    check(icon != nullptr, "the icon control still has an icon after two re-layouts");

    check(relayout_dialog(instance, dialog, 999) == 0, "a missing template gives 0");
    DestroyWindow(dialog);
    return wine_checks::finish();
}
