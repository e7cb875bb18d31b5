// The CE loader: runs the device image Velmark.exe here, under qemu-arm. It
// maps the image at its base from the file with the device's page
// protections, binds every import by name to the recording platform double
// (compiled for ARM, in Thumb code, as a system DLL may be) and to coredll's
// arithmetic helpers (arithmetic_double.cpp), calls the entry point with the
// WinMain arguments and reports every platform call and every dialog step
// as one JSON object a line. The dialog manager here drives a fixed
// session: init, a resize on a tall screen, one on a wide screen, Run, then
// OK. As on the device, the image is entered, and called back, with the
// stack only 4-byte aligned (4 mod 8).
//
// ce_loader session [--real-clock] [--tick-count N] [--show-word ADDRESS]
//                   [--command-line TEXT] [--terminate-returns] IMAGE
//     the session, with the scripted counter (or the real clock);
//     GetTickCount answers N (else the clock's milliseconds); the word at
//     ADDRESS is reported after the entry returns; the entry gets TEXT as
//     its command line (else an empty one); TerminateProcess returns to
//     the image instead of ending the process, as a system might for the
//     calling process, to see that the image does not go on
// ce_loader engine IMAGE MAKE_MATRIX LU_FACTOR LU_SOLVE
//     calls the image's own generator, factorisation and solve (addresses
//     from its symbol map) on the order-100 system; prints the digests
//
// Exit status: 0 when the image ran and its entry returned 0, 1 when it
// returned something else, 2 when the image was refused or an import is
// unknown, 3 for a usage or file error, 4 when the image ended its process
// through TerminateProcess, 5 when it executed an undefined instruction
// (a trap; its address is reported).
#include <windows.h>
#include <aygshell.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

#include "arithmetic_double.h"
#include "dialog_template_reader.h"
#include "linux_runtime.h"
#include "pe_image.h"
#include "platform_double.h"
#include "resource_ids.h"
#include "scripted_counter.h"
#include "solution_digest.h"
#include "gcc/arithmetic_helpers.h"

namespace {

using namespace ce_loader;
namespace pd = platform_double;

bool real_clock = false;
bool terminate_returns = false;
bool tick_count_given = false;
std::vector<WCHAR> command_line(1, 0);
DWORD tick_count = 0;
std::vector<Resource> image_resources;
scripted_counter::Counter counter;
unsigned long counter_reads = 0;
std::size_t calls_reported = 0;

std::string quoted(const std::string &text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (static_cast<unsigned char>(c) < 0x20) {
            out += '?';
        } else {
            out += c;
        }
    }
    return out + "\"";
}

void report_calls()
{
    const std::vector<pd::Call> &calls = pd::calls();
    for (; calls_reported < calls.size(); ++calls_reported) {
        const pd::Call &c = calls[calls_reported];
        std::string line = "{\"call\": " + quoted(c.name) + ", \"args\": [";
        for (std::size_t i = 0; i < c.args.size(); ++i)
            line += (i ? ", " : "") + std::to_string(c.args[i]);
        line += "], \"text\": " + quoted(c.text) + "}";
        std::puts(line.c_str());
    }
}

const int kControlIds[] = {201, 202, 203, 204, 1000};

void report_controls(const char *step)
{
    std::string line = "{\"controls\": " + quoted(step) + ", \"state\": [";
    bool first = true;
    for (int id : kControlIds) {
        pd::Control *c = pd::find_control(id);
        if (!c) continue;
        line += first ? "" : ", ";
        first = false;
        line += "{\"id\": " + std::to_string(id) + ", \"rect\": [" + std::to_string(c->position.left) + ", " +
                std::to_string(c->position.top) + ", " + std::to_string(c->position.right) + ", " +
                std::to_string(c->position.bottom) + "], \"text\": " + quoted(pd::narrow(c->text)) +
                ", \"visible\": " + (c->visible ? "true" : "false") + "}";
    }
    std::puts((line + "]}").c_str());
}

long long handle(const void *h) { return static_cast<long long>(reinterpret_cast<std::uintptr_t>(h)); }

// Hands one message to the image's dialog procedure, from this Thumb code,
// so that a return which cannot switch back to Thumb fails here.
DLGPROC dialog_procedure = nullptr;

unsigned word(const void *pointer) { return static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(pointer)); }

// The image's dialog procedure as the double calls it: entered as the
// device enters a callback.
INT_PTR CALLBACK image_dialog_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    const unsigned words[] = {word(dialog), message, static_cast<unsigned>(wparam), static_cast<unsigned>(lparam)};
    return static_cast<INT_PTR>(call_image(word(reinterpret_cast<const void *>(dialog_procedure)), words, 4));
}

