// The measurement's rules, with made-up runs: how many, which run's table is
// kept, the budget reported, every run's solution checked, the one decision,
// the table copied from the engine's workspace, and which kernels a run is
// made on.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "kernel_choice.h"
#include "kernel_variants.h"
#include "measurement.h"
#include "report.h"
#include "solution_check.h"
#include "workspace.h"

namespace {

// An engine whose first run, the warm-up, gives `warmup` KFLOPS and leaves
// `warmup_digest`, whose counted run k (from 0) gives kflops[k] and leaves
// digests[k] (the known one when not given), whose table's first column
// says which run left it, whose untimed solve says `untimed_right`, and
// whose clock moves `step` seconds a reading. Its counter runs at
// `counter_rate` times the reference clock's rate, and both tick by
// `clock_tick` seconds a reading on top of the engine's clock; each run's
// averaged columns take `averaged_total` seconds, or averaged_totals[k]
// for counted run k when given. A run takes `run_seconds` by the clock
// (the warm-up `warmup_seconds`), so that what the clock spans shows.
struct FakeEngine {
    std::vector<int> kflops;
    std::vector<std::uint64_t> digests = {};
    double step = 0.0;
    bool untimed_right = true;
    int warmup = 1;
    std::uint64_t warmup_digest = velmark::kKnownRunDigest;
    double run_seconds = 0.0;
    double warmup_seconds = 0.0;
    double counter_rate = 1.0;
    double clock_tick = 1e-9;
    float averaged_total = 1e-3f;
    float second_layout_share = 1.0f;    // layout 200's averaged total over layout 201's
    double counter_stated_resolution = 0.0;
    std::vector<float> averaged_totals = {};
    int runs = 0;  // made so far, the warm-up included
    double now = 0.0;
    int counter_reads = 0, reference_reads = 0;

