// How far a clock's steps move the headline. Every run is made once on the
// fine counter, its readings recorded; then the same run is made again on a
// counter that replays those readings rounded down to a step (1 ns, 5 us,
// 20 us, 100 us, 1 ms) at a random phase, as a coarse browser clock would
// have read them. So each step sees exactly the machine's own runs, side by
// side in one process, and the headline's bias is that rule on the coarse
// runs over that rule on the fine ones.
//
// Beside each rule's bias it prints the bound the runner and the page
// report for a clock of that step on these runs (the standard error of
// independently rounded readings), so that the threshold past which they
// call a figure coarse can be read off against the bias it stands for.
//
// Usage: velmark_clock_steps [--trials N] [--runs N]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "clock_check.h"
#include "counter.h"
#include "headline.h"
#include "run_statistics.h"
#include "velmark_engine.h"
#include "workspace.h"

namespace {

std::vector<vm_int64> recorded;
std::size_t replay_next = 0;
bool replaying = false;
vm_int64 step_ns = 1;
vm_int64 phase_ns = 0;

vm_int64 fine_now()
{
    using clock = std::chrono::steady_clock;
    return std::chrono::duration_cast<std::chrono::nanoseconds>(clock::now().time_since_epoch()).count();
}

}  // namespace

extern "C" int read_counter(vm_int64 *ticks)
{
    if (!replaying) {
        *ticks = fine_now();
        recorded.push_back(*ticks);
        return 1;
    }
    vm_int64 fine = recorded[replay_next++];
    *ticks = (fine + phase_ns) / step_ns * step_ns;
    return 1;
}

extern "C" int read_counter_frequency(vm_int64 *ticks_per_second)
{
    *ticks_per_second = 1000000000LL;
    return 1;
}

namespace {

velmark::RunTiming timing_left()
{
    velmark::RunTiming run;
    run.kflops = result_kflops;
    run.averaged_total_layout1 = timing_table[ROW_TOTAL_SECONDS][COLUMN_AVERAGED_LAYOUT1];
    run.averaged_total_layout2 = timing_table[ROW_TOTAL_SECONDS][COLUMN_AVERAGED_LAYOUT2];
    return run;
}

velmark::Statistics run_statistics(const std::vector<velmark::RunTiming> &runs)
{
    std::vector<int> results;
    for (const velmark::RunTiming &run : runs) results.push_back(run.kflops);
    return velmark::summarise(results);
}

struct Summary {
    double mean = 0.0, deviation = 0.0;
};

// A whole number from 1 to 1000000, all of the text.
bool whole_number(const char *text, int *value)
{
    char *end = nullptr;
    const long parsed = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || parsed < 1 || parsed > 1000000) return false;
    *value = static_cast<int>(parsed);
    return true;
}

Summary summarise(const std::vector<double> &values)
{
    Summary s;
    for (double v : values) s.mean += v;
    s.mean /= static_cast<double>(values.size());
    for (double v : values) s.deviation += (v - s.mean) * (v - s.mean);
    s.deviation = values.size() > 1 ? std::sqrt(s.deviation / static_cast<double>(values.size() - 1)) : 0.0;
    return s;
}

}  // namespace

