// Copies of the whole measurement at once, one a logical processor: what
// the machine gives with every core busy, against one copy alone measured
// in the same invocation. Each copy is a process of its own (the engine
// keeps its workspace in static storage, as the device's code does), pinned
// to its processor and let go at a barrier with the others, with its
// warm-up, its time and its check of every run's bits.
#pragma once

#include <string>
#include <vector>

#include "measurement.h"
#include "options.h"
#include "runner_platform.h"

namespace velmark {

// Each copy's rate over its runs in this many steps, so that throttling
// under all-core load shows.
inline constexpr int kTrendSteps = 10;

struct CopiesSummary {
    int count = 0;
    std::vector<int> processors;          // each copy's, in order
    int single_processor = 0;             // the one copy alone ran on
    int single_headline_kflops = 0;
    double sum_kflops = 0.0;              // of the copies' headlines
    double mean_kflops = 0.0;
    double efficiency = kUnknown;         // the mean copy over the one alone
    std::vector<std::vector<double>> steps_kflops;  // each copy's median run in each step
    std::vector<ProcessorPlace> topology;
    // One copy alone on the first processor of each core type (each
    // capacity the system tells; one type where it tells none), the fastest
    // first. The first processor's is the one the copies scale against.
    struct CoreType {
        int processor = 0;
        double capacity = kUnknown;
        int headline_kflops = 0;
    };
    std::vector<CoreType> core_types;
};

// The median run of each of `steps` consecutive, equal parts of the runs
// (fewer runs than steps: one step a run).
std::vector<double> rate_steps(const std::vector<int> &runs, int steps = kTrendSteps);

// The copies' figures from their measurement made one (combine), the one
// alone's headline and the processors.
CopiesSummary summarise_copies(const Measurement &together, int single_headline_kflops, int single_processor,
                               const std::vector<int> &processors);

// The first processor of each core type (each capacity the system tells;
// an untold capacity is one type), in the topology's order.
std::vector<ProcessorPlace> core_type_leaders(const std::vector<ProcessorPlace> &topology);

// How many copies the options ask for of these processors; 0 with `error`
// when the system will not give them.
int copies_wanted(const Options &options, const std::vector<int> &processors, std::string *error);

// Measures one copy alone, then `processors.size()` copies at once, and
// makes them one: false with `failure` naming the copy and its reason when
// any copy died, could not be pinned or gave a wrong solution. `arguments`
// start this program again as one copy, where the system cannot fork.
bool measure_copies(const RunPlan &plan, const std::vector<int> &processors, int logical_cpus,
                    const std::vector<std::string> &arguments, Measurement *together, CopiesSummary *summary,
                    std::string *failure);

}  // namespace velmark
