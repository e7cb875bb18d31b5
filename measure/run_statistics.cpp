#include "run_statistics.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace velmark {

bool run_again(const RunPlan &plan, int runs_done, double seconds_spent)
{
    if (plan.fixed_runs > 0) {
        return runs_done < plan.fixed_runs;
    }
    return runs_done < kMaxRuns && (runs_done < kMinRunsInBudget || seconds_spent < plan.budget_seconds);
}

Statistics summarise(std::vector<int> results)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    Statistics s;
    s.coefficient_of_variation = nan;
    if (results.empty()) {
        s.median_to_best = nan;
        return s;
    }
    std::sort(results.begin(), results.end());
    std::size_t count = results.size();
    s.minimum = results.front();
    s.best = results.back();
    s.median = count % 2 ? results[count / 2]
                         : (static_cast<double>(results[count / 2 - 1]) + results[count / 2]) / 2.0;
    s.median_to_best = s.best > 0 ? s.median / s.best : nan;
    double sum = 0.0;
    for (int r : results) sum += r;
    const double mean = sum / static_cast<double>(count);
    if (count >= 2 && mean > 0.0) {
        double squares = 0.0;
        for (int r : results) squares += (r - mean) * (r - mean);
        s.coefficient_of_variation = std::sqrt(squares / static_cast<double>(count - 1)) / mean;
    }
    return s;
}

}  // namespace velmark
