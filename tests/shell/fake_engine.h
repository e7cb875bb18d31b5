// Stands in for the engine in the shell's tests: run_benchmark answers a
// chosen rate and notes, in the platform double's log, when it was called
// and what the dialog looked like at that moment.
#pragma once

#include <string>

#include "velmark_types.h"

namespace fake_engine {

struct Observed {
    int runs = 0;
    std::size_t pending_messages = 0;   // still queued when the run started
    bool run_button_visible = true;
    std::string status_text;
};

void set_rate(vm_int32 kflops);
const Observed &observed();
void reset();

}  // namespace fake_engine
