// The timed schedule, driven by a deterministic counter that advances only
// inside the generator, the factorisation or the solve.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "fake_counter.h"
#include "float_bits.h"
#include "velmark_engine.h"
#include "workspace.h"

namespace {

const int kAllColumns[] = {0, 1, 2, 3, 4, 5, 6, 7};

float cell(int row, int column) { return timing_table[row][column]; }

TEST(Schedule, GenerationTimeIsFullyRemoved)
{
    fake_counter::Behaviour b;
    b.per_generation = 1;
    b.per_factor = 2;
    fake_counter::reset(b);
    EXPECT_EQ(343, run_benchmark());
    EXPECT_EQ(343, result_kflops);
    for (int k : kAllColumns) {
        EXPECT_FLOAT_BITS(2.0f, cell(ROW_FACTOR_SECONDS, k)) << "column " << k;
        EXPECT_FLOAT_BITS(0.0f, cell(ROW_SOLVE_SECONDS, k)) << "column " << k;
        EXPECT_FLOAT_BITS(2.0f, cell(ROW_TOTAL_SECONDS, k)) << "column " << k;
        EXPECT_FLOAT_BITS(686666.6666666666 / 2000.0, cell(ROW_KFLOPS, k)) << "column " << k;
    }
}

// The run's arithmetic written out from its rules, for the fake counter's
// behaviour: the readings it would see, the averaged column's generation
// sum, the single-precision intervals and the double rate of every column.
struct ScheduleModel {
    explicit ScheduleModel(const fake_counter::Behaviour &behaviour) : b(behaviour), ticks(b.start) {}

    float read() const
    {
        return static_cast<float>(ticks - b.start) / static_cast<float>(b.frequency);
    }
    void complete(int k)
    {
        table[ROW_TOTAL_SECONDS][k] = table[ROW_SOLVE_SECONDS][k] + table[ROW_FACTOR_SECONDS][k];
        table[ROW_KFLOPS][k] =
            static_cast<float>(ops / (static_cast<double>(table[ROW_TOTAL_SECONDS][k]) * 1000.0));
    }
    void single(int k)
    {
        ticks += b.per_generation;
        float s = read();
        ticks += b.per_factor;
        table[ROW_FACTOR_SECONDS][k] = read() - s;
        s = read();
        ticks += b.per_solve;
        table[ROW_SOLVE_SECONDS][k] = read() - s;
        complete(k);
    }
    void averaged(int k)
    {
        float g = 0.0f;
        float t0 = read();
        for (int r = 0; r < 10; ++r) {
            float a = read();
            ticks += b.per_generation;
            float e = read();
            g = (e + g) - a;
            ticks += b.per_factor;
        }
        float t1 = read();
        table[ROW_FACTOR_SECONDS][k] = ((t1 - t0) - g) / 10.0f;
        t0 = read();
        ticks += 10 * b.per_solve;
        t1 = read();
        table[ROW_SOLVE_SECONDS][k] = (t1 - t0) / 10.0f;
        complete(k);
    }
    void run()
    {
        for (int k : {0, 1, 2}) single(k);
        averaged(3);
        for (int k : {4, 5, 6}) single(k);
        averaged(7);
    }

