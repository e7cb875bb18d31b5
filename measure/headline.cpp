#include "headline.h"

#include <algorithm>

namespace velmark {

Headline best_block(const std::vector<RunTiming> &runs, int block_runs)
{
    Headline best;
    if (runs.empty()) return best;
    const std::size_t block = std::min(runs.size(), static_cast<std::size_t>(std::max(1, block_runs)));
    for (std::size_t first = 0; first + block <= runs.size(); first += block) {
        double sum1 = 0.0, sum2 = 0.0;
        for (std::size_t i = first; i < first + block; ++i) {
            sum1 += runs[i].averaged_total_layout1;
            sum2 += runs[i].averaged_total_layout2;
        }
        Headline candidate;
        candidate.first_run = static_cast<int>(first);
        candidate.runs = static_cast<int>(block);
        candidate.averaged_total_layout1 = sum1 / static_cast<double>(block);
        candidate.averaged_total_layout2 = sum2 / static_cast<double>(block);
        candidate.kflops = kflops_from_averaged_totals(candidate.averaged_total_layout1,
                                                       candidate.averaged_total_layout2);
        if (first == 0 || candidate.kflops > best.kflops) best = candidate;
    }
    return best;
}

}  // namespace velmark
