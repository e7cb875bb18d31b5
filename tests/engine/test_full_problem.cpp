// The order-100 problem the benchmark times, solved end to end: its solution
// must match, bit for bit, the digest computed independently by
// tools/solution_digest.py, on both layouts and on every build.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <vector>

#include "float_bits.h"
#include "solution_check.h"
#include "velmark_engine.h"

namespace {

// tools/solution_digest.py --transposed: the solution of the transposed
// system, whose single-precision dot products fix the order of every sum.
const std::uint64_t kKnownTransposedDigest = 0xef59d7aef59b6e77ULL;

struct Solved {
    std::vector<float> factors;
    std::vector<int> pivots;
    std::vector<float> x;
    int info = -1;
};

Solved solve_order_hundred(int lda, int job)
{
    Solved s;
    s.factors.assign(static_cast<std::size_t>(lda) * 100, 0.0f);
    s.pivots.assign(100, -1);
    s.x.assign(100, 0.0f);
    make_matrix(s.factors.data(), lda, 100, s.x.data());
    lu_factor(s.factors.data(), lda, 100, s.pivots.data(), &s.info);
    lu_solve(s.factors.data(), lda, 100, s.pivots.data(), s.x.data(), job);
    return s;
}

TEST(FullProblem, SolutionBitsMatchTheIndependentDigestOnBothLayouts)
{
    for (int lda : {201, 200}) {
        Solved s = solve_order_hundred(lda, 0);
        EXPECT_EQ(0, s.info);
        EXPECT_EQ(velmark::kKnownSolutionDigest, velmark::solution_digest(s.x.data(), 100))
            << "lda " << lda;
        for (int i = 0; i < 100; ++i) {
            EXPECT_NEAR(1.0, s.x[i], 1e-3) << "lda " << lda << " row " << i;
        }
        EXPECT_EQ(99, s.pivots[99]);
    }
}

TEST(FullProblem, LayoutsGiveIdenticalFactors)
{
    Solved wide = solve_order_hundred(201, 0);
    Solved narrow = solve_order_hundred(200, 0);
    EXPECT_EQ(wide.pivots, narrow.pivots);
    for (int j = 0; j < 100; ++j)
        for (int i = 0; i < 100; ++i)
            ASSERT_EQ(float_bits(wide.factors[201 * j + i]), float_bits(narrow.factors[200 * j + i]))
                << i << "," << j;
}

TEST(FullProblem, TransposedSolveSolvesTheTransposedSystem)
{
    Solved s = solve_order_hundred(201, 1);
    EXPECT_EQ(kKnownTransposedDigest, velmark::solution_digest(s.x.data(), 100));
    std::vector<float> a(201 * 100), b(100);
    make_matrix(a.data(), 201, 100, b.data());
    double worst = 0.0, norm_a = 0.0, norm_x = 0.0;
    for (int i = 0; i < 100; ++i) {
        ASSERT_TRUE(std::isfinite(s.x[i]));
        double row = -static_cast<double>(b[i]), magnitude = 0.0;
        for (int j = 0; j < 100; ++j) {
            row += static_cast<double>(a[201 * i + j]) * s.x[j];
            magnitude += std::fabs(a[201 * i + j]);
        }
        worst = std::fmax(worst, std::fabs(row));
        norm_a = std::fmax(norm_a, magnitude);
        norm_x = std::fmax(norm_x, std::fabs(s.x[i]));
    }
    // The normalised residual of a backward-stable solve is of order one.
    EXPECT_LT(worst / (100 * norm_a * norm_x * FLT_EPSILON), 10.0);
}

TEST(FullProblem, DigestTellsOneBitApart)
{
    Solved s = solve_order_hundred(201, 0);
    s.x[57] = float_from_bits(float_bits(s.x[57]) ^ 1u);
    EXPECT_NE(velmark::kKnownSolutionDigest, velmark::solution_digest(s.x.data(), 100));
}

}  // namespace
