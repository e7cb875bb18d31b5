#include "headline.h"

#include <algorithm>

#include "velmark_engine.h"
#include "workspace.h"

namespace velmark {

namespace {

// A column's rate from its total, as the run completes a column.
float column_rate(float total_seconds)
{
    return static_cast<float>(ops / (static_cast<double>(total_seconds) * 1000.0));
}

std::vector<int> sorted_results(const std::vector<RunTiming> &runs)
{
    std::vector<int> results;
    for (const RunTiming &run : runs) results.push_back(run.kflops);
    std::sort(results.begin(), results.end());
    return results;
}

}  // namespace

int kflops_from_averaged_totals(double total_layout1, double total_layout2)
{
    return round_rate_to_kflops(lower_averaged_rate(column_rate(static_cast<float>(total_layout1)),
                                                    column_rate(static_cast<float>(total_layout2))));
}

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

int best_run_kflops(const std::vector<RunTiming> &runs)
{
    return runs.empty() ? 0 : sorted_results(runs).back();
}

double median_run_kflops(const std::vector<RunTiming> &runs)
{
    if (runs.empty()) return 0.0;
    const std::vector<int> results = sorted_results(runs);
    const std::size_t count = results.size();
    return count % 2 ? results[count / 2]
                     : (static_cast<double>(results[count / 2 - 1]) + results[count / 2]) / 2.0;
}

}  // namespace velmark
