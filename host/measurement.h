// The measurement: one warm-up run that is not counted (caches and clock
// are cold in a process's first run), then the runs the plan asks for,
// with every run's result, timing table and solution digest kept, the
// statistics of the counted results, and the validation with its one
// pass/fail decision. The engine and the
// clock are handed in, so that tests can drive every rule with made-up
// runs; the real engine is the only thing in the runner that reads the
// engine's workspace, and the measurement keeps its own copy of each table.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "clock_check.h"
#include "headline.h"
#include "interval.h"
#include "machine_state.h"
#include "options.h"
#include "run_statistics.h"
#include "solution_check.h"
#include "time_judgement.h"

namespace velmark {

// One used column of the timing table.
struct ColumnTiming {
    int layout = 0;  // leading dimension, 201 or 200
    bool averaged = false;
    float factor_seconds = 0.0f;
    float solve_seconds = 0.0f;
    float total_seconds = 0.0f;
    float kflops = 0.0f;
};

// The eight used columns, in order.
using TimingTable = std::array<ColumnTiming, 8>;

struct RunRecord {
    int kflops = 0;
    TimingTable table;
    std::uint64_t solution_digest = 0;  // of what the run left in its right-hand side
};

struct Engine {
    std::function<int()> run;                         // one whole run: its KFLOPS
    std::function<TimingTable()> timing_table;        // the table the run left
    std::function<std::uint64_t()> solution_digest;   // of the solution the run left
    std::function<Validation()> untimed_solve;        // one more solve, outside any timing
    std::function<double()> seconds;                  // a monotonic clock, for the budget
    Clock counter;                                    // the clock the engine times with
    Clock reference;                                  // a second clock to check it by
    std::function<StateSample()> sample_state;        // the process and the system; empty: not sampled
    std::function<double()> core_clock_hz;            // the core's clock, measured; empty: not measured
};

// run_benchmark, the table and the solution it leaves in the workspace,
// validate_solver, a steady clock, the engine's counter and the wall clock.
Engine real_engine();

// The solutions of the timed runs, each checked against kKnownRunDigest.
struct RunsCheck {
    int runs = 0;                 // runs checked
    int first_wrong_run = 0;      // 1-based; 0 when every run was right
    std::uint64_t wrong_digest = 0;
};

// One process's part of a measurement.
struct ProcessSummary {
    int runs = 0;
    Headline headline;    // its best block
    ProcessState state;   // over its counted runs
};

struct Measurement {
    RunRecord warmup;             // not counted; its solution is checked too
    std::vector<RunRecord> runs;  // the counted runs, in the order they ran
    double seconds = 0.0;         // wall time of the counted runs
    double budget_seconds = 0.0;  // 0 when the count was fixed
    int best_run = 0;             // index of the first of the best runs
    Statistics statistics;        // of the counted runs' results
    RunsCheck runs_check;         // of the counted runs
    bool warmup_right = false;    // the warm-up run left the known solution
    Validation untimed;           // the untimed solve after the runs
    bool validated = false;       // every run, the warm-up too, and the untimed solve were right
    Headline headline;            // the figure the measurement leads with
    ClockCheck clock;             // the counter against the reference, its steps
    // What makes the time not a measurement (the clocks disagree, the
    // headline is not a finite positive rate); empty when it is one.
    std::vector<MeasurementProblem> measurement_problems;
    // The processes the runs were made in, in order (one for a measurement
    // made in this process); the headline is the mean of their best blocks.
    std::vector<ProcessSummary> processes;
    Interval interval;                 // of the processes' best blocks
    MachineState machine;
    std::vector<Warning> warnings;     // each makes the figure not comparable

    bool comparable() const { return warnings.empty(); }

    bool measurement_valid() const { return measurement_problems.empty(); }
    // The one pass/fail decision: the computation and its timing.
    bool passed() const { return validated && measurement_valid(); }

    std::vector<int> results_kflops() const;
    const TimingTable &best_table() const { return runs[best_run].table; }
};

// What the options ask of each process: a fixed count, or runs for its
// share of the time budget.
RunPlan plan_from(const Options &options);

// Makes the warm-up run, the counted runs, then the untimed solve, and
// decides: a measurement in this process.
Measurement measure(const RunPlan &plan, const Engine &engine);

// The measurements of several processes as one: their runs in order, the
// headline the mean of their best blocks with its interval, the clocks
// over all their spans, one computation verdict, the machine's state and
// its warnings. `logical_cpus` is 0 when not known.
Measurement combine(const std::vector<Measurement> &processes, int logical_cpus);

}  // namespace velmark
