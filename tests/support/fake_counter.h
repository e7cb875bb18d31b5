// A deterministic counter for schedule tests. The test program links these
// definitions of read_counter and read_counter_frequency ahead of the engine
// library, and wraps make_matrix, lu_factor and lu_solve (-Wl,--wrap) so
// that the counter can advance inside them by whole ticks.
#pragma once

#include <cstdint>
#include <vector>

namespace fake_counter {

struct Behaviour {
    std::int64_t frequency = 1;       // ticks per second
    std::int64_t start = 0;           // counter value when the run begins
    std::int64_t per_generation = 0;  // ticks each make_matrix call takes
    std::int64_t per_factor = 0;      // ticks each lu_factor call takes
    std::int64_t per_solve = 0;       // ticks each lu_solve call takes
    // When set, only calls on this matrix advance the counter.
    const float *only_matrix = nullptr;
    // When not empty, the ticks of the nth lu_factor call (from 1), in place
    // of per_factor.
    std::vector<std::int64_t> factor_ticks_by_call;
};

// One platform read or engine call, in the order the run made them.
struct Event {
    char kind;  // 'F' frequency read, 'C' counter read, 'G' make_matrix, 'L' lu_factor, 'S' lu_solve
    const float *matrix;  // the matrix passed ('G', 'L', 'S'), else null
    int lda;              // its leading dimension, else 0
};

struct Calls {
    std::vector<Event> events;
    int generations = 0;
    int factors = 0;
    int solves = 0;
    int counter_reads = 0;
    int frequency_reads = 0;
};

void reset(const Behaviour &behaviour);
const Calls &calls();
std::int64_t now();

}  // namespace fake_counter
