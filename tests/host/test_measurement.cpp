// The measurement's rules, with made-up runs: how many, which run's table is
// kept, the budget reported, every run's solution checked, the exit status,
// and which kernels a run is made on.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "kernel_choice.h"
#include "kernel_variants.h"
#include "measurement.h"
#include "solution_check.h"

namespace {

// An engine whose run k (from 0) gives kflops[k] and leaves digests[k]
// (the known one when not given), whose table's first column says which
// run left it, and whose clock moves `step` seconds a reading.
struct FakeEngine {
    std::vector<int> kflops;
    std::vector<std::uint64_t> digests;
    double step = 0.0;
    int runs = 0;
    double now = 0.0;

    velmark::Engine engine()
    {
        velmark::Engine e;
        e.run = [this] { return kflops[runs++ % kflops.size()]; };
        e.timing_table = [this] {
            velmark::ColumnTiming marker;
            marker.factor_seconds = static_cast<float>(runs);  // the run just made, from 1
            return std::vector<velmark::ColumnTiming>{marker};
        };
        e.solution_digest = [this] {
            std::size_t k = static_cast<std::size_t>(runs - 1);
            return k < digests.size() ? digests[k] : velmark::kKnownRunDigest;
        };
        e.seconds = [this] { return now += step; };
        return e;
    }
};

TEST(Measurement, ACountMakesExactlyThatManyRunsAndReportsNoBudget)
{
    FakeEngine fake{{5, 9, 7}};
    fake.step = 100.0;
    velmark::Report report;
    velmark::measure(velmark::plan_from(velmark::parse_options({"--runs", "3"})), fake.engine(), report);
    EXPECT_EQ((std::vector<int>{5, 9, 7}), report.results_kflops);
    EXPECT_EQ(0.0, report.budget_seconds) << "the count was fixed";
    EXPECT_EQ(9, report.statistics.best) << "the statistics are computed once, here";
    EXPECT_EQ(7.0, report.statistics.median);
}

TEST(Measurement, ABudgetRunsUntilItIsSpentAndIsReported)
{
    FakeEngine fake{{5}};
    fake.step = 0.5;  // a run takes 0.5 s by this clock
    velmark::Report report;
    velmark::measure(velmark::plan_from(velmark::parse_options({"--time", "8"})), fake.engine(), report);
    EXPECT_EQ(16u, report.results_kflops.size()) << "8 s of 0.5 s runs";
    EXPECT_EQ(8.0, report.budget_seconds);
    EXPECT_EQ(8.0, report.seconds);

    FakeEngine quick{{5}};
    quick.step = 0.25;
    velmark::Report defaults;
    velmark::measure(velmark::plan_from(velmark::parse_options({})), quick.engine(), defaults);
    EXPECT_EQ(1.0, defaults.budget_seconds);
    EXPECT_EQ(10u, defaults.results_kflops.size()) << "at least ten runs";
}

TEST(Measurement, TheTableIsTheFirstBestRuns)
{
    FakeEngine fake{{5, 9, 7, 9, 3}};
    velmark::Report report;
    velmark::measure(velmark::plan_from(velmark::parse_options({"--runs", "5"})), fake.engine(), report);
    ASSERT_EQ(1u, report.best_columns.size());
    EXPECT_EQ(2.0f, report.best_columns[0].factor_seconds) << "run 2 was the first with 9";
}

TEST(Measurement, EveryTimedRunsSolutionIsChecked)
{
    FakeEngine right{{5}};
    velmark::Report report;
    report.validation.validated = true;
    velmark::measure(velmark::plan_from(velmark::parse_options({"--runs", "4"})), right.engine(), report);
    EXPECT_EQ(4, report.runs_check.runs);
    EXPECT_EQ(0, report.runs_check.first_wrong_run);
    EXPECT_EQ(0, velmark::validation_status(report));

    FakeEngine wrong{{5}, {velmark::kKnownRunDigest, velmark::kKnownRunDigest, 0xbadULL, 0xbad2ULL}};
    velmark::Report failed;
    failed.validation.validated = true;
    velmark::measure(velmark::plan_from(velmark::parse_options({"--runs", "4"})), wrong.engine(), failed);
    EXPECT_EQ(3, failed.runs_check.first_wrong_run) << "the first run that went wrong";
    EXPECT_EQ(0xbadULL, failed.runs_check.wrong_digest);
    EXPECT_EQ(1, velmark::validation_status(failed)) << "a wrong run fails, whatever the untimed solve says";

    velmark::Report untimed_wrong;
    FakeEngine fine{{5}};
    velmark::measure(velmark::plan_from(velmark::parse_options({"--runs", "1"})), fine.engine(), untimed_wrong);
    untimed_wrong.validation.validated = false;
    EXPECT_EQ(1, velmark::validation_status(untimed_wrong));
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
