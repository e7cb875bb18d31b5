// The kernel choice of a build with one variant of the kernels: the plain
// kernels, "portable" (ARM Linux, the browser's plain module), unless the
// build names its fast paths' variant in VELMARK_KERNEL_VARIANT (the
// browser's SIMD module: "simd128"). The device's image asks nothing of the
// choice and leaves this out.
#include <string.h>

#include "kernel_variants.h"

#ifndef VELMARK_KERNEL_VARIANT
#define VELMARK_KERNEL_VARIANT "portable"
#endif

int choose_kernels(const char *name)
{
    return strcmp(name, VELMARK_KERNEL_VARIANT) == 0 ? KERNELS_CHOSEN : KERNELS_UNKNOWN;
}

const char *kernels_in_use(void)
{
    return VELMARK_KERNEL_VARIANT;
}

int kernel_variant_count(void)
{
    return 1;
}

const char *kernel_variant_name(int index)
{
    return index == 0 ? VELMARK_KERNEL_VARIANT : 0;
}

int kernel_variant_supported(int index)
{
    return index == 0 ? 1 : 0;
}
