#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "float_bits.h"
#include "velmark_engine.h"

namespace {

// A column-major matrix with room for rows past the order, which the solver
// must never touch.
struct Matrix {
    Matrix(int order, int lda, std::initializer_list<float> rows_first)
        : order(order), lda(lda), a(lda * order, -99.0f)
    {
        auto value = rows_first.begin();
        for (int i = 0; i < order; ++i)
            for (int j = 0; j < order; ++j) at(i, j) = *value++;
    }
    float &at(int i, int j) { return a[lda * j + i]; }
    int order, lda;
    std::vector<float> a;
};

TEST(LuFactor, OrderOneHasNoEliminationStep)
{
    for (float value : {4.0f, 0.0f}) {
        Matrix m(1, 1, {value});
        int pivots[1] = {-5};
        int info = -5;
        lu_factor(m.a.data(), 1, 1, pivots, &info);
        EXPECT_EQ(0, pivots[0]);
        EXPECT_EQ(0, info) << "a zero in the only element still gives info 0";
        EXPECT_FLOAT_BITS(value, m.a[0]);
    }
}

TEST(LuFactor, NonPositiveOrderWritesOnlyInfo)
{
    float a[3] = {1.0f, 2.0f, 3.0f};
    int pivots[3] = {7, 7, 7};
    int info = 42;
    lu_factor(&a[1], 1, 0, &pivots[1], &info);
    lu_factor(&a[1], 1, -3, &pivots[1], &info);
    EXPECT_EQ(0, info);
    EXPECT_EQ((std::vector<int>{7, 7, 7}), std::vector<int>(pivots, pivots + 3));
    EXPECT_EQ((std::vector<float>{1.0f, 2.0f, 3.0f}), std::vector<float>(a, a + 3));
}

TEST(LuFactor, ExchangeMatrix)
{
    Matrix m(2, 3, {0.0f, 1.0f,
                    1.0f, 0.0f});
    int pivots[2] = {-1, -1};
    int info = -1;
    lu_factor(m.a.data(), m.lda, 2, pivots, &info);
    EXPECT_EQ(1, pivots[0]);
    EXPECT_EQ(1, pivots[1]);
    EXPECT_EQ(0, info);
    EXPECT_FLOAT_BITS(1.0f, m.at(0, 0));
    EXPECT_FLOAT_BITS(1.0f, m.at(1, 1));
    EXPECT_FLOAT_BITS(0.0f, m.at(0, 1));
    EXPECT_FLOAT_BITS(-0.0f, m.at(1, 0)) << "the negated multiplier of a zero is -0";
    EXPECT_FLOAT_BITS(-99.0f, m.a[2]) << "row past the order touched";

    for (int job : {0, 1}) {
        float b[2] = {3.0f, 5.0f};
        lu_solve(m.a.data(), m.lda, 2, pivots, b, job);
        EXPECT_FLOAT_BITS(5.0f, b[0]) << "job " << job;
        EXPECT_FLOAT_BITS(3.0f, b[1]) << "job " << job;
    }
}

TEST(LuFactor, ZeroPivotInFirstColumnIsSkippedAndNotReported)
{
    // Column 0 is all zero: no interchange, scaling or elimination at step 0,
    // and the later columns are still factorised. Only a zero pivot after
    // column 0 can be told from none, since info starts at 0.
    Matrix m(3, 3, {0.0f, 2.0f, 1.0f,
                    0.0f, 4.0f, 1.0f,
                    0.0f, 8.0f, 4.0f});
    int pivots[3] = {-7, -7, -7};  // the zero column's pivot must still be stored
    int info = -1;
    lu_factor(m.a.data(), 3, 3, pivots, &info);
    EXPECT_EQ(0, pivots[0]);
    EXPECT_EQ(2, pivots[1]) << "column 1 pivots on its largest element, row 2";
    EXPECT_EQ(2, pivots[2]);
    EXPECT_EQ(0, info);
    EXPECT_FLOAT_BITS(0.0f, m.at(1, 0));
    EXPECT_FLOAT_BITS(0.0f, m.at(2, 0));
    EXPECT_FLOAT_BITS(8.0f, m.at(1, 1));
    EXPECT_FLOAT_BITS(-0.5f, m.at(2, 1));
}

TEST(LuFactor, LastZeroPivotIsReported)
{
    // Rows 0 and 1 are equal: after elimination the last diagonal is exactly 0.
    Matrix singular(2, 2, {1.0f, 2.0f,
                           1.0f, 2.0f});
    int pivots[3];
    int info = -1;
    lu_factor(singular.a.data(), 2, 2, pivots, &info);
    EXPECT_EQ(1, info);
    EXPECT_EQ(0, pivots[0]);
    EXPECT_FLOAT_BITS(0.0f, singular.at(1, 1));

    // A zero pivot in a middle column is reported as that column.
    Matrix middle(3, 3, {1.0f, 1.0f, 1.0f,
                         1.0f, 1.0f, 2.0f,
                         1.0f, 1.0f, 3.0f});
    lu_factor(middle.a.data(), 3, 3, pivots, &info);
    EXPECT_EQ(1, info);
}

TEST(LuFactor, MultipliersStayInTheirOrderAtLaterInterchanges)
{
    // Step 1 exchanges rows 1 and 2; column 0's multipliers must not follow.
    Matrix m(3, 3, {4.0f, 1.0f, 1.0f,
                    2.0f, 1.0f, 1.0f,
                    1.0f, 4.0f, 1.0f});
    int pivots[3];
    int info = -1;
    lu_factor(m.a.data(), 3, 3, pivots, &info);
    EXPECT_EQ(0, pivots[0]);
    EXPECT_EQ(2, pivots[1]);
    EXPECT_FLOAT_BITS(-0.5f, m.at(1, 0));
    EXPECT_FLOAT_BITS(-0.25f, m.at(2, 0));
    EXPECT_FLOAT_BITS(3.75f, m.at(1, 1));
    EXPECT_FLOAT_BITS(0.75f, m.at(1, 2));
}

// Solves a small system whose factors are exact in single: both jobs must
// give the exact solution.
TEST(LuSolve, BothJobsSolveAPivotedSystemExactly)
{
    Matrix m(3, 4, {1.0f, 2.0f, 0.0f,
                    4.0f, 0.0f, 2.0f,
                    2.0f, 2.0f, 2.0f});
    const float x[3] = {1.0f, -2.0f, 3.0f};
    int pivots[3];
    int info = -1;
    Matrix original = m;
    lu_factor(m.a.data(), m.lda, 3, pivots, &info);
    ASSERT_EQ(0, info);
    EXPECT_EQ(1, pivots[0]);

    float plain[3], transposed[3];
    for (int i = 0; i < 3; ++i) {
        plain[i] = transposed[i] = 0.0f;
        for (int j = 0; j < 3; ++j) {
            plain[i] += original.at(i, j) * x[j];
            transposed[i] += original.at(j, i) * x[j];
        }
    }
    lu_solve(m.a.data(), m.lda, 3, pivots, plain, 0);
    lu_solve(m.a.data(), m.lda, 3, pivots, transposed, 7);
    for (int i = 0; i < 3; ++i) {
        EXPECT_FLOAT_BITS(x[i], plain[i]) << "job 0, row " << i;
        EXPECT_FLOAT_BITS(x[i], transposed[i]) << "job 7, row " << i;
    }
}

TEST(LuSolve, OrderOneDividesAndNonPositiveOrderDoesNothing)
{
    float a[1] = {4.0f};
    int pivots[1] = {0};
    for (int job : {0, 1}) {
        float b[1] = {3.0f};
        lu_solve(a, 1, 1, pivots, b, job);
        EXPECT_FLOAT_BITS(0.75f, b[0]);
        lu_solve(a, 1, 0, pivots, b, job);
        lu_solve(a, 1, -2, pivots, b, job);
        EXPECT_FLOAT_BITS(0.75f, b[0]);

        // No back step for the last row: adding an empty dot (+0.0) would
        // turn -0.0 into +0.0.
        float negative_zero[1] = {-0.0f};
        lu_solve(a, 1, 1, pivots, negative_zero, job);
        EXPECT_FLOAT_BITS(-0.0f, negative_zero[0]) << "job " << job;
    }
}

TEST(LuSolve, ZeroDiagonalGivesInfinitiesNotAFault)
{
    float a[1] = {0.0f};
    int pivots[1] = {0};
    float b[1] = {1.0f};
    lu_solve(a, 1, 1, pivots, b, 0);
    EXPECT_TRUE(std::isinf(b[0]));
}

TEST(LuSolve, RepeatedSolvesTakeThePreviousSolution)
{
    Matrix m(2, 2, {2.0f, 0.0f,
                    0.0f, 4.0f});
    int pivots[2];
    int info = -1;
    lu_factor(m.a.data(), 2, 2, pivots, &info);
    float b[2] = {8.0f, 16.0f};
    lu_solve(m.a.data(), 2, 2, pivots, b, 0);
    lu_solve(m.a.data(), 2, 2, pivots, b, 0);
    EXPECT_FLOAT_BITS(2.0f, b[0]);
    EXPECT_FLOAT_BITS(1.0f, b[1]);
}

}  // namespace
