// Whether the counted runs' time is a measurement: the clocks' verdict over
// the span they both timed, the bound that the counter's steps put on the
// headline, and the headline's own sense as a rate. Each thing wrong is a
// problem with a code and the numbers it follows from, not a sentence: the
// text report and the page word them, and a checker can recompute them.
#pragma once

#include <string>
#include <vector>

#include "clock_check.h"
#include "headline.h"

namespace velmark {

struct MeasurementProblem {
    // "clock_check_too_short": the clocks' steps take more than
    //     kClockCheckResolution of the span (reference_seconds,
    //     counter_step_seconds, reference_step_seconds);
    // "clocks_disagree": counter_seconds against reference_seconds;
    // "headline_not_a_rate": headline_kflops is not finite, positive and
    //     below the integer limit.
    std::string code;
    double counter_seconds = 0.0;
    double reference_seconds = 0.0;
    double counter_step_seconds = 0.0;
    double reference_step_seconds = 0.0;
    long long headline_kflops = 0;
};

inline constexpr const char *kClockCheckTooShort = "clock_check_too_short";
inline constexpr const char *kClocksDisagree = "clocks_disagree";
inline constexpr const char *kHeadlineNotARate = "headline_not_a_rate";

// The counter's step that counts: the larger of the one seen and the one
// stated.
double counter_step(const ClockCheck &clock);

// Sets the clocks' verdict, the headline's bound and whether it is coarse
// in `clock`, and gives what makes the time no measurement (none: it is
// one).
std::vector<MeasurementProblem> judge_time(ClockCheck &clock, const Headline &headline, double counter_seconds,
                                           double reference_seconds);

}  // namespace velmark
