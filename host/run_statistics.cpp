#include "run_statistics.h"

#include <algorithm>
#include <limits>

namespace velmark {

bool run_again(const RunPlan &plan, int runs_done, double seconds_spent)
{
    if (plan.fixed_runs > 0) {
        return runs_done < plan.fixed_runs;
    }
    return runs_done < kMinRunsInBudget || seconds_spent < plan.budget_seconds;
}

Statistics summarise(std::vector<int> results)
{
    Statistics s;
    if (results.empty()) {
        s.median_to_best = std::numeric_limits<double>::quiet_NaN();
        return s;
    }
    std::sort(results.begin(), results.end());
    std::size_t count = results.size();
    s.minimum = results.front();
    s.best = results.back();
    s.median = count % 2 ? results[count / 2]
                         : (static_cast<double>(results[count / 2 - 1]) + results[count / 2]) / 2.0;
    s.median_to_best = s.best > 0 ? s.median / s.best : std::numeric_limits<double>::quiet_NaN();
    return s;
}

}  // namespace velmark
