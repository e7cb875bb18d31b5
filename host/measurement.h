// The measurement itself: the runs the plan asks for, each one's result and
// solution kept, the best run's timing table, and the statistics, computed
// once here for every writer of the report. The engine and the clock are
// handed in, so that tests can drive every rule with made-up runs.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "options.h"
#include "report.h"
#include "run_statistics.h"

namespace velmark {

struct Engine {
    std::function<int()> run;                                 // one whole run: its KFLOPS
    std::function<std::vector<ColumnTiming>()> timing_table;  // the table the run left
    std::function<std::uint64_t()> solution_digest;           // of the solution the run left
    std::function<double()> seconds;                          // a monotonic clock
};

// run_benchmark, its timing table, its right-hand side and a steady clock.
Engine real_engine();

// What the options ask for: a fixed count, or runs for a time budget.
RunPlan plan_from(const Options &options);

// Makes the runs and fills report.results_kflops, best_columns (the first
// of the best runs), seconds, budget_seconds, statistics and runs_check.
void measure(const RunPlan &plan, const Engine &engine, Report &report);

// 0 when the untimed solve and every timed run were right, else 1.
int validation_status(const Report &report);

}  // namespace velmark
