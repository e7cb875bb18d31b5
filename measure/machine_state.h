// What the machine was doing while it measured, and when that makes a
// figure not comparable. Each process of a measurement samples the
// system before and after its counted runs (its own CPU time, its
// involuntary context switches, the whole system's processor time from
// /proc/stat or its Windows counterpart) and measures the core's clock by
// a chain of dependent integer additions before and after. The report
// keeps those raw numbers; the shares and the warnings follow from them
// by the rules here, which the results' gate recomputes (web/machine_state.js).
#pragma once

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace velmark {

inline constexpr double kUnknown = std::numeric_limits<double>::quiet_NaN();

// The whole system's processor time, summed over its processors, in seconds.
struct SystemTimes {
    bool known = false;
    double busy = 0.0;   // user, nice, system, interrupts
    double steal = 0.0;  // taken by the hypervisor for other guests
    double total = 0.0;  // everything, idle and waiting included
    double runnable = kUnknown;  // threads ready to run, this process's included
};

// The first "cpu" line and "procs_running" of /proc/stat (ticks of 1/100 s).
SystemTimes parse_proc_stat(const std::string &text);

// One sample of the process and the system.
struct StateSample {
    double wall = 0.0;                    // a steady clock, in seconds
    double cpu_seconds = kUnknown;        // this process's user and system time
    double involuntary_switches = kUnknown;
    SystemTimes system;
};

// A process's counted runs, from the samples before and after them.
struct ProcessState {
    double wall_seconds = 0.0;
    double cpu_seconds = kUnknown;
    double involuntary_switches = kUnknown;
    double system_busy_seconds = kUnknown;
    double system_steal_seconds = kUnknown;
    double system_total_seconds = kUnknown;
    double runnable_at_start = kUnknown;
    double clock_hz_before = kUnknown;    // the core's clock, measured
    double clock_hz_after = kUnknown;
};

ProcessState state_between(const StateSample &before, const StateSample &after);

// The measurement's state, over all its processes.
struct MachineState {
    double clock_hz = kUnknown;            // the median of the processes' clocks
    double ops_per_cycle = kUnknown;       // the headline's operations a cycle of that clock
    double cpu_share = kUnknown;           // CPU time over wall time
    double involuntary_switches = kUnknown;
    double steal_share = kUnknown;         // of all processors' time
    double others_busy_share = kUnknown;   // the other processors' busy time over their capacity
    double runnable_at_start = kUnknown;   // the most seen at any process's start
    double clock_after_to_before = kUnknown;  // the last half's clocks after over the first half's before (medians)
    double first_third_kflops = kUnknown;  // the median run of the first and the last third
    double last_third_kflops = kUnknown;
};

// The shares of time are told only over at least this much counted time:
// the system counts processor time in ticks of 10 ms, and a share over a
// second of them is off by a tick or two of a hundred, 1 to 2%.
inline constexpr double kLeastSharedSeconds = 1.0;

// `runs_kflops` in the order they ran; `logical_cpus` 0 when not known.
MachineState machine_state(const std::vector<ProcessState> &processes, const std::vector<int> &runs_kflops,
                           double headline_kflops, int logical_cpus);

// A condition that makes the figure not comparable: its code, the share
// measured and the limit it passed. The text report and the page word it.
struct Warning {
    std::string code;
    double value = 0.0;
    double limit = 0.0;
};

// The hypervisor took more than 2% of the processors: a share that every
// run loses in slices it cannot see, and more than the interval's width
// on a quiet machine (1%).
inline constexpr const char *kStealWarning = "steal";
inline constexpr double kMostStealShare = 0.02;
// The process had its processor less than 95% of the wall time: other
// threads ran on it, and a best block no longer says what the core does.
inline constexpr const char *kDescheduledWarning = "descheduled";
inline constexpr double kLeastCpuShare = 0.95;
// The core's clock was 5% lower after the runs than before: throttling,
// which the headline carries and a rerun on a cool machine would not.
inline constexpr const char *kClockFellWarning = "clock_fell";
inline constexpr double kLeastClockAfterToBefore = 0.95;
// The other processors were more than half busy: on a shared core or
// shared cache that takes the runner's bandwidth, and boost clocks drop
// when more cores run.
inline constexpr const char *kOthersBusyWarning = "others_busy";
inline constexpr double kMostOthersBusyShare = 0.5;
// The last third's median run is 10% below the first third's: the machine
// changed while it measured (twice the clock's allowance, as the rate also
// moves with cache and memory state).
inline constexpr const char *kRateFellWarning = "rate_fell";
inline constexpr double kLeastLastToFirstThird = 0.90;

std::vector<Warning> comparability_warnings(const MachineState &state);

}  // namespace velmark
