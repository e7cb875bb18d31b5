// The headline: the one figure a measurement leads with, from its counted
// runs. The best run is the steady measure of a machine on a fine clock
// (interference only slows a run down), but on a coarse clock it is also
// the run whose readings rounded luckiest, so that figure rises as the
// clock coarsens. The headline is therefore the best block: the runs are
// taken in blocks of kHeadlineBlockRuns in the order they ran, each block's
// averaged columns are the means of its runs' averaged totals, rated and
// reduced to KFLOPS as one run's are, and the best block leads. Averaging
// before choosing keeps the clock's rounding from doing the choosing;
// taking the best block still leaves out the machine's busy spells. The
// page uses the same rule, so that the two figures compare.
#pragma once

#include <vector>

#include "averaged_rate.h"

namespace velmark {

inline constexpr int kHeadlineBlockRuns = 10;
inline constexpr const char *kHeadlineRule = "best block of 10 runs";
// A measurement made in several processes leads with the mean of their
// best blocks (measure/interval.h).
inline constexpr const char *kRepeatedHeadlineRule = "mean of the processes' best blocks of 10 runs";

// What the headline needs of one run.
struct RunTiming {
    int kflops = 0;
    float averaged_total_layout1 = 0.0f;  // column 3's total seconds
    float averaged_total_layout2 = 0.0f;  // column 7's total seconds
};

struct Headline {
    int kflops = 0;
    int first_run = 0;                 // the block's first run, from 0
    int runs = 0;                      // in the block; 0 when there were none
    double averaged_total_layout1 = 0.0;  // the block's mean averaged totals
    double averaged_total_layout2 = 0.0;
};

// The best block (the first of equal ones). Runs past the last whole block
// are left out; fewer runs than a block make one block.
Headline best_block(const std::vector<RunTiming> &runs, int block_runs = kHeadlineBlockRuns);

}  // namespace velmark
