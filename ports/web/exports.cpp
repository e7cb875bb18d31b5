// What the page reads of the module beside run_benchmark and the engine's
// own calls: the timing table and the solution a run leaves, the kernels
// the module was built with, and memory for the arrays of the solves the
// page makes itself (the untimed one, and the tests' known answers).
#include "averaged_rate.h"
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

// The page's headline of a block of runs: the host runner's own rule.
vm_int32 velmark_kflops_from_averaged_totals(double total_layout1, double total_layout2)
{
    return velmark::kflops_from_averaged_totals(total_layout1, total_layout2);
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
