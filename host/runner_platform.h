// What the runner asks of the system beyond the engine's counter; each
// port answers in its own folder (ports/posix, ports/windows).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "machine_state.h"

namespace velmark {

// This process's CPU time and involuntary context switches, and the whole
// system's processor time where the system tells them (unknown fields are
// NaN, an unknown system is not `known`); `wall` is left to the caller.
StateSample sample_state_now();

// What the system says of its frequency scaling; empty where it does not.
struct FrequencySettings {
    std::string governor;
    std::string boost;      // "on", "off", or empty
    double min_hz = kUnknown;
    double max_hz = kUnknown;
};
FrequencySettings frequency_settings();

// Runs `work` in a fresh process and gives back what it returned: a fork
// of this one where the system forks, and elsewhere this program started
// again with `arguments` (which must make it print what `work` returns,
// and nothing else). A process that dies, is killed or exits with a
// failure gives `failure` naming how, and no text.
std::string run_in_fresh_process(const std::function<std::string()> &work, const std::vector<std::string> &arguments,
                                 std::string *failure);

}  // namespace velmark
