#include "context.h"

#include "kernel_variants.h"
#include "version.h"

namespace velmark {

std::string compiler_description()
{
#if defined(__clang__)
    return tidy_spaces(std::string("Clang ") + __clang_version__);
#elif defined(__GNUC__)
    return tidy_spaces(std::string("GCC ") + __VERSION__);
#elif defined(_MSC_VER)
    return "MSVC " + std::to_string(_MSC_VER);
#else
    return "unknown compiler";
#endif
}

Context gather_context(const std::string &platform, const std::string &flags)
{
    Context context;
    context.velmark_version = velmark_version();
    context.timestamp_utc = utc_timestamp();
    context.host = describe_host();
    context.build.platform = platform;
    context.build.compiler = compiler_description();
    context.build.flags = flags;
    context.build.kernels = kernels_in_use();
    context.frequency = frequency_settings();
    return context;
}

}  // namespace velmark
