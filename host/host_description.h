// What a result was measured on and with, so that two results can be told
// apart and compared: the machine, its operating system and the time.
#pragma once

#include <ctime>
#include <string>

#include "tidy_spaces.h"

namespace velmark {

struct HostDescription {
    std::string os;         // name, release and machine, e.g. "Linux 6.1.0-18-amd64 x86_64"
    std::string cpu;        // the processor's model name, or "unknown"
    int logical_cpus = 0;   // 0 when the system does not say
};

HostDescription describe_host();

// The current time (or `when`) in UTC as ISO 8601 with a trailing Z, to the
// second.
std::string utc_timestamp();
std::string utc_timestamp(std::time_t when);

}  // namespace velmark