void deliver(const char *step, UINT message, WPARAM wparam, LPARAM lparam)
{
    report_calls();
    INT_PTR result = image_dialog_procedure(pd::dialog(), message, wparam, lparam);
    report_calls();
    std::printf("{\"message\": %u, \"wparam\": %lu, \"step\": %s, \"returned\": %ld}\n", message,
                static_cast<unsigned long>(wparam), quoted(step).c_str(), static_cast<long>(result));
    report_controls(step);
}

// ---- the imports that the double does not answer as they are ----

// The modal dialog: its controls made from the template, then the session.
INT_PTR session_dialog(HINSTANCE module, LPCDLGTEMPLATEW dialog_template, HWND owner, DLGPROC procedure,
                       LPARAM init)
{
    pd::record("DialogBoxIndirectParamW", {handle(module), handle(dialog_template), handle(owner),
                                           handle(reinterpret_cast<void *>(procedure)), init});
    // The template is a resource of the image, handed out in place.
    std::size_t size = 0;
    for (const Resource &r : image_resources)
        if (r.type == 5 && r.bytes == reinterpret_cast<const std::uint8_t *>(dialog_template)) size = r.size;
    dialog_template::Template parsed;
    try {
        parsed = dialog_template::parse(reinterpret_cast<const std::uint8_t *>(dialog_template), size);
    } catch (const std::exception &error) {
        std::printf("{\"error\": %s}\n", quoted(std::string("the dialog template: ") + error.what()).c_str());
        return -1;
    }
    for (const dialog_template::Item &item : parsed.items) {
        pd::Control &control = pd::add_control(item.id);
        if (item.text.empty() || item.text[0] != '#') control.text = pd::widen(item.text);
    }
    dialog_procedure = procedure;
    pd::attach_dialog_procedure(image_dialog_procedure);
    report_controls("created");
    deliver("init dialog", WM_INITDIALOG, 0, init);
    pd::set_screen(480, 640);
    deliver("resize on a tall screen", WM_SIZE, 0, (640 << 16) | 480);
    pd::set_screen(640, 480);
    deliver("resize on a wide screen", WM_SIZE, 0, (480 << 16) | 640);
    pd::post(WM_PAINT);
    deliver("run", WM_COMMAND, CTL_RUN, reinterpret_cast<LPARAM>(pd::window_of(CTL_RUN)));
    deliver("ok", WM_COMMAND, IDOK, 0);
    report_calls();
    return pd::dialog_result();
}

// The platform passes a variadic double as two words, low first, in the
// next free argument slots: here r3 and the first stack word.
int snwprintf_platform(WCHAR *buffer, size_t count, const WCHAR *format, std::uint32_t low,
                       std::uint32_t high)
{
    std::uint64_t bits = (static_cast<std::uint64_t>(high) << 32) | low;
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return _snwprintf(buffer, count, format, value);
}

BOOL query_counter(long long *ticks)
{
    ++counter_reads;
    *ticks = real_clock ? monotonic_nanoseconds() : counter.next();
    return 1;
}

BOOL query_frequency(long long *ticks_per_second)
{
    *ticks_per_second = real_clock ? 1000000000LL : scripted_counter::kTicksPerSecond;
    return 1;
}

double absolute(double value) { return std::fabs(value); }
double round_down(double value) { return std::floor(value); }

DWORD tick_count_now()
{
    pd::record("GetTickCount", {});
    return tick_count_given ? tick_count : static_cast<DWORD>(monotonic_nanoseconds() / 1000000);
}

// The failure path of the image's stack guard ends the process at once:
// nothing of the image runs after this call, unless the session asks it
// to return, to see what the image does then.
BOOL terminate_process(HANDLE process, UINT exit_code)
{
    pd::record("TerminateProcess", {handle(process), exit_code});
    report_calls();
    std::printf("{\"terminated\": %u, \"returns\": %s}\n", exit_code, terminate_returns ? "true" : "false");
    std::fflush(stdout);
    if (terminate_returns) return 1;
    _exit(4);
}

// An undefined instruction ends the process on the device.
void trapped(unsigned long pc)
{
    report_calls();
    std::printf("{\"trapped\": \"0x%08lx\"}\n", pc);
    std::fflush(stdout);
    _exit(5);
}

// Each export is reached through a trampoline of its own, which aligns the
// stack for this EABI code (the image calls with it 4 mod 8).
int trampolines_used = 0;

void *through_trampoline(void *function)
{
    if (trampolines_used == kRealignTrampolines) {
        std::fprintf(stderr, "ce_loader: more exports than trampolines\n");
        _exit(3);
    }
    realign_targets[trampolines_used] = function;
    return realign_trampolines + 8 * trampolines_used++;
}

