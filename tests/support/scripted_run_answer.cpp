// The host engine's answer for the scripted counter of the CE loader
// (ports/wince/loader/scripted_counter.h), which the device image and the
// browser's modules get too: the result, the result line as the dialog
// formats it, the counter reads, the bits of the timing table's used rows
// and the solution's digest, as one JSON object.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "scripted_counter.h"
#include "solution_check.h"
#include "velmark_engine.h"
#include "workspace.h"

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
    std::printf("{\"kflops\": %d, \"result_line\": \"CPU performance %.2f MFlops\", \"reads\": %llu, \"table_bits\": [",
                static_cast<int>(kflops), static_cast<double>(mflops), counter.reads);
    for (int row = 0; row <= ROW_KFLOPS; ++row) {
        for (int k = 0; k < USED_COLUMNS; ++k) {
            std::uint32_t bits;
            std::memcpy(&bits, &timing_table[row][k], sizeof bits);
            std::printf("%s%u", row == 0 && k == 0 ? "" : ", ", bits);
        }
    }
    std::printf("], \"solution_digest\": \"0x%016llx\"}\n",
                static_cast<unsigned long long>(velmark::solution_digest(rhs, n)));
    return 0;
}
