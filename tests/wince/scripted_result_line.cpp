// Prints the result line that the host engine gives for the scripted ticks,
// formatted as the dialog formats it: the device image run through the CE
// loader with the same ticks must show exactly this line.
#include <cstdio>

#include "scripted_counter.h"
#include "velmark_engine.h"

namespace {
scripted_counter::Counter counter;
}

extern "C" int read_counter(vm_int64 *ticks)
{
    *ticks = counter.next();
    return 1;
}

extern "C" int read_counter_frequency(vm_int64 *ticks_per_second)
{
    *ticks_per_second = scripted_counter::kTicksPerSecond;
    return 1;
}

int main()
{
    vm_int32 kflops = run_benchmark();
    float mflops = static_cast<float>(kflops) * 0.001f;
    std::printf("CPU performance %.2f MFlops\n", static_cast<double>(mflops));
    std::printf("counter reads %llu\n", counter.reads);
    return 0;
}
