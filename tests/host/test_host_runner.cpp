// The host runner's options, its result line and its reports.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <algorithm>
#include <limits>

#include <nlohmann/json.hpp>

#include "host_description.h"
#include "options.h"
#include "report.h"
#include "velmark_engine.h"

namespace {

using velmark::parse_options;

TEST(Options, DefaultsAndEveryForm)
{
    velmark::Options plain = parse_options({});
    EXPECT_EQ(0, plain.runs) << "no count: the time budget decides";
    EXPECT_EQ(2.0, plain.budget_seconds);
    EXPECT_EQ(8, plain.processes);
    EXPECT_FALSE(plain.as_process);
    EXPECT_FALSE(plain.json);
    EXPECT_TRUE(plain.error.empty());

    velmark::Options all = parse_options({"--runs", "5", "--json", "--output", "r.json", "--kernels=sse2"});
    EXPECT_EQ(5, all.runs);
    EXPECT_TRUE(all.json);
    EXPECT_EQ("r.json", all.output);
    EXPECT_EQ("sse2", all.kernels);
    EXPECT_EQ(7, parse_options({"--runs=7"}).runs);
    EXPECT_EQ(1, parse_options({"--processes", "1"}).processes);
    EXPECT_EQ(64, parse_options({"--processes=64"}).processes);
    EXPECT_TRUE(parse_options({"--as-process"}).as_process);
    EXPECT_EQ(100000, parse_options({"--runs=100000"}).runs);
    EXPECT_EQ(0.1, parse_options({"--time", "0.1"}).budget_seconds);
    EXPECT_EQ(600.0, parse_options({"--time=600"}).budget_seconds);
    EXPECT_EQ(2.5, parse_options({"--time", "2.5"}).budget_seconds);
    EXPECT_TRUE(parse_options({"-h"}).help);
    EXPECT_TRUE(parse_options({"--help"}).help);
    EXPECT_TRUE(parse_options({"--runs=1", "--help"}).help) << "help after a joined value";
    EXPECT_TRUE(parse_options({"--runs", "1", "-h"}).help);
    velmark::Options named_h = parse_options({"--output", "-h"});
    EXPECT_FALSE(named_h.help) << "-h as --output's value is a file name";
    EXPECT_EQ("-h", named_h.output);
    EXPECT_TRUE(named_h.error.empty()) << named_h.error;
    EXPECT_EQ(2.5, parse_options({"--time=2.5"}).budget_seconds);
    EXPECT_EQ(0, parse_options({"--time", "3"}).runs) << "a budget, not a count";
}

TEST(Options, EmptyValuesAreErrorsInBothForms)
{
    for (const char *option : {"--output", "--kernels"}) {
        std::string joined = parse_options({std::string(option) + "="}).error;
        std::string separate = parse_options({option, ""}).error;
        EXPECT_EQ(0u, joined.find(std::string("invalid value for ") + option + ": ''")) << joined;
        EXPECT_EQ(joined, separate);
    }
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
    for (const char *bad : {"0", "65", "x", ""}) {
        EXPECT_EQ(std::string("invalid value for --processes: '") + bad + "' (a whole number from 1 to 64)",
                  parse_options({"--processes", bad}).error)
            << bad;
    }
    for (const char *bad : {"0", "x", "-1", "All", ""}) {
        EXPECT_EQ(std::string("invalid value for --copies: '") + bad + "' (a whole number of logical processors from 1, or all)",
                  parse_options({"--copies", bad}).error)
            << bad;
    }
    EXPECT_EQ("--processes and --copies cannot be used together (each copy is one process)",
              parse_options({"--copies", "all", "--processes", "2"}).error);
    EXPECT_EQ("", parse_options({"--copies", "1", "--processes", "2"}).error) << "one copy is the measurement alone";
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
    // However fast the runs, a budget makes no more runs than a count may,
    // so that no report the runner writes is too long for its readers.
    velmark::RunPlan long_budget;
    long_budget.budget_seconds = 600.0;
    EXPECT_TRUE(velmark::run_again(long_budget, velmark::kMaxRuns - 1, 1.0));
    EXPECT_FALSE(velmark::run_again(long_budget, velmark::kMaxRuns, 1.0));
}

TEST(Statistics, BestMedianMinimumAndSpread)
{
    velmark::Statistics odd = velmark::summarise({30, 10, 20});
    EXPECT_EQ(30, odd.best);
    EXPECT_EQ(10, odd.minimum);
    EXPECT_EQ(20.0, odd.median);
    EXPECT_DOUBLE_EQ(20.0 / 30.0, odd.median_to_best);
    EXPECT_DOUBLE_EQ(0.5, odd.coefficient_of_variation) << "sample deviation 10 over the mean 20";

    velmark::Statistics even = velmark::summarise({40, 10, 31, 20});
    EXPECT_EQ(25.5, even.median) << "the mean of the two middle runs";
    EXPECT_EQ(40, even.best);
    EXPECT_DOUBLE_EQ(25.5 / 40.0, even.median_to_best);

    // Two runs have a spread: sqrt(((1000-950)^2 + (900-950)^2) / (2 - 1)) / 950.
    EXPECT_DOUBLE_EQ(std::sqrt(5000.0) / 950.0, velmark::summarise({1000, 900}).coefficient_of_variation);

    velmark::Statistics one = velmark::summarise({5});
    EXPECT_EQ(5, one.best);
    EXPECT_EQ(5.0, one.median);
    EXPECT_EQ(1.0, one.median_to_best);
    EXPECT_TRUE(std::isnan(one.coefficient_of_variation)) << "no spread in one run";
    // Saturated results must not overflow the median.
    EXPECT_EQ(2147483647.0, velmark::summarise({INT_MAX, INT_MAX}).median);
    EXPECT_TRUE(std::isnan(velmark::summarise({0, 0}).median_to_best)) << "no best to compare with";
    EXPECT_TRUE(std::isnan(velmark::summarise({0, 0}).coefficient_of_variation)) << "no mean to compare with";
    EXPECT_TRUE(std::isnan(velmark::summarise({-5, -3}).median_to_best)) << "a negative best";
    EXPECT_TRUE(std::isnan(velmark::summarise({}).median_to_best));
}

TEST(ResultLine, SingleProductOfTheRateAndAThousandth)
{
    EXPECT_EQ("CPU performance 1.00 MFlops", velmark::result_line(1005));
    EXPECT_EQ("CPU performance 100.01 MFlops", velmark::result_line(100005));
    EXPECT_EQ("CPU performance 0.00 MFlops", velmark::result_line(0));
    EXPECT_EQ("CPU performance -2147483.75 MFlops", velmark::result_line(INT_MIN));
}

velmark::Context sample_context()
{
    velmark::Context context;
    context.velmark_version = "1.0 (git abc1234)";
    context.timestamp_utc = "2026-12-09T01:02:03Z";
    context.host = {"Linux 6.1.0 x86_64", "Some \"CPU\"", 2};
    context.build = {"linux-x86_64", "GCC 12.2.0", "-O2 -ffp-contract=off", "portable"};
    return context;
}

// Runs with the given results; the first of the best carries a table in
// which every field of every column has its own value: factor 1.k, solve
// 2.k, total 3.k seconds, k + 0.25 KFLOPS; column 0's rate is infinite.
velmark::Measurement sample_measurement(std::vector<int> results = {1500, 1000, 2000, 1700})
{
    velmark::Measurement m;
    m.seconds = 1.25;
    m.budget_seconds = 1.0;
    for (int kflops : results) {
        velmark::RunRecord run;
        run.kflops = kflops;
        run.solution_digest = velmark::kKnownRunDigest;
        m.runs.push_back(run);
    }
    m.statistics = velmark::summarise(results);
    m.best_run = static_cast<int>(std::max_element(results.begin(), results.end()) - results.begin());
    for (int k = 0; k < 8; ++k) {
        velmark::ColumnTiming &c = m.runs[m.best_run].table[k];
        c.layout = k < 4 ? 201 : 200;
        c.averaged = k == 3 || k == 7;
        c.factor_seconds = 1.0f + 0.125f * k;
        c.solve_seconds = 2.0f + 0.125f * k;
        c.total_seconds = 3.0f + 0.125f * k;
        c.kflops = k == 0 ? std::numeric_limits<float>::infinity() : static_cast<float>(k) + 0.25f;
    }
    m.runs_check.runs = static_cast<int>(results.size());
    m.warmup.kflops = 700;
    m.warmup.solution_digest = velmark::kKnownRunDigest;
    m.warmup_right = true;
    m.untimed.digest = velmark::kKnownSolutionDigest;
    m.untimed.residual = 0.03;
    m.untimed.validated = true;
    m.validated = true;
    m.headline.kflops = 1800;  // not any one run's: the block's
    m.headline.runs = static_cast<int>(results.size());
    m.clock.counter_name = "the counter";
    m.clock.reference_name = "the wall clock";
    m.clock.counter_step = 2e-8;
    m.clock.counter_stated_resolution = 1e-9;
    m.clock.reference_step = 1e-7;
    m.clock.counter_seconds = 1.25;
    m.clock.reference_seconds = 1.2500001;
    m.clock.agrees = m.clock.conclusive = true;
    m.clock.headline_bound = 0.0001;
    // Two processes: the second lost its processor a tenth of the time.
    velmark::ProcessSummary first, second;
    first.runs = 2;
    first.headline.kflops = 1700;
    first.headline.runs = 2;
    first.state.wall_seconds = 0.625;
    first.state.cpu_seconds = 0.625;
    first.state.clock_hz_before = 3e9;
    first.state.clock_hz_after = 3.1e9;
    second = first;
    second.headline.kflops = 1900;
    second.state.cpu_seconds = 0.5;
    second.state.system_total_seconds = std::numeric_limits<double>::quiet_NaN();
    m.processes = {first, second};
    m.interval = velmark::mean_interval({1700.0, 1900.0});
    m.machine.clock_hz = 3.05e9;
    m.machine.ops_per_cycle = 1800e3 / 3.05e9;
    m.machine.cpu_share = 0.9;
    m.machine.clock_after_to_before = 3.1 / 3.0;
    m.warnings = {{velmark::kDescheduledWarning, 0.9, velmark::kLeastCpuShare}};
    return m;
}

TEST(Report, JsonIsOneObjectWithEveryDocumentedKey)
{
    std::string text = velmark::format_json(sample_context(), sample_measurement());
    EXPECT_EQ(text.size() - 1, text.find('\n')) << "one line";
    nlohmann::json json = nlohmann::json::parse(text);
    EXPECT_EQ(5, json["schema_version"]);
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
    EXPECT_EQ(2, json["measurement"]["warmup_runs"]) << "one a process";
    EXPECT_EQ(2, json["measurement"]["processes"]);
    EXPECT_EQ((std::vector<int>{1500, 1000, 2000, 1700}), json["runs_kflops"].get<std::vector<int>>());
    ASSERT_EQ(4u, json["runs_averaged_totals_seconds"].size()) << "one pair a run";
    EXPECT_EQ((std::vector<float>{3.375f, 3.875f}), json["runs_averaged_totals_seconds"][2].get<std::vector<float>>())
        << "run 3's columns 3 and 7";
    EXPECT_EQ((std::vector<float>{0.0f, 0.0f}), json["runs_averaged_totals_seconds"][0].get<std::vector<float>>());
    EXPECT_EQ(2000, json["statistics"]["best_kflops"]);
    EXPECT_EQ(1600.0, json["statistics"]["median_kflops"]);
    EXPECT_EQ(1000, json["statistics"]["min_kflops"]);
    EXPECT_EQ(0.8, json["statistics"]["median_to_best"]);
    EXPECT_DOUBLE_EQ(velmark::summarise({1500, 1000, 2000, 1700}).coefficient_of_variation,
                     json["statistics"]["coefficient_of_variation"].get<double>());
    EXPECT_TRUE(nlohmann::json::parse(velmark::format_json(sample_context(), sample_measurement({5})))["statistics"]
                    ["coefficient_of_variation"]
                        .is_null())
        << "no spread in one run";
    EXPECT_EQ("CPU performance 1.80 MFlops", json["result_line"]) << "the headline, not the best run";
    EXPECT_EQ(1800, json["statistics"]["headline_kflops"]);
    EXPECT_EQ("mean of the processes' best blocks of 10 runs", json["statistics"]["headline_rule"]);
    EXPECT_NEAR(1800.0 - 12.7062 * 100.0, json["statistics"]["headline_interval_kflops"][0].get<double>(), 1e-6)
        << "two processes: t with one degree of freedom";
    EXPECT_NEAR(1800.0 + 12.7062 * 100.0, json["statistics"]["headline_interval_kflops"][1].get<double>(), 1e-6);
    const nlohmann::json &process = json["processes"][1];
    EXPECT_EQ(1900, process["headline_kflops"]);
    EXPECT_EQ(1, process["headline_first_run"]) << "counted from 1, as the text does";
    EXPECT_EQ(2, process["headline_runs"]);
    EXPECT_EQ(0.5, process["cpu_seconds"]);
    EXPECT_EQ(3.1e9, process["clock_hz_after"]);
    EXPECT_TRUE(process["system_total_seconds"].is_null()) << "not measured";
    EXPECT_EQ(3.05e9, json["machine"]["clock_hz"]);
    EXPECT_EQ(0.9, json["machine"]["cpu_share"]);
    EXPECT_TRUE(json["machine"]["steal_share"].is_null());
    EXPECT_TRUE(json["machine"]["governor"].is_null());
    EXPECT_EQ(false, json["comparable"]);
    EXPECT_EQ(nlohmann::json::parse(R"([{"code":"descheduled","value":0.9,"limit":0.95}])"), json["warnings"]);
    const nlohmann::json &clock = json["clock"];
    EXPECT_EQ("the counter", clock["counter"]);
    EXPECT_EQ("the wall clock", clock["reference"]);
    EXPECT_EQ(2e-8, clock["resolution_seconds"]);
    EXPECT_EQ(1e-9, clock["stated_resolution_seconds"]);
    EXPECT_EQ(1e-7, clock["reference_resolution_seconds"]);
    EXPECT_EQ(1.25, clock["counter_seconds"]);
    EXPECT_EQ(1.2500001, clock["reference_seconds"]);
    EXPECT_EQ(true, clock["agrees"]);
    EXPECT_EQ(0.0001, clock["headline_bound"]);
    EXPECT_EQ(false, clock["coarse"]);
    EXPECT_EQ(true, json["validation"]["measurement_validated"]);
    EXPECT_TRUE(json["validation"]["measurement_problems"].empty());
    ASSERT_EQ(8u, json["timing_table"].size());
    EXPECT_TRUE(json["timing_table"][0]["kflops"].is_null()) << "infinity is not JSON";
    for (int k = 0; k < 8; ++k) {
        const nlohmann::json &c = json["timing_table"][k];
        EXPECT_EQ(k, c["column"]);
        EXPECT_EQ(k < 4 ? 201 : 200, c["layout"]) << k;
        EXPECT_EQ(k == 3 || k == 7 ? "averaged" : "single", c["kind"]) << k;
        EXPECT_EQ(1.0 + 0.125 * k, c["factor_seconds"]) << k;
        EXPECT_EQ(2.0 + 0.125 * k, c["solve_seconds"]) << k;
        EXPECT_EQ(3.0 + 0.125 * k, c["total_seconds"]) << k;
        if (k > 0) {
            EXPECT_EQ(k + 0.25, c["kflops"]) << k;
        }
    }
    EXPECT_EQ(true, json["validation"]["validated"]);
    EXPECT_EQ("0x49fc1a1a7a570778", json["validation"]["expected_digest"]);
    EXPECT_EQ(4, json["validation"]["timed_runs"]["checked"]);
    EXPECT_TRUE(json["validation"]["timed_runs"]["first_wrong_run"].is_null());
    EXPECT_EQ("0x57d9d4e4cedd169f", json["validation"]["timed_runs"]["warmup_digest"]);

    velmark::Measurement wrong = sample_measurement();
    wrong.untimed.digest = 0x0123456789abcdefULL;
    wrong.untimed.validated = false;
    wrong.runs_check.first_wrong_run = 3;
    wrong.runs_check.wrong_digest = 0xfedcba9876543210ULL;
    wrong.validated = false;
    nlohmann::json failed = nlohmann::json::parse(velmark::format_json(sample_context(), wrong));
    EXPECT_EQ("0x0123456789abcdef", failed["validation"]["digest"]) << "the digest computed, not the expected one";
    EXPECT_EQ(3, failed["validation"]["timed_runs"]["first_wrong_run"]);
    EXPECT_EQ("0xfedcba9876543210", failed["validation"]["timed_runs"]["wrong_digest"]);
    EXPECT_EQ(false, failed["validation"]["validated"]);

    // A wrong warm-up is reported as what it left, beside what it should have.
    velmark::Measurement cold = sample_measurement();
    cold.warmup.solution_digest = 0x1234ULL;
    cold.warmup_right = false;
    cold.validated = false;
    nlohmann::json warm = nlohmann::json::parse(velmark::format_json(sample_context(), cold));
    EXPECT_EQ("0x0000000000001234", warm["validation"]["timed_runs"]["warmup_digest"]);
    EXPECT_EQ("0x57d9d4e4cedd169f", warm["validation"]["timed_runs"]["expected_digest"]);
    EXPECT_EQ(false, warm["validation"]["validated"]);

    // The comparison tool and CI read this one field, the measurement's
    // decision, whatever else the report says.
    velmark::Measurement undecided = sample_measurement();
    undecided.validated = false;
    EXPECT_EQ(false, nlohmann::json::parse(velmark::format_json(sample_context(), undecided))["validation"]["validated"]);

    // The time's own verdict, beside the computation's.
    velmark::Measurement mistimed = sample_measurement();
    velmark::MeasurementProblem disagree;
    disagree.code = velmark::kClocksDisagree;
    disagree.counter_seconds = 1.5;
    disagree.reference_seconds = 1.25;
    mistimed.measurement_problems = {disagree};
    mistimed.clock.agrees = false;
    mistimed.clock.coarse = true;
    nlohmann::json timed = nlohmann::json::parse(velmark::format_json(sample_context(), mistimed));
    EXPECT_EQ(true, timed["validation"]["validated"]);
    EXPECT_EQ(false, timed["validation"]["measurement_validated"]);
    EXPECT_EQ(nlohmann::json::parse(R"([{"code":"clocks_disagree","counter_seconds":1.5,"reference_seconds":1.25}])"),
              timed["validation"]["measurement_problems"]);
    EXPECT_EQ(false, timed["clock"]["agrees"]);
    EXPECT_EQ(true, timed["clock"]["coarse"]);

    velmark::Measurement counted = sample_measurement();
    counted.budget_seconds = 0.0;
    EXPECT_TRUE(nlohmann::json::parse(velmark::format_json(sample_context(), counted))["measurement"]["budget_seconds"]
                    .is_null());
}

TEST(Report, TextLeadsWithTheBestRunAndSaysWhenTheMachineWasBusy)
{
    std::string text = velmark::format_text(sample_context(), sample_measurement());
    for (const char *expected :
         {"Velmark 1.0 (git abc1234) host runner, 2026-12-09T01:02:03Z\n",
          "host:     Linux 6.1.0 x86_64; Some \"CPU\"; 2 logical CPUs\n", "compiler: GCC 12.2.0\n",
          "kernels:  portable\n", "timing table of the best run:\n",
          "runs:     4 in 1.25 s (budget 1 s), in 2 processes, each after 1 warm-up run that is not counted\n",
          "best:     2000 KFLOPS\n", "median:   1600 KFLOPS, 80.0% of the best\n",
          "minimum:  1000 KFLOPS\n", "spread:   27.12% (coefficient of variation of the runs)\n",
          "clock:    the counter, steps of 2e-08 s seen (the system says 1e-09 s); against the wall clock over the "
          "counted runs, 1.250000 s and 1.250000 s\n",
          "process:  each one's best block of 10 runs, KFLOPS: 1700, 1900\n",
          "headline: 1800 KFLOPS, the mean of the processes' best blocks of 10 runs, 95% interval 529 to 3071 (within "
          "70.59%); the clock's steps move it by about 0.01%\nCPU performance 1.80 MFlops\n",
          "machine:  core clock 3.050 GHz measured, at the end 103.3% of the start, 0.00 floating-point",
          "CPU time over wall time 90.0%, involuntary switches not measured; steal not measured",
          "not comparable: the runner had its processor 90.0% of the wall time, below 95%",
          "note: the median run is only 80%", "close other programs or give it longer (--time 10).\n",
          "correct operation validated\nmeasurement validated\n"}) {
        EXPECT_NE(std::string::npos, text.find(expected)) << expected << "\n" << text;
    }
    // A long run is not told to run longer.
    velmark::Measurement long_run = sample_measurement();
    long_run.budget_seconds = 60.0;
    EXPECT_NE(std::string::npos, velmark::format_text(sample_context(), long_run).find("close other programs.\n"));

    velmark::Measurement steady = sample_measurement({1000, 950, 900});  // median 95% of the best
    steady.budget_seconds = 0.0;
    steady.validated = false;
    text = velmark::format_text(sample_context(), steady);
    EXPECT_EQ(std::string::npos, text.find("note:"));
    EXPECT_NE(std::string::npos, text.find("runs:     3 in 1.25 s (count fixed), in 2 processes, each after 1 warm-up run"));
    EXPECT_NE(std::string::npos, text.find("correct operation NOT validated"));

    EXPECT_EQ(std::string::npos, velmark::format_text(sample_context(), sample_measurement({1000, 900, 800})).find("note:"))
        << "exactly 90%: still steady; the note is for below 90%";
    EXPECT_NE(std::string::npos,
              velmark::format_text(sample_context(), sample_measurement({40, 10, 31, 20})).find("median:   25.5 KFLOPS"))
        << "not rounded";

    velmark::Measurement coarse = sample_measurement();
    coarse.clock.coarse = true;
    coarse.clock.headline_bound = 0.031;
    velmark::MeasurementProblem disagree, no_rate;
    disagree.code = velmark::kClocksDisagree;
    disagree.counter_seconds = 1.5;
    disagree.reference_seconds = 1.25;
    no_rate.code = velmark::kHeadlineNotARate;
    no_rate.headline_kflops = 2147483647;
    coarse.measurement_problems = {disagree, no_rate};
    text = velmark::format_text(sample_context(), coarse);
    EXPECT_NE(std::string::npos, text.find("\nCPU performance 1.80 MFlops (coarse: the clock's steps move it by about "
                                           "3.1%, so it is not a comparable result)\n"))
        << text;
    EXPECT_NE(std::string::npos, text.find("correct operation validated\nmeasurement: the counter counted 1.5 s where "
                                           "the wall clock counted 1.25 s over the counted runs (20.0%): the counter "
                                           "does not run at the frequency it reports"))
        << text;
    EXPECT_NE(std::string::npos, text.find("\nmeasurement: the headline, 2147483647 KFLOPS, is not a rate: a rate is "
                                           "finite, positive and below the integer limit"))
        << text;
    EXPECT_NE(std::string::npos, text.find("integer limit (a clock that did not move between readings gives an "
                                           "infinite one)\nmeasurement NOT validated\n"))
        << text;
}

TEST(Report, TextTimingTableHasEachRowAndColumnInItsPlace)
{
    std::string text = velmark::format_text(sample_context(), sample_measurement());
    EXPECT_NE(std::string::npos,
              text.find("layout        201 single  201 single  201 single     201 avg  200 single  200 single  "
                        "200 single     200 avg\n"))
        << text;
    EXPECT_NE(std::string::npos, text.find("factor s      1.0000e+00  1.1250e+00  1.2500e+00")) << text;
    EXPECT_NE(std::string::npos, text.find("solve s       2.0000e+00  2.1250e+00")) << text;
    EXPECT_NE(std::string::npos, text.find("total s       3.0000e+00  3.1250e+00  3.2500e+00  3.3750e+00  "
                                           "3.5000e+00  3.6250e+00  3.7500e+00  3.8750e+00\n"))
        << text;
    EXPECT_NE(std::string::npos, text.find("KFLOPS               inf         1.2         2.2")) << text;
}

TEST(Report, TextSaysWhichTimedRunLeftAWrongSolution)
{
    velmark::Measurement m = sample_measurement();
    EXPECT_NE(std::string::npos,
              velmark::format_text(sample_context(), m).find("validation of the timed runs: all 4 left solution digest "
                                                             "0x57d9d4e4cedd169f\n"));
    m.runs_check.first_wrong_run = 2;
    m.runs_check.wrong_digest = 0x1ULL;
    m.validated = false;
    std::string text = velmark::format_text(sample_context(), m);
    EXPECT_NE(std::string::npos, text.find("validation of the timed runs: run 2 of 4 left solution digest "
                                           "0x0000000000000001 (expected 0x57d9d4e4cedd169f)\n"))
        << text;
    EXPECT_NE(std::string::npos, text.find("correct operation NOT validated"));

    m = sample_measurement();
    m.untimed.digest = 0x0123456789abcdefULL;
    m.untimed.validated = false;
    m.validated = false;
    text = velmark::format_text(sample_context(), m);
    EXPECT_NE(std::string::npos, text.find("validation (one untimed solve after the runs): solution digest "
                                           "0x0123456789abcdef (expected 0x49fc1a1a7a570778)"))
        << "a wrong solve shows its own digest\n" << text;
    EXPECT_EQ(std::string::npos, text.find("warm-up run: solution digest")) << "a right warm-up goes unmentioned";

    m = sample_measurement();
    m.warmup.solution_digest = 0x2ULL;
    m.warmup_right = false;
    m.validated = false;
    EXPECT_NE(std::string::npos, velmark::format_text(sample_context(), m)
                                     .find("validation of the warm-up run: solution digest 0x0000000000000002 "
                                           "(expected 0x57d9d4e4cedd169f)\n"));
}

TEST(HostDescription, TidyTextAndTheTimestampFields)
{
    EXPECT_EQ("GCC 12.2.0 x", velmark::tidy_spaces("  GCC\t 12.2.0  x \n"));
    EXPECT_EQ("", velmark::tidy_spaces("   "));
    // 2026-12-09 01:02:03 UTC: every field distinct.
    EXPECT_EQ("2026-12-09T01:02:03Z", velmark::utc_timestamp(static_cast<std::time_t>(1796778123)));
    EXPECT_EQ("1970-01-01T00:00:00Z", velmark::utc_timestamp(static_cast<std::time_t>(0)));
}

TEST(Validation, TheEngineSolvesTheProblemCorrectly)
{
    velmark::Validation v = velmark::validate_solver();
    EXPECT_TRUE(v.validated);
    EXPECT_EQ(velmark::kKnownSolutionDigest, v.digest);
    EXPECT_EQ(velmark::kKnownSolutionResidual, v.residual) << "the known solution's, to the bit";
    EXPECT_EQ(velmark::kKnownSolutionMaxError, v.max_error) << "the known solution's, to the bit";
}

// The engine's own solution of the order-100 system.
std::vector<float> solution()
{
    std::vector<float> a(201 * 100), x(100);
    std::vector<int> pivots(100);
    int info = 0;
    make_matrix(a.data(), 201, 100, x.data());
    lu_factor(a.data(), 201, 100, pivots.data(), &info);
    lu_solve(a.data(), 201, 100, pivots.data(), x.data(), 0);
    return x;
}

TEST(Validation, TheBitsDecideAndANaNIsNeverHidden)
{
    std::vector<float> x = solution();
    EXPECT_TRUE(velmark::judge_solution(x.data()).validated);

    std::vector<float> near = x;
    near[50] = std::nextafter(near[50], 2.0f);  // one unit in the last place
    velmark::Validation close = velmark::judge_solution(near.data());
    EXPECT_LT(close.residual, 10.0) << "as good a solution by its residual";
    EXPECT_FALSE(close.validated) << "but not the solution the rules give";

    for (int at : {0, 1, 99}) {
        std::vector<float> broken = x;
        broken[at] = std::numeric_limits<float>::quiet_NaN();
        velmark::Validation v = velmark::judge_solution(broken.data());
        EXPECT_TRUE(std::isnan(v.residual)) << "a NaN at " << at << " stays in the norms";
        EXPECT_TRUE(std::isnan(v.max_error)) << at;
        EXPECT_FALSE(v.validated);
    }
}

TEST(Validation, AWholeRunLeavesTheKnownSolutionInItsRightHandSide)
{
    velmark::Engine engine = velmark::real_engine();
    engine.run();
    EXPECT_EQ(velmark::kKnownRunDigest, engine.solution_digest());
}

}  // namespace
