// The recording test double of the platform calls the shell makes. It logs
// every call with its arguments, answers from a small model of one dialog
// (controls by id with their texts, images, selections, visibility and
// positions, the program's resources, the screen and the message queue),
// and makes any call fail on demand.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace platform_double {

struct Control {
    int id = 0;
    std::u16string text;
    bool visible = true;
    RECT position{};               // in pixels, as the last ended batch left it
    HANDLE images[2] = {nullptr, nullptr};  // [0] bitmap, [1] icon
    LRESULT selection = -1;
};

struct Call {
    std::string name;
    std::vector<long long> args;  // integers and handles, in the order passed
    std::string text;             // a wide text argument, narrowed
};

// The handles the model hands out.
HINSTANCE instance();
HWND dialog();
HWND window_of(int control_id);

// Starts from an empty model: no controls, resources, failures or calls, a
// 240 x 320 screen and an empty queue.
void reset();

Control &add_control(int id);
Control *find_control(int id);

// A resource of the given numeric type and name. The bytes live in an
// allocation of exactly their size, so a read past them is caught.
void add_resource(int type, int id, const std::vector<std::uint8_t> &bytes);
// A resource whose bytes stay where they are: LoadResource hands out that
// address (the CE loader's, inside the mapped image).
void add_resource_in_place(int type, int id, const std::uint8_t *bytes, std::size_t size);

// Makes the nth call (1-based) of the named function fail, or every call
// when nth is 0.
void fail(const std::string &function, int nth = 0);

// Dialog units to pixels, as MapDialogRect converts them here.
inline constexpr int kPixelsPerUnitX = 2;
inline constexpr int kPixelsPerUnitY = 3;

void set_screen(int width, int height);

// Queues a message for the dialog, as if the system had posted it.
void post(UINT message, WPARAM wparam = 0, LPARAM lparam = 0);
std::size_t pending();

// The procedure that DispatchMessageW hands the dialog's messages to; set
// by DialogBoxIndirectParamW, or by a test that drives the procedure itself.
void attach_dialog_procedure(DLGPROC procedure);


const std::vector<Call> &calls();
std::vector<Call> calls_named(const std::string &name);
std::size_t count(const std::string &name);
// Position of the first call with that name in the log, or -1.
long index_of(const std::string &name, std::size_t from = 0);
// Records a call made by a test's own stand-in (run_benchmark, say), so that
// it appears in the log between the platform calls.
void record(const std::string &name, std::vector<long long> args = {});

// Like desktop Win32's LoadIcon: every load of the same resource answers
// the same shared handle, kShared + the resource number.
void share_loaded_images(bool shared);
inline constexpr std::uintptr_t kShared = 0x50000;

// Handles destroyed through DestroyIcon or DeleteObject.
const std::vector<HANDLE> &destroyed_images();

// How the modal dialog ended: -1 while it has not.
INT_PTR dialog_result();

std::string narrow(const std::u16string &text);
std::u16string widen(const std::string &text);

}  // namespace platform_double
