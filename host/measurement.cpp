#include "measurement.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>

#include "core_clock.h"
#include "runner_platform.h"
#include "velmark_engine.h"
#include "workspace.h"

namespace velmark {

namespace {

TimingTable copy_timing_table()
{
    TimingTable table;
    for (int k = 0; k < USED_COLUMNS; ++k) {
        ColumnTiming &column = table[k];
        column.layout = timing_column_layout(k);
        column.averaged = timing_column_averaged(k) != 0;
        column.factor_seconds = timing_table[ROW_FACTOR_SECONDS][k];
        column.solve_seconds = timing_table[ROW_SOLVE_SECONDS][k];
        column.total_seconds = timing_table[ROW_TOTAL_SECONDS][k];
        column.kflops = timing_table[ROW_KFLOPS][k];
    }
    return table;
}

RunRecord one_run(const Engine &engine)
{
    RunRecord run;
    run.kflops = engine.run();
    run.table = engine.timing_table();
    run.solution_digest = engine.solution_digest();
    return run;
}

// The headline from the runs.
Headline headline_of(const std::vector<RunRecord> &runs)
{
    std::vector<RunTiming> timings;
    for (const RunRecord &run : runs) {
        timings.push_back({run.kflops, run.table[COLUMN_AVERAGED_LAYOUT1].total_seconds,
                           run.table[COLUMN_AVERAGED_LAYOUT2].total_seconds});
    }
    return best_block(timings);
}

}  // namespace

Engine real_engine()
{
    Engine engine;
    engine.run = [] { return static_cast<int>(run_benchmark()); };
    engine.timing_table = copy_timing_table;
    engine.solution_digest = [] { return solution_digest(rhs, n); };
    engine.untimed_solve = validate_solver;
    engine.seconds = [] {
        using clock = std::chrono::steady_clock;
        return std::chrono::duration<double>(clock::now().time_since_epoch()).count();
    };
    engine.counter = engine_counter();
    engine.reference = wall_clock();
    const std::function<double()> steady = engine.seconds;
    engine.sample_state = [steady] {
        StateSample sample = sample_state_now();
        sample.wall = steady();
        return sample;
    };
    engine.core_clock_hz = [steady] { return measure_core_clock(steady); };
    return engine;
}

RunPlan plan_from(const Options &options)
{
    RunPlan plan;
    plan.fixed_runs = options.runs;
    // Processes one after another share the time; copies at once each take it all.
    plan.budget_seconds = options.budget_seconds / (options.copies_at_once() ? 1 : options.processes);
    return plan;
}

std::vector<int> Measurement::results_kflops() const
{
    std::vector<int> results;
    for (const RunRecord &run : runs) results.push_back(run.kflops);
    return results;
}

Measurement measure(const RunPlan &plan, const Engine &engine)
{
    Measurement m;
    m.clock.counter_name = engine.counter.name;
    m.clock.reference_name = engine.reference.name;
    m.clock.counter_step = smallest_step(engine.counter.seconds);
    m.clock.counter_stated_resolution = engine.counter.stated_resolution;
    m.clock.reference_step = std::max(smallest_step(engine.reference.seconds), engine.reference.stated_resolution);
    m.warmup = one_run(engine);
    m.warmup_right = m.warmup.solution_digest == kKnownRunDigest;
    ProcessSummary process;
    if (engine.core_clock_hz) process.state.clock_hz_before = engine.core_clock_hz();
    const StateSample before = engine.sample_state ? engine.sample_state() : StateSample();
    const double start = engine.seconds();
    const double counter_start = engine.counter.seconds();
    const double reference_start = engine.reference.seconds();
    while (run_again(plan, static_cast<int>(m.runs.size()), m.seconds)) {
        RunRecord run = one_run(engine);
        if (m.runs.empty() || run.kflops > m.runs[m.best_run].kflops) {
            m.best_run = static_cast<int>(m.runs.size());
        }
        m.runs.push_back(run);
        if (run.solution_digest != kKnownRunDigest && m.runs_check.first_wrong_run == 0) {
            m.runs_check.first_wrong_run = static_cast<int>(m.runs.size());
            m.runs_check.wrong_digest = run.solution_digest;
        }
        m.seconds = engine.seconds() - start;
    }
    const double reference_end = engine.reference.seconds();
    const double counter_end = engine.counter.seconds();
    if (engine.sample_state) {
        const double clock_before = process.state.clock_hz_before;
        process.state = state_between(before, engine.sample_state());
        process.state.clock_hz_before = clock_before;
    }
    if (engine.core_clock_hz) process.state.clock_hz_after = engine.core_clock_hz();
    m.runs_check.runs = static_cast<int>(m.runs.size());
    m.budget_seconds = plan.fixed_runs > 0 ? 0.0 : plan.budget_seconds;
    m.statistics = summarise(m.results_kflops());
    m.untimed = engine.untimed_solve();
    m.validated = m.untimed.validated && m.warmup_right && m.runs_check.runs > 0 &&
                  m.runs_check.first_wrong_run == 0;
    m.headline = headline_of(m.runs);
    m.measurement_problems = judge_time(m.clock, m.headline, counter_end - counter_start,
                                        reference_end - reference_start);
    process.runs = static_cast<int>(m.runs.size());
    process.headline = m.headline;
    m.processes = {process};
    return m;
}

Measurement combine(const std::vector<Measurement> &processes, int logical_cpus)
{
    Measurement m;
    if (processes.empty()) return m;
    const Measurement &first = processes.front();
    m.warmup = first.warmup;
    m.warmup_right = true;
    m.untimed = first.untimed;
    m.validated = true;
    m.clock = first.clock;
    double counter_seconds = 0.0, reference_seconds = 0.0;
    double totals1 = 0.0, totals2 = 0.0;
    std::vector<double> headlines;
    std::vector<ProcessState> states;
    for (const Measurement &p : processes) {
        const int offset = static_cast<int>(m.runs.size());
        for (const RunRecord &run : p.runs) {
            if (m.runs.empty() || run.kflops > m.runs[m.best_run].kflops) m.best_run = static_cast<int>(m.runs.size());
            m.runs.push_back(run);
        }
        m.seconds += p.seconds;
        m.budget_seconds += p.budget_seconds;
        if (p.runs_check.first_wrong_run != 0 && m.runs_check.first_wrong_run == 0) {
            m.runs_check.first_wrong_run = offset + p.runs_check.first_wrong_run;
            m.runs_check.wrong_digest = p.runs_check.wrong_digest;
        }
        if (!p.warmup_right && m.warmup_right) {
            m.warmup = p.warmup;
            m.warmup_right = false;
        }
        if (!p.untimed.validated && m.untimed.validated) m.untimed = p.untimed;
        m.validated = m.validated && p.validated;
        // The coarsest steps of any process, over the span of them all.
        m.clock.counter_step = std::max(m.clock.counter_step, p.clock.counter_step);
        m.clock.reference_step = std::max(m.clock.reference_step, p.clock.reference_step);
        counter_seconds += p.clock.counter_seconds;
        reference_seconds += p.clock.reference_seconds;
        for (const ProcessSummary &summary : p.processes) {
            m.processes.push_back(summary);
            headlines.push_back(summary.headline.kflops);
            states.push_back(summary.state);
            totals1 += summary.headline.averaged_total_layout1;
            totals2 += summary.headline.averaged_total_layout2;
            m.headline.runs += summary.headline.runs;
        }
    }
    m.runs_check.runs = static_cast<int>(m.runs.size());
    m.statistics = summarise(m.results_kflops());
    m.interval = mean_interval(headlines);
    // The mean of the best blocks; its clock bound is that of all their
    // runs together, whose mean totals it is.
    const double count = static_cast<double>(m.processes.size());
    m.headline.kflops = m.interval.mean < 2147483647.0 ? static_cast<int>(std::lround(m.interval.mean)) : 2147483647;
    m.headline.averaged_total_layout1 = totals1 / count;
    m.headline.averaged_total_layout2 = totals2 / count;
    m.measurement_problems = judge_time(m.clock, m.headline, counter_seconds, reference_seconds);
    m.machine = machine_state(states, m.results_kflops(), m.headline.kflops, logical_cpus);
    m.warnings = comparability_warnings(m.machine);
    return m;
}

}  // namespace velmark
