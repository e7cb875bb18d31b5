// A performance counter that takes 15 ms to read, linked into a test build
// of Velmark.exe in place of the real one: the run then lasts a second or
// two, long enough for the end-to-end test to see the dialog during it.
#include <windows.h>

#include "counter.h"

int read_counter(vm_int64 *ticks)
{
    Sleep(15);
    LARGE_INTEGER value;
    BOOL ok = QueryPerformanceCounter(&value);
    *ticks = value.QuadPart;
    return ok ? 1 : 0;
}

int read_counter_frequency(vm_int64 *ticks_per_second)
{
    LARGE_INTEGER value;
    BOOL ok = QueryPerformanceFrequency(&value);
    *ticks_per_second = value.QuadPart;
    return ok ? 1 : 0;
}
