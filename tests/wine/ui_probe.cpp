// Looks at the running Velmark dialog from another process, for the
// dialog's end-to-end test: where its controls are, what they say, whether
// the Run button is shown, and it can post the dialog a command, a close or
// a resize. Reads never send the dialog a message, so they also work while
// the benchmark holds its thread.
//
// usage: ui_probe find | state | layout ID | center ID | watch-run MS |
//        resize | command ID | close
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "dialog_geometry.h"
#include "resource_ids.h"

namespace {

const int kControls[] = {CTL_ICON, CTL_NAME, CTL_DATE, CTL_STATUS, CTL_RUN};

HWND find_dialog(int wait_ms)
{
    for (int waited = 0; waited <= wait_ms; waited += 50) {
        HWND dialog = FindWindowW(L"#32770", L"Velmark");
        if (dialog && IsWindowVisible(dialog)) return dialog;
        Sleep(50);
    }
    return nullptr;
}

int state(HWND dialog)
{
    RECT window, client;
    GetWindowRect(dialog, &window);
    GetClientRect(dialog, &client);
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    std::printf("screen %d %d\n", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    std::printf("work %ld %ld %ld %ld\n", work.left, work.top, work.right, work.bottom);
    std::printf("window %ld %ld %ld %ld\n", window.left, window.top, window.right, window.bottom);
    std::printf("caption %s\n", dialog_geometry::window_text(dialog).c_str());
    for (int id : kControls) {
        HWND control = GetDlgItem(dialog, id);
        RECT r = dialog_geometry::control_rect(dialog, id);
        std::string text = dialog_geometry::window_text(control);
        for (char &c : text)
            if (c == '\r' || c == '\n') c = ' ';
        std::printf("control %d %d %ld %ld %ld %ld %s\n", id, IsWindowVisible(control) ? 1 : 0, r.left, r.top,
                    r.right, r.bottom, text.c_str());
    }
    return 0;
}

// Compares the dialog's controls with template id, converted by the dialog
// units of a dialog made here from the same template: the same font on the
// same system gives the same units.
int layout(HWND dialog, int id)
{
    HWND twin = CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                                           static_cast<LPCDLGTEMPLATEW>(dialog_geometry::template_bytes(id)),
                                           nullptr, nullptr, 0);
    if (!twin) {
        std::printf("cannot make a dialog from template %d\n", id);
        return 1;
    }
    int mismatches = 0;
    for (const dialog_template::Item &item : dialog_geometry::load_template(id).items) {
        RECT expected = dialog_geometry::expected_rect(twin, item);
        RECT actual = dialog_geometry::control_rect(dialog, item.id);
        bool same = dialog_geometry::same(expected, actual);
        mismatches += same ? 0 : 1;
        std::printf("control %d %s %s expected %s\n", item.id, same ? "matches" : "DIFFERS",
                    dialog_geometry::describe(actual).c_str(), dialog_geometry::describe(expected).c_str());
    }
    DestroyWindow(twin);
    return mismatches == 0 ? 0 : 1;
}

int center(HWND dialog, int id)
{
    RECT r;
    if (!GetWindowRect(GetDlgItem(dialog, id), &r)) return 1;
    std::printf("%ld %ld\n", (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    return 0;
}

// Samples the status text and the Run button until a result is shown.
int watch_run(HWND dialog, int wait_ms)
{
    HWND status = GetDlgItem(dialog, CTL_STATUS);
    HWND run = GetDlgItem(dialog, CTL_RUN);
    bool waiting_seen = false, visible_while_waiting = false;
    for (int waited = 0; waited <= wait_ms; waited += 2) {
        std::string text = dialog_geometry::window_text(status);
        bool visible = IsWindowVisible(run) != 0;
        if (text.rfind("Running the benchmark", 0) == 0) {
            waiting_seen = true;
            visible_while_waiting = visible_while_waiting || visible;
        } else if (text.rfind("CPU performance", 0) == 0) {
            Sleep(100);  // the button is shown just after the text is set
            std::printf("result %s\n", dialog_geometry::window_text(status).c_str());
            std::printf("waiting-seen %d\n", waiting_seen ? 1 : 0);
            std::printf("button-visible-while-waiting %d\n", visible_while_waiting ? 1 : 0);
            std::printf("button-visible-after %d\n", IsWindowVisible(run) ? 1 : 0);
            return 0;
        }
        Sleep(2);
    }
    std::printf("no result within %d ms\n", wait_ms);
    return 1;
}

// A real change of size, and back: two resize messages.
int resize(HWND dialog)
{
    RECT r;
    GetWindowRect(dialog, &r);
    int width = r.right - r.left, height = r.bottom - r.top;
    UINT flags = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
    SetWindowPos(dialog, nullptr, 0, 0, width, height - 10, flags);
    SetWindowPos(dialog, nullptr, 0, 0, width, height, flags);
    return 0;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: ui_probe find|state|layout ID|center ID|watch-run MS|resize|command ID|close\n");
        return 2;
    }
    std::string verb = argv[1];
    int number = argc > 2 ? std::atoi(argv[2]) : 0;
    HWND dialog = find_dialog(verb == "find" ? 30000 : 2000);
    if (!dialog) {
        std::printf("no Velmark dialog\n");
        return 1;
    }
    if (verb == "find") return 0;
    if (verb == "state") return state(dialog);
    if (verb == "layout") return layout(dialog, number);
    if (verb == "center") return center(dialog, number);
    if (verb == "watch-run") return watch_run(dialog, number);
    if (verb == "resize") return resize(dialog);
    if (verb == "command") return PostMessageW(dialog, WM_COMMAND, static_cast<WPARAM>(number), 0) ? 0 : 1;
    if (verb == "close") return PostMessageW(dialog, WM_CLOSE, 0, 0) ? 0 : 1;
    std::fprintf(stderr, "ui_probe: unknown command '%s'\n", verb.c_str());
    return 2;
}
