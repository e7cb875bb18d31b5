/* The high-resolution counter: the only thing the engine asks of the
 * platform. Each port implements these two reads in its own counter.cpp
 * (ports/PORT/).
 *
 * Both return nonzero on success, as the platform's own calls do; the run
 * does not look at it. A program may link its own definitions of both
 * functions ahead of the engine library to replace the counter: the
 * library's counter object is then never pulled in. */
#ifndef VELMARK_COUNTER_H
#define VELMARK_COUNTER_H

#include "velmark_types.h"

#ifdef __cplusplus
extern "C" {
#endif

int read_counter(vm_int64 *ticks);
int read_counter_frequency(vm_int64 *ticks_per_second);

#ifdef __cplusplus
}
#endif

#endif
