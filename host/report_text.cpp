// The report as text: what it ran on, the best run's timing table, the
// statistics, the device's result line and the validation.
#include <cinttypes>
#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "dialog_texts.h"
#include "report.h"

namespace velmark {

namespace {

std::string printf_string(const char *format, ...) __attribute__((format(printf, 1, 2)));

std::string printf_string(const char *format, ...)
{
    char buffer[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(buffer, sizeof buffer, format, arguments);
    va_end(arguments);
    return buffer;
}

std::string column_label(const ColumnTiming &column)
{
    return std::to_string(column.layout) + (column.averaged ? " avg" : " single");
}

// A median of an even count can end in .5; whole values print as integers.
std::string kflops_text(double kflops)
{
    return kflops == std::floor(kflops) ? printf_string("%.0f", kflops) : printf_string("%.1f", kflops);
}

void append_timing_table(std::string &text, const TimingTable &columns)
{
    text += printf_string("%-12s", "layout");
    for (const ColumnTiming &column : columns) {
        text += printf_string("%12s", column_label(column).c_str());
    }
    text += "\n";
    struct Row {
        const char *name;
        float ColumnTiming::*field;
        const char *format;
    };
    const Row rows[] = {{"factor s", &ColumnTiming::factor_seconds, "%12.4e"},
                        {"solve s", &ColumnTiming::solve_seconds, "%12.4e"},
                        {"total s", &ColumnTiming::total_seconds, "%12.4e"},
                        {"KFLOPS", &ColumnTiming::kflops, "%12.1f"}};
    for (const Row &row : rows) {
        text += printf_string("%-12s", row.name);
        for (const ColumnTiming &column : columns) {
            text += printf_string(row.format, static_cast<double>(column.*row.field));
        }
        text += "\n";
    }
}

// A measurement problem in words, with the clocks' names.
std::string problem_text(const MeasurementProblem &problem, const ClockCheck &clock)
{
    const std::string code = problem.code;
    if (code == kClockCheckTooShort) {
        return printf_string("the counted runs took %.6g s by %s, too short to check %s (steps of %.6g s) against "
                             "it (steps of %.6g s): give the runs longer (--time)",
                             problem.reference_seconds, clock.reference_name.c_str(), clock.counter_name.c_str(),
                             problem.counter_step_seconds, problem.reference_step_seconds);
    }
    if (code == kClocksDisagree) {
        return printf_string("%s counted %.6g s where %s counted %.6g s over the counted runs (%.1f%%): the counter "
                             "does not run at the frequency it reports, so no figure it times is right",
                             clock.counter_name.c_str(), problem.counter_seconds, clock.reference_name.c_str(),
                             problem.reference_seconds,
                             100.0 * (problem.counter_seconds / problem.reference_seconds - 1.0));
    }
    return printf_string("the headline, %lld KFLOPS, is not a rate: a rate is finite, positive and below the integer "
                         "limit (a clock that did not move between readings gives an infinite one)",
                         problem.headline_kflops);
}

// A warning in words, with its numbers.
std::string warning_text(const Warning &w)
{
    const double value = 100.0 * w.value, limit = 100.0 * w.limit;
    if (w.code == kStealWarning) {
        return printf_string("the hypervisor took %.1f%% of the processors' time (steal), above %.0f%%", value, limit);
    }
    if (w.code == kDescheduledWarning) {
        return printf_string("the runner had its processor %.1f%% of the wall time, below %.0f%%: other threads ran "
                             "on it",
                             value, limit);
    }
    if (w.code == kClockFellWarning) {
        return printf_string("the core's clock ended at %.1f%% of where it began, below %.0f%%: throttling", value,
                             limit);
    }
    if (w.code == kOthersBusyWarning) {
        return printf_string("the other processors were %.0f%% busy, above %.0f%%", value, limit);
    }
    return printf_string("the last third's median run was %.1f%% of the first third's, below %.0f%%: the machine "
                         "changed while it measured",
                         value, limit);
}

// A share in percent, or "not measured".
std::string share_text(double share, int decimals = 1)
{
    return std::isnan(share) ? std::string("not measured") : printf_string("%.*f%%", decimals, 100.0 * share);
}

void append_machine_state(std::string &text, const Context &context, const Measurement &measurement)
{
    const MachineState &state = measurement.machine;
    if (std::isnan(state.clock_hz)) {
        text += "machine:  the core's clock not measured\n";
    } else {
        text += printf_string("machine:  core clock %.3f GHz measured, at the end %.1f%% of the start, %.2f "
                              "floating-point operations a cycle\n",
                              1e-9 * state.clock_hz, 100.0 * state.clock_after_to_before, state.ops_per_cycle);
    }
    const FrequencySettings &f = context.frequency;
    text += "          frequency scaling: governor " + (f.governor.empty() ? "not exposed" : f.governor) + ", boost " +
            (f.boost.empty() ? "not exposed" : f.boost) + ", limits " +
            (std::isnan(f.min_hz) || std::isnan(f.max_hz)
                 ? std::string("not exposed")
                 : printf_string("%.3f to %.3f GHz", 1e-9 * f.min_hz, 1e-9 * f.max_hz)) +
            "\n";
    text += "          CPU time over wall time " + share_text(state.cpu_share) + ", " +
            (std::isnan(state.involuntary_switches) ? std::string("involuntary switches not measured")
                                                    : printf_string("%.0f involuntary switches", state.involuntary_switches)) +
            "; steal " + share_text(state.steal_share) + "; other processors busy " +
            share_text(state.others_busy_share, 0) +
            (std::isnan(state.runnable_at_start) ? std::string()
                                                 : printf_string("; at most %.0f runnable at a process's start",
                                                                 state.runnable_at_start)) +
            "\n";
    if (!std::isnan(state.first_third_kflops)) {
        text += printf_string("trend:    the median run of the first third %.0f KFLOPS, of the last third %.0f "
                              "(%.1f%%)\n",
                              state.first_third_kflops, state.last_third_kflops,
                              100.0 * state.last_third_kflops / state.first_third_kflops);
    }
    if (measurement.comparable()) {
        text += "comparable: no warning\n";
    }
    for (const Warning &w : measurement.warnings) text += "not comparable: " + warning_text(w) + "\n";
}

}  // namespace

std::string digest_text(std::uint64_t digest) { return printf_string("0x%016" PRIx64, digest); }

std::string result_line(int kflops)
{
    float mflops = static_cast<float>(kflops) * 0.001f;
    return printf_string(VM_RESULT_FORMAT, static_cast<double>(mflops));
}

std::string headline_line(const Measurement &measurement)
{
    const std::string line = result_line(measurement.headline.kflops);
    if (!measurement.clock.coarse) return line;
    return line + printf_string(" (coarse: the clock's steps move it by about %.2g%%, so it is not a comparable "
                                "result)", 100.0 * measurement.clock.headline_bound);
}

// A processor's capacity, where the system tells it.
static std::string capacity_text(double capacity)
{
    return std::isnan(capacity) ? "not exposed" : printf_string("%.0f", capacity);
}

static void append_copies(std::string &text, const CopiesSummary &c)
{
    text += printf_string("copies:   %d at once, each pinned to its own processor and let go at a barrier:", c.count);
    for (std::size_t k = 0; k < c.processors.size(); ++k) {
        text += printf_string("%s processor %d", k ? "," : "", c.processors[k]);
    }
    text += "\n";
    text += printf_string("          sum %.0f KFLOPS, mean copy %.0f; one copy alone on processor %d %d KFLOPS: "
                          "scaling efficiency %.1f%%\n",
                          c.sum_kflops, c.mean_kflops, c.single_processor, c.single_headline_kflops,
                          100.0 * c.efficiency);
    std::string places;
    for (const ProcessorPlace &p : c.topology) {
        places += printf_string("%sprocessor %d: core of %s, capacity %s", places.empty() ? "" : "; ", p.processor,
                                p.core.empty() ? "not exposed" : p.core.c_str(), capacity_text(p.capacity).c_str());
    }
    text += "topology: " + places + "\n";
    std::string types;
    for (const CopiesSummary::CoreType &t : c.core_types) {
        types += printf_string("%sprocessor %d (capacity %s) %d KFLOPS", types.empty() ? "" : ", ", t.processor,
                               capacity_text(t.capacity).c_str(), t.headline_kflops);
    }
    text += "alone:    one copy on each core type, the fastest first: " + types + "\n";
    for (std::size_t k = 0; k < c.steps_kflops.size(); ++k) {
        std::string steps;
        for (double v : c.steps_kflops[k]) steps += printf_string(" %.0f", v);
        text += printf_string("trend:    copy %d's median run in steps of its runs, KFLOPS:", static_cast<int>(k) + 1) + steps + "\n";
    }
}

std::string format_text(const Context &context, const Measurement &measurement, const CopiesSummary *copies)
{
    const Statistics &stats = measurement.statistics;
    std::string text;
    text += "Velmark " + context.velmark_version + " host runner, " + context.timestamp_utc + "\n";
    text += "host:     " + context.host.os + "; " + context.host.cpu + "; " +
            std::to_string(context.host.logical_cpus) + " logical CPUs\n";
    text += "build:    " + context.build.platform + "\n";
    text += "compiler: " + context.build.compiler + "\n";
    text += "flags:    " + context.build.flags + "\n";
    text += "kernels:  " + context.build.kernels + "\n\n";

    text += "timing table of the best run:\n";
    append_timing_table(text, measurement.best_table());
    text += "\n";

    int runs = static_cast<int>(measurement.runs.size());
    // %d, not %zu: the Windows C runtime's printf has no z modifier.
    text += printf_string("runs:     %d in %.2f s", runs, measurement.seconds);
    text += measurement.budget_seconds > 0.0 ? printf_string(" (budget %g s)", measurement.budget_seconds)
                                             : std::string(" (count fixed)");
    const int processes = static_cast<int>(measurement.processes.size());
    text += printf_string(", in %d process%s, each after 1 warm-up run that is not counted\n", processes,
                          processes == 1 ? "" : "es");
    text += printf_string("best:     %d KFLOPS\n", stats.best);
    text += "median:   " + kflops_text(stats.median) + " KFLOPS";
    text += std::isfinite(stats.median_to_best)
                ? printf_string(", %.1f%% of the best\n", 100.0 * stats.median_to_best)
                : std::string("\n");
    text += printf_string("minimum:  %d KFLOPS\n", stats.minimum);
    text += std::isfinite(stats.coefficient_of_variation)
                ? printf_string("spread:   %.2f%% (coefficient of variation of the runs)\n",
                                100.0 * stats.coefficient_of_variation)
                : std::string("spread:   none to tell (fewer than two runs)\n");
    const ClockCheck &clock = measurement.clock;
    const Headline &headline = measurement.headline;
    text += printf_string("clock:    %s, steps of %.3g s seen (the system says %.3g s); against %s over the "
                          "counted runs, %.6f s and %.6f s\n",
                          clock.counter_name.c_str(), clock.counter_step, clock.counter_stated_resolution,
                          clock.reference_name.c_str(), clock.counter_seconds, clock.reference_seconds);
    std::string figures;
    for (const ProcessSummary &p : measurement.processes) figures += (figures.empty() ? "" : ", ") + std::to_string(p.headline.kflops);
    text += "process:  each one's " + std::string(kHeadlineRule) + ", KFLOPS: " + figures + "\n";
    const Interval &interval = measurement.interval;
    text += printf_string("headline: %d KFLOPS, the %s", headline.kflops, kRepeatedHeadlineRule);
    text += interval.known() ? printf_string(", 95%% interval %.0f to %.0f (within %.2f%%)", interval.low,
                                             interval.high, 100.0 * interval.half_width_share())
                             : std::string(", no interval (one process)");
    text += printf_string("; the clock's steps move it by about %.2g%%\n", 100.0 * clock.headline_bound);
    text += headline_line(measurement) + "\n";
    if (runs > 1 && stats.median_to_best < kSteadyMedianToBest) {
        // Longer helps a short run; past 10 s only a quieter machine does.
        const bool short_run = measurement.budget_seconds < 10.0;
        text += printf_string("note: the median run is only %.0f%% of the best, so the machine was "
                              "busy; for a steadier figure close other programs%s.\n",
                              100.0 * stats.median_to_best, short_run ? " or give it longer (--time 10)" : "");
    }
    append_machine_state(text, context, measurement);
    if (copies) append_copies(text, *copies);
    text += "\n";

    const RunsCheck &check = measurement.runs_check;
    if (!measurement.warmup_right) {
        text += printf_string("validation of the warm-up run: solution digest %s (expected %s)\n",
                              digest_text(measurement.warmup.solution_digest).c_str(),
                              digest_text(kKnownRunDigest).c_str());
    }
    if (check.first_wrong_run == 0) {
        text += printf_string("validation of the timed runs: all %d left solution digest %s\n", check.runs,
                              digest_text(kKnownRunDigest).c_str());
    } else {
        text += printf_string("validation of the timed runs: run %d of %d left solution digest %s (expected %s)\n",
                              check.first_wrong_run, check.runs, digest_text(check.wrong_digest).c_str(),
                              digest_text(kKnownRunDigest).c_str());
    }
    const Validation &v = measurement.untimed;
    text += printf_string("validation (one untimed solve after the runs): solution digest %s "
                          "(expected %s), normalised residual %.3g, max |x - 1| %.3g\n",
                          digest_text(v.digest).c_str(), digest_text(kKnownSolutionDigest).c_str(),
                          v.residual, v.max_error);
    text += measurement.validated ? "correct operation validated\n" : "correct operation NOT validated\n";
    for (const MeasurementProblem &problem : measurement.measurement_problems) {
        text += "measurement: " + problem_text(problem, measurement.clock) + "\n";
    }
    text += measurement.measurement_valid() ? "measurement validated\n" : "measurement NOT validated\n";
    return text;
}

}  // namespace velmark