#define EXPORT(dll, name, function) {dll, name, through_trampoline(reinterpret_cast<void *>(function))}

std::vector<Export> exports()
{
    trampolines_used = 0;
    return {
        EXPORT("coredll.dll", "FindResourceW", FindResourceW),
        EXPORT("coredll.dll", "LoadResource", LoadResource),
        EXPORT("coredll.dll", "SizeofResource", SizeofResource),
        EXPORT("coredll.dll", "DialogBoxIndirectParamW", session_dialog),
        EXPORT("coredll.dll", "EndDialog", EndDialog),
        EXPORT("coredll.dll", "ShowWindow", ShowWindow),
        EXPORT("coredll.dll", "GetDlgItem", GetDlgItem),
        EXPORT("coredll.dll", "SetDlgItemTextW", SetDlgItemTextW),
        EXPORT("coredll.dll", "SendDlgItemMessageW", SendDlgItemMessageW),
        EXPORT("coredll.dll", "PeekMessageW", PeekMessageW),
        EXPORT("coredll.dll", "DispatchMessageW", DispatchMessageW),
        EXPORT("coredll.dll", "GetSystemMetrics", GetSystemMetrics),
        EXPORT("coredll.dll", "MapDialogRect", MapDialogRect),
        EXPORT("coredll.dll", "BeginDeferWindowPos", BeginDeferWindowPos),
        EXPORT("coredll.dll", "DeferWindowPos", DeferWindowPos),
        EXPORT("coredll.dll", "EndDeferWindowPos", EndDeferWindowPos),
        EXPORT("coredll.dll", "LoadIconW", LoadIconW),
        EXPORT("coredll.dll", "LoadBitmapW", LoadBitmapW),
        EXPORT("coredll.dll", "DestroyIcon", DestroyIcon),
        EXPORT("coredll.dll", "DeleteObject", DeleteObject),
        EXPORT("coredll.dll", "QueryPerformanceCounter", query_counter),
        EXPORT("coredll.dll", "QueryPerformanceFrequency", query_frequency),
        EXPORT("coredll.dll", "_snwprintf", snwprintf_platform),
        EXPORT("coredll.dll", "fabs", absolute),
        EXPORT("coredll.dll", "floor", round_down),
        EXPORT("coredll.dll", "GetTickCount", tick_count_now),
        EXPORT("coredll.dll", "TerminateProcess", terminate_process),
        EXPORT("coredll.dll", "__adds", __adds),
        EXPORT("coredll.dll", "__subs", __subs),
        EXPORT("coredll.dll", "__muls", __muls),
        EXPORT("coredll.dll", "__divs", __divs),
        EXPORT("coredll.dll", "__addd", __addd),
        EXPORT("coredll.dll", "__subd", __subd),
        EXPORT("coredll.dll", "__muld", __muld),
        EXPORT("coredll.dll", "__divd", __divd),
        EXPORT("coredll.dll", "__stod", __stod),
        EXPORT("coredll.dll", "__dtos", __dtos),
        EXPORT("coredll.dll", "__itos", __itos),
        EXPORT("coredll.dll", "__itod", __itod),
        EXPORT("coredll.dll", "__i64tos", __i64tos),
        EXPORT("coredll.dll", "__dtoi", __dtoi),
        EXPORT("aygshell.dll", "SHInitExtraControls", SHInitExtraControls),
        EXPORT("aygshell.dll", "SHInitDialog", SHInitDialog),
    };
}

// ---- the two modes ----

std::vector<std::uint8_t> read_file(const char *path)
{
    std::vector<std::uint8_t> bytes;
    std::FILE *f = std::fopen(path, "rb");
    if (!f) return bytes;
    std::uint8_t block[4096];
    for (std::size_t got; (got = std::fread(block, 1, sizeof block, f)) > 0;)
        bytes.insert(bytes.end(), block, block + got);
    std::fclose(f);
    return bytes;
}

int refuse(const std::string &why)
{
    std::printf("{\"refused\": %s}\n", quoted(why).c_str());
    return 2;
}

int load(const char *path, MappedImage &image)
{
    std::vector<std::uint8_t> file = read_file(path);
    if (file.empty()) {
        std::fprintf(stderr, "ce_loader: cannot read %s\n", path);
        return 3;
    }
    std::string wrong = map_image(file, image);
    if (wrong.empty()) wrong = bind_imports(image, exports());
    return wrong.empty() ? 0 : refuse(wrong);
}

