// The runner's questions to Windows: GetProcessTimes for the process,
// GetSystemTimes for the system (which has no steal time to tell and no
// involuntary switches per process), no frequency settings, and a fresh
// process by CreateProcess of this program (Windows cannot fork).
#include <windows.h>

#include "runner_platform.h"

namespace velmark {

namespace {

double seconds_of(const FILETIME &time)
{
    ULARGE_INTEGER value;
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    return 1e-7 * static_cast<double>(value.QuadPart);
}

// One argument as the C runtime's parser reads it back: quoted, with the
// backslashes before a quote (or before the closing quote) doubled.
std::wstring quoted(const std::string &argument)
{
    std::wstring wide(argument.begin(), argument.end());
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : wide) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(2 * backslashes, L'\\');
    return out + L"\"";
}

}  // namespace

StateSample sample_state_now()
{
    StateSample sample;
    FILETIME created, exited, kernel, user;
    if (GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) {
        sample.cpu_seconds = seconds_of(kernel) + seconds_of(user);
    }
    FILETIME idle, system_kernel, system_user;
    if (GetSystemTimes(&idle, &system_kernel, &system_user)) {
        // The kernel's time includes the idle time.
        sample.system.known = true;
        sample.system.total = seconds_of(system_kernel) + seconds_of(system_user);
        sample.system.busy = sample.system.total - seconds_of(idle);
        sample.system.steal = kUnknown;
    }
    return sample;
}

FrequencySettings frequency_settings()
{
    return FrequencySettings();
}

std::vector<int> allowed_processors()
{
    std::vector<int> processors;
    DWORD_PTR process = 0, system = 0;
    if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system)) {
        for (int cpu = 0; cpu < static_cast<int>(8 * sizeof process); ++cpu) {
            if (process & (static_cast<DWORD_PTR>(1) << cpu)) processors.push_back(cpu);
        }
    }
    return processors;
}

std::string pin_to_processor(int processor)
{
    if (processor < 0 || processor >= static_cast<int>(8 * sizeof(DWORD_PTR))) return "no such processor";
    return SetProcessAffinityMask(GetCurrentProcess(), static_cast<DWORD_PTR>(1) << processor)
               ? std::string()
               : "error " + std::to_string(GetLastError());
}

std::vector<ProcessorPlace> processor_topology(const std::vector<int> &processors)
{
    std::vector<ProcessorPlace> places;
    for (int cpu : processors) {
        ProcessorPlace place;
        place.processor = cpu;
        places.push_back(place);
    }
    return places;
}

namespace {

// This program started again with `arguments`, its standard output a pipe
// of ours; `flags` as CreateProcess takes them. False with `failure` set
// when it could not be started.
struct Child {
    PROCESS_INFORMATION process = {};
    HANDLE output = nullptr;
};

bool start_child(const std::vector<std::string> &arguments, DWORD flags, Child *child, std::string *failure)
{
    wchar_t program[MAX_PATH + 1];
    DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) {
        *failure = "cannot find this program's own file";
        return false;
    }
    std::wstring command = L"\"" + std::wstring(program) + L"\"";
    for (const std::string &argument : arguments) command += L" " + quoted(argument);

    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE write_end = nullptr;
    if (!CreatePipe(&child->output, &write_end, &inherit, 0)) {
        *failure = "cannot make a pipe";
        return false;
    }
    SetHandleInformation(child->output, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write_end;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    std::vector<wchar_t> line(command.begin(), command.end());
    line.push_back(L'\0');
    const BOOL started =
        CreateProcessW(program, line.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr, &startup, &child->process);
    CloseHandle(write_end);
    if (!started) {
        CloseHandle(child->output);
        *failure = "cannot start a process (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    return true;
}

// What the child printed, once it has ended; empty with `failure` set when
// it failed.
std::string finish_child(Child &child, std::string *failure)
{
    std::string text;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(child.output, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
    CloseHandle(child.output);
    WaitForSingleObject(child.process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(child.process.hProcess, &code);
    CloseHandle(child.process.hThread);
    CloseHandle(child.process.hProcess);
    if (code != 0) {
        *failure = "exited with status " + std::to_string(code);
        return "";
    }
    return text;
}

}  // namespace

std::string run_in_fresh_process(const std::function<std::string()> &, const std::vector<std::string> &arguments,
                                 std::string *failure)
{
    Child child;
    return start_child(arguments, 0, &child, failure) ? finish_child(child, failure) : std::string();
}

// Each copy is started suspended and pinned from here; when every one is,
// all are resumed together: none runs alone at the start.
std::vector<CopyOutcome> run_copies_together(const std::vector<int> &processors, const std::function<std::string(int)> &,
                                             const std::function<std::string(int)> &,
                                             const std::vector<std::string> &arguments)
{
    std::vector<CopyOutcome> outcomes(processors.size());
    std::vector<Child> children(processors.size());
    std::vector<bool> started(processors.size(), false);
    for (std::size_t k = 0; k < processors.size(); ++k) {
        CopyOutcome &o = outcomes[k];
        if (!start_child(arguments, CREATE_SUSPENDED, &children[k], &o.failure)) continue;
        started[k] = true;
        const int processor = processors[k];
        if (processor < 0 || processor >= static_cast<int>(8 * sizeof(DWORD_PTR)) ||
            !SetProcessAffinityMask(children[k].process.hProcess, static_cast<DWORD_PTR>(1) << processor)) {
            o.failure = "cannot be pinned to its processor: error " + std::to_string(GetLastError());
            TerminateProcess(children[k].process.hProcess, 4);
        }
    }
    for (std::size_t k = 0; k < processors.size(); ++k) {
        if (started[k] && outcomes[k].failure.empty()) ResumeThread(children[k].process.hThread);
    }
    for (std::size_t k = 0; k < processors.size(); ++k) {
        if (!started[k]) continue;
        std::string failure;
        std::string text = finish_child(children[k], &failure);
        if (outcomes[k].failure.empty()) {
            outcomes[k].failure = failure;
            outcomes[k].text = text;
        }
    }
    return outcomes;
}

}  // namespace velmark
