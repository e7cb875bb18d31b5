// The counter of the browser port: the page's high-resolution clock, which
// the module imports, in whole ticks of the frequency the page states
// (the page: nanoseconds of performance.now(); the tests: a script).
#include "counter.h"

extern "C" {
__attribute__((import_module("clock"), import_name("ticks"))) double clock_ticks(void);
__attribute__((import_module("clock"), import_name("frequency"))) double clock_frequency(void);
}

namespace {

// A tick count as a 64-bit integer; anything that is no whole count a
// 64-bit integer holds reads as 0 and a failed read.
int to_ticks(double value, vm_int64 *ticks)
{
    const double limit = 9223372036854775808.0;  // 2^63
    if (!(value >= 0.0 && value < limit)) {
        *ticks = 0;
        return 0;
    }
    *ticks = static_cast<vm_int64>(value);
    return 1;
}

}  // namespace

int read_counter(vm_int64 *ticks)
{
    return to_ticks(clock_ticks(), ticks);
}

int read_counter_frequency(vm_int64 *ticks_per_second)
{
    return to_ticks(clock_frequency(), ticks_per_second);
}
