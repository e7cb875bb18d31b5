// The performance counter of Win32 and Windows CE.
#include <windows.h>

#include "counter.h"

int read_counter(vm_int64 *ticks)
{
    LARGE_INTEGER value;
    value.QuadPart = 0;
    BOOL ok = QueryPerformanceCounter(&value);
    *ticks = value.QuadPart;
    return ok ? 1 : 0;
}

int read_counter_frequency(vm_int64 *ticks_per_second)
{
    LARGE_INTEGER value;
    value.QuadPart = 0;
    BOOL ok = QueryPerformanceFrequency(&value);
    *ticks_per_second = value.QuadPart;
    return ok ? 1 : 0;
}
