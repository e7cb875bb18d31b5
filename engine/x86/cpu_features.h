// What this x86-64 processor can run, as cpuid reports it and as far as
// the operating system saves the wider registers (xgetbv). The decision is
// a function of the words alone, so that machines this one is not can be
// described to it.
#pragma once

struct CpuFeatures {
    bool sse2;
    bool avx2;
    bool avx512;  // AVX-512 Foundation
};

struct CpuidWords {
    unsigned max_leaf;         // cpuid leaf 0's eax; 0 when there is no leaf 1
    unsigned leaf1_ecx;
    unsigned leaf1_edx;
    unsigned leaf7_ebx;        // leaf 7, sub-leaf 0; all 0 when max_leaf < 7
    unsigned leaf7_ecx;
    unsigned leaf7_edx;
    unsigned long long xcr0;   // the state the system saves; 0 unless leaf 1 says OSXSAVE
};

// The two instructions the words come from. xgetbv raises #UD unless the
// system has enabled XSAVE (leaf 1's OSXSAVE), so it is read only then.
struct CpuidInstructions {
    // cpuid of (leaf, sub-leaf) into the four words; false when the
    // processor has no such leaf.
    bool (*cpuid)(unsigned leaf, unsigned subleaf, unsigned words[4]);
    unsigned long long (*xgetbv)();  // XCR0
};

CpuidWords read_cpuid_words();  // from this processor
CpuidWords read_cpuid_words(const CpuidInstructions &instructions);
CpuFeatures features_from(const CpuidWords &words);
CpuFeatures detect_cpu_features();  // features_from(read_cpuid_words())
