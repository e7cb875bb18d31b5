// What this port says of its counter's steps: the monotonic clock that
// counter.cpp reads states its own resolution (clock_getres), which may be
// coarser than the nanosecond ticks it is given in.
#include <time.h>

#include "counter_resolution.h"

double counter_stated_resolution_seconds()
{
    struct timespec resolution;
    if (clock_getres(CLOCK_MONOTONIC, &resolution) != 0) return 0.0;
    return static_cast<double>(resolution.tv_sec) + 1e-9 * static_cast<double>(resolution.tv_nsec);
}
