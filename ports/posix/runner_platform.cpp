// The runner's questions to a POSIX system: getrusage for the process,
// Linux's /proc/stat and cpufreq files for the system, and fork for a
// fresh process (which also works under a user-mode emulator, where a
// program cannot start its own binary again).
#include <fcntl.h>
#include <sched.h>
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

namespace {

// The exit status of a copy that could not be pinned; what it wrote is why.
constexpr int kCannotPin = 4;

// Everything a child writes on its pipe, until it closes it.
std::string read_all(int fd)
{
    std::string text;
    char buffer[65536];
    for (;;) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    return text;
}

// How a child ended: empty when it exited with status 0.
std::string ended_how(pid_t child)
{
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status)) {
        return std::string("killed by signal ") + std::to_string(WTERMSIG(status)) + " (" + strsignal(WTERMSIG(status)) +
               ")";
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "exited with status " + std::to_string(WEXITSTATUS(status));
    return "";
}

}  // namespace

std::vector<int> allowed_processors()
{
    std::vector<int> processors;
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0) {
        for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
            if (CPU_ISSET(cpu, &set)) processors.push_back(cpu);
        }
    }
    return processors;
}

std::string pin_to_processor(int processor)
{
    if (processor < 0 || processor >= CPU_SETSIZE) return "no such processor";
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(processor, &set);
    return sched_setaffinity(0, sizeof set, &set) == 0 ? std::string() : std::string(std::strerror(errno));
}

std::vector<ProcessorPlace> processor_topology(const std::vector<int> &processors)
{
    std::vector<ProcessorPlace> places;
    for (int cpu : processors) {
        const std::string folder = "/sys/devices/system/cpu/cpu" + std::to_string(cpu) + "/";
        ProcessorPlace place;
        place.processor = cpu;
        place.core = file_text((folder + "topology/thread_siblings_list").c_str());
        std::string capacity = file_text((folder + "cpu_capacity").c_str());
        if (!capacity.empty() && capacity.find_first_not_of("0123456789") == std::string::npos) {
            place.capacity = std::stod(capacity);
        }
        places.push_back(place);
    }
    return places;
}

std::vector<CopyOutcome> run_copies_together(const std::vector<int> &processors,
                                             const std::function<std::string(int)> &pin,
                                             const std::function<std::string(int)> &work, const std::vector<std::string> &)
{
    const int count = static_cast<int>(processors.size());
    std::vector<CopyOutcome> outcomes(static_cast<std::size_t>(count));
    // Each copy says it is ready on `ready` (one byte, or a refusal to pin)
    // and waits on `go` until the runner closes it: the barrier.
    int ready[2], go[2];
    if (pipe(ready) != 0 || pipe(go) != 0) {
        for (CopyOutcome &o : outcomes) o.failure = std::string("cannot make a pipe: ") + std::strerror(errno);
        return outcomes;
    }
    std::vector<pid_t> children;
    std::vector<int> records;
    std::fflush(nullptr);
    for (int k = 0; k < count; ++k) {
        int record[2];
        if (pipe(record) != 0) {
            outcomes[static_cast<std::size_t>(k)].failure = std::string("cannot make a pipe: ") + std::strerror(errno);
            children.push_back(-1);
            records.push_back(-1);
            continue;
        }
        const pid_t child = fork();
        if (child == 0) {
            close(ready[0]);
            close(go[1]);
            close(record[0]);
            const std::string refused = pin(k);
            // A refusal is said on the record and the barrier still kept.
            const char mark = refused.empty() ? '+' : '-';
            write_all(ready[1], std::string(1, mark));
            close(ready[1]);
            if (!refused.empty()) {
                write_all(record[1], refused);
                _exit(kCannotPin);
            }
            char byte;
            while (read(go[0], &byte, 1) < 0 && errno == EINTR) {
            }
            _exit(write_all(record[1], work(k)) ? 0 : 1);
        }
        close(record[1]);
        if (child < 0) {
            outcomes[static_cast<std::size_t>(k)].failure = std::string("cannot start a process: ") + std::strerror(errno);
            close(record[0]);
            record[0] = -1;
        }
        children.push_back(child);
        records.push_back(record[0]);
    }
    close(ready[1]);
    close(go[0]);
    // Every copy started has said it is ready (or died trying) before any is let go.
    int started = 0;
    for (pid_t child : children) started += child > 0;
    for (int seen = 0; seen < started;) {
        char byte;
        ssize_t n = read(ready[0], &byte, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        ++seen;
    }
    close(ready[0]);
    close(go[1]);
    for (int k = 0; k < count; ++k) {
        if (children[static_cast<std::size_t>(k)] <= 0) continue;
        CopyOutcome &o = outcomes[static_cast<std::size_t>(k)];
        o.text = read_all(records[static_cast<std::size_t>(k)]);
        close(records[static_cast<std::size_t>(k)]);
        const std::string how = ended_how(children[static_cast<std::size_t>(k)]);
        if (how == "exited with status " + std::to_string(kCannotPin)) {
            o.failure = "cannot be pinned to its processor: " + o.text;
            o.text.clear();
        } else if (!how.empty()) {
            o.failure = how;
            o.text.clear();
        }
    }
    return outcomes;
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
    std::string text = read_all(pipe_ends[0]);
    close(pipe_ends[0]);
    *failure = ended_how(child);
    return failure->empty() ? text : "";
}

}  // namespace velmark
