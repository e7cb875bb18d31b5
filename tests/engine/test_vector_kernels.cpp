#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "float_bits.h"
#include "kernel_variants.h"
#include "velmark_engine.h"

namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

// A float one unit in the last place above 1, and half of that.
const float kOnePlusUlp = 1.0f + 1.0f / 8388608.0f;

// ---- axpy ----

TEST(Axpy, ZeroCountOrZeroAlphaReadsNothing)
{
    std::vector<float> x = {kNaN, kInf, -kInf};
    std::vector<float> y = {1.0f, -0.0f, 3.0f};
    for (double alpha : {0.0, -0.0}) {
        axpy(3, alpha, x.data(), 1, y.data(), 1);
        axpy(3, alpha, x.data(), 2, y.data(), -1);
    }
    axpy(0, 2.0, x.data(), 1, y.data(), 1);
    axpy(-3, 2.0, x.data(), 1, y.data(), 1);
    // Null x: a zero alpha or count must not even form the address.
    axpy(3, 0.0, nullptr, 1, y.data(), 1);
    EXPECT_FLOAT_BITS(1.0f, y[0]);
    EXPECT_FLOAT_BITS(-0.0f, y[1]);
    EXPECT_FLOAT_BITS(3.0f, y[2]);
}

TEST(Axpy, UnitPathCoversLeadingElementsAndBlocks)
{
    for (int count : {1, 3, 4, 5, 7, 8, 99}) {
        std::vector<float> x(count + 2), y(count + 2, 100.0f);
        for (int i = 0; i < count + 2; ++i) x[i] = static_cast<float>(i + 1);
        axpy(count, 2.0, x.data(), 1, y.data(), 1);
        for (int i = 0; i < count; ++i) {
            EXPECT_FLOAT_BITS(100.0f + 2.0f * (i + 1), y[i]) << "n=" << count << " i=" << i;
        }
        EXPECT_FLOAT_BITS(100.0f, y[count]) << "n=" << count << " wrote past the end";
    }
}

TEST(Axpy, ProductAndSumAreDoubleWithOneRounding)
{
    // In single, x*alpha rounds to 1+2^-22 and cancels y exactly; in double
    // the 2^-46 survives.
    std::vector<float> x = {kOnePlusUlp};
    std::vector<float> y = {-(1.0f + 2.0f / 8388608.0f)};
    axpy(1, static_cast<double>(kOnePlusUlp), x.data(), 1, y.data(), 1);
    EXPECT_FLOAT_BITS(std::ldexp(1.0f, -46), y[0]);
}

TEST(Axpy, ProductIsRoundedToDoubleBeforeTheSum)
{
    // A fused multiply-add would keep the 2^-75 of the exact product.
    std::vector<float> x = {kOnePlusUlp};
    std::vector<float> y = {-kOnePlusUlp};
    axpy(1, 1.0 + std::ldexp(1.0, -52), x.data(), 1, y.data(), 1);
    EXPECT_FLOAT_BITS(std::ldexp(1.0f, -52), y[0]);
}

TEST(Axpy, NegativeIncrementWalksFromTheFarEnd)
{
    std::vector<float> x = {1.0f, 2.0f, 3.0f};
    std::vector<float> y = {10.0f, 20.0f, 30.0f};
    axpy(3, 1.0, x.data(), -1, y.data(), 1);
    EXPECT_FLOAT_BITS(13.0f, y[0]);
    EXPECT_FLOAT_BITS(22.0f, y[1]);
    EXPECT_FLOAT_BITS(31.0f, y[2]);
}

TEST(Axpy, GeneralPathHasNoStartOffsetForPositiveIncrements)
{
    std::vector<float> x = {1.0f, 2.0f, 3.0f};
    std::vector<float> y = {0.0f, -1.0f, 0.0f, -1.0f, 0.0f, -1.0f};
    axpy(3, 1.0, x.data(), 1, y.data(), 2);
    EXPECT_EQ((std::vector<float>{1.0f, -1.0f, 2.0f, -1.0f, 3.0f, -1.0f}), y);
}

// ---- dot ----

// The order the kernel is meant to sum in: leading n mod 5 products one at
// a time, then each block of five summed from its last product to its first.
float dot_in_kernel_order(const std::vector<float> &x, const std::vector<float> &y)
{
    int count = static_cast<int>(x.size());
    int m = count % 5;
    float s = 0.0f;
    for (int i = 0; i < m; ++i) s = s + x[i] * y[i];
    for (int i = m; i < count; i += 5) {
        float g = x[i + 4] * y[i + 4] + x[i + 3] * y[i + 3];
        g = g + x[i + 2] * y[i + 2];
        g = g + x[i + 1] * y[i + 1];
        g = g + x[i] * y[i];
        s = g + s;
    }
    return s;
}

