#include "cpu_features.h"

#include <cpuid.h>

namespace {

// The extended control register 0: which register states the operating
// system saves on a context switch. Read by instruction, since the
// intrinsic needs the xsave target.
unsigned long long read_xcr0()
{
    unsigned int low = 0, high = 0;
    __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    return (static_cast<unsigned long long>(high) << 32) | low;
}

}  // namespace

CpuFeatures detect_cpu_features()
{
    CpuFeatures features = {false, false, false};
    unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) {
        return features;
    }
    features.sse2 = (edx & bit_SSE2) != 0;
    const bool osxsave = (ecx & bit_OSXSAVE) != 0;
    const bool avx = (ecx & bit_AVX) != 0;
    if (!osxsave || !avx) {
        return features;
    }
    const unsigned long long xcr0 = read_xcr0();
    const bool ymm_saved = (xcr0 & 0x6) == 0x6;             // SSE and AVX state
    const bool zmm_saved = ymm_saved && (xcr0 & 0xe0) == 0xe0;  // opmask, ZMM0-15 high, ZMM16-31
    unsigned int max_leaf = __get_cpuid_max(0, nullptr);
    if (max_leaf < 7) {
        return features;
    }
    __cpuid_count(7, 0, eax, ebx, ecx, edx);
    features.avx2 = ymm_saved && (ebx & bit_AVX2) != 0;
    features.avx512 = zmm_saved && (ebx & bit_AVX512F) != 0;
    return features;
}
