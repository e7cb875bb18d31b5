// The kernel choice on machines this one is not: made-up cpuid and XCR0
// words, and the variant the engine then takes by itself.
#include <gtest/gtest.h>

#include <cpuid.h>

#include <cstring>

#include "cpu_features.h"
#include "kernel_dispatch.h"
#include "kernel_variants.h"

namespace {

const unsigned long long kYmm = 0x6, kOpmask = 0x20, kZmmHigh = 0x40, kZmm16 = 0x80;

// A processor with SSE2 and, as asked, AVX (with the system's XSAVE
// support), AVX2 and AVX-512F; the system saves the states in xcr0.
CpuidWords machine(bool avx, bool avx2, bool avx512, unsigned long long xcr0)
{
    CpuidWords w = {};
    w.max_leaf = 13;
    w.leaf1_edx = bit_SSE2;
    w.leaf1_ecx = avx ? (bit_AVX | bit_OSXSAVE) : 0;
    w.leaf7_ebx = (avx2 ? bit_AVX2 : 0) | (avx512 ? bit_AVX512F : 0);
    w.xcr0 = avx ? xcr0 : 0;
    return w;
}

int variant(const char *name)
{
    for (int i = 0; i < kernel_variant_count(); ++i)
        if (std::strcmp(kernel_variant_name(i), name) == 0) return i;
    return -1;
}

TEST(CpuFeatures, EachWideVariantNeedsItsBitAndTheStateTheSystemSaves)
{
    CpuFeatures full = features_from(machine(true, true, true, 0x3 | kYmm | kOpmask | kZmmHigh | kZmm16));
    EXPECT_TRUE(full.sse2 && full.avx2 && full.avx512);

    CpuidWords elsewhere = machine(true, false, false, 0x7);
    elsewhere.leaf7_ecx = bit_AVX2;  // the same bit in another register of leaf 7 means something else
    elsewhere.leaf7_edx = bit_AVX2;
    EXPECT_FALSE(features_from(elsewhere).avx2) << "AVX2 is leaf 7's EBX bit 5";
    EXPECT_TRUE(features_from(machine(true, true, false, 0x7)).avx2);

    EXPECT_FALSE(features_from(machine(true, true, false, 0x3)).avx2) << "the system does not save YMM";
    CpuFeatures opmask_only = features_from(machine(true, true, true, 0x7 | kOpmask));
    EXPECT_TRUE(opmask_only.avx2);
    EXPECT_FALSE(opmask_only.avx512) << "the opmask state alone: the ZMM registers are not saved";
    EXPECT_FALSE(features_from(machine(true, true, true, 0x7 | kZmmHigh | kZmm16)).avx512) << "no opmask state";
    EXPECT_FALSE(features_from(machine(true, true, true, 0x7 | kOpmask | kZmmHigh)).avx512) << "no ZMM16-31";

    CpuFeatures no_xsave = features_from(machine(false, true, true, 0));
    EXPECT_TRUE(no_xsave.sse2);
    EXPECT_FALSE(no_xsave.avx2 || no_xsave.avx512) << "no OSXSAVE: no wide state is saved";
    CpuidWords old = machine(true, true, true, 0xe7);
    old.max_leaf = 6;
    EXPECT_FALSE(features_from(old).avx2) << "leaf 7 is not there to read";
    EXPECT_FALSE(features_from(CpuidWords{}).sse2) << "no leaf 1";
}

// A processor that reports AVX while its system has not enabled XSAVE (as
// some virtual machines do): xgetbv would fault there, so it is not run.
unsigned fake_leaf1_ecx = 0;
int xgetbv_reads = 0;

bool fake_cpuid(unsigned leaf, unsigned, unsigned words[4])
{
    const unsigned max_leaf = 7;
    if (leaf > max_leaf) return false;
    words[0] = leaf == 0 ? max_leaf : 0;
    words[1] = leaf == 7 ? bit_AVX2 | bit_AVX512F : 0;
    words[2] = leaf == 1 ? fake_leaf1_ecx : 0;
    words[3] = leaf == 1 ? bit_SSE2 : 0;
    return true;
}

unsigned long long fake_xgetbv()
{
    ++xgetbv_reads;
    return 0xe7;
}

TEST(CpuFeatures, XcrZeroIsReadOnlyWhenTheSystemHasEnabledXsave)
{
    const CpuidInstructions fake = {fake_cpuid, fake_xgetbv};
    fake_leaf1_ecx = bit_AVX;
    xgetbv_reads = 0;
    CpuidWords words = read_cpuid_words(fake);
    EXPECT_EQ(0, xgetbv_reads) << "AVX without OSXSAVE: xgetbv would raise #UD";
    EXPECT_EQ(0u, words.xcr0);
    EXPECT_EQ(7u, words.max_leaf);
    EXPECT_EQ(unsigned(bit_AVX2 | bit_AVX512F), words.leaf7_ebx);
    EXPECT_FALSE(features_from(words).avx2);

    fake_leaf1_ecx = bit_AVX | bit_OSXSAVE;
    words = read_cpuid_words(fake);
    EXPECT_EQ(1, xgetbv_reads);
    EXPECT_EQ(0xe7u, words.xcr0);
    EXPECT_TRUE(features_from(words).avx512);
}

TEST(KernelChoice, TheEngineTakesTheWidestVariantTheMachineRunsUnlessToldOtherwise)
{
    const CpuFeatures sse2_only = {true, false, false}, avx2 = {true, true, false}, avx512 = {true, true, true};
    const CpuFeatures none = {false, false, false};
    EXPECT_EQ(variant("avx512"), default_kernel_variant(nullptr, avx512));
    EXPECT_EQ(variant("avx2"), default_kernel_variant(nullptr, avx2));
    EXPECT_EQ(variant("sse2"), default_kernel_variant(nullptr, sse2_only));
    EXPECT_EQ(variant("portable"), default_kernel_variant(nullptr, none));
    EXPECT_EQ(variant("sse2"), default_kernel_variant("sse2", avx512)) << "a variant the machine runs";
    EXPECT_EQ(variant("portable"), default_kernel_variant("portable", avx512));
    EXPECT_EQ(variant("avx2"), default_kernel_variant("avx512", avx2)) << "not one it cannot run";
    EXPECT_EQ(variant("avx2"), default_kernel_variant("avx51", avx2)) << "nor a name it does not know";
    EXPECT_EQ(variant("avx2"), default_kernel_variant("", avx2));
}

}  // namespace