    velmark::Engine engine()
    {
        velmark::Engine e;
        e.run = [this] {
            now += runs == 0 ? warmup_seconds : run_seconds;
            return runs++ == 0 ? warmup : kflops[(runs - 2) % kflops.size()];
        };
        e.timing_table = [this] {
            velmark::TimingTable table;
            table[0].factor_seconds = static_cast<float>(runs - 1);  // the counted run just made, from 1
            std::size_t k = static_cast<std::size_t>(runs - 2);
            float total = runs >= 2 && k < averaged_totals.size() ? averaged_totals[k] : averaged_total;
            table[3].total_seconds = total;
            table[7].total_seconds = total * second_layout_share;
            return table;
        };
        e.solution_digest = [this] {
            if (runs == 1) return warmup_digest;
            std::size_t k = static_cast<std::size_t>(runs - 2);
            return k < digests.size() ? digests[k] : velmark::kKnownRunDigest;
        };
        e.untimed_solve = [this] {
            velmark::Validation v;
            v.validated = untimed_right;
            return v;
        };
        e.seconds = [this] { return now += step; };
        e.counter = {"the fake counter", [this] { return counter_rate * (now + clock_tick * ++counter_reads); },
                     counter_stated_resolution};
        e.reference = {"the fake wall clock", [this] { return now + clock_tick * ++reference_reads; }, 0.0};
        return e;
    }
};

velmark::Measurement measure_runs_for(FakeEngine &fake, const char *seconds)
{
    return velmark::measure(velmark::plan_from(velmark::parse_options({"--time", seconds, "--processes", "1"})),
                            fake.engine());
}

TEST(Measurement, ACountMakesExactlyThatManyRunsAndReportsNoBudget)
{
    FakeEngine fake{{5, 9, 7}};
    fake.step = 100.0;
    velmark::Measurement m = velmark::measure(velmark::plan_from(velmark::parse_options({"--runs", "3"})), fake.engine());
    EXPECT_EQ((std::vector<int>{5, 9, 7}), m.results_kflops());
    EXPECT_EQ(0.0, m.budget_seconds) << "the count was fixed";
    EXPECT_EQ(9, m.statistics.best) << "the statistics are computed once, here";
    EXPECT_EQ(7.0, m.statistics.median);
}

TEST(Measurement, TheWarmUpRunIsNotCountedButIsChecked)
{
    FakeEngine fake{{5, 6}};
    fake.warmup = 1000;  // a warm-up far faster than the rest: in no statistic
    fake.step = 10.0;    // a reading 10 s after the one before
    velmark::Measurement m = velmark::measure(velmark::plan_from(velmark::parse_options({"--runs", "2"})), fake.engine());
    EXPECT_EQ(1000, m.warmup.kflops);
    EXPECT_EQ((std::vector<int>{5, 6}), m.results_kflops());
    EXPECT_EQ(6, m.statistics.best);
    EXPECT_EQ(5, m.statistics.minimum);
    EXPECT_EQ(1, m.best_run);
    EXPECT_EQ(20.0, m.seconds) << "the clock starts after the warm-up: two readings of the counted runs";
    EXPECT_TRUE(m.validated);

    FakeEngine wrong_warmup{{5}};
    wrong_warmup.warmup_digest = 0xbadULL;
    velmark::Measurement failed =
        velmark::measure(velmark::plan_from(velmark::parse_options({"--runs", "2"})), wrong_warmup.engine());
    EXPECT_EQ(0, failed.runs_check.first_wrong_run) << "the counted runs were right";
    EXPECT_FALSE(failed.warmup_right);
    EXPECT_FALSE(failed.validated) << "a wrong warm-up solution fails the measurement";
}

TEST(Measurement, ABudgetRunsUntilItIsSpentAndIsReported)
{
    FakeEngine fake{{5}};
    fake.step = 0.5;  // a run takes 0.5 s by this clock
    velmark::Measurement m = velmark::measure(velmark::plan_from(velmark::parse_options({"--time", "8", "--processes", "1"})), fake.engine());
    EXPECT_EQ(16u, m.runs.size()) << "8 s of 0.5 s runs";
    EXPECT_EQ(8.0, m.budget_seconds);
    EXPECT_EQ(8.0, m.seconds);

    FakeEngine quick{{5}};
    quick.step = 0.25;
    velmark::Measurement defaults = velmark::measure(velmark::plan_from(velmark::parse_options({})), quick.engine());
    EXPECT_EQ(0.25, defaults.budget_seconds) << "2 s shared by eight processes";
    EXPECT_EQ(10u, defaults.runs.size()) << "at least ten runs";
}

TEST(Measurement, TheBudgetAndTheCountedTimeLeaveTheWarmUpOut)
{
    FakeEngine fake{{5}};
    fake.warmup_seconds = 100.0;  // a warm-up longer than the whole budget
    fake.run_seconds = 0.5;
    velmark::Measurement m = measure_runs_for(fake, "8");
    EXPECT_EQ(16u, m.runs.size()) << "8 s of 0.5 s runs, after the warm-up";
    EXPECT_EQ(8.0, m.seconds);
    EXPECT_NEAR(8.0, m.clock.reference_seconds, 1e-6) << "the clocks are compared over the counted runs";
    EXPECT_TRUE(m.passed());
}

TEST(Measurement, TheTableIsTheFirstBestRuns)
{
    FakeEngine fake{{5, 9, 7, 9, 3}};
    velmark::Measurement m = velmark::measure(velmark::plan_from(velmark::parse_options({"--runs", "5"})), fake.engine());
    EXPECT_EQ(1, m.best_run);
    EXPECT_EQ(2.0f, m.best_table()[0].factor_seconds) << "run 2 was the first with 9";
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(k + 1.0f, m.runs[k].table[0].factor_seconds) << "every run keeps its own table";
    }
}

TEST(Measurement, EveryTimedRunsSolutionIsCheckedAndDecidesOnce)
{
    FakeEngine right{{5}};
    velmark::Measurement m = velmark::measure(velmark::plan_from(velmark::parse_options({"--runs", "4"})), right.engine());
    EXPECT_EQ(4, m.runs_check.runs);
    EXPECT_EQ(0, m.runs_check.first_wrong_run);
    EXPECT_TRUE(m.validated);

    FakeEngine wrong{{5}, {velmark::kKnownRunDigest, velmark::kKnownRunDigest, 0xbadULL, 0xbad2ULL}};
    velmark::Measurement failed = velmark::measure(velmark::plan_from(velmark::parse_options({"--runs", "4"})), wrong.engine());
    EXPECT_EQ(3, failed.runs_check.first_wrong_run) << "the first run that went wrong";
    EXPECT_EQ(0xbadULL, failed.runs_check.wrong_digest);
    EXPECT_EQ(0xbad2ULL, failed.runs[3].solution_digest) << "every run's digest is kept";
    EXPECT_FALSE(failed.validated) << "a wrong run fails, whatever the untimed solve says";

    FakeEngine untimed_wrong{{5}};
    untimed_wrong.untimed_right = false;
    EXPECT_FALSE(velmark::measure(velmark::plan_from(velmark::parse_options({"--runs", "1"})), untimed_wrong.engine())
                     .validated);
}

