// A monotonic clock in nanoseconds stands in for the performance counter on
// POSIX systems; its frequency is therefore fixed at 1e9 ticks per second.
#include <time.h>

#include "counter.h"

int read_counter(vm_int64 *ticks)
{
    struct timespec now;
    if (clock_gettime(CLOCK_MONOTONIC, &now) != 0) {
        *ticks = 0;
        return 0;
    }
    *ticks = static_cast<vm_int64>(now.tv_sec) * 1000000000LL +
             static_cast<vm_int64>(now.tv_nsec);
    return 1;
}

int read_counter_frequency(vm_int64 *ticks_per_second)
{
    *ticks_per_second = 1000000000LL;
    return 1;
}
