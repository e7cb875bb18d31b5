// The host runner's report, as text or as one JSON object.
#pragma once

#include <string>
#include <vector>

#include "solution_check.h"

namespace velmark {

struct ColumnTiming {
    int layout = 0;          // leading dimension, 201 or 200
    bool averaged = false;
    float factor_seconds = 0.0f;
    float solve_seconds = 0.0f;
    float total_seconds = 0.0f;
    float kflops = 0.0f;
};

struct Report {
    std::string compiler;
    std::string flags;
    std::vector<int> results_kflops;     // one per run, in run order
    std::vector<ColumnTiming> columns;   // the eight used columns of the last run
    Validation validation;
};

// Reads the eight used columns of the timing table after a run.
std::vector<ColumnTiming> read_timing_table();

// The result as the dialog shows it: "CPU performance %.2f MFlops", from the
// single-precision product of the rate and 0.001.
std::string result_line(int kflops);

// Median (lower middle for an even count), minimum and maximum.
struct Summary {
    int median = 0;
    int minimum = 0;
    int maximum = 0;
};
Summary summarise(std::vector<int> results);

std::string format_text(const Report &report);
std::string format_json(const Report &report);

}  // namespace velmark
