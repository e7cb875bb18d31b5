#include "kernel_choice.h"

#include "kernel_variants.h"

namespace velmark {

std::string kernel_variant_list(bool runnable_only)
{
    std::string list;
    for (int i = 0; i < kernel_variant_count(); ++i) {
        if (runnable_only && !kernel_variant_supported(i)) continue;
        list += (list.empty() ? "" : ", ") + std::string(kernel_variant_name(i));
    }
    return list;
}

std::string choose_requested_kernels(const std::string &option, const char *environment)
{
    std::string wanted = !option.empty() ? option : environment ? environment : "";
    if (wanted.empty()) {
        return "";
    }
    std::string source = !option.empty() ? "--kernels" : "VELMARK_KERNELS";
    switch (choose_kernels(wanted.c_str())) {
    case KERNELS_CHOSEN:
        return "";
    case KERNELS_UNSUPPORTED:
        return "this machine cannot run the kernels '" + wanted + "' named by " + source +
               " (it can run: " + kernel_variant_list(true) + ")";
    default:
        return "unknown kernels '" + wanted + "' named by " + source + " (this build has: " +
               kernel_variant_list(false) + ")";
    }
}

}  // namespace velmark
