// The loader's coredll arithmetic helpers (arithmetic_double.cpp) and how
// often the image called each.
#pragma once

#include <cstddef>

namespace ce_loader {

struct HelperCount {
    const char *name;
    unsigned long calls;
};

const HelperCount *helper_counts(std::size_t &count);

}  // namespace ce_loader
