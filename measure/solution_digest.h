// FNV-1a 64 of a solution's IEEE single bit patterns, four little-endian
// bytes each, as tools/solution_digest.py prints it: the one digest of a
// solution in C++, for the runner and for the CE loader, which prints the
// digests of the device image's own solves.
#pragma once

#include <cstdint>
#include <cstring>

namespace velmark {

inline std::uint64_t solution_digest(const float *x, int count)
{
    std::uint64_t digest = 0xcbf29ce484222325ULL;
    for (int i = 0; i < count; ++i) {
        std::uint32_t bits;
        std::memcpy(&bits, &x[i], sizeof bits);
        for (int byte = 0; byte < 4; ++byte) {
            digest ^= (bits >> (8 * byte)) & 0xffu;
            digest *= 0x100000001b3ULL;
        }
    }
    return digest;
}

}  // namespace velmark
