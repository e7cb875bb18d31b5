#include "measurement.h"

#include <algorithm>
#include <chrono>
#include <cstdint>

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
    return engine;
}

RunPlan plan_from(const Options &options)
{
    RunPlan plan;
    plan.fixed_runs = options.runs;
    plan.budget_seconds = options.budget_seconds;
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
    m.runs_check.runs = static_cast<int>(m.runs.size());
    m.budget_seconds = plan.fixed_runs > 0 ? 0.0 : plan.budget_seconds;
    m.statistics = summarise(m.results_kflops());
    m.untimed = engine.untimed_solve();
    m.validated = m.untimed.validated && m.warmup_right && m.runs_check.runs > 0 &&
                  m.runs_check.first_wrong_run == 0;
    m.headline = headline_of(m.runs);
    m.measurement_problems = judge_time(m.clock, m.headline, counter_end - counter_start,
                                        reference_end - reference_start);
    return m;
}

}  // namespace velmark
