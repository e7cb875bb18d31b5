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

std::string copies_unsupported_reason()
{
    return "copies running at once are not built for Windows yet";
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

// Copies at once need a process started again with the barrier's events
// handed to it, which this runner does not do yet on Windows.
std::vector<CopyOutcome> run_copies_together(int count, const std::function<std::string(int)> &,
                                             const std::function<std::string(int)> &)
{
    std::vector<CopyOutcome> outcomes(static_cast<std::size_t>(count));
    for (CopyOutcome &o : outcomes) o.failure = "copies running at once are not built for Windows yet";
    return outcomes;
}

std::string run_in_fresh_process(const std::function<std::string()> &, const std::vector<std::string> &arguments,
                                 std::string *failure)
{
    wchar_t program[MAX_PATH + 1];
    DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) {
        *failure = "cannot find this program's own file";
        return "";
    }
    std::wstring command = L"\"" + std::wstring(program) + L"\"";
    for (const std::string &argument : arguments) command += L" " + quoted(argument);

    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE read_end = nullptr, write_end = nullptr;
    if (!CreatePipe(&read_end, &write_end, &inherit, 0)) {
        *failure = "cannot make a pipe";
        return "";
    }
    SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write_end;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process = {};
    std::vector<wchar_t> line(command.begin(), command.end());
    line.push_back(L'\0');
    if (!CreateProcessW(program, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        CloseHandle(read_end);
        CloseHandle(write_end);
        *failure = "cannot start a process (error " + std::to_string(GetLastError()) + ")";
        return "";
    }
    CloseHandle(write_end);
    std::string text;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(read_end, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
    CloseHandle(read_end);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (code != 0) {
        *failure = "exited with status " + std::to_string(code);
        return "";
    }
    return text;
}

}  // namespace velmark
