// The vector kernels of x86-64 host builds: the plain kernels' rules, with
// the unit-increment paths of axpy, scal and iamax handed to the widest
// variant this machine runs. The variant is chosen once, by the first call
// that needs one, from any thread: until then the table points at functions
// that choose (exactly once) and then go on.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <atomic>
#include <mutex>

#include "cpu_features.h"
#include "kernel_dispatch.h"
#include "kernel_variants.h"
#include "portable_kernels.h"
#include "velmark_engine.h"
#include "x86_kernels.h"

namespace {

void axpy_portable_unit(vm_int32 n, double alpha, const float *x, float *y)
{
    portable_axpy(n, alpha, x, 1, y, 1);
}

void scal_portable_unit(vm_int32 n, double alpha, float *x)
{
    portable_scal(n, alpha, x, 1);
}

vm_int32 iamax_portable_unit(vm_int32 n, const float *x)
{
    return portable_iamax(n, x, 1);
}

const UnitKernels portable_unit_kernels = {axpy_portable_unit, scal_portable_unit, iamax_portable_unit};

struct Variant {
    const char *name;
    const UnitKernels *kernels;
    bool (*supported)(const CpuFeatures &);
};

bool always(const CpuFeatures &) { return true; }
bool has_sse2(const CpuFeatures &f) { return f.sse2; }
bool has_avx2(const CpuFeatures &f) { return f.avx2; }
bool has_avx512(const CpuFeatures &f) { return f.avx512; }

const Variant variants[] = {{"portable", &portable_unit_kernels, always},
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

void choose_then_axpy(vm_int32 n, double alpha, const float *x, float *y);
void choose_then_scal(vm_int32 n, double alpha, float *x);
vm_int32 choose_then_iamax(vm_int32 n, const float *x);
const UnitKernels choosing_kernels = {choose_then_axpy, choose_then_scal, choose_then_iamax};

// The kernels in use; chosen_variant is -1 until the choice is made. Both
// are atomic, so that a call on one thread sees either the choosing table
// or a whole chosen one.
std::atomic<const UnitKernels *> active{&choosing_kernels};
std::atomic<int> chosen_variant{-1};
std::once_flag default_choice;

void use_variant(int index)
{
    chosen_variant.store(index);
    active.store(variants[index].kernels);
}

// Made once, whichever thread gets here first. A program's own
// choose_kernels, made before, stands.
void choose_once()
{
    std::call_once(default_choice, [] {
        if (chosen_variant.load() >= 0) return;
        use_variant(default_kernel_variant(getenv("VELMARK_KERNELS"), features()));
    });
}

void choose_then_axpy(vm_int32 n, double alpha, const float *x, float *y)
{
    choose_once();
    active.load()->axpy(n, alpha, x, y);
}

void choose_then_scal(vm_int32 n, double alpha, float *x)
{
    choose_once();
    active.load()->scal(n, alpha, x);
}

vm_int32 choose_then_iamax(vm_int32 n, const float *x)
{
    choose_once();
    return active.load()->iamax(n, x);
}

// Whether the n elements at x and at y share any memory. Overlapping
// vectors are updated one element at a time, as the rule walks them.
bool overlap(const float *x, const float *y, vm_int32 n)
{
    uintptr_t a = reinterpret_cast<uintptr_t>(x), b = reinterpret_cast<uintptr_t>(y);
    uintptr_t bytes = static_cast<uintptr_t>(n) * sizeof(float);
    return a < b + bytes && b < a + bytes;
}

}  // namespace

void axpy(vm_int32 n, double alpha, const float *x, vm_int32 incx, float *y, vm_int32 incy)
{
    if (n <= 0 || alpha == 0.0) {
        return;
    }
    if (incx == 1 && incy == 1 && !overlap(x, y, n)) {
        active.load()->axpy(n, alpha, x, y);
        return;
    }
    portable_axpy(n, alpha, x, incx, y, incy);
}

void scal(vm_int32 n, double alpha, float *x, vm_int32 incx)
{
    if (n <= 0) {
        return;
    }
    if (incx == 1) {
        active.load()->scal(n, alpha, x);
        return;
    }
    portable_scal(n, alpha, x, incx);
}

vm_int32 iamax(vm_int32 n, const float *x, vm_int32 incx)
{
    if (n < 1) {
        return -1;
    }
    if (n == 1) {
        return 0;  // without reading x
    }
    if (incx == 1) {
        return active.load()->iamax(n, x);
    }
    return portable_iamax(n, x, incx);
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
    use_variant(index);
    return KERNELS_CHOSEN;
}

const char *kernels_in_use(void)
{
    choose_once();
    return variants[chosen_variant.load()].name;
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
