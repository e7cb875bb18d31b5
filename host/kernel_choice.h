// Which kernel variant a measurement runs on: the one --kernels names, else
// the one VELMARK_KERNELS names, else the engine's own choice.
#pragma once

#include <string>

namespace velmark {

// Chooses the variant that option (or, when it is empty, environment, which
// may be null) names. Empty when fine, else the error to report: the
// engine would ignore a name it cannot run, and a measurement must not run
// on other kernels than the ones asked for.
std::string choose_requested_kernels(const std::string &option, const char *environment);

// "portable, sse2, ..." : every variant of this build, or only those this
// machine runs.
std::string kernel_variant_list(bool runnable_only);

}  // namespace velmark
