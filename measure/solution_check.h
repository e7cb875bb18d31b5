// Checks that the engine solves the order-100 problem correctly: the bits of
// its solution against a digest computed independently (tools/
// solution_digest.py), and the normalised residual of that solution.
#pragma once

#include <cstdint>

#include "solution_digest.h"

namespace velmark {

// FNV-1a 64 of the solution's IEEE single bit patterns, four little-endian
// bytes each, as tools/solution_digest.py prints it.
inline constexpr std::uint64_t kKnownSolutionDigest = 0x49fc1a1a7a570778ULL;

// What every whole run leaves in its right-hand side: the last of the ten
// solves in a row of layout 200's averaged measurement (tools/
// solution_digest.py --after-run).
inline constexpr std::uint64_t kKnownRunDigest = 0x57d9d4e4cedd169fULL;

// What the known solution gives, as judge_solution computes them (each
// follows from the solution's bits alone): its normalised residual and its
// largest |x(i) - 1|. A report whose digest is the known one must carry these.
inline constexpr double kKnownSolutionResidual = 0.034131295614397136;
inline constexpr double kKnownSolutionMaxError = 0.00004208087921142578;

struct Validation {
    std::uint64_t digest = 0;
    double residual = 0.0;       // ||A x - b|| / (n ||A|| ||x|| eps), in double
    double max_error = 0.0;      // max |x(i) - 1|: the exact solution is all ones
    bool validated = false;
};


// Generates, factorises and solves the order-100 problem once, outside any
// timing, and judges the solution.
Validation validate_solver();

// Judges an order-100 solution x: its bits against the known digest, and
// how well it solves the system (a NaN anywhere makes the norms NaN).
Validation judge_solution(const float *x);

}  // namespace velmark
