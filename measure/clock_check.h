// The measurement's own check: a right solution timed by a clock at the
// wrong rate still gives a wrong figure. Over the counted runs the engine's
// counter (its ticks over the frequency the port reports) is set against a
// second clock of the system that does not go through the port; the
// counter's steps are measured, and what they can do to the headline.
#pragma once

#include <functional>
#include <string>

namespace velmark {

// Beyond this the two clocks disagree (a counter off by 5% fails).
inline constexpr double kClockTolerance = 0.03;
// The clocks' own steps may take at most this share of the counted time,
// or the comparison tells nothing.
inline constexpr double kClockCheckResolution = 0.02;
// A headline whose bound from the clock's steps is above this is coarse:
// shown with its bound, not as a comparable result. The bound is a
// standard error of independently rounded readings, which overstates what
// the steps do: the clock-step benchmark (bench/clock_steps.cpp) shows the
// headline's bias at a quarter of a percent where the bound says 1.5%, and
// at 2.6% where it says 3%, so 1.5% keeps the bias within 1%.
inline constexpr double kCoarseHeadline = 0.015;

struct Clock {
    std::string name;
    std::function<double()> seconds;  // a reading, in seconds
    double stated_resolution = 0.0;   // what the system says of its steps; 0 when it does not say
};

// The smallest step between readings, in seconds, seen in up to 50 steps
// (or 200000 readings: a clock that never moves gives infinity).
double smallest_step(const std::function<double()> &seconds);

struct ClockCheck {
    std::string counter_name;
    std::string reference_name;
    double counter_step = 0.0;             // smallest step seen
    double counter_stated_resolution = 0.0;
    double reference_step = 0.0;
    double counter_seconds = 0.0;          // the counted runs, by each clock
    double reference_seconds = 0.0;
    bool conclusive = false;               // both clocks fine enough for the span
    bool agrees = false;                   // conclusive and within the tolerance
    // How far the counter's steps move the headline: a standard error, as
    // a share of the figure.
    double headline_bound = 0.0;
    bool coarse = false;
};

// The two clocks' verdict over a span they both timed.
void compare_clocks(ClockCheck &check, double counter_seconds, double reference_seconds);

// The standard error that a clock of this step leaves in a headline of
// blocks of `block_runs` runs whose averaged columns take `averaged_total`
// seconds: each averaged column is formed from 24 readings over ten
// repetitions, each reading rounded by up to a step, independently.
double headline_clock_bound(double step, double averaged_total, int block_runs);

// The engine's counter (read_counter over read_counter_frequency) and the
// system's wall clock, which no port supplies.
Clock engine_counter();
Clock wall_clock();

}  // namespace velmark
