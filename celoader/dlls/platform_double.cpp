#include "platform_double.h"

#include <aygshell.h>

#include <cstdarg>
#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <set>

namespace platform_double {
namespace {

struct Resource {
    std::unique_ptr<std::uint8_t[]> bytes;
    const std::uint8_t *in_place = nullptr;  // bytes that belong to someone else, handed out as they are
    std::size_t size = 0;
};

struct PendingMove {
    int id;
    RECT position;
};

struct Model {
    std::map<int, Control> controls;
    std::map<std::pair<int, int>, Resource> resources;  // (type, id)
    std::map<std::string, std::set<int>> failures;      // 0: every call
    std::map<std::string, int> call_counts;
    std::vector<Call> log;
    std::vector<HANDLE> destroyed;
    std::deque<MSG> queue;
    int screen_width = 240;
    int screen_height = 320;
    std::uintptr_t next_batch = 0x7000;
    std::uintptr_t live_batch = 0;
    std::vector<PendingMove> moves;
    std::uintptr_t next_image = 0x9000;
    bool shared_images = false;
    DLGPROC procedure = nullptr;
    bool ended = false;
    INT_PTR result = -1;
};

Model model;

const std::uintptr_t kDialog = 0x100;
const std::uintptr_t kInstance = 0x400000;
const std::uintptr_t kControlBase = 0x20000;

long long handle(const void *h) { return static_cast<long long>(reinterpret_cast<std::uintptr_t>(h)); }

// Logs the call and says whether it is to fail this time.
bool call(const std::string &name, std::vector<long long> args, std::string text = {})
{
    int nth = ++model.call_counts[name];
    model.log.push_back(Call{name, std::move(args), std::move(text)});
    auto f = model.failures.find(name);
    return f != model.failures.end() && (f->second.count(0) || f->second.count(nth));
}

std::u16string from_wide(LPCWSTR text)
{
    std::u16string result;
    for (; text && *text; ++text) result += static_cast<char16_t>(*text);
    return result;
}

int control_id(HWND window)
{
    std::uintptr_t value = reinterpret_cast<std::uintptr_t>(window);
    return value >= kControlBase ? static_cast<int>(value - kControlBase) : -1;
}

}  // namespace

HINSTANCE instance() { return reinterpret_cast<HINSTANCE>(kInstance); }
HWND dialog() { return reinterpret_cast<HWND>(kDialog); }
HWND window_of(int id) { return reinterpret_cast<HWND>(kControlBase + static_cast<std::uintptr_t>(id & 0xffff)); }

void reset() { model = Model(); }

Control &add_control(int id)
{
    Control &c = model.controls[id];
    c.id = id;
    return c;
}

Control *find_control(int id)
{
    auto it = model.controls.find(id);
    return it == model.controls.end() ? nullptr : &it->second;
}

void add_resource(int type, int id, const std::vector<std::uint8_t> &bytes)
{
    Resource r;
    r.size = bytes.size();
    r.bytes.reset(new std::uint8_t[r.size ? r.size : 1]);
    std::copy(bytes.begin(), bytes.end(), r.bytes.get());
    model.resources[{type, id}] = std::move(r);
}

void add_resource_in_place(int type, int id, const std::uint8_t *bytes, std::size_t size)
{
    Resource r;
    r.size = size;
    r.in_place = bytes;
    model.resources[{type, id}] = std::move(r);
}

void fail(const std::string &function, int nth) { model.failures[function].insert(nth); }

void set_screen(int width, int height)
{
    model.screen_width = width;
    model.screen_height = height;
}

void post(UINT message, WPARAM wparam, LPARAM lparam)
{
    MSG m{};
    m.hwnd = dialog();
    m.message = message;
    m.wParam = wparam;
    m.lParam = lparam;
    model.queue.push_back(m);
}

std::size_t pending() { return model.queue.size(); }

void attach_dialog_procedure(DLGPROC procedure) { model.procedure = procedure; }


const std::vector<Call> &calls() { return model.log; }

std::vector<Call> calls_named(const std::string &name)
{
    std::vector<Call> named;
    for (const Call &c : model.log)
        if (c.name == name) named.push_back(c);
    return named;
}

std::size_t count(const std::string &name) { return calls_named(name).size(); }

long index_of(const std::string &name, std::size_t from)
{
    for (std::size_t i = from; i < model.log.size(); ++i)
        if (model.log[i].name == name) return static_cast<long>(i);
    return -1;
}

void record(const std::string &name, std::vector<long long> args) { call(name, std::move(args)); }

void share_loaded_images(bool shared) { model.shared_images = shared; }

HANDLE loaded_image(LPCWSTR name)
{
    if (model.shared_images) return reinterpret_cast<HANDLE>(kShared + reinterpret_cast<std::uintptr_t>(name));
    return reinterpret_cast<HANDLE>(++model.next_image);
}

const std::vector<HANDLE> &destroyed_images() { return model.destroyed; }

INT_PTR dialog_result() { return model.ended ? model.result : -1; }

std::string narrow(const std::u16string &text)
{
    std::string result;
    for (char16_t c : text) result += c < 0x80 ? static_cast<char>(c) : '?';
    return result;
}

std::u16string widen(const std::string &text) { return std::u16string(text.begin(), text.end()); }

}  // namespace platform_double

