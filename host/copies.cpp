#include "copies.h"

#include <algorithm>
#include <cmath>

#include "process_record.h"

namespace velmark {

std::vector<double> rate_steps(const std::vector<int> &runs, int steps)
{
    std::vector<double> medians;
    const std::size_t count = runs.size(), parts = std::min<std::size_t>(count, static_cast<std::size_t>(steps));
    for (std::size_t k = 0; k < parts; ++k) {
        std::vector<int> part(runs.begin() + static_cast<long>(k * count / parts),
                              runs.begin() + static_cast<long>((k + 1) * count / parts));
        std::sort(part.begin(), part.end());
        const std::size_t n = part.size();
        medians.push_back(n % 2 ? part[n / 2] : (static_cast<double>(part[n / 2 - 1]) + part[n / 2]) / 2.0);
    }
    return medians;
}

CopiesSummary summarise_copies(const Measurement &together, int single_headline_kflops, int single_processor,
                               const std::vector<int> &processors)
{
    CopiesSummary summary;
    summary.count = static_cast<int>(together.processes.size());
    summary.processors = processors;
    summary.single_processor = single_processor;
    summary.single_headline_kflops = single_headline_kflops;
    std::size_t first = 0;
    for (const ProcessSummary &copy : together.processes) {
        summary.sum_kflops += copy.headline.kflops;
        std::vector<int> runs;
        for (int k = 0; k < copy.runs; ++k) runs.push_back(together.runs[first + static_cast<std::size_t>(k)].kflops);
        first += static_cast<std::size_t>(copy.runs);
        summary.steps_kflops.push_back(rate_steps(runs));
    }
    if (summary.count > 0) summary.mean_kflops = summary.sum_kflops / summary.count;
    if (single_headline_kflops > 0) summary.efficiency = summary.mean_kflops / single_headline_kflops;
    return summary;
}

int copies_wanted(const Options &options, const std::vector<int> &processors, std::string *error)
{
    const int allowed = static_cast<int>(processors.size());
    const int wanted = options.copies_all ? allowed : options.copies;
    if (wanted < 1 || wanted > allowed) {
        const std::string asked = options.copies_all ? "all" : std::to_string(options.copies);
        *error = "invalid value for --copies: '" + asked + "' (this runner may use " +
                 std::to_string(allowed) + " logical processor" + (allowed == 1 ? "" : "s") + ": 1 to " +
                 std::to_string(allowed) + ", or all)";
        return 0;
    }
    return wanted;
}

std::vector<ProcessorPlace> core_type_leaders(const std::vector<ProcessorPlace> &topology)
{
    std::vector<ProcessorPlace> leaders;
    std::vector<double> capacities;
    for (const ProcessorPlace &place : topology) {
        const bool seen = std::any_of(capacities.begin(), capacities.end(), [&place](double c) {
            return c == place.capacity || (std::isnan(c) && std::isnan(place.capacity));
        });
        if (seen) continue;
        capacities.push_back(place.capacity);
        leaders.push_back(place);
    }
    return leaders;
}

bool measure_copies(const RunPlan &plan, const std::vector<int> &processors, int logical_cpus,
                    const std::vector<std::string> &arguments, Measurement *together, CopiesSummary *summary,
                    std::string *failure)
{
    const int count = static_cast<int>(processors.size());
    auto named = [&](const std::string &which, int processor, const std::string &reason) {
        *failure = which + " (processor " + std::to_string(processor) + ") failed: " + reason;
        return false;
    };
    // Copies of the processors' own: each pins itself to processors[k].
    auto run_on = [&](const std::vector<int> &on) {
        return run_copies_together(
            on, [&on](int k) { return pin_to_processor(on[static_cast<std::size_t>(k)]); },
            [&plan](int) { return process_record_json(measure(plan, real_engine())); }, arguments);
    };
    // One copy's measurement from what it gave back; empty when it holds.
    auto read_copy = [](const CopyOutcome &outcome, Measurement *copy) {
        std::string error;
        if (!outcome.failure.empty()) return outcome.failure;
        if (!read_process_record(outcome.text, copy, &error)) return error;
        return copy->validated ? std::string() : std::string("a solution was wrong");
    };
    // One copy alone on the first processor of each core type; the first
    // processor's is what the copies scale against.
    const std::vector<ProcessorPlace> topology = processor_topology(processors);
    std::vector<CopiesSummary::CoreType> core_types;
    Measurement alone;
    std::string reason;
    for (const ProcessorPlace &place : core_type_leaders(topology)) {
        Measurement one;
        reason = read_copy(run_on({place.processor}).front(), &one);
        if (!reason.empty()) return named("the copy alone", place.processor, reason);
        if (core_types.empty()) alone = one;
        core_types.push_back({place.processor, place.capacity, one.headline.kflops});
    }
    std::stable_sort(core_types.begin(), core_types.end(),
                     [](const CopiesSummary::CoreType &a, const CopiesSummary::CoreType &b) {
                         return a.headline_kflops > b.headline_kflops;
                     });

    const std::vector<CopyOutcome> outcomes = run_on(processors);
    std::vector<Measurement> copies(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k) {
        reason = read_copy(outcomes[static_cast<std::size_t>(k)], &copies[static_cast<std::size_t>(k)]);
        if (!reason.empty()) {
            return named("copy " + std::to_string(k + 1) + " of " + std::to_string(count),
                         processors[static_cast<std::size_t>(k)], reason);
        }
    }
    *together = combine(copies, logical_cpus);
    // The other processors run the other copies: their load is the point.
    // And the runs are copy after copy, not in time: each copy's steps
    // give the trend instead of the thirds.
    together->machine.others_busy_share = kUnknown;
    together->machine.first_third_kflops = together->machine.last_third_kflops = kUnknown;
    together->warnings = comparability_warnings(together->machine);
    *summary = summarise_copies(*together, alone.headline.kflops, processors.front(), processors);
    summary->topology = topology;
    summary->core_types = core_types;
    return true;
}

}  // namespace velmark
