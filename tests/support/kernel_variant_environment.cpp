// Runs a test program on the kernel variant VELMARK_KERNELS names, which the
// engine chooses by itself at its first kernel call. A variant this machine
// cannot run skips every test (CTest reports them as skipped, not passed);
// a name the build does not know fails.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "kernel_variants.h"

namespace {

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
            GTEST_SKIP() << "this machine cannot run the " << wanted << " kernels";
        }
        ASSERT_STREQ(wanted, kernels_in_use()) << "the engine did not take VELMARK_KERNELS";
    }
};

::testing::Environment *const kernel_variant = ::testing::AddGlobalTestEnvironment(new KernelVariant);

}  // namespace
