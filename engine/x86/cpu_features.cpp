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

const unsigned long long kSseAndYmmState = 0x6;   // XMM and the upper YMM halves
const unsigned long long kZmmState = 0xe0;         // opmask, ZMM0-15 upper halves, ZMM16-31

}  // namespace

CpuidWords read_cpuid_words()
{
    CpuidWords words = {0, 0, 0, 0, 0, 0, 0};
    unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) {
        return words;
    }
    words.max_leaf = __get_cpuid_max(0, nullptr);
    words.leaf1_ecx = ecx;
    words.leaf1_edx = edx;
    if (ecx & bit_OSXSAVE) {
        words.xcr0 = read_xcr0();
    }
    if (words.max_leaf >= 7) {
        __cpuid_count(7, 0, eax, ebx, ecx, edx);
        words.leaf7_ebx = ebx;
        words.leaf7_ecx = ecx;
        words.leaf7_edx = edx;
    }
    return words;
}

CpuFeatures features_from(const CpuidWords &words)
{
    CpuFeatures features = {false, false, false};
    if (words.max_leaf < 1) {
        return features;
    }
    features.sse2 = (words.leaf1_edx & bit_SSE2) != 0;
    const bool osxsave = (words.leaf1_ecx & bit_OSXSAVE) != 0;
    const bool avx = (words.leaf1_ecx & bit_AVX) != 0;
    if (!osxsave || !avx || words.max_leaf < 7) {
        return features;
    }
    const bool ymm_saved = (words.xcr0 & kSseAndYmmState) == kSseAndYmmState;
    const bool zmm_saved = ymm_saved && (words.xcr0 & kZmmState) == kZmmState;
    features.avx2 = ymm_saved && (words.leaf7_ebx & bit_AVX2) != 0;
    features.avx512 = zmm_saved && (words.leaf7_ebx & bit_AVX512F) != 0;
    return features;
}

CpuFeatures detect_cpu_features()
{
    return features_from(read_cpuid_words());
}
