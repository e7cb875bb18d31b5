// What the page reads of the module beside run_benchmark and the engine's
// own calls: the timing table and the solution a run leaves, the kernels
// the module was built with, and memory for the arrays of the solves the
// page makes itself (the untimed one, and the tests' known answers).
#include "kernel_variants.h"
#include "velmark_engine.h"
#include "workspace.h"

namespace {

// The arrays the page asks for, one after the other; released all at once.
__attribute__((aligned(16))) char scratch[1 << 20];
vm_int32 scratch_used = 0;

}  // namespace

extern "C" {

float *velmark_timing_table(void)
{
    return &timing_table[0][0];
}

vm_int32 velmark_timing_columns(void)
{
    return TIMING_COLUMNS;
}

float *velmark_solution(void)
{
    return rhs;
}

vm_int32 velmark_order(void)
{
    return n;
}

const char *velmark_kernels(void)
{
    return kernels_in_use();
}

// The result of averaged columns that took these totals, by the run's own
// rate and final-rate rules: the page's headline of a block of runs, the
// means of its runs' averaged totals (the host runner's
// kflops_from_averaged_totals).
vm_int32 velmark_kflops_from_averaged_totals(double total_layout1, double total_layout2)
{
    float rate1 = static_cast<float>(ops / (static_cast<double>(static_cast<float>(total_layout1)) * 1000.0));
    float rate2 = static_cast<float>(ops / (static_cast<double>(static_cast<float>(total_layout2)) * 1000.0));
    return round_rate_to_kflops(lower_averaged_rate(rate1, rate2));
}

// bytes of scratch memory, 16-byte aligned; 0 when there is no more.
void *velmark_scratch(vm_int32 bytes)
{
    vm_int32 start = (scratch_used + 15) / 16 * 16;
    if (bytes < 0 || bytes > static_cast<vm_int32>(sizeof scratch) - start) {
        return 0;
    }
    scratch_used = start + bytes;
    return scratch + start;
}

void velmark_scratch_release(void)
{
    scratch_used = 0;
}

}  // extern "C"
