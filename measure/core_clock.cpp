#include "core_clock.h"

#include <cstdint>

namespace velmark {

namespace {

// 64 additions, each waiting for the one before; the empty statement
// between them tells the compiler the value may have changed, so that it
// can neither fold them into one nor spread them over several registers.
std::uint64_t dependent_additions(std::uint64_t value, std::uint64_t step, long rounds)
{
    for (long r = 0; r < rounds; ++r) {
#pragma GCC unroll 64
        for (int k = 0; k < 64; ++k) {
            value += step;
            __asm__ volatile("" : "+r"(value));
        }
    }
    return value;
}

}  // namespace

double measure_core_clock(const std::function<double()> &seconds, double span)
{
    long rounds = 1024;
    std::uint64_t sink = 1;
    for (;;) {
        const double start = seconds();
        sink = dependent_additions(sink, 3, rounds);
        const double took = seconds() - start;
        if (took >= span || rounds > (1L << 30)) {
            // Kept where the compiler must write it, so that the chain is made.
            __asm__ volatile("" : : "r"(sink));
            return took > 0.0 ? 64.0 * static_cast<double>(rounds) / took : 0.0;
        }
        rounds *= 2;
    }
}

}  // namespace velmark
