// What this port says of its counter's steps: the performance counter
// steps by whole ticks of the frequency it reports, and the system states
// nothing coarser. Kept apart from counter.cpp, which the device builds.
#include "counter_resolution.h"

double counter_stated_resolution_seconds() { return 0.0; }
