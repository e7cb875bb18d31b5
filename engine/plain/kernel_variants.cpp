// The only variant of a build without fast paths: the plain kernels.
#include <string.h>

#include "kernel_variants.h"

int choose_kernels(const char *name)
{
    return strcmp(name, "portable") == 0 ? KERNELS_CHOSEN : KERNELS_UNKNOWN;
}

const char *kernels_in_use(void)
{
    return "portable";
}

int kernel_variant_count(void)
{
    return 1;
}

const char *kernel_variant_name(int index)
{
    return index == 0 ? "portable" : 0;
}

int kernel_variant_supported(int index)
{
    return index == 0 ? 1 : 0;
}
