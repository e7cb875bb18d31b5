// A POSIX counter that reports the frequency VELMARK_TEST_COUNTER_FREQUENCY
// (default 1.05e9) while it ticks in nanoseconds, as a misreported counter
// on a real or a virtual machine does: linked into the runner ahead of the
// engine's own, the run's bits stay right and only its time is wrong.
#include <cstdlib>
#include <time.h>

#include "counter.h"

extern "C" int read_counter(vm_int64 *ticks)
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    *ticks = static_cast<vm_int64>(now.tv_sec) * 1000000000LL + now.tv_nsec;
    return 1;
}

extern "C" int read_counter_frequency(vm_int64 *ticks_per_second)
{
    const char *asked = std::getenv("VELMARK_TEST_COUNTER_FREQUENCY");
    *ticks_per_second = asked ? std::strtoll(asked, nullptr, 10) : 1050000000LL;
    return 1;
}