using namespace platform_double;

extern "C" {

HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type)
{
    int id = static_cast<int>(reinterpret_cast<std::uintptr_t>(name));
    int kind = static_cast<int>(reinterpret_cast<std::uintptr_t>(type));
    if (call("FindResourceW", {handle(module), id, kind})) return nullptr;
    if (module != instance() || !model.resources.count({kind, id})) return nullptr;
    // The handle is the resource's key, packed.
    return reinterpret_cast<HRSRC>(static_cast<std::uintptr_t>((kind << 16) | id));
}

static Resource *resource_of(HRSRC found)
{
    std::uintptr_t key = reinterpret_cast<std::uintptr_t>(found);
    auto it = model.resources.find({static_cast<int>(key >> 16), static_cast<int>(key & 0xffff)});
    return it == model.resources.end() ? nullptr : &it->second;
}

HGLOBAL LoadResource(HMODULE module, HRSRC found)
{
    if (call("LoadResource", {handle(module), handle(found)})) return nullptr;
    Resource *r = resource_of(found);
    return !r ? nullptr : r->in_place ? const_cast<std::uint8_t *>(r->in_place) : r->bytes.get();
}

LPVOID LockResource(HGLOBAL loaded)
{
    call("LockResource", {handle(loaded)});
    return loaded;
}

DWORD SizeofResource(HMODULE module, HRSRC found)
{
    call("SizeofResource", {handle(module), handle(found)});
    Resource *r = resource_of(found);
    return r ? static_cast<DWORD>(r->size) : 0;
}

HDWP BeginDeferWindowPos(int windows)
{
    if (call("BeginDeferWindowPos", {windows})) return nullptr;
    model.moves.clear();
    model.live_batch = ++model.next_batch;
    return reinterpret_cast<HDWP>(model.live_batch);
}

HDWP DeferWindowPos(HDWP batch, HWND window, HWND insert_after, int x, int y, int cx, int cy,
                    UINT flags)
{
    if (call("DeferWindowPos", {handle(batch), handle(window), handle(insert_after), x, y, cx, cy,
                                static_cast<long long>(flags)}))
        return nullptr;
    if (reinterpret_cast<std::uintptr_t>(batch) != model.live_batch) {
        record("error: stale batch handle");
        return nullptr;
    }
    model.moves.push_back({control_id(window), RECT{x, y, x + cx, y + cy}});
    // Like the desktop, a successful addition may hand back a new handle.
    model.live_batch = ++model.next_batch;
    return reinterpret_cast<HDWP>(model.live_batch);
}

BOOL EndDeferWindowPos(HDWP batch)
{
    bool failing = call("EndDeferWindowPos", {handle(batch)});
    if (reinterpret_cast<std::uintptr_t>(batch) != model.live_batch) {
        record("error: stale batch handle");
        return 0;
    }
    model.live_batch = 0;
    if (failing) return 0;
    for (const PendingMove &m : model.moves)
        if (Control *c = find_control(m.id)) c->position = m.position;
    model.moves.clear();
    return 1;
}

BOOL MapDialogRect(HWND window, LPRECT rect)
{
    if (call("MapDialogRect", {handle(window), rect->left, rect->top, rect->right, rect->bottom}))
        return 0;
    rect->left *= kPixelsPerUnitX;
    rect->right *= kPixelsPerUnitX;
    rect->top *= kPixelsPerUnitY;
    rect->bottom *= kPixelsPerUnitY;
    return 1;
}

HWND GetDlgItem(HWND window, int id)
{
    if (call("GetDlgItem", {handle(window), id})) return nullptr;
    return window == dialog() && find_control(id) ? window_of(id) : nullptr;
}

BOOL SetDlgItemTextW(HWND window, int id, LPCWSTR text)
{
    std::u16string wide = from_wide(text);
    if (call("SetDlgItemTextW", {handle(window), id}, narrow(wide))) return 0;
    Control *c = window == dialog() ? find_control(id) : nullptr;
    if (!c) return 0;
    c->text = wide;
    return 1;
}

