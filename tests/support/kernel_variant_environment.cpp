// Runs a test program on the kernel variant VELMARK_KERNELS names, which the
// engine chooses by itself at its first kernel call. A variant this machine
// cannot run ends the program with status 77 before any test runs, which
// CTest reports as skipped (SKIP_RETURN_CODE): a skip can then never hide a
// failure, since a program that runs its tests ends with their status. A
// name the build does not know fails.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "kernel_variants.h"

namespace {

const int kSkipped = 77;  // SKIP_RETURN_CODE in tests/CMakeLists.txt

class KernelVariant : public ::testing::Environment {
public:
    void SetUp() override
    {
        const char *wanted = std::getenv("VELMARK_KERNELS");
        if (wanted == nullptr) {
            return;
        }
        int index = -1;
        for (int i = 0; i < kernel_variant_count(); ++i) {
            if (std::strcmp(kernel_variant_name(i), wanted) == 0) index = i;
        }
        ASSERT_NE(-1, index) << "VELMARK_KERNELS=" << wanted << " names no kernels of this build";
        if (!kernel_variant_supported(index)) {
            std::printf("skipped: this machine cannot run the %s kernels\n", wanted);
            std::fflush(stdout);
            std::exit(kSkipped);
        }
        ASSERT_STREQ(wanted, kernels_in_use()) << "the engine did not take VELMARK_KERNELS";
    }
};

::testing::Environment *const kernel_variant = ::testing::AddGlobalTestEnvironment(new KernelVariant);

}  // namespace
