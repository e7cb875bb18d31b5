// The plain kernels, compiled once more under the names the dispatching
// kernels (kernel_dispatch.cpp) fall back to. The source is the very file
// that the device and the ARM builds compile, unchanged; only the three
// kernels that have fast paths are renamed, dot keeps its name.
#include "portable_kernels.h"

#define axpy portable_axpy
#define scal portable_scal
#define iamax portable_iamax
#include "../vector_kernels.cpp"
