// The host runner's report, as text or as one JSON object (the format is
// described in docs/results-format.md).
#pragma once

#include <string>
#include <vector>

#include "host_description.h"
#include "run_statistics.h"
#include "solution_check.h"

namespace velmark {

inline constexpr int kReportSchemaVersion = 1;

struct ColumnTiming {
    int layout = 0;          // leading dimension, 201 or 200
    bool averaged = false;
    float factor_seconds = 0.0f;
    float solve_seconds = 0.0f;
    float total_seconds = 0.0f;
    float kflops = 0.0f;
};

// The solutions of the timed runs, each checked against kKnownRunDigest.
struct RunsCheck {
    int runs = 0;                 // runs checked
    int first_wrong_run = 0;      // 1-based; 0 when every run was right
    std::uint64_t wrong_digest = 0;
};

struct Report {
    std::string velmark_version;
    std::string timestamp_utc;
    HostDescription host;
    std::string compiler;
    std::string flags;
    std::string kernels;
    std::string platform;                // the release platform the runner was built for
    double seconds = 0.0;                // wall time of all the runs
    double budget_seconds = 0.0;         // 0 when the count was fixed
    std::vector<int> results_kflops;     // one per run, in run order
    std::vector<ColumnTiming> best_columns;  // the eight used columns of the best run
    Statistics statistics;               // of results_kflops, computed once by measure()
    RunsCheck runs_check;
    Validation validation;               // the untimed solve after the runs
};

// Reads the eight used columns of the timing table after a run.
std::vector<ColumnTiming> read_timing_table();

// The result as the dialog shows it: "CPU performance %.2f MFlops", from the
// single-precision product of the rate and 0.001.
std::string result_line(int kflops);

// The untimed solve and every timed run gave the known solution.
bool validated(const Report &report);

std::string format_text(const Report &report);
std::string format_json(const Report &report);

}  // namespace velmark
