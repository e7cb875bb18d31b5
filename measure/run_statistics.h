// How many whole runs to make, and what their results say together.
#pragma once

#include <vector>

namespace velmark {

// A fixed count of runs, or as many as a time budget allows (never fewer
// than kMinRunsInBudget, so that the best and the median mean something).
struct RunPlan {
    int fixed_runs = 0;           // > 0: exactly this many
    double budget_seconds = 1.0;  // used when fixed_runs is 0
};

inline constexpr int kMinRunsInBudget = 10;
// The most runs a measurement makes, whether counted or made for a time
// budget: a report's size has a bound that its readers can hold it to.
inline constexpr int kMaxRuns = 100000;

// Whether to start another run after `runs_done` runs that took
// `seconds_spent` in all (never past kMaxRuns, whatever the budget).
bool run_again(const RunPlan &plan, int runs_done, double seconds_spent);

// Interference only ever slows a run down, so the best run is the steady
// measure of the machine; the median is what a busy machine gives.
struct Statistics {
    int best = 0;
    int minimum = 0;
    double median = 0.0;           // the mean of the two middle runs for an even count
    double median_to_best = 0.0;   // median / best; NaN when best is not positive
    // The sample standard deviation over the mean: the runs' spread. NaN
    // for fewer than two runs or a mean that is not positive.
    double coefficient_of_variation = 0.0;
};

Statistics summarise(std::vector<int> results);

// Below this share of the best, the median says the machine was busy.
inline constexpr double kSteadyMedianToBest = 0.9;

}  // namespace velmark
