// The processor named from /proc/cpuinfo texts as real machines write them:
// ARM Linux gives no model line on 64-bit, only the implementer and part
// numbers of each core.
#include <gtest/gtest.h>

#include "arm_cpu_names.h"

namespace {

// A Raspberry Pi 4 under a 64-bit system (four Cortex-A72 cores; one shown).
const char *const kRaspberryPi4 = R"(processor	: 0
BogoMIPS	: 108.00
Features	: fp asimd evtstrm crc32 cpuid
CPU implementer	: 0x41
CPU architecture: 8
CPU variant	: 0x0
CPU part	: 0xd08
CPU revision	: 3

Hardware	: BCM2835
Revision	: c03111
Serial		: 10000000a1b2c3d4
Model		: Raspberry Pi 4 Model B Rev 1.1
)";

// A Raspberry Pi 3 under a 32-bit system: a model line that names only the
// architecture, and the part of a Cortex-A53.
const char *const kRaspberryPi3 = R"(processor	: 0
model name	: ARMv7 Processor rev 4 (v7l)
BogoMIPS	: 38.40
Features	: half thumb fastmult vfp edsp neon vfpv3 tls vfpv4 idiva idivt vfpd32 lpae evtstrm crc32
CPU implementer	: 0x41
CPU architecture: 7
CPU variant	: 0x0
CPU part	: 0xd03
CPU revision	: 4

Hardware	: BCM2835
Revision	: a02082
)";

// A phone's big.LITTLE processor: little cores listed first.
const char *const kTwoKinds = R"(processor	: 0
CPU implementer	: 0x41
CPU architecture: 8
CPU variant	: 0x2
CPU part	: 0xd05
CPU revision	: 0

processor	: 1
CPU implementer	: 0x41
CPU architecture: 8
CPU variant	: 0x2
CPU part	: 0xd05
CPU revision	: 0

processor	: 6
CPU implementer	: 0x41
CPU architecture: 8
CPU variant	: 0x4
CPU part	: 0xd0b
CPU revision	: 0
)";

// An x86 machine: the model line, as it stands.
const char *const kX86 = R"(processor	: 0
vendor_id	: AuthenticAMD
cpu family	: 25
model		: 1
model name	: AMD EPYC 7763 64-Core Processor
stepping	: 1
)";

TEST(CpuNames, ArmCoresAreNamedFromTheirImplementerAndPart)
{
    EXPECT_EQ("Cortex-A72", velmark::cpu_from_cpuinfo(kRaspberryPi4));
    EXPECT_EQ("Cortex-A53", velmark::cpu_from_cpuinfo(kRaspberryPi3)) << "not the 32-bit model line";
    EXPECT_EQ("Cortex-A55 + Cortex-A76", velmark::cpu_from_cpuinfo(kTwoKinds)) << "each kind once, in order";
    EXPECT_EQ("AMD EPYC 7763 64-Core Processor", velmark::cpu_from_cpuinfo(kX86));
    EXPECT_EQ("", velmark::cpu_from_cpuinfo("processor\t: 0\n"));
}

TEST(CpuNames, TheTableAndItsFallbacks)
{
    EXPECT_EQ("Neoverse-N1", velmark::arm_cpu_name(0x41, 0xd0c));
    EXPECT_EQ("Firestorm (M1)", velmark::arm_cpu_name(0x61, 0x023));
    EXPECT_EQ("ARM part 0xd8f", velmark::arm_cpu_name(0x41, 0xd8f)) << "a core newer than the table";
    EXPECT_EQ("implementer 0x99 part 0x123", velmark::arm_cpu_name(0x99, 0x123));
    // Part numbers are the implementer's own: Qualcomm's 0xd0b is not Arm's Cortex-A76.
    EXPECT_EQ("Qualcomm part 0xd0b", velmark::arm_cpu_name(0x51, 0xd0b));
    EXPECT_EQ("Kryo 4XX Gold", velmark::arm_cpu_name(0x51, 0x804));
    EXPECT_EQ("ARM part 0x804", velmark::arm_cpu_name(0x41, 0x804));
    // A part number without its implementer names nothing.
    EXPECT_EQ("", velmark::cpu_from_cpuinfo("CPU part\t: 0xd08\n"));
}

}  // namespace