int main(int argc, char **argv)
{
    int trials = 10, runs = 300;
    for (int i = 1; i < argc; i += 2) {
        const bool known = std::strcmp(argv[i], "--trials") == 0 || std::strcmp(argv[i], "--runs") == 0;
        if (!known || i + 1 == argc || !whole_number(argv[i + 1], argv[i][2] == 't' ? &trials : &runs)) {
            std::fprintf(stderr, "usage: %s [--trials N] [--runs N]   (N: a whole number from 1 to 1000000)\n",
                         argv[0]);
            return 2;
        }
    }
    const vm_int64 steps_ns[] = {1, 5000, 20000, 40000, 60000, 100000, 1000000};
    const int step_count = sizeof steps_ns / sizeof steps_ns[0];
    struct Rule {
        std::string name;
        std::function<double(const std::vector<velmark::RunTiming> &)> headline;
    };
    std::vector<Rule> rules = {
        {"best run", [](const std::vector<velmark::RunTiming> &runs) { return double(run_statistics(runs).best); }},
        {"median run", [](const std::vector<velmark::RunTiming> &runs) { return run_statistics(runs).median; }},
    };
    // The headline's rule, and other block sizes to show what ten trades.
    for (int block : {velmark::kHeadlineBlockRuns, 5, 20, 30}) {
        rules.push_back({"best block of " + std::to_string(block) + (block == velmark::kHeadlineBlockRuns ? " (headline)" : ""),
                         [block](const std::vector<velmark::RunTiming> &runs) {
                             return double(velmark::best_block(runs, block).kflops);
                         }});
    }
    const int rule_count = static_cast<int>(rules.size());
    std::mt19937_64 random(12345);

    // bias[rule][step]: one ratio to the fine headline per trial.
    std::vector<std::vector<std::vector<double>>> bias(rule_count, std::vector<std::vector<double>>(step_count));
    // The fine runs' averaged totals of each layout: the bound follows from
    // the lower mean of the two, as the runner takes it.
    double fine_totals_seconds[2] = {0.0, 0.0};
    run_benchmark();  // warm-up, not counted
    for (int trial = 0; trial < trials; ++trial) {
        std::vector<velmark::RunTiming> fine;
        std::vector<std::vector<velmark::RunTiming>> coarse(step_count);
        std::vector<vm_int64> phases(step_count);
        for (int s = 0; s < step_count; ++s) {
            phases[s] = std::uniform_int_distribution<vm_int64>(0, steps_ns[s] - 1)(random);
        }
        for (int r = 0; r < runs; ++r) {
            recorded.clear();
            replaying = false;
            run_benchmark();
            fine.push_back(timing_left());
            fine_totals_seconds[0] += fine.back().averaged_total_layout1;
            fine_totals_seconds[1] += fine.back().averaged_total_layout2;
            replaying = true;
            for (int s = 0; s < step_count; ++s) {
                replay_next = 0;
                step_ns = steps_ns[s];
                phase_ns = phases[s];
                run_benchmark();
                coarse[s].push_back(timing_left());
            }
            replaying = false;
        }
        for (int k = 0; k < rule_count; ++k) {
            const double reference = rules[k].headline(fine);
            for (int s = 0; s < step_count; ++s) {
                bias[k][s].push_back(rules[k].headline(coarse[s]) / reference - 1.0);
            }
        }
    }

    const double mean_total =
        std::min(fine_totals_seconds[0], fine_totals_seconds[1]) / (static_cast<double>(trials) * runs);
    std::printf("%d trials of %d runs; the lower averaged column total on the fine clock %.1f us\n", trials, runs,
                1e6 * mean_total);
    std::printf("headline's bias from the clock's step (mean over trials, and its spread):\n");
    std::printf("%-30s", "reported bound (model)");
    for (int s = 0; s < step_count; ++s) {
        char cell[40];
        std::snprintf(cell, sizeof cell, "%.2f%%",
                      100.0 * velmark::headline_clock_bound(1e-9 * steps_ns[s], mean_total, velmark::kHeadlineBlockRuns));
        std::printf("%18s", cell);
    }
    std::printf("\n%-30s", "rule");
    for (int s = 0; s < step_count; ++s) {
        std::printf("%18s", (steps_ns[s] >= 1000 ? std::to_string(steps_ns[s] / 1000) + " us"
                                                 : std::to_string(steps_ns[s]) + " ns").c_str());
    }
    std::printf("\n");
    for (int k = 0; k < rule_count; ++k) {
        std::printf("%-30s", rules[k].name.c_str());
        for (int s = 0; s < step_count; ++s) {
            Summary summary = summarise(bias[k][s]);
            char cell[40];
            std::snprintf(cell, sizeof cell, "%+.2f%% +-%.2f%%", 100.0 * summary.mean, 100.0 * summary.deviation);
            std::printf("%18s", cell);
        }
        std::printf("\n");
    }
    return 0;
}