    fake_counter::Behaviour b;
    std::int64_t ticks;
    float table[4][8] = {};
};

TEST(Schedule, TableFollowsTheWrittenFormulasAtAnInexactTickRate)
{
    // At 3 ticks per second the readings are inexact, so the order of every
    // single-precision step and the precision of the rate show in the bits.
    struct Ticks {
        int generation, factor, solve;
    } cases[] = {{1, 2, 1}, {2, 5, 1}, {7, 3, 2}, {2, 1, 2}, {5, 11, 3}};
    for (const Ticks &t : cases) {
        fake_counter::Behaviour b;
        b.frequency = 3;
        b.start = 1000;
        b.per_generation = t.generation;
        b.per_factor = t.factor;
        b.per_solve = t.solve;
        ScheduleModel model(b);
        model.run();
        fake_counter::reset(b);
        vm_int32 result = run_benchmark();
        for (int row = 0; row < 4; ++row)
            for (int k : kAllColumns)
                EXPECT_FLOAT_BITS(model.table[row][k], cell(row, k))
                    << "ticks " << t.generation << "/" << t.factor << "/" << t.solve << ", row " << row
                    << ", column " << k;
        EXPECT_EQ(round_rate_to_kflops(lower_averaged_rate(model.table[ROW_KFLOPS][3],
                                                           model.table[ROW_KFLOPS][7])),
                  result);
    }
}

TEST(Schedule, EveryCallInOrderWithItsMatrixAndLeadingDimension)
{
    fake_counter::reset(fake_counter::Behaviour());
    run_benchmark();
    const std::vector<fake_counter::Event> &events = fake_counter::calls().events;
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ('F', events[0].kind) << "the frequency is read first";
    EXPECT_EQ('C', events[1].kind) << "then the origin";

    std::string expected, made;
    std::vector<std::pair<const float *, int>> expected_args, made_args;
    for (std::pair<const float *, int> layout : {std::make_pair<const float *, int>(matrix1, 201),
                                                 std::make_pair<const float *, int>(matrix2, 200)}) {
        std::string steps = "GLSGLSGLS";
        for (int r = 0; r < 10; ++r) steps += "GL";
        steps += std::string(10, 'S');
        expected += steps;
        expected_args.insert(expected_args.end(), steps.size(), layout);
    }
    for (const fake_counter::Event &e : events) {
        if (e.kind == 'G' || e.kind == 'L' || e.kind == 'S') {
            made += e.kind;
            made_args.emplace_back(e.matrix, e.lda);
        }
    }
    EXPECT_EQ(expected, made);
    ASSERT_EQ(78u, made_args.size());
    for (std::size_t i = 0; i < made_args.size(); ++i) {
        EXPECT_EQ(expected_args[i].first, made_args[i].first) << "call " << i;
        EXPECT_EQ(expected_args[i].second, made_args[i].second) << "call " << i;
    }
}

TEST(Schedule, SlowGenerationStillLeavesTheFactorTime)
{
    fake_counter::Behaviour b;
    b.per_generation = 37;
    b.per_factor = 5;
    b.start = 123456789;
    fake_counter::reset(b);
    run_benchmark();
    for (int k : kAllColumns) EXPECT_FLOAT_BITS(5.0f, cell(ROW_FACTOR_SECONDS, k)) << k;
}

TEST(Schedule, SolveOnlyCounterFillsTheSolveRow)
{
    fake_counter::Behaviour b;
    b.per_solve = 4;
    fake_counter::reset(b);
    run_benchmark();
    for (int k : kAllColumns) {
        EXPECT_FLOAT_BITS(0.0f, cell(ROW_FACTOR_SECONDS, k)) << k;
        EXPECT_FLOAT_BITS(4.0f, cell(ROW_SOLVE_SECONDS, k)) << k;
        EXPECT_FLOAT_BITS(4.0f, cell(ROW_TOTAL_SECONDS, k)) << k;
    }
}

TEST(Schedule, EachStepRunsTwentySixTimesAndTheProblemIsSolved)
{
    fake_counter::Behaviour b;
    b.per_factor = 1;
    fake_counter::reset(b);
    run_benchmark();
    EXPECT_EQ(26, fake_counter::calls().generations);
    EXPECT_EQ(26, fake_counter::calls().factors);
    EXPECT_EQ(26, fake_counter::calls().solves);
    EXPECT_EQ(1, fake_counter::calls().frequency_reads);
    // origin + 6 single columns of 4 readings + 2 averaged of 2*10 + 4
    EXPECT_EQ(1 + 6 * 4 + 2 * 24, fake_counter::calls().counter_reads);
    EXPECT_EQ(100, n);
    EXPECT_EQ(201, lda1);
    EXPECT_EQ(200, lda2);
    EXPECT_EQ(10, repetitions);
    EXPECT_EQ(0, info);
}

TEST(Schedule, IntervalsAreTakenInIntegerTicksFromTheOrigin)
{
    // Far from zero, neighbouring tick counts are the same single; the
    // difference from the origin must be formed before the conversion.
    fake_counter::Behaviour b;
    b.start = 1LL << 40;
    b.per_factor = 3;
    fake_counter::reset(b);
    run_benchmark();
    EXPECT_EQ(1LL << 40, counter_origin);
    EXPECT_FLOAT_BITS(3.0f, cell(ROW_FACTOR_SECONDS, 0));
    EXPECT_FLOAT_BITS(3.0f, cell(ROW_FACTOR_SECONDS, COLUMN_AVERAGED_LAYOUT2));
}

TEST(Schedule, TimerDividesInSinglePrecision)
{
    fake_counter::Behaviour b;
    b.frequency = 3;
    fake_counter::reset(b);
    counter_origin = 0;
    counter_frequency = 3;
    // A quotient of two singles, not an integer division.
    EXPECT_FLOAT_BITS(0.0f, elapsed_seconds());
    fake_counter::Behaviour later = b;
    later.start = 10;
    fake_counter::reset(later);
    EXPECT_FLOAT_BITS(10.0f / 3.0f, elapsed_seconds());
    // The frequency is read from the workspace on every call.
    counter_frequency = 5;
    EXPECT_FLOAT_BITS(2.0f, elapsed_seconds());

    // Past 2^24 ticks (16.8 ms at 1 GHz) the tick count rounds when it
    // becomes a single, before the division.
    fake_counter::Behaviour posix;
    posix.frequency = 1000000000;
    posix.start = (1LL << 24) + 1;
    fake_counter::reset(posix);
    counter_frequency = posix.frequency;
    EXPECT_FLOAT_BITS(16777216.0f / 1.0e9f, elapsed_seconds());
}

TEST(Schedule, ZeroTotalTimeOnOneLayoutLeavesTheOther)
{
    // Only one layout's factorisations take time: the other's averaged rate
    // is +inf, and the finite one is the result.
    fake_counter::Behaviour b;
    b.per_factor = 4;
    b.only_matrix = matrix2;
    fake_counter::reset(b);
    vm_int32 result = run_benchmark();
    EXPECT_TRUE(std::isinf(cell(ROW_KFLOPS, COLUMN_AVERAGED_LAYOUT1)));
    EXPECT_FLOAT_BITS(686666.6666666666 / 4000.0, cell(ROW_KFLOPS, COLUMN_AVERAGED_LAYOUT2));
    EXPECT_EQ(172, result);

    b.only_matrix = matrix1;
    fake_counter::reset(b);
    EXPECT_EQ(172, run_benchmark()) << "zero total on layout 2: layout 1's rate is used";
    EXPECT_TRUE(std::isinf(cell(ROW_KFLOPS, COLUMN_AVERAGED_LAYOUT2)));
}

TEST(Schedule, OnlyTheAveragedColumnsDecide)
{
    // Factorisation calls 1-3 and 14-16 are the single measurements, 4-13
    // and 17-26 the averaged ones. The singles are made the fastest and the
    // slowest columns; the result still comes from the averaged ones.
    fake_counter::Behaviour b;
    b.factor_ticks_by_call.assign(26, 5);  // averaged layout 1: 5 s each
    for (int call : {1, 2, 3}) b.factor_ticks_by_call[call - 1] = 1;
    for (int call : {14, 15, 16}) b.factor_ticks_by_call[call - 1] = 100;
    for (int call = 17; call <= 26; ++call) b.factor_ticks_by_call[call - 1] = 4;
    fake_counter::reset(b);
    EXPECT_EQ(137, run_benchmark()) << "686666.67 / 5000, the lower of 137.33 and 171.67";
    EXPECT_FLOAT_BITS(1.0f, cell(ROW_FACTOR_SECONDS, 0));
    EXPECT_FLOAT_BITS(100.0f, cell(ROW_FACTOR_SECONDS, 4));
    EXPECT_FLOAT_BITS(5.0f, cell(ROW_FACTOR_SECONDS, COLUMN_AVERAGED_LAYOUT1));
    EXPECT_FLOAT_BITS(4.0f, cell(ROW_FACTOR_SECONDS, COLUMN_AVERAGED_LAYOUT2));
}

TEST(Schedule, NoTimeAtAllSaturates)
{
    fake_counter::Behaviour b;  // the counter never moves: every rate is +inf
    fake_counter::reset(b);
    EXPECT_EQ(VM_INT32_MAX, run_benchmark());
}

TEST(Schedule, ZeroFrequencyGivesADefinedResult)
{
    fake_counter::Behaviour b;
    b.frequency = 0;
    b.per_factor = 1;
    fake_counter::reset(b);
    vm_int32 result = run_benchmark();  // every time is inf or NaN; no UB
    EXPECT_EQ(0, result);
}

TEST(Schedule, RepeatedRunsStartAfresh)
{
    fake_counter::Behaviour b;
    b.per_generation = 1;
    b.per_factor = 2;
    b.per_solve = 1;
    fake_counter::reset(b);
    vm_int32 first = run_benchmark();

    // Poison everything the run owns; the counter keeps counting from where
    // it stopped, so the second run also has a different origin.
    std::memset(matrix1, 0xff, sizeof matrix1);
    std::memset(matrix2, 0xff, sizeof matrix2);
    std::memset(rhs, 0xff, sizeof rhs);
    std::memset(pivots, 0xff, sizeof pivots);
    std::memset(timing_table, 0xff, sizeof timing_table);
    n = lda1 = lda2 = repetitions = result_kflops = -1;
    counter_frequency = 0;
    vm_int32 second = run_benchmark();

    EXPECT_EQ(first, second);
    EXPECT_EQ(229, first) << "686666.67 / 3000";
}

// ---- the reduction of the two averaged rates to the result ----

TEST(FinalRate, RoundsHalvesAwayFromZeroAndSmallRatesToZero)
{
    struct Case {
        float rate;
        vm_int32 expected;
    } cases[] = {
        {0.0f, 0},       {0.4f, 0},         {0.5f, 1},          {1234.4f, 1234},
        {1234.5f, 1235}, {-0.4f, 0},        {-0.7f, -1},        {-1234.5f, -1235},
        {-0.0f, 0},      {2.5f, 3},         {-2.5f, -3},
        // the largest single below 0.5: + 0.5 in double is 0.99999997, which
        // becomes 1.0 as a single
        {std::nextafter(0.5f, 0.0f), 1},
        {2147483520.0f, 2147483520},        // the largest single below 2^31
        // past 2^23 the rate plus a half rounds to single: up, not down
        {8861883.0f, 8861884},
        {-2147483648.0f, VM_INT32_MIN},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(c.expected, round_rate_to_kflops(c.rate)) << "rate " << c.rate;
    }
}

TEST(FinalRate, RatesWithoutAnIntegerValueAreDefined)
{
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(VM_INT32_MAX, round_rate_to_kflops(inf));
    EXPECT_EQ(VM_INT32_MIN, round_rate_to_kflops(-inf));
    EXPECT_EQ(VM_INT32_MAX, round_rate_to_kflops(2147483648.0f));
    EXPECT_EQ(VM_INT32_MAX, round_rate_to_kflops(3.0e38f));
    EXPECT_EQ(VM_INT32_MIN, round_rate_to_kflops(-3.0e38f));
    EXPECT_EQ(0, round_rate_to_kflops(std::numeric_limits<float>::quiet_NaN()));
}

TEST(FinalRate, LowerAveragedRateAndItsTies)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_FLOAT_BITS(10.0f, lower_averaged_rate(10.0f, 20.0f));
    EXPECT_FLOAT_BITS(10.0f, lower_averaged_rate(20.0f, 10.0f));
    // equal rates: layout 2's value, which a -0/+0 pair makes visible
    EXPECT_FLOAT_BITS(-0.0f, lower_averaged_rate(0.0f, -0.0f));
    EXPECT_FLOAT_BITS(7.0f, lower_averaged_rate(nan, 7.0f));
    EXPECT_TRUE(std::isnan(lower_averaged_rate(7.0f, nan)));
    EXPECT_FLOAT_BITS(7.0f, lower_averaged_rate(inf, 7.0f));
    EXPECT_FLOAT_BITS(7.0f, lower_averaged_rate(7.0f, inf));
}

TEST(FinalRate, OperationCountHasItsExactBits)
{
    EXPECT_EQ(0x4124F49555555555ULL, double_bits(ops));
    EXPECT_EQ(double_bits(2.0 * 100 * 100 * 100 / 3.0 + 2.0 * 100 * 100), double_bits(ops));
}

}  // namespace
