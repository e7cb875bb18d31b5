// The name of an ARM processor, from the implementer and part numbers that
// /proc/cpuinfo gives on ARM Linux (its "CPU implementer" and "CPU part"
// lines), where it gives no model name.
#pragma once

#include <string>

namespace velmark {

// "Cortex-A72" for implementer 0x41 and part 0xd08; the raw numbers where
// the table has no name ("ARM part 0xd4f", "implementer 0x99 part 0x123").
std::string arm_cpu_name(unsigned implementer, unsigned part);

// The processor that a /proc/cpuinfo text describes: its cores' names from
// their implementer and part numbers, in the order the cores are listed,
// each once ("Cortex-A55 + Cortex-A76" on a machine with two kinds), else
// the first model field it has; empty when it says nothing.
std::string cpu_from_cpuinfo(const std::string &text);

}  // namespace velmark