velmark::Measurement measure_runs(FakeEngine &fake, const char *runs)
{
    return velmark::measure(velmark::plan_from(velmark::parse_options({"--runs", runs})), fake.engine());
}

TEST(Measurement, ACounterAtAnotherRateThanTheReferenceIsNoMeasurement)
{
    // 1.05: a frequency misreported by 5%; 0.001: microseconds counted as
    // nanoseconds; both slower and faster counters fail.
    for (double rate : {1.05, 0.95, 0.001, 1000.0}) {
        FakeEngine fake{{5}};
        fake.step = 0.1;
        fake.counter_rate = rate;
        velmark::Measurement m = measure_runs(fake, "10");
        EXPECT_TRUE(m.validated) << "the bits were right";
        EXPECT_FALSE(m.clock.agrees) << rate;
        ASSERT_EQ(1u, m.measurement_problems.size()) << rate;
        EXPECT_EQ(velmark::kClocksDisagree, m.measurement_problems[0].code) << rate;
        EXPECT_NEAR(rate, m.measurement_problems[0].counter_seconds, 1e-6 * rate);
        EXPECT_NEAR(1.0, m.measurement_problems[0].reference_seconds, 1e-6) << "the reference's span, not the budget's";
        EXPECT_FALSE(m.passed()) << rate;
    }
    for (double rate : {1.0, 1.02, 0.98}) {
        FakeEngine fake{{5}};
        fake.step = 0.1;
        fake.counter_rate = rate;
        velmark::Measurement m = measure_runs(fake, "10");
        EXPECT_TRUE(m.clock.agrees && m.clock.conclusive) << rate;
        EXPECT_NEAR(rate, m.clock.counter_seconds, 1e-6) << "over the counted runs alone";
        EXPECT_NEAR(1.0, m.clock.reference_seconds, 1e-6);
        EXPECT_TRUE(m.passed()) << rate << ": within a few percent";
    }
}

TEST(Measurement, ASpanTheClocksCannotResolveIsNotChecked)
{
    FakeEngine fake{{5}};
    fake.step = 1e-3;
    fake.clock_tick = 1e-4;  // both clocks step 0.1 ms: 0.2 ms of a 1 ms span
    velmark::Measurement m = measure_runs(fake, "1");
    EXPECT_FALSE(m.clock.conclusive);
    EXPECT_FALSE(m.clock.agrees);
    ASSERT_EQ(1u, m.measurement_problems.size());
    EXPECT_EQ(velmark::kClockCheckTooShort, m.measurement_problems[0].code);
    EXPECT_NEAR(1e-4, m.measurement_problems[0].reference_step_seconds, 1e-12);
    EXPECT_NEAR(1e-4, m.measurement_problems[0].counter_step_seconds, 1e-12);
    const std::string text = velmark::format_text(velmark::Context(), m);
    EXPECT_NE(std::string::npos, text.find("measurement: the counted runs took 0.0011 s by the fake wall clock, too "
                                           "short to check the fake counter (steps of 0.0001 s)"))
        << text;
    EXPECT_NE(std::string::npos, text.find("(--time)")) << text;

    FakeEngine longer{{5}};
    longer.step = 0.1;
    longer.clock_tick = 1e-4;
    EXPECT_TRUE(measure_runs(longer, "1").measurement_valid()) << "0.2 ms of a 100 ms span";

    // The steps may take 2% of the span, no more.
    for (double tick : {1.6e-4, 0.9e-4}) {
        FakeEngine share{{5}};
        share.step = 0.01;
        share.clock_tick = tick;
        velmark::Measurement m_share = measure_runs(share, "1");
        EXPECT_EQ(tick < 1e-4, m_share.clock.conclusive) << 2 * tick << " s of steps in a 10 ms span";
    }

    // A counter 4% fast agrees when its stated steps of 10 ms, over a 1 s
    // span, leave it within 3% plus the steps; stated steps are steps.
    for (double stated : {0.0, 0.01}) {
        FakeEngine steps{{5}};
        steps.step = 1.0;
        steps.counter_rate = 1.04;
        steps.counter_stated_resolution = stated;
        EXPECT_EQ(stated > 0.0, measure_runs(steps, "1").clock.agrees) << stated;
    }
}

