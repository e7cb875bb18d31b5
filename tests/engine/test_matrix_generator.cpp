#include <gtest/gtest.h>

#include <vector>

#include "float_bits.h"
#include "velmark_engine.h"

namespace {

const float kPoison = -7.0f;

struct Problem {
    explicit Problem(int lda, int order) : lda(lda), a(lda * (order > 0 ? order : 1), kPoison), b(200, kPoison) {}
    int lda;
    std::vector<float> a;
    std::vector<float> b;
    float at(int i, int j) const { return a[lda * j + i]; }
};

TEST(MatrixGenerator, FirstColumnFollowsTheSequence)
{
    const float expected[] = {-1.27630615234375f, -0.45672607421875f, 0.73101806640625f,
                              0.43145751953125f,  0.30474853515625f,  0.33917236328125f,
                              -0.08636474609375f, -1.88983154296875f};
    Problem p(201, 100);
    make_matrix(p.a.data(), p.lda, 100, p.b.data());
    for (int i = 0; i < 8; ++i) {
        EXPECT_FLOAT_BITS(expected[i], p.at(i, 0)) << "row " << i;
    }
}

TEST(MatrixGenerator, SmallOrdersGiveTheirRowSums)
{
    Problem one(1, 1);
    make_matrix(one.a.data(), 1, 1, one.b.data());
    EXPECT_FLOAT_BITS(-1.27630615234375f, one.a[0]);
    EXPECT_FLOAT_BITS(-1.27630615234375f, one.b[0]);

    Problem two(5, 2);
    make_matrix(two.a.data(), 5, 2, two.b.data());
    EXPECT_FLOAT_BITS(-1.27630615234375f, two.at(0, 0));
    EXPECT_FLOAT_BITS(-0.45672607421875f, two.at(1, 0));
    EXPECT_FLOAT_BITS(0.73101806640625f, two.at(0, 1));
    EXPECT_FLOAT_BITS(0.43145751953125f, two.at(1, 1));
    EXPECT_FLOAT_BITS(-0.5452880859375f, two.b[0]);
    EXPECT_FLOAT_BITS(-0.0252685546875f, two.b[1]);
    EXPECT_FLOAT_BITS(kPoison, two.b[2]) << "only n entries of b are written";

    Problem three(3, 3);
    make_matrix(three.a.data(), 3, 3, three.b.data());
    EXPECT_FLOAT_BITS(-0.93121337890625f, three.b[0]);
    EXPECT_FLOAT_BITS(-2.04180908203125f, three.b[1]);
    EXPECT_FLOAT_BITS(-0.65338134765625f, three.b[2]);
}

TEST(MatrixGenerator, OrderHundredRowSumsAndLastElement)
{
    Problem p(200, 100);
    make_matrix(p.a.data(), p.lda, 100, p.b.data());
    EXPECT_FLOAT_BITS(-14.175537109375f, p.b[0]);
    EXPECT_FLOAT_BITS(-10.553466796875f, p.b[1]);
    EXPECT_FLOAT_BITS(20.416259765625f, p.b[2]);
    EXPECT_FLOAT_BITS(-11.188232421875f, p.b[3]);
    // The last seed drawn is 33005: (33005 - 32768) / 16384.
    EXPECT_FLOAT_BITS(237.0f / 16384.0f, p.at(99, 99));
}

TEST(MatrixGenerator, NonPositiveOrderTouchesNothing)
{
    for (int order : {0, -1, -100}) {
        Problem p(4, 4);
        make_matrix(p.a.data(), 4, order, p.b.data());
        for (float v : p.a) EXPECT_FLOAT_BITS(kPoison, v);
        for (float v : p.b) EXPECT_FLOAT_BITS(kPoison, v);
    }
}

TEST(MatrixGenerator, RowsPastTheOrderKeepTheirContents)
{
    Problem p(201, 100);
    make_matrix(p.a.data(), p.lda, 100, p.b.data());
    for (int j = 0; j < 100; ++j) {
        for (int i = 100; i < 201; ++i) {
            ASSERT_EQ(float_bits(kPoison), float_bits(p.at(i, j))) << i << "," << j;
        }
    }
}

TEST(MatrixGenerator, LayoutDoesNotChangeTheValues)
{
    Problem wide(201, 100), narrow(200, 100);
    make_matrix(wide.a.data(), 201, 100, wide.b.data());
    make_matrix(narrow.a.data(), 200, 100, narrow.b.data());
    for (int j = 0; j < 100; ++j) {
        for (int i = 0; i < 100; ++i) {
            ASSERT_EQ(float_bits(wide.at(i, j)), float_bits(narrow.at(i, j)));
        }
    }
    for (int i = 0; i < 100; ++i) EXPECT_EQ(float_bits(wide.b[i]), float_bits(narrow.b[i]));
}

TEST(MatrixGenerator, EveryCallRestartsTheSequence)
{
    Problem first(201, 100), again(201, 100);
    make_matrix(first.a.data(), 201, 100, first.b.data());
    make_matrix(again.a.data(), 201, 100, again.b.data());
    std::vector<int> pivots(100);
    int info = -1;
    lu_factor(again.a.data(), 201, 100, pivots.data(), &info);  // overwrite the block
    lu_solve(again.a.data(), 201, 100, pivots.data(), again.b.data(), 0);
    make_matrix(again.a.data(), 201, 100, again.b.data());
    EXPECT_EQ(first.a, again.a);
    EXPECT_EQ(first.b, again.b);
}

}  // namespace
