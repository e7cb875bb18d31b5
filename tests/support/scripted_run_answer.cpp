// The host engine's answer for the scripted counter of the CE loader
// (celoader/scripted_counter.h), which the device image and the
// browser's modules get too: the result, the result line as the dialog
// formats it, the counter reads, the bits of the timing table's used rows
// and the solution's digest, as one JSON object; and the KFLOPS the
// headline's rule gives for a few blocks' averaged totals.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "headline.h"
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
    std::printf("], \"solution_digest\": \"0x%016llx\", \"averaged_totals_kflops\": [",
                static_cast<unsigned long long>(velmark::solution_digest(rhs, n)));
    // Equal columns, the second one slower, a half to round, a total of 0
    // and one too long for a whole KFLOPS.
    const double totals[][2] = {{1.5e-3, 1.5e-3}, {5.7e-5, 5.9e-5}, {686666.6666666666 / 1234.5e3, 1.0},
                                {0.0, 0.0}, {1e6, 1e6}, {1.3333333333e-4, 1.2e-4}};
    for (std::size_t i = 0; i < sizeof totals / sizeof totals[0]; ++i) {
        std::printf("%s[%.17g, %.17g, %d]", i ? ", " : "", totals[i][0], totals[i][1],
                    velmark::kflops_from_averaged_totals(totals[i][0], totals[i][1]));
    }
    // The dialog's line for rates whose product with 0.001 rounds to an
    // exact tie at two decimals (1125: 1.125), and others.
    const int rates[] = {1125, 0, 5, 1234, 99999, 11818108, 2147483647, -1125};
    std::printf("], \"result_lines\": [");
    for (std::size_t i = 0; i < sizeof rates / sizeof rates[0]; ++i) {
        float rate_mflops = static_cast<float>(rates[i]) * 0.001f;
        std::printf("%s[%d, \"CPU performance %.2f MFlops\"]", i ? ", " : "", rates[i], static_cast<double>(rate_mflops));
    }
    std::printf("]}\n");
    return 0;
}