LRESULT SendDlgItemMessageW(HWND window, int id, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (call("SendDlgItemMessageW", {handle(window), id, static_cast<long long>(message),
                                     static_cast<long long>(wparam), static_cast<long long>(lparam)}))
        return 0;
    Control *c = window == dialog() ? find_control(id) : nullptr;
    if (!c) return 0;
    switch (message) {
    case 0x0173:  // get image
        return wparam <= 1 ? reinterpret_cast<LRESULT>(c->images[wparam]) : 0;
    case 0x0172: {  // set image, answering the previous one
        if (wparam > 1) return 0;
        HANDLE previous = c->images[wparam];
        c->images[wparam] = reinterpret_cast<HANDLE>(lparam);
        return reinterpret_cast<LRESULT>(previous);
    }
    case 0x0188:  // list box: get selection
    case 0x0147:  // combo box: get selection
        return c->selection;
    case 0x0186:  // list box: set selection
    case 0x014E:  // combo box: set selection
        c->selection = static_cast<LRESULT>(wparam);
        return c->selection;
    default:
        return 0;
    }
}

HICON LoadIconW(HINSTANCE module, LPCWSTR name)
{
    if (call("LoadIconW", {handle(module), handle(name)})) return nullptr;
    return static_cast<HICON>(loaded_image(name));
}

HBITMAP LoadBitmapW(HINSTANCE module, LPCWSTR name)
{
    if (call("LoadBitmapW", {handle(module), handle(name)})) return nullptr;
    return static_cast<HBITMAP>(loaded_image(name));
}

BOOL DestroyIcon(HICON icon)
{
    if (call("DestroyIcon", {handle(icon)})) return 0;
    model.destroyed.push_back(icon);
    return 1;
}

BOOL DeleteObject(HGDIOBJ object)
{
    if (call("DeleteObject", {handle(object)})) return 0;
    model.destroyed.push_back(object);
    return 1;
}

// Runs the modal dialog: the init-dialog message, then every queued message
// in order until the dialog is ended or nothing is left.
INT_PTR DialogBoxIndirectParamW(HINSTANCE module, LPCDLGTEMPLATEW dialog_template, HWND owner,
                                DLGPROC procedure, LPARAM init)
{
    call("DialogBoxIndirectParamW", {handle(module), handle(dialog_template), handle(owner),
                                     reinterpret_cast<long long>(procedure), init});
    model.procedure = procedure;
    model.ended = false;
    procedure(dialog(), WM_INITDIALOG, 0, init);
    while (!model.ended && !model.queue.empty()) {
        MSG m = model.queue.front();
        model.queue.pop_front();
        DispatchMessageW(&m);
    }
    return model.ended ? model.result : -1;
}

BOOL EndDialog(HWND window, INT_PTR result)
{
    call("EndDialog", {handle(window), static_cast<long long>(result)});
    model.ended = true;
    model.result = result;
    return 1;
}

int GetSystemMetrics(int index)
{
    call("GetSystemMetrics", {index});
    return index == SM_CXSCREEN ? model.screen_width : index == SM_CYSCREEN ? model.screen_height : 0;
}

BOOL ShowWindow(HWND window, int command)
{
    call("ShowWindow", {handle(window), command});
    Control *c = find_control(control_id(window));
    if (!c) return 0;
    bool was_visible = c->visible;
    c->visible = command != SW_HIDE;
    return was_visible;
}

BOOL PeekMessageW(LPMSG message, HWND window, UINT first, UINT last, UINT remove)
{
    call("PeekMessageW", {handle(window), first, last, remove});
    if (model.queue.empty() || window != dialog()) return 0;
    *message = model.queue.front();
    if (remove & PM_REMOVE) model.queue.pop_front();
    return 1;
}

LRESULT DispatchMessageW(const MSG *message)
{
    call("DispatchMessageW", {handle(message->hwnd), message->message,
                              static_cast<long long>(message->wParam), message->lParam});
    if (message->hwnd == dialog() && model.procedure)
        return model.procedure(message->hwnd, message->message, message->wParam, message->lParam);
    return 0;
}

// Microsoft's semantics: at most count characters; the terminator only when
// there is room for it; -1 when the text did not fit.
int _snwprintf(WCHAR *buffer, size_t count, const WCHAR *format, ...)
{
    std::string narrow_format = narrow(from_wide(format));
    char text[1024];
    va_list arguments;
    va_start(arguments, format);
    int length = std::vsnprintf(text, sizeof text, narrow_format.c_str(), arguments);
    va_end(arguments);
    call("_snwprintf", {static_cast<long long>(count)}, text);
    std::size_t n = static_cast<std::size_t>(length);
    for (std::size_t i = 0; i < n && i < count; ++i) buffer[i] = static_cast<WCHAR>(text[i]);
    if (n < count) buffer[n] = 0;
    return n <= count ? length : -1;
}

BOOL SHInitExtraControls(void)
{
    call("SHInitExtraControls", {});
    return 1;
}

BOOL SHInitDialog(PSHINITDLGINFO info)
{
    call("SHInitDialog", {static_cast<long long>(info->dwMask), handle(info->hDlg),
                          static_cast<long long>(info->dwFlags)});
    return 1;
}

}  // extern "C"
