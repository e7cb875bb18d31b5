#include "measurement.h"

#include <chrono>

#include "solution_check.h"
#include "velmark_engine.h"

namespace velmark {

Engine real_engine()
{
    Engine engine;
    engine.run = [] { return static_cast<int>(run_benchmark()); };
    engine.timing_table = read_timing_table;
    engine.solution_digest = run_solution_digest;
    engine.seconds = [] {
        using clock = std::chrono::steady_clock;
        return std::chrono::duration<double>(clock::now().time_since_epoch()).count();
    };
    return engine;
}

RunPlan plan_from(const Options &options)
{
    RunPlan plan;
    plan.fixed_runs = options.runs;
    plan.budget_seconds = options.budget_seconds;
    return plan;
}

void measure(const RunPlan &plan, const Engine &engine, Report &report)
{
    const double start = engine.seconds();
    double spent = 0.0;
    int best = 0;
    RunsCheck &check = report.runs_check;
    check = RunsCheck();
    while (run_again(plan, static_cast<int>(report.results_kflops.size()), spent)) {
        int kflops = engine.run();
        if (report.results_kflops.empty() || kflops > best) {
            best = kflops;
            report.best_columns = engine.timing_table();
        }
        report.results_kflops.push_back(kflops);
        std::uint64_t digest = engine.solution_digest();
        if (digest != kKnownRunDigest && check.first_wrong_run == 0) {
            check.first_wrong_run = static_cast<int>(report.results_kflops.size());
            check.wrong_digest = digest;
        }
        spent = engine.seconds() - start;
    }
    check.runs = static_cast<int>(report.results_kflops.size());
    report.seconds = spent;
    report.budget_seconds = plan.fixed_runs > 0 ? 0.0 : plan.budget_seconds;
    report.statistics = summarise(report.results_kflops);
}

int validation_status(const Report &report)
{
    return validated(report) ? 0 : 1;
}

}  // namespace velmark
