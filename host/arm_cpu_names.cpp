#include "arm_cpu_names.h"

#include <cstdlib>
#include <sstream>
#include <vector>

#include "tidy_spaces.h"

namespace velmark {

namespace {

struct Implementer {
    unsigned id;
    const char *name;
};

struct Part {
    unsigned implementer;
    unsigned part;
    const char *name;
};

// The implementers and the cores people run this on, from the numbers the
// makers publish for their processors' main ID register.
const Implementer implementers[] = {
    {0x41, "ARM"}, {0x42, "Broadcom"}, {0x48, "HiSilicon"}, {0x4e, "NVIDIA"}, {0x51, "Qualcomm"},
    {0x53, "Samsung"}, {0x61, "Apple"}, {0xc0, "Ampere"},
};

const Part parts[] = {
    // Arm's own: the 32-bit cores of older boards, then the 64-bit ones.
    {0x41, 0xb76, "ARM1176"},     {0x41, 0xc07, "Cortex-A7"},   {0x41, 0xc08, "Cortex-A8"},
    {0x41, 0xc09, "Cortex-A9"},   {0x41, 0xc0f, "Cortex-A15"},  {0x41, 0xc0e, "Cortex-A17"},
    {0x41, 0xd03, "Cortex-A53"},  {0x41, 0xd04, "Cortex-A35"},  {0x41, 0xd05, "Cortex-A55"},
    {0x41, 0xd07, "Cortex-A57"},  {0x41, 0xd08, "Cortex-A72"},  {0x41, 0xd09, "Cortex-A73"},
    {0x41, 0xd0a, "Cortex-A75"},  {0x41, 0xd0b, "Cortex-A76"},  {0x41, 0xd0c, "Neoverse-N1"},
    {0x41, 0xd0d, "Cortex-A77"},  {0x41, 0xd40, "Neoverse-V1"}, {0x41, 0xd41, "Cortex-A78"},
    {0x41, 0xd44, "Cortex-X1"},   {0x41, 0xd46, "Cortex-A510"}, {0x41, 0xd47, "Cortex-A710"},
    {0x41, 0xd48, "Cortex-X2"},   {0x41, 0xd49, "Neoverse-N2"}, {0x41, 0xd4b, "Cortex-A78C"},
    {0x41, 0xd4f, "Neoverse-V2"},
    // Apple's M1 and M2 cores.
    {0x61, 0x022, "Icestorm (M1)"},  {0x61, 0x023, "Firestorm (M1)"},
    {0x61, 0x024, "Icestorm (M1 Pro)"}, {0x61, 0x025, "Firestorm (M1 Pro)"},
    {0x61, 0x028, "Icestorm (M1 Max)"}, {0x61, 0x029, "Firestorm (M1 Max)"},
    {0x61, 0x032, "Blizzard (M2)"},  {0x61, 0x033, "Avalanche (M2)"},
    // Qualcomm's Kryo and server cores.
    {0x51, 0x201, "Kryo"},        {0x51, 0x205, "Kryo"},        {0x51, 0x211, "Kryo"},
    {0x51, 0x800, "Kryo 2XX Gold"}, {0x51, 0x801, "Kryo 2XX Silver"}, {0x51, 0x802, "Kryo 3XX Gold"},
    {0x51, 0x803, "Kryo 3XX Silver"}, {0x51, 0x804, "Kryo 4XX Gold"}, {0x51, 0x805, "Kryo 4XX Silver"},
    {0x51, 0xc00, "Falkor"},      {0x51, 0xc01, "Saphira"},
};

std::string hex(unsigned value, int digits)
{
    static const char digit_chars[] = "0123456789abcdef";
    std::string text;
    for (int i = digits - 1; i >= 0; --i) text += digit_chars[(value >> (4 * i)) & 0xf];
    return "0x" + text;
}

// "0x41" or "65" as /proc/cpuinfo writes them; false when it is no number.
bool parse_number(const std::string &text, unsigned *value)
{
    if (text.empty()) return false;
    char *end = nullptr;
    unsigned long parsed = std::strtoul(text.c_str(), &end, 0);
    if (*end != '\0' || parsed > 0xfffful) return false;
    *value = static_cast<unsigned>(parsed);
    return true;
}

}  // namespace

std::string arm_cpu_name(unsigned implementer, unsigned part)
{
    for (const Part &p : parts) {
        if (p.implementer == implementer && p.part == part) return p.name;
    }
    for (const Implementer &i : implementers) {
        if (i.id == implementer) return std::string(i.name) + " part " + hex(part, 3);
    }
    return "implementer " + hex(implementer, 2) + " part " + hex(part, 3);
}

std::string cpu_from_cpuinfo(const std::string &text)
{
    const char *model_keys[] = {"model name", "Hardware", "Processor", "cpu model", "cpu"};
    std::string models[5];
    std::vector<std::string> cores;
    unsigned implementer = 0;
    bool have_implementer = false;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        const std::string key = tidy_spaces(line.substr(0, colon)), value = tidy_spaces(line.substr(colon + 1));
        unsigned number = 0;
        if (key == "CPU implementer") {
            have_implementer = parse_number(value, &implementer);
        } else if (key == "CPU part" && have_implementer && parse_number(value, &number)) {
            // Each core lists its implementer before its part.
            std::string name = arm_cpu_name(implementer, number);
            bool seen = false;
            for (const std::string &core : cores) seen = seen || core == name;
            if (!seen) cores.push_back(name);
            have_implementer = false;
        }
        for (int k = 0; k < 5; ++k) {
            if (key == model_keys[k] && models[k].empty()) models[k] = value;
        }
    }
    std::string named;
    for (const std::string &core : cores) named += (named.empty() ? "" : " + ") + core;
    if (!named.empty()) return named;
    for (const std::string &model : models) {
        if (!model.empty()) return model;
    }
    return "";
}

}  // namespace velmark
