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

namespace {

bool processor_cpuid(unsigned leaf, unsigned subleaf, unsigned words[4])
{
    if (leaf > __get_cpuid_max(0, nullptr)) return false;
    __cpuid_count(leaf, subleaf, words[0], words[1], words[2], words[3]);
    return true;
}

const CpuidInstructions processor = {processor_cpuid, read_xcr0};

}  // namespace

CpuidWords read_cpuid_words()
{
    return read_cpuid_words(processor);
}

CpuidWords read_cpuid_words(const CpuidInstructions &instructions)
{
    CpuidWords words = {0, 0, 0, 0, 0, 0, 0};
    unsigned leaf0[4] = {0, 0, 0, 0}, leaf1[4] = {0, 0, 0, 0};
    if (!instructions.cpuid(0, 0, leaf0) || leaf0[0] < 1 || !instructions.cpuid(1, 0, leaf1)) {
        return words;
    }
    words.max_leaf = leaf0[0];
    words.leaf1_ecx = leaf1[2];
    words.leaf1_edx = leaf1[3];
    if (words.leaf1_ecx & bit_OSXSAVE) {
        words.xcr0 = instructions.xgetbv();
    }
    unsigned leaf7[4] = {0, 0, 0, 0};
    if (words.max_leaf >= 7 && instructions.cpuid(7, 0, leaf7)) {
        words.leaf7_ebx = leaf7[1];
        words.leaf7_ecx = leaf7[2];
        words.leaf7_edx = leaf7[3];
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
