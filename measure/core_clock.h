// The core's clock as the runner gets it, not as the system names it: a
// chain of dependent integer additions takes one cycle each on every core
// the runner is built for, so additions over seconds is the clock. Timed
// before and after the counted runs, it shows boost, a governor's choice
// and throttling, and turns the headline into operations per cycle.
#pragma once

#include <functional>

namespace velmark {

// The additions a second over about `span` seconds of `seconds`.
double measure_core_clock(const std::function<double()> &seconds, double span = 0.01);

}  // namespace velmark
