// The engine's own choice of kernel variant, for a given machine.
#pragma once

#include "cpu_features.h"

// The index of the variant named `wanted` (VELMARK_KERNELS; may be null)
// when this machine runs it, else of the widest variant it runs.
int default_kernel_variant(const char *wanted, const CpuFeatures &machine);
