// The fast paths of x86-64 host builds (fast_paths.h): the unit-increment
// paths of axpy, scal and iamax handed to the widest variant this machine
// runs, or to the one a program chose; "portable" is the plain kernels
// themselves. The variant is chosen once, by the first call that needs one,
// from any thread.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <atomic>
#include <mutex>

#include "cpu_features.h"
#include "fast_paths.h"
#include "vectors_overlap.h"
#include "kernel_dispatch.h"
#include "kernel_variants.h"
#include "x86_kernels.h"

namespace {

struct Variant {
    const char *name;
    const UnitKernels *kernels;  // null: the plain kernels, no fast path
    bool (*supported)(const CpuFeatures &);
};

bool always(const CpuFeatures &) { return true; }
bool has_sse2(const CpuFeatures &f) { return f.sse2; }
bool has_avx2(const CpuFeatures &f) { return f.avx2; }
bool has_avx512(const CpuFeatures &f) { return f.avx512; }

const Variant variants[] = {{"portable", nullptr, always},
                            {"sse2", &sse2_unit_kernels, has_sse2},
                            {"avx2", &avx2_unit_kernels, has_avx2},
                            {"avx512", &avx512_unit_kernels, has_avx512}};
const int variant_total = sizeof variants / sizeof variants[0];

const CpuFeatures &features()
{
    static const CpuFeatures detected = detect_cpu_features();
    return detected;
}

int find_variant(const char *name)
{
    for (int i = 0; i < variant_total; ++i) {
        if (strcmp(variants[i].name, name) == 0) return i;
    }
    return -1;
}

// The variant in use, -1 until the choice is made. Atomic, so that a call
// on one thread sees either no choice or a whole one.
std::atomic<int> chosen_variant{-1};
std::once_flag default_choice;

// Made once, whichever thread gets here first. A program's own
// choose_kernels, made before, stands.
int chosen()
{
    int index = chosen_variant.load();
    if (index >= 0) return index;
    std::call_once(default_choice, [] {
        if (chosen_variant.load() >= 0) return;
        chosen_variant.store(default_kernel_variant(getenv("VELMARK_KERNELS"), features()));
    });
    return chosen_variant.load();
}

const UnitKernels *fast_kernels()
{
    return variants[chosen()].kernels;
}

}  // namespace

bool axpy_fast_path(vm_int32 n, double alpha, const float *x, float *y)
{
    const UnitKernels *kernels = fast_kernels();
    if (kernels == nullptr || vectors_overlap(x, y, n)) return false;
    kernels->axpy(n, alpha, x, y);
    return true;
}

bool scal_fast_path(vm_int32 n, double alpha, float *x)
{
    const UnitKernels *kernels = fast_kernels();
    if (kernels == nullptr) return false;
    kernels->scal(n, alpha, x);
    return true;
}

bool iamax_fast_path(vm_int32 n, const float *x, vm_int32 *found)
{
    const UnitKernels *kernels = fast_kernels();
    if (kernels == nullptr) return false;
    *found = kernels->iamax(n, x);
    return true;
}

int default_kernel_variant(const char *wanted, const CpuFeatures &machine)
{
    int index = wanted ? find_variant(wanted) : -1;
    if (index >= 0 && variants[index].supported(machine)) {
        return index;
    }
    index = variant_total - 1;
    while (!variants[index].supported(machine)) --index;
    return index;
}

int choose_kernels(const char *name)
{
    int index = find_variant(name);
    if (index < 0) return KERNELS_UNKNOWN;
    if (!variants[index].supported(features())) return KERNELS_UNSUPPORTED;
    chosen_variant.store(index);
    return KERNELS_CHOSEN;
}

const char *kernels_in_use(void)
{
    return variants[chosen()].name;
}

int kernel_variant_count(void)
{
    return variant_total;
}

const char *kernel_variant_name(int index)
{
    return index >= 0 && index < variant_total ? variants[index].name : nullptr;
}

int kernel_variant_supported(int index)
{
    return index >= 0 && index < variant_total && variants[index].supported(features()) ? 1 : 0;
}
