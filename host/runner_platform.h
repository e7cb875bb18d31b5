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

// The logical processors this process may run on, by the system's numbers.
std::vector<int> allowed_processors();

// What one copy of a measurement running beside others gave back.
struct CopyOutcome {
    std::string text;     // what its work returned
    std::string failure;  // empty, or how it failed
};

// Runs `work` in fresh processes at once, copy k on processors[k], held
// at a barrier until every copy has started and is pinned, then released
// together. Where the system forks, copy k pins itself by `pin(k)` (an
// empty text, or why it could not) and runs `work(k)`; elsewhere this
// program is started again with `arguments` (which must make it print its
// record, and nothing else), suspended until it is pinned to its processor.
std::vector<CopyOutcome> run_copies_together(const std::vector<int> &processors,
                                             const std::function<std::string(int)> &pin,
                                             const std::function<std::string(int)> &work,
                                             const std::vector<std::string> &arguments);

// Pins the calling process to one logical processor; empty, or why not.
std::string pin_to_processor(int processor);

// Which logical processors share a core, and each one's capacity where the
// system tells it (a hybrid processor's big and little cores).
struct ProcessorPlace {
    int processor = 0;
    std::string core;      // the logical processors of its core, e.g. "0-1", or empty
    double capacity = kUnknown;
};
std::vector<ProcessorPlace> processor_topology(const std::vector<int> &processors);

}  // namespace velmark