float dot_in_index_order(const std::vector<float> &x, const std::vector<float> &y)
{
    float s = 0.0f;
    for (std::size_t i = 0; i < x.size(); ++i) s = s + x[i] * y[i];
    return s;
}

TEST(Dot, NonPositiveCountGivesZero)
{
    float x[] = {1.0f};
    EXPECT_FLOAT_BITS(0.0f, dot(0, x, 1, x, 1));
    EXPECT_FLOAT_BITS(0.0f, dot(-4, x, 1, x, 1));
}

TEST(Dot, UnitPathSumsEachBlockFromItsLastProduct)
{
    // One big value among small ones, so that the order of the sums decides
    // the result; the test checks that it does before relying on it.
    for (int count : {5, 6, 7, 12, 99}) {
        std::vector<float> x(count), y(count, 1.0f);
        for (int i = 0; i < count; ++i) x[i] = std::ldexp(1.0f + i / 16.0f, -24);
        x[count % 5] = 1.0f;
        float expected = dot_in_kernel_order(x, y);
        ASSERT_NE(float_bits(expected), float_bits(dot_in_index_order(x, y))) << "n=" << count;
        EXPECT_FLOAT_BITS(expected, dot(count, x.data(), 1, y.data(), 1)) << "n=" << count;
    }
}

TEST(Dot, ProductsAndSumsAreSingle)
{
    // (1+2^-12)^2 rounds to 1+2^-11 in single; with a wider product or a
    // fused multiply-add the 2^-24 would survive the cancellation.
    float a = 1.0f + 1.0f / 4096.0f;
    std::vector<float> x = {a, 1.0f}, y = {a, -1.0f};
    EXPECT_FLOAT_BITS(1.0f / 2048.0f, dot(2, x.data(), 1, y.data(), 1));
    std::vector<float> strided_y = {a, 0.0f, -1.0f};
    EXPECT_FLOAT_BITS(1.0f / 2048.0f, dot(2, x.data(), 1, strided_y.data(), 2));
}

TEST(Dot, GeneralPathWalksNegativeIncrementsFromTheFarEnd)
{
    std::vector<float> x = {1.0f, 2.0f, 3.0f};
    std::vector<float> y = {100.0f, 0.0f, 10.0f, 0.0f, 1.0f};
    // x(0..2) against y at offsets 4, 2, 0: 1*1 + 2*10 + 3*100
    EXPECT_FLOAT_BITS(321.0f, dot(3, x.data(), 1, y.data(), -2));
    // the general path sums in index order, one product at a time
    std::vector<float> big = {1.0f, std::ldexp(1.0f, -24), std::ldexp(1.0f, -24)};
    std::vector<float> ones = {1.0f, 0.0f, 1.0f, 0.0f, 1.0f};
    EXPECT_FLOAT_BITS(1.0f, dot(3, big.data(), 1, ones.data(), 2));
}

// ---- scal ----

TEST(Scal, UnitPathScalesEveryElementOnce)
{
    for (int count : {1, 4, 5, 6, 11, 99}) {
        std::vector<float> x(count + 1, 3.0f);
        scal(count, 0.5, x.data(), 1);
        for (int i = 0; i < count; ++i) EXPECT_FLOAT_BITS(1.5f, x[i]) << "n=" << count;
        EXPECT_FLOAT_BITS(3.0f, x[count]) << "n=" << count << " wrote past the end";
    }
}

TEST(Scal, NonPositiveIncrementOrCountChangesNothing)
{
    std::vector<float> x = {1.0f, 2.0f, 3.0f};
    scal(3, 2.0, x.data(), 0);
    scal(3, 2.0, x.data(), -1);
    scal(0, 2.0, x.data(), 1);
    EXPECT_EQ((std::vector<float>{1.0f, 2.0f, 3.0f}), x);
}

TEST(Scal, IncrementTwoScalesEveryOtherElement)
{
    std::vector<float> x = {1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f};
    scal(3, -2.0, x.data(), 2);
    EXPECT_EQ((std::vector<float>{-2.0f, 1.0f, -2.0f, 1.0f, -2.0f, 1.0f}), x);
}

