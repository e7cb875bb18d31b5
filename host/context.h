// What a measurement ran on and with, gathered once before it starts: the
// version, the time, the machine, the build and the kernels. Two results
// can then be told apart and compared.
#pragma once

#include <string>

#include "host_description.h"
#include "runner_platform.h"

namespace velmark {

struct BuildDescription {
    std::string platform;  // the release platform the runner was built for
    std::string compiler;
    std::string flags;     // the flags the engine was compiled with
    std::string kernels;   // the vector kernels in use
};

struct Context {
    std::string velmark_version;
    std::string timestamp_utc;  // when the measurement started
    HostDescription host;
    BuildDescription build;
    FrequencySettings frequency;  // what the system says of its clock's scaling
};

// The context of this process, now: call it once the kernels are chosen.
Context gather_context(const std::string &platform, const std::string &flags);

// The compiler that built this program, and its version.
std::string compiler_description();

}  // namespace velmark
