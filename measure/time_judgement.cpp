#include "time_judgement.h"

#include <algorithm>
#include <cstdint>

namespace velmark {

double counter_step(const ClockCheck &clock)
{
    return std::max(clock.counter_step, clock.counter_stated_resolution);
}

std::vector<MeasurementProblem> judge_time(ClockCheck &clock, const Headline &headline, double counter_seconds,
                                           double reference_seconds)
{
    compare_clocks(clock, counter_seconds, reference_seconds);
    const double step = counter_step(clock);
    clock.headline_bound = headline_clock_bound(
        step, std::min(headline.averaged_total_layout1, headline.averaged_total_layout2), std::max(1, headline.runs));
    clock.coarse = !(clock.headline_bound <= kCoarseHeadline);

    std::vector<MeasurementProblem> problems;
    MeasurementProblem problem;
    problem.counter_seconds = counter_seconds;
    problem.reference_seconds = reference_seconds;
    problem.counter_step_seconds = step;
    problem.reference_step_seconds = clock.reference_step;
    problem.headline_kflops = headline.kflops;
    if (!clock.conclusive) {
        problem.code = kClockCheckTooShort;
        problems.push_back(problem);
    } else if (!clock.agrees) {
        problem.code = kClocksDisagree;
        problems.push_back(problem);
    }
    if (headline.runs == 0 || headline.kflops <= 0 || headline.kflops == INT32_MAX) {
        problem.code = kHeadlineNotARate;
        problems.push_back(problem);
    }
    return problems;
}

}  // namespace velmark