void report_helper_calls()
{
    std::size_t count = 0;
    const HelperCount *helpers = helper_counts(count);
    std::string line = "{\"helper calls\": {";
    for (std::size_t i = 0; i < count; ++i)
        line += (i ? ", " : "") + quoted(helpers[i].name) + ": " + std::to_string(helpers[i].calls);
    std::puts((line + "}}").c_str());
}

int run_session(const char *path, std::uint32_t show_word)
{
    MappedImage image;
    if (int status = load(path, image)) return status;
    pd::reset();
    std::string wrong = numbered_resources(image, image_resources);
    if (!wrong.empty()) return refuse(wrong);
    for (const Resource &r : image_resources) pd::add_resource_in_place(r.type, r.id, r.bytes, r.size);

    const unsigned arguments[] = {word(pd::instance()), 0, word(command_line.data()), SW_SHOW};
    int result = static_cast<int>(call_image(image.entry, arguments, 4));
    report_calls();
    report_helper_calls();
    if (show_word) {
        std::uint32_t value = 0;
        if (show_word < image.base || show_word - image.base > image.size - 4) return refuse("a word outside the image");
        std::memcpy(&value, reinterpret_cast<const void *>(static_cast<std::uintptr_t>(show_word)), 4);
        std::printf("{\"word\": \"0x%08lx\", \"at\": \"0x%08lx\"}\n", static_cast<unsigned long>(value),
                    static_cast<unsigned long>(show_word));
    }
    std::printf("{\"entry returned\": %d, \"counter reads\": %lu, \"clock\": %s}\n", result, counter_reads,
                real_clock ? "\"real\"" : "\"scripted\"");
    return result == 0 ? 0 : 1;
}

int run_engine(const char *path, char **addresses)
{
    MappedImage image;
    if (int status = load(path, image)) return status;
    std::uint32_t at[3];
    for (int i = 0; i < 3; ++i) {
        at[i] = static_cast<std::uint32_t>(std::strtoul(addresses[i], nullptr, 0));
        if (at[i] < image.code_start || at[i] >= image.code_end) return refuse("an engine address outside the code");
    }
    const unsigned n = 100, lda = 201;
    for (unsigned job = 0; job < 2; ++job) {
        std::vector<float> a(lda * n), b(n);
        std::vector<int> pivots(n);
        int info = -1;
        const unsigned make_matrix[] = {word(a.data()), lda, n, word(b.data())};
        const unsigned lu_factor[] = {word(a.data()), lda, n, word(pivots.data()), word(&info)};
        const unsigned lu_solve[] = {word(a.data()), lda, n, word(pivots.data()), word(b.data()), job};
        call_image(at[0], make_matrix, 4);
        call_image(at[1], lu_factor, 5);
        call_image(at[2], lu_solve, 6);
        std::printf("{\"job\": %u, \"info\": %d, \"digest\": \"0x%016llx\"}\n", job, info,
                    static_cast<unsigned long long>(velmark::solution_digest(b.data(), n)));
    }
    return 0;
}

}  // namespace

int main(int argc, char **argv)
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (!on_undefined_instruction(trapped)) {
        std::fprintf(stderr, "ce_loader: cannot catch undefined instructions\n");
        return 3;
    }
    if (argc >= 3 && std::strcmp(argv[1], "session") == 0) {
        int at = 2;
        std::uint32_t show_word = 0;
        for (; at + 1 < argc; ++at) {
            if (std::strcmp(argv[at], "--real-clock") == 0) {
                real_clock = true;
            } else if (std::strcmp(argv[at], "--tick-count") == 0 && at + 2 < argc) {
                tick_count_given = true;
                tick_count = static_cast<DWORD>(std::strtoul(argv[++at], nullptr, 0));
            } else if (std::strcmp(argv[at], "--command-line") == 0 && at + 2 < argc) {
                const char *text = argv[++at];
                command_line.assign(text, text + std::strlen(text));
                command_line.push_back(0);
            } else if (std::strcmp(argv[at], "--terminate-returns") == 0) {
                terminate_returns = true;
            } else if (std::strcmp(argv[at], "--show-word") == 0 && at + 2 < argc) {
                show_word = static_cast<std::uint32_t>(std::strtoul(argv[++at], nullptr, 0));
            } else {
                break;
            }
        }
        if (at + 1 == argc) return run_session(argv[at], show_word);
    } else if (argc == 6 && std::strcmp(argv[1], "engine") == 0) {
        return run_engine(argv[2], argv + 3);
    }
    std::fprintf(stderr,
                 "usage: ce_loader session [--real-clock] [--tick-count N] [--show-word ADDRESS]\n"
                 "                         [--command-line TEXT] [--terminate-returns] IMAGE\n"
                 "       ce_loader engine IMAGE MAKE_MATRIX LU_FACTOR LU_SOLVE\n");
    return 3;
}
