// Command line of the host runner.
#pragma once

#include <string>
#include <vector>

#include "run_statistics.h"

namespace velmark {

inline constexpr double kMinBudgetSeconds = 0.1;
inline constexpr double kMaxBudgetSeconds = 600.0;
inline constexpr double kDefaultBudgetSeconds = 1.0;

struct Options {
    int runs = 0;                                  // a fixed count; 0 runs for the budget
    double budget_seconds = kDefaultBudgetSeconds; // used when runs is 0
    bool json = false;
    std::string output;                            // a file for the JSON report, or empty
    std::string kernels;                           // a kernel variant to force, or empty
    bool help = false;  // asked for anywhere: the help is printed, whatever else is wrong
    std::string error;  // one line naming the bad option or value; empty when fine
};

Options parse_options(const std::vector<std::string> &arguments);

std::string usage_text();

}  // namespace velmark
