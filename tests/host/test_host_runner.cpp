// The host runner's options, its result line and its reports.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

#include <nlohmann/json.hpp>

#include "options.h"
#include "report.h"

namespace {

using velmark::parse_options;

TEST(Options, DefaultsAndEveryForm)
{
    velmark::Options plain = parse_options({});
    EXPECT_EQ(0, plain.runs) << "no count: the time budget decides";
    EXPECT_EQ(1.0, plain.budget_seconds);
    EXPECT_FALSE(plain.json);
    EXPECT_TRUE(plain.error.empty());

    velmark::Options all = parse_options({"--runs", "5", "--json", "--output", "r.json", "--kernels=sse2"});
    EXPECT_EQ(5, all.runs);
    EXPECT_TRUE(all.json);
    EXPECT_EQ("r.json", all.output);
    EXPECT_EQ("sse2", all.kernels);
    EXPECT_EQ(7, parse_options({"--runs=7"}).runs);
    EXPECT_EQ(100000, parse_options({"--runs=100000"}).runs);
    EXPECT_EQ(0.1, parse_options({"--time", "0.1"}).budget_seconds);
    EXPECT_EQ(600.0, parse_options({"--time=600"}).budget_seconds);
    EXPECT_EQ(2.5, parse_options({"--time", "2.5"}).budget_seconds);
    EXPECT_TRUE(parse_options({"-h"}).help);
    EXPECT_TRUE(parse_options({"--help"}).help);
}

TEST(Options, BadOptionsAndValuesAreNamed)
{
    EXPECT_EQ("unknown option '--fast' (see --help)", parse_options({"--fast"}).error);
    EXPECT_EQ("option --runs needs a value", parse_options({"--runs"}).error);
    EXPECT_EQ("option --json takes no value (see --help)", parse_options({"--json=1"}).error);
    EXPECT_EQ("--runs and --time cannot be used together (a count, or a time budget)",
              parse_options({"--runs", "3", "--time", "2"}).error);
    for (const char *bad : {"0", "-3", "100001", "abc", "5x", "", "99999999999999999999", " 5"}) {
        std::string error = parse_options({"--runs", bad}).error;
        EXPECT_EQ(std::string("invalid value for --runs: '") + bad + "' (a whole number from 1 to 100000)", error)
            << bad;
        EXPECT_EQ(error, parse_options({std::string("--runs=") + bad}).error) << bad;
    }
    for (const char *bad : {"0.09", "600.5", "nan", "inf", "1e1", "0x1p1", "-1", "1.2.3", ".", ""}) {
        EXPECT_EQ(std::string("invalid value for --time: '") + bad +
                      "' (seconds, a decimal number from 0.1 to 600)",
                  parse_options({"--time", bad}).error)
            << bad;
    }
}

TEST(RunPlan, ACountIsExactAndABudgetMakesAtLeastTenRuns)
{
    velmark::RunPlan count;
    count.fixed_runs = 3;
    EXPECT_TRUE(velmark::run_again(count, 2, 100.0)) << "a count ignores the time";
    EXPECT_FALSE(velmark::run_again(count, 3, 0.0));

    velmark::RunPlan budget;
    budget.budget_seconds = 1.0;
    EXPECT_TRUE(velmark::run_again(budget, 0, 0.0));
    EXPECT_TRUE(velmark::run_again(budget, 9, 5.0)) << "ten runs even past the budget";
    EXPECT_TRUE(velmark::run_again(budget, 10, 0.99));
    EXPECT_FALSE(velmark::run_again(budget, 10, 1.0));
    EXPECT_FALSE(velmark::run_again(budget, 500, 1.2));
}

TEST(Statistics, BestMedianMinimumAndSpread)
{
    velmark::Statistics odd = velmark::summarise({30, 10, 20});
    EXPECT_EQ(30, odd.best);
    EXPECT_EQ(10, odd.minimum);
    EXPECT_EQ(20.0, odd.median);
    EXPECT_DOUBLE_EQ(20.0 / 30.0, odd.median_to_best);

    velmark::Statistics even = velmark::summarise({40, 10, 31, 20});
    EXPECT_EQ(25.5, even.median) << "the mean of the two middle runs";
    EXPECT_EQ(40, even.best);
    EXPECT_DOUBLE_EQ(25.5 / 40.0, even.median_to_best);

    velmark::Statistics one = velmark::summarise({5});
    EXPECT_EQ(5, one.best);
    EXPECT_EQ(5.0, one.median);
    EXPECT_EQ(1.0, one.median_to_best);
    // Saturated results must not overflow the median.
    EXPECT_EQ(2147483647.0, velmark::summarise({INT_MAX, INT_MAX}).median);
    EXPECT_TRUE(std::isnan(velmark::summarise({0, 0}).median_to_best)) << "no best to compare with";
}

TEST(ResultLine, SingleProductOfTheRateAndAThousandth)
{
    EXPECT_EQ("CPU performance 1.00 MFlops", velmark::result_line(1005));
    EXPECT_EQ("CPU performance 100.01 MFlops", velmark::result_line(100005));
    EXPECT_EQ("CPU performance 0.00 MFlops", velmark::result_line(0));
    EXPECT_EQ("CPU performance -2147483.75 MFlops", velmark::result_line(INT_MIN));
}

velmark::Report sample_report()
{
    velmark::Report report;
    report.velmark_version = "1.0 (git abc1234)";
    report.timestamp_utc = "2026-12-09T01:02:03Z";
    report.host = {"Linux 6.1.0 x86_64", "Some \"CPU\"", 2};
    report.compiler = "GCC 12.2.0";
    report.flags = "-O2 -ffp-contract=off";
    report.kernels = "portable";
    report.platform = "linux-x86_64";
    report.seconds = 1.25;
    report.budget_seconds = 1.0;
    report.results_kflops = {1500, 1000, 2000, 1700};
    velmark::ColumnTiming infinite;
    infinite.layout = 201;
    infinite.kflops = std::numeric_limits<float>::infinity();
    velmark::ColumnTiming averaged;
    averaged.layout = 200;
    averaged.averaged = true;
    averaged.total_seconds = 0.5f;
    averaged.kflops = 1373.25f;
    report.best_columns = {infinite, averaged};
    report.validation.digest = velmark::kKnownSolutionDigest;
    report.validation.residual = 0.03;
    report.validation.validated = true;
    return report;
}

TEST(Report, JsonIsOneObjectWithEveryDocumentedKey)
{
    std::string text = velmark::format_json(sample_report());
    EXPECT_EQ(text.size() - 1, text.find('\n')) << "one line";
    nlohmann::json json = nlohmann::json::parse(text);
    EXPECT_EQ(1, json["schema_version"]);
    EXPECT_EQ("1.0 (git abc1234)", json["velmark_version"]);
    EXPECT_EQ("2026-12-09T01:02:03Z", json["timestamp_utc"]);
    EXPECT_EQ("Some \"CPU\"", json["host"]["cpu"]);
    EXPECT_EQ(2, json["host"]["logical_cpus"]);
    EXPECT_EQ("Linux 6.1.0 x86_64", json["host"]["os"]);
    EXPECT_EQ("GCC 12.2.0", json["build"]["compiler"]);
    EXPECT_EQ("-O2 -ffp-contract=off", json["build"]["flags"]);
    EXPECT_EQ("portable", json["build"]["kernels"]);
    EXPECT_EQ("linux-x86_64", json["build"]["platform"]);
    EXPECT_EQ(4, json["measurement"]["runs"]);
    EXPECT_EQ(1.25, json["measurement"]["seconds"]);
    EXPECT_EQ(1.0, json["measurement"]["budget_seconds"]);
    EXPECT_EQ((std::vector<int>{1500, 1000, 2000, 1700}), json["runs_kflops"].get<std::vector<int>>());
    EXPECT_EQ(2000, json["statistics"]["best_kflops"]);
    EXPECT_EQ(1600.0, json["statistics"]["median_kflops"]);
    EXPECT_EQ(1000, json["statistics"]["min_kflops"]);
    EXPECT_EQ(0.8, json["statistics"]["median_to_best"]);
    EXPECT_EQ("CPU performance 2.00 MFlops", json["result_line"]) << "the best run";
    ASSERT_EQ(2u, json["timing_table"].size());
    EXPECT_TRUE(json["timing_table"][0]["kflops"].is_null()) << "infinity is not JSON";
    EXPECT_EQ("averaged", json["timing_table"][1]["kind"]);
    EXPECT_EQ(200, json["timing_table"][1]["layout"]);
    EXPECT_EQ(true, json["validation"]["validated"]);
    EXPECT_EQ("0x49fc1a1a7a570778", json["validation"]["expected_digest"]);

    velmark::Report counted = sample_report();
    counted.budget_seconds = 0.0;
    EXPECT_TRUE(nlohmann::json::parse(velmark::format_json(counted))["measurement"]["budget_seconds"].is_null());
}

TEST(Report, TextLeadsWithTheBestRunAndSaysWhenTheMachineWasBusy)
{
    velmark::Report report = sample_report();
    std::string text = velmark::format_text(report);
    for (const char *expected :
         {"Velmark 1.0 (git abc1234) host runner, 2026-12-09T01:02:03Z\n",
          "host:     Linux 6.1.0 x86_64; Some \"CPU\"; 2 logical CPUs\n", "compiler: GCC 12.2.0\n",
          "kernels:  portable\n", "timing table of the best run:\n", "runs:     4 in 1.25 s (budget 1 s)\n",
          "best:     2000 KFLOPS\n", "median:   1600 KFLOPS, 80.0% of the best\n",
          "minimum:  1000 KFLOPS\n", "CPU performance 2.00 MFlops\n", "note: the median run is only 80%",
          "correct operation validated\n"}) {
        EXPECT_NE(std::string::npos, text.find(expected)) << expected << "\n" << text;
    }

    report.results_kflops = {1000, 950, 900};  // median 95% of the best: steady
    report.budget_seconds = 0.0;
    report.validation.validated = false;
    text = velmark::format_text(report);
    EXPECT_EQ(std::string::npos, text.find("note:"));
    EXPECT_NE(std::string::npos, text.find("runs:     3 in 1.25 s (count fixed)"));
    EXPECT_NE(std::string::npos, text.find("correct operation NOT validated"));
}

TEST(Validation, TheEngineSolvesTheProblemCorrectly)
{
    velmark::Validation v = velmark::validate_solver();
    EXPECT_TRUE(v.validated);
    EXPECT_EQ(velmark::kKnownSolutionDigest, v.digest);
    EXPECT_LT(v.residual, 10.0);
    EXPECT_LT(v.max_error, 1e-3);
}

}  // namespace
