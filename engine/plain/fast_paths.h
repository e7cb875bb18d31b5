/* The fast paths of a build that has none (the device, ARM): the plain
 * kernels do all the work. A build with fast paths puts its own
 * fast_paths.h in place of this one (engine/x86/). */
#ifndef VELMARK_FAST_PATHS_H
#define VELMARK_FAST_PATHS_H

#include "velmark_types.h"

static inline bool axpy_fast_path(vm_int32, double, const float *, float *)
{
    return false;
}

static inline bool scal_fast_path(vm_int32, double, float *)
{
    return false;
}

static inline bool iamax_fast_path(vm_int32, const float *, vm_int32 *)
{
    return false;
}

#endif