TEST(Scal, ZeroAlphaStillMultiplies)
{
    std::vector<float> x = {3.0f, -3.0f, kInf, kNaN, -0.0f, 5.0f};
    scal(6, 0.0, x.data(), 1);
    EXPECT_FLOAT_BITS(0.0f, x[0]);
    EXPECT_FLOAT_BITS(-0.0f, x[1]);
    EXPECT_TRUE(std::isnan(x[2]));
    EXPECT_TRUE(std::isnan(x[3]));
    EXPECT_FLOAT_BITS(-0.0f, x[4]);
    EXPECT_FLOAT_BITS(0.0f, x[5]);
}

TEST(Scal, ProductIsDoubleRoundedOnce)
{
    // 3 * (1 + 2^-24 + 2^-26) rounds up to 3 + 2^-22 in one step; rounding
    // alpha to single first (1 + 2^-23) would land on a tie that goes to
    // 3 + 2^-21.
    std::vector<float> x = {3.0f};
    scal(1, 1.0 + std::ldexp(1.0, -24) + std::ldexp(1.0, -26), x.data(), 1);
    EXPECT_FLOAT_BITS(3.0f + std::ldexp(1.0f, -22), x[0]);
}

// ---- iamax ----

TEST(Iamax, CountsBelowTwo)
{
    EXPECT_EQ(-1, iamax(0, nullptr, 1));
    EXPECT_EQ(-1, iamax(-5, nullptr, 1));
    EXPECT_EQ(0, iamax(1, nullptr, 1)) << "n = 1 must not read x";
}

TEST(Iamax, FirstOfEqualMagnitudesWins)
{
    std::vector<float> x = {1.0f, -3.0f, 3.0f};
    EXPECT_EQ(1, iamax(3, x.data(), 1));
    std::vector<float> zeros = {0.0f, -0.0f, 0.0f};
    EXPECT_EQ(0, iamax(3, zeros.data(), 1));
}

TEST(Iamax, NaNNeverBecomesTheMaximum)
{
    std::vector<float> leading = {kNaN, 5.0f};
    EXPECT_EQ(0, iamax(2, leading.data(), 1));
    std::vector<float> inner = {2.0f, kNaN, 5.0f};
    EXPECT_EQ(2, iamax(3, inner.data(), 1));
    std::vector<float> infinite = {2.0f, -kInf, kNaN, kInf};
    EXPECT_EQ(1, iamax(4, infinite.data(), 1));
}

TEST(Iamax, StridedWalks)
{
    std::vector<float> x = {1.0f, 50.0f, 2.0f, 60.0f, 3.0f};
    EXPECT_EQ(2, iamax(3, x.data(), 2)) << "element i lies at offset 2i";
    // A negative increment starts at the far end, as axpy's walk does:
    // element 0 is x[4], element 1 is x[2], element 2 is x[0].
    std::vector<float> y = {9.0f, 0.0f, 4.0f, 0.0f, 9.0f};
    EXPECT_EQ(0, iamax(3, y.data(), -2));
    y[0] = 10.0f;
    EXPECT_EQ(2, iamax(3, y.data(), -2));
}

}  // namespace

// ---- every length the wide paths split differently (the suite runs once
// per kernel variant, VELMARK_KERNELS) ----

TEST(WidePaths, IamaxFindsTheFirstLargestAndNeverANaNAtEveryLength)
{
    for (int count = 2; count <= 40; ++count) {
        for (int where = 0; where < count; ++where) {
            std::vector<float> x(count);
            for (int i = 0; i < count; ++i) x[i] = (i % 3 == 1 ? -1.0f : 1.0f) * (1.0f + 0.25f * (i % 5));
            x[where] = -7.0f;
            x[count - 1 - where / 2] = 7.0f;  // an equal magnitude at or after it
            EXPECT_EQ(std::min(where, count - 1 - where / 2), iamax(count, x.data(), 1))
                << "count " << count << ", largest at " << where;
            if (where > 1) {  // (a NaN in element 0 is a case of its own, below)
                std::vector<float> with_nan = x;
                with_nan[where - 1] = kNaN;  // the NaN neither wins nor hides the largest
                with_nan[where] = -kInf;
                EXPECT_EQ(where, iamax(count, with_nan.data(), 1)) << "count " << count << ", NaN at " << where - 1;
            }
        }
        // A NaN anywhere after the largest, in its lane of a wide path or
        // not, must neither replace the running maximum nor restart it.
        for (int where = 0; where < count; ++where) {
            for (int nan_at = where + 1; nan_at < count; ++nan_at) {
                std::vector<float> x(count, 0.5f);
                x[where] = 9.0f;
                x[nan_at] = kNaN;
                EXPECT_EQ(where, iamax(count, x.data(), 1))
                    << "count " << count << ", largest at " << where << ", NaN at " << nan_at;
            }
        }
        std::vector<float> zeros(count, -0.0f);
        EXPECT_EQ(0, iamax(count, zeros.data(), 1)) << "all magnitudes zero, count " << count;
        zeros[0] = kNaN;
        zeros[count - 1] = 5.0f;
        EXPECT_EQ(0, iamax(count, zeros.data(), 1)) << "a NaN in element 0 stays the maximum";
    }
}

