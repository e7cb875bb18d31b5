// The one variant of the browser's SIMD module (engine/wasm/fast_paths.h):
// the page loads this module, or the plain one, by what the browser runs.
#include <string.h>

#include "kernel_variants.h"

int choose_kernels(const char *name)
{
    return strcmp(name, "simd128") == 0 ? KERNELS_CHOSEN : KERNELS_UNKNOWN;
}

const char *kernels_in_use(void)
{
    return "simd128";
}

int kernel_variant_count(void)
{
    return 1;
}

const char *kernel_variant_name(int index)
{
    return index == 0 ? "simd128" : 0;
}

int kernel_variant_supported(int index)
{
    return index == 0 ? 1 : 0;
}
