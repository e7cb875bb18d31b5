// The runner's questions to a POSIX system: getrusage for the process,
// Linux's /proc/stat and cpufreq files for the system, and fork for a
// fresh process (which also works under a user-mode emulator, where a
// program cannot start its own binary again).
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "runner_platform.h"

namespace velmark {

namespace {

std::string file_text(const char *path)
{
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    std::string s = text.str();
    while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
    return s;
}

double khz_file(const char *path)
{
    std::string text = file_text(path);
    return text.empty() || text.find_first_not_of("0123456789") != std::string::npos ? kUnknown
                                                                                       : 1000.0 * std::stod(text);
}

bool write_all(int fd, const std::string &text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

StateSample sample_state_now()
{
    StateSample sample;
    struct rusage usage;
    if (getrusage(RUSAGE_SELF, &usage) == 0) {
        sample.cpu_seconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                             1e-6 * static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
        sample.involuntary_switches = static_cast<double>(usage.ru_nivcsw);
    }
    sample.system = parse_proc_stat(file_text("/proc/stat"));
    return sample;
}

FrequencySettings frequency_settings()
{
    FrequencySettings settings;
    settings.governor = file_text("/sys/devices/system/cpu/cpu0/cpufreq/scaling_governor");
    settings.min_hz = khz_file("/sys/devices/system/cpu/cpu0/cpufreq/scaling_min_freq");
    settings.max_hz = khz_file("/sys/devices/system/cpu/cpu0/cpufreq/scaling_max_freq");
    std::string boost = file_text("/sys/devices/system/cpu/cpufreq/boost");
    std::string no_turbo = file_text("/sys/devices/system/cpu/intel_pstate/no_turbo");
    if (boost == "1" || no_turbo == "0") settings.boost = "on";
    if (boost == "0" || no_turbo == "1") settings.boost = "off";
    return settings;
}

std::string run_in_fresh_process(const std::function<std::string()> &work, const std::vector<std::string> &,
                                 std::string *failure)
{
    int pipe_ends[2];
    if (pipe(pipe_ends) != 0) {
        *failure = std::string("cannot make a pipe: ") + std::strerror(errno);
        return "";
    }
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child < 0) {
        *failure = std::string("cannot start a process: ") + std::strerror(errno);
        close(pipe_ends[0]);
        close(pipe_ends[1]);
        return "";
    }
    if (child == 0) {
        close(pipe_ends[0]);
        const bool written = write_all(pipe_ends[1], work());
        _exit(written ? 0 : 1);
    }
    close(pipe_ends[1]);
    std::string text;
    char buffer[65536];
    for (;;) {
        ssize_t n = read(pipe_ends[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    close(pipe_ends[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status)) {
        *failure = std::string("killed by signal ") + std::to_string(WTERMSIG(status)) + " (" +
                   strsignal(WTERMSIG(status)) + ")";
        return "";
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        *failure = "exited with status " + std::to_string(WEXITSTATUS(status));
        return "";
    }
    return text;
}

}  // namespace velmark