TEST(WidePaths, AxpyAndScalMatchTheRuleAtEveryLengthAndLeaveTheRestAlone)
{
    const double alpha = -1.0 / 3.0;
    for (int count = 1; count <= 40; ++count) {
        std::vector<float> x(count + 2), y(count + 2), z(count + 2);
        for (int i = 0; i < count + 2; ++i) {
            x[i] = kOnePlusUlp * static_cast<float>(i + 1) / 7.0f;
            y[i] = z[i] = static_cast<float>(count - i) / 3.0f;
        }
        std::vector<float> y_rule = y, z_rule = z;
        for (int i = 0; i < count; ++i) {
            y_rule[i] = static_cast<float>(static_cast<double>(x[i]) * alpha + static_cast<double>(y[i]));
            z_rule[i] = static_cast<float>(static_cast<double>(z[i]) * alpha);
        }
        axpy(count, alpha, x.data(), 1, y.data(), 1);
        scal(count, alpha, z.data(), 1);
        for (int i = 0; i < count + 2; ++i) {
            EXPECT_FLOAT_BITS(y_rule[i], y[i]) << "axpy count " << count << ", element " << i;
            EXPECT_FLOAT_BITS(z_rule[i], z[i]) << "scal count " << count << ", element " << i;
        }
    }
}

TEST(WidePaths, OverlappingVectorsAreUpdatedOneElementAtATime)
{
    // y starts `gap` elements after x: each update reads an element that an
    // earlier one may have written, as the rule walks them. Every gap up to
    // the count is an overlap, however many bytes it spans.
    for (int count : {5, 16, 33, 40}) {
        for (int gap = 1; gap < count; ++gap) {
            std::vector<float> v(count + gap), rule(count + gap);
            for (int i = 0; i < count + gap; ++i) v[i] = rule[i] = 1.0f + 0.125f * i;
            for (int i = 0; i < count; ++i)
                rule[i + gap] =
                    static_cast<float>(static_cast<double>(rule[i]) * 2.0 + static_cast<double>(rule[i + gap]));
            axpy(count, 2.0, v.data(), 1, v.data() + gap, 1);
            for (int i = 0; i < count + gap; ++i)
                EXPECT_FLOAT_BITS(rule[i], v[i]) << "count " << count << ", gap " << gap << ", element " << i;
        }
    }
}

TEST(KernelChoice, EveryVariantByNameAndNoneUnknown)
{
    const std::string in_use = kernels_in_use();
    EXPECT_EQ(KERNELS_UNKNOWN, choose_kernels("wide"));
    EXPECT_EQ(KERNELS_UNKNOWN, choose_kernels(""));
    for (int i = 0; i < kernel_variant_count(); ++i) {
        // A name is the whole name: no longer, no shorter, no other case.
        const std::string name = kernel_variant_name(i);
        for (const std::string &near : {name + "x", name + "-fast", name.substr(0, name.size() - 1),
                                        std::string(1, static_cast<char>(name[0] - 32)) + name.substr(1)})
            EXPECT_EQ(KERNELS_UNKNOWN, choose_kernels(near.c_str())) << near;
    }
    EXPECT_STREQ("portable", kernel_variant_name(0));
    EXPECT_EQ(1, kernel_variant_supported(0));
    for (int i = 0; i < kernel_variant_count(); ++i) {
        const char *name = kernel_variant_name(i);
        if (kernel_variant_supported(i)) {
            EXPECT_EQ(KERNELS_CHOSEN, choose_kernels(name)) << name;
            EXPECT_STREQ(name, kernels_in_use());
        } else {
            EXPECT_EQ(KERNELS_UNSUPPORTED, choose_kernels(name)) << name;
            EXPECT_STRNE(name, kernels_in_use());
        }
    }
    EXPECT_EQ(KERNELS_CHOSEN, choose_kernels(in_use.c_str())) << "back to the variant this run tests";
}
