#include "clock_check.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>

#include "counter.h"
#include "counter_resolution.h"

namespace velmark {

double smallest_step(const std::function<double()> &seconds)
{
    double smallest = std::numeric_limits<double>::infinity();
    double before = seconds();
    int steps = 0;
    for (int i = 0; i < 200000 && steps < 50; ++i) {
        const double reading = seconds();
        if (reading > before) {
            smallest = std::min(smallest, reading - before);
            ++steps;
            before = reading;
        }
    }
    return smallest;
}

void compare_clocks(ClockCheck &check, double counter_seconds, double reference_seconds)
{
    check.counter_seconds = counter_seconds;
    check.reference_seconds = reference_seconds;
    const double steps = std::max(check.counter_step, check.counter_stated_resolution) + check.reference_step;
    check.conclusive = reference_seconds > 0.0 && std::isfinite(steps) &&
                       steps <= kClockCheckResolution * reference_seconds;
    check.agrees = check.conclusive &&
                   std::fabs(counter_seconds - reference_seconds) <= kClockTolerance * reference_seconds + steps;
}

double headline_clock_bound(double step, double averaged_total, int block_runs)
{
    if (!(averaged_total > 0.0) || block_runs < 1) return std::numeric_limits<double>::infinity();
    return step / (averaged_total * std::sqrt(50.0 * block_runs));
}

Clock engine_counter()
{
    vm_int64 frequency = 0;
    read_counter_frequency(&frequency);
    Clock clock;
    clock.name = "the engine's counter (" + std::to_string(frequency) + " ticks a second)";
    clock.seconds = [frequency] {
        vm_int64 ticks = 0;
        read_counter(&ticks);
        return static_cast<double>(ticks) / static_cast<double>(frequency);
    };
    // A tick is the finest the counter can step; the port may say that its
    // counter steps coarser.
    clock.stated_resolution = std::max(frequency > 0 ? 1.0 / static_cast<double>(frequency) : 0.0,
                                       counter_stated_resolution_seconds());
    return clock;
}

Clock wall_clock()
{
    Clock clock;
    clock.name = "the system's wall clock";
    // From a recent origin, so that a double keeps its steps.
    using clock_type = std::chrono::system_clock;
    const clock_type::time_point origin = clock_type::now();
    clock.seconds = [origin] { return std::chrono::duration<double>(clock_type::now() - origin).count(); };
    return clock;
}

}  // namespace velmark