TEST(Measurement, AHeadlineThatIsNoRateIsNoMeasurement)
{
    // A clock that stood still: totals of 0 give an infinite rate, which
    // saturates; and a rate that rounds to 0.
    for (float total : {0.0f, 1e9f}) {
        FakeEngine fake{{5}};
        fake.step = 0.1;
        fake.averaged_total = total;
        velmark::Measurement m = measure_runs(fake, "10");
        EXPECT_TRUE(m.clock.agrees);
        ASSERT_EQ(1u, m.measurement_problems.size()) << total;
        EXPECT_EQ(velmark::kHeadlineNotARate, m.measurement_problems[0].code);
        EXPECT_EQ(m.headline.kflops, m.measurement_problems[0].headline_kflops);
        const std::string text = velmark::format_text(velmark::Context(), m);
        EXPECT_NE(std::string::npos, text.find("measurement: the headline, " + std::to_string(m.headline.kflops) +
                                               " KFLOPS, is not a rate"))
            << text;
        EXPECT_FALSE(m.passed());
        EXPECT_EQ(false, nlohmann::json::parse(velmark::format_json(velmark::Context(), m))["validation"]
                             ["measurement_validated"])
            << "the clocks agreed; the headline alone makes it no measurement";
    }
}

TEST(Measurement, TheHeadlineIsTheBestBlockOfTenAndItsClockBound)
{
    // Runs 11-20 are the fastest block on average, though run 5 alone is
    // the fastest of all; run 31, past the last whole block, is left out.
    FakeEngine fake{{5}};
    fake.step = 0.1;
    fake.averaged_totals = std::vector<float>(31, 2e-3f);
    fake.averaged_totals[4] = 1e-3f;
    for (int k = 10; k < 20; ++k) fake.averaged_totals[k] = 1.5e-3f;
    fake.averaged_totals[30] = 1e-4f;
    velmark::Measurement m = measure_runs(fake, "31");
    EXPECT_EQ(10, m.headline.first_run);
    EXPECT_EQ(10, m.headline.runs);
    EXPECT_EQ(velmark::kflops_from_averaged_totals(1.5e-3, 1.5e-3), m.headline.kflops);
    EXPECT_EQ(457778, m.headline.kflops) << "686666.67 operations in 1.5 ms";
    // The counter's step over the block's averaged total, as a standard
    // error of 24 readings a column over ten repetitions and ten runs.
    EXPECT_NEAR(fake.clock_tick / (1.5e-3 * std::sqrt(500.0)), m.clock.headline_bound, 1e-12);
    EXPECT_FALSE(m.clock.coarse);

    FakeEngine few{{5}};
    few.step = 0.1;
    few.averaged_totals = {2e-3f, 1e-3f, 4e-3f};
    velmark::Measurement three = measure_runs(few, "3");
    EXPECT_EQ(0, three.headline.first_run);
    EXPECT_EQ(3, three.headline.runs) << "fewer runs than a block make one block";
    EXPECT_EQ(velmark::kflops_from_averaged_totals(7e-3 / 3, 7e-3 / 3), three.headline.kflops);
    EXPECT_NEAR(few.clock_tick / (7e-3 / 3 * std::sqrt(150.0)), three.clock.headline_bound, 1e-6 * three.clock.headline_bound)
        << "a block of three runs";

    // Equal blocks: the first leads.
    FakeEngine equal{{5}};
    equal.step = 0.1;
    EXPECT_EQ(0, measure_runs(equal, "30").headline.first_run);

    // Either layout the slower: the lower rate rates the block, and the
    // bound follows from the smaller total.
    for (float share : {2.0f, 0.5f}) {
        FakeEngine layouts{{5}};
        layouts.step = 0.1;
        layouts.second_layout_share = share;
        layouts.clock_tick = 1e-6;
        velmark::Measurement both = measure_runs(layouts, "10");
        EXPECT_EQ(velmark::kflops_from_averaged_totals(1e-3, 1e-3 * share), both.headline.kflops) << share;
        EXPECT_EQ(velmark::kflops_from_averaged_totals(1e-3 * std::max(1.0f, share), 1e-3 * std::max(1.0f, share)),
                  both.headline.kflops)
            << share;
        EXPECT_NEAR(1e-6 / (1e-3 * std::min(1.0f, share) * std::sqrt(500.0)), both.clock.headline_bound, 1e-8) << share;
    }

    // The counter's stated steps bound the headline where they are coarser
    // than those seen.
    FakeEngine stated{{5}};
    stated.step = 0.1;
    stated.counter_stated_resolution = 1e-3;
    EXPECT_NEAR(1e-3 / (1e-3 * std::sqrt(500.0)), measure_runs(stated, "10").clock.headline_bound, 1e-6);

    FakeEngine coarse{{5}};
    coarse.step = 0.1;
    coarse.clock_tick = 1e-4;  // 0.1 ms steps against 1 ms columns: 0.45%
    coarse.averaged_total = 1e-3f;
    EXPECT_FALSE(measure_runs(coarse, "10").clock.coarse);
    coarse.clock_tick = 3e-4;  // 1.34%: within the bound
    EXPECT_FALSE(measure_runs(coarse, "10").clock.coarse);
    coarse.clock_tick = 3.5e-4;  // 1.57%
    velmark::Measurement m_coarse = measure_runs(coarse, "10");
    EXPECT_TRUE(m_coarse.clock.coarse);
    EXPECT_TRUE(m_coarse.measurement_valid()) << "coarse is shown as coarse, not failed";
}

