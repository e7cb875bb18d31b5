// Command line of the host runner.
#pragma once

#include <string>
#include <vector>

#include "run_statistics.h"

namespace velmark {

inline constexpr double kMinBudgetSeconds = 0.1;
inline constexpr double kMaxBudgetSeconds = 600.0;
inline constexpr double kDefaultBudgetSeconds = 2.0;
// The measurement is repeated in fresh processes, each with its warm-up,
// its share of the time and its own physical pages (and so cache
// placement): eight give an interval of the mean that Student's t widens
// by 2.36 sd/sqrt(8), within 1% on a quiet machine, in about 2.3 s.
inline constexpr int kDefaultProcesses = 8;
inline constexpr int kMaxProcesses = 64;
// The most copies asked for that the parser reads as a number; how many
// the system gives is checked against its processors.
inline constexpr int kMaxCopies = 1 << 20;

struct Options {
    int runs = 0;                                  // a fixed count in each process; 0 runs for the budget
    double budget_seconds = kDefaultBudgetSeconds; // used when runs is 0, shared by the processes
    int processes = kDefaultProcesses;
    bool processes_given = false;
    // Copies of the whole measurement at once, each on its own processor:
    // 1 is the measurement alone; `copies_all` one per processor allowed.
    int copies = 1;
    bool copies_all = false;
    bool copies_at_once() const { return copies_all || copies > 1; }
    bool as_process = false;  // this is one of the processes: print its record
    bool json = false;
    std::string output;                            // a file for the JSON report, or empty
    std::string kernels;                           // a kernel variant to force, or empty
    bool help = false;  // asked for anywhere: the help is printed, whatever else is wrong
    std::string error;  // one line naming the bad option or value; empty when fine
};

Options parse_options(const std::vector<std::string> &arguments);

std::string usage_text();

}  // namespace velmark
