#include "machine_state.h"

#include <algorithm>
#include <sstream>

namespace velmark {

namespace {

// Linux reports processor time in ticks of USER_HZ, 100 a second on every
// architecture it runs on.
constexpr double kTicksPerSecond = 100.0;

double median_of(std::vector<double> values)
{
    values.erase(std::remove_if(values.begin(), values.end(), [](double v) { return std::isnan(v); }), values.end());
    if (values.empty()) return kUnknown;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

double median_run(const std::vector<int> &runs, std::size_t first, std::size_t count)
{
    return median_of(std::vector<double>(runs.begin() + static_cast<long>(first),
                                         runs.begin() + static_cast<long>(first + count)));
}

// A sum over processes: unknown (NaN) when any process's part is.
double sum_of(const std::vector<ProcessState> &processes, double ProcessState::*field)
{
    double sum = 0.0;
    for (const ProcessState &p : processes) sum += p.*field;
    return sum;
}

}  // namespace

SystemTimes parse_proc_stat(const std::string &text)
{
    SystemTimes times;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string name;
        fields >> name;
        if (name == "cpu") {
            // user nice system idle iowait irq softirq steal (guest time is
            // already in user and nice)
            double f[8] = {0, 0, 0, 0, 0, 0, 0, 0};
            int read = 0;
            while (read < 8 && fields >> f[read]) ++read;
            if (read < 4) return SystemTimes();
            times.known = true;
            times.busy = (f[0] + f[1] + f[2] + f[5] + f[6]) / kTicksPerSecond;
            times.steal = f[7] / kTicksPerSecond;
            times.total = (f[0] + f[1] + f[2] + f[3] + f[4] + f[5] + f[6] + f[7]) / kTicksPerSecond;
        } else if (name == "procs_running") {
            double running = 0.0;
            if (fields >> running) times.runnable = running;
        }
    }
    return times;
}

ProcessState state_between(const StateSample &before, const StateSample &after)
{
    ProcessState state;
    state.wall_seconds = after.wall - before.wall;
    state.cpu_seconds = after.cpu_seconds - before.cpu_seconds;
    state.involuntary_switches = after.involuntary_switches - before.involuntary_switches;
    if (before.system.known && after.system.known) {
        state.system_busy_seconds = after.system.busy - before.system.busy;
        state.system_steal_seconds = after.system.steal - before.system.steal;
        state.system_total_seconds = after.system.total - before.system.total;
    }
    state.runnable_at_start = before.system.runnable;
    return state;
}

MachineState machine_state(const std::vector<ProcessState> &processes, const std::vector<int> &runs_kflops,
                           double headline_kflops, int logical_cpus)
{
    MachineState state;
    if (processes.empty()) return state;
    std::vector<double> clocks;
    for (const ProcessState &p : processes) clocks.push_back((p.clock_hz_before + p.clock_hz_after) / 2.0);
    state.clock_hz = median_of(clocks);
    if (state.clock_hz > 0.0) state.ops_per_cycle = headline_kflops * 1000.0 / state.clock_hz;
    const double wall = sum_of(processes, &ProcessState::wall_seconds);
    const double cpu = sum_of(processes, &ProcessState::cpu_seconds);
    state.involuntary_switches = sum_of(processes, &ProcessState::involuntary_switches);
    const double total = sum_of(processes, &ProcessState::system_total_seconds);
    if (wall >= kLeastSharedSeconds) state.cpu_share = cpu / wall;
    if (wall >= kLeastSharedSeconds && total > 0.0) {
        state.steal_share = sum_of(processes, &ProcessState::system_steal_seconds) / total;
        if (logical_cpus >= 2) {
            const double others = sum_of(processes, &ProcessState::system_busy_seconds) - cpu;
            state.others_busy_share = std::max(0.0, others) / (total * (logical_cpus - 1) / logical_cpus);
        }
    }
    for (const ProcessState &p : processes) {
        if (!std::isnan(p.runnable_at_start) &&
            (std::isnan(state.runnable_at_start) || p.runnable_at_start > state.runnable_at_start)) {
            state.runnable_at_start = p.runnable_at_start;
        }
    }
    // The first half's clocks before their runs against the last half's
    // after theirs: a drop that lasts, not one reading's jitter (the clock
    // of a virtual machine moves by some percent from one 10 ms reading to
    // the next).
    const std::size_t half = std::max<std::size_t>(1, processes.size() / 2);
    std::vector<double> before, after;
    for (std::size_t i = 0; i < half; ++i) {
        before.push_back(processes[i].clock_hz_before);
        after.push_back(processes[processes.size() - half + i].clock_hz_after);
    }
    state.clock_after_to_before = median_of(after) / median_of(before);
    const std::size_t third = runs_kflops.size() / 3;
    if (third > 0) {
        state.first_third_kflops = median_run(runs_kflops, 0, third);
        state.last_third_kflops = median_run(runs_kflops, runs_kflops.size() - third, third);
    }
    return state;
}

std::vector<Warning> comparability_warnings(const MachineState &state)
{
    // A comparison with an unknown share is false: what is not measured
    // gives no warning.
    std::vector<Warning> warnings;
    if (state.steal_share > kMostStealShare) warnings.push_back({kStealWarning, state.steal_share, kMostStealShare});
    if (state.cpu_share < kLeastCpuShare) warnings.push_back({kDescheduledWarning, state.cpu_share, kLeastCpuShare});
    if (state.clock_after_to_before < kLeastClockAfterToBefore) {
        warnings.push_back({kClockFellWarning, state.clock_after_to_before, kLeastClockAfterToBefore});
    }
    if (state.others_busy_share > kMostOthersBusyShare) {
        warnings.push_back({kOthersBusyWarning, state.others_busy_share, kMostOthersBusyShare});
    }
    const double trend = state.last_third_kflops / state.first_third_kflops;
    if (trend < kLeastLastToFirstThird) warnings.push_back({kRateFellWarning, trend, kLeastLastToFirstThird});
    return warnings;
}

}  // namespace velmark