TEST(Measurement, AClockStepsOnlyWhereItsReadingMoves)
{
    const std::vector<double> readings = {0, 0, 0, 2e-6, 2e-6, 5e-6, 5e-6, 5e-6, 6e-6, 6e-6};
    std::size_t next = 0;
    const double step = velmark::smallest_step([&] { return readings[std::min(next++, readings.size() - 1)]; });
    EXPECT_NEAR(1e-6, step, 1e-15) << "readings that did not move are no steps";
    EXPECT_TRUE(std::isinf(velmark::smallest_step([] { return 1.0; }))) << "a clock that never moves";
}

TEST(Measurement, TheRealEngineTableIsCopiedColumnByColumn)
{
    for (int row = 0; row < TIMING_ROWS; ++row)
        for (int k = 0; k < TIMING_COLUMNS; ++k) timing_table[row][k] = 10.0f * row + k + 0.5f;
    velmark::TimingTable columns = velmark::real_engine().timing_table();
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(k < 4 ? 201 : 200, columns[k].layout) << "column " << k;
        EXPECT_EQ(k == 3 || k == 7, columns[k].averaged) << "column " << k;
        EXPECT_EQ(k + 0.5f, columns[k].factor_seconds) << "column " << k;
        EXPECT_EQ(10.0f + k + 0.5f, columns[k].solve_seconds) << "column " << k;
        EXPECT_EQ(20.0f + k + 0.5f, columns[k].total_seconds) << "column " << k;
        EXPECT_EQ(30.0f + k + 0.5f, columns[k].kflops) << "column " << k;
    }
}

TEST(KernelChoice, TheOptionComesBeforeTheEnvironment)
{
    const std::string before = kernels_in_use();
    EXPECT_EQ("", velmark::choose_requested_kernels("portable", "no-such-kernels"));
    EXPECT_STREQ("portable", kernels_in_use()) << "--kernels wins over VELMARK_KERNELS";
    EXPECT_EQ("unknown kernels 'wide' named by --kernels (this build has: " + velmark::kernel_variant_list(false) +
                  ")",
              velmark::choose_requested_kernels("wide", "portable"));
    EXPECT_EQ("unknown kernels 'wide' named by VELMARK_KERNELS (this build has: " +
                  velmark::kernel_variant_list(false) + ")",
              velmark::choose_requested_kernels("", "wide"));
    EXPECT_EQ("", velmark::choose_requested_kernels("", nullptr));
    EXPECT_EQ("", velmark::choose_requested_kernels(before, nullptr));
}

}  // namespace
