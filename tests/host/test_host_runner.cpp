// The host runner's options, its result line and its reports.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

#include "options.h"
#include "report.h"

namespace {

using velmark::parse_options;

TEST(Options, DefaultsAndEveryForm)
{
    velmark::Options plain = parse_options({});
    EXPECT_EQ(1, plain.runs);
    EXPECT_FALSE(plain.json);
    EXPECT_TRUE(plain.error.empty());

    velmark::Options all = parse_options({"--runs", "5", "--json"});
    EXPECT_EQ(5, all.runs);
    EXPECT_TRUE(all.json);
    EXPECT_EQ(7, parse_options({"--runs=7"}).runs);
    EXPECT_EQ(1000, parse_options({"--runs=1000"}).runs);
    EXPECT_TRUE(parse_options({"-h"}).help);
    EXPECT_TRUE(parse_options({"--help"}).help);
}

TEST(Options, BadOptionsAndValuesAreNamed)
{
    EXPECT_EQ("unknown option '--fast' (see --help)", parse_options({"--fast"}).error);
    EXPECT_EQ("option --runs needs a value", parse_options({"--runs"}).error);
    for (const char *bad : {"0", "-3", "1001", "abc", "5x", "", "99999999999999999999", " 5"}) {
        std::string error = parse_options({"--runs", bad}).error;
        EXPECT_EQ(std::string("invalid value for --runs: '") + bad + "' (a whole number from 1 to 1000)", error)
            << bad;
        EXPECT_EQ(error, parse_options({std::string("--runs=") + bad}).error) << bad;
    }
}

TEST(ResultLine, SingleProductOfTheRateAndAThousandth)
{
    EXPECT_EQ("CPU performance 1.00 MFlops", velmark::result_line(1005));
    EXPECT_EQ("CPU performance 100.01 MFlops", velmark::result_line(100005));
    EXPECT_EQ("CPU performance 0.00 MFlops", velmark::result_line(0));
    EXPECT_EQ("CPU performance -2147483.75 MFlops", velmark::result_line(INT_MIN));
}

TEST(Summary, MedianIsTheLowerMiddleRun)
{
    velmark::Summary odd = velmark::summarise({30, 10, 20});
    EXPECT_EQ(20, odd.median);
    EXPECT_EQ(10, odd.minimum);
    EXPECT_EQ(30, odd.maximum);
    EXPECT_EQ(20, velmark::summarise({40, 10, 30, 20}).median);
    EXPECT_EQ(5, velmark::summarise({5}).median);
}

velmark::Report sample_report()
{
    velmark::Report report;
    report.compiler = "GCC \"12\"";
    report.flags = "-O2 -ffp-contract=off";
    report.results_kflops = {1500, 1000, 2000};
    velmark::ColumnTiming infinite;
    infinite.layout = 201;
    infinite.kflops = std::numeric_limits<float>::infinity();
    velmark::ColumnTiming averaged;
    averaged.layout = 200;
    averaged.averaged = true;
    averaged.total_seconds = 0.5f;
    averaged.kflops = 1373.25f;
    report.columns = {infinite, averaged};
    report.validation.digest = velmark::kKnownSolutionDigest;
    report.validation.residual = 0.03;
    report.validation.validated = true;
    return report;
}

TEST(Report, JsonIsOneObjectWithNoInfinities)
{
    std::string json = velmark::format_json(sample_report());
    EXPECT_EQ('{', json.front());
    EXPECT_EQ("}\n", json.substr(json.size() - 2));
    EXPECT_EQ(json.size() - 1, json.find('\n')) << "one line";
    EXPECT_NE(std::string::npos, json.find("\"compiler\":\"GCC \\\"12\\\"\""));
    EXPECT_NE(std::string::npos, json.find("\"runs\":[1500,1000,2000]"));
    EXPECT_NE(std::string::npos, json.find("\"median_kflops\":1500"));
    EXPECT_NE(std::string::npos, json.find("\"min_kflops\":1000"));
    EXPECT_NE(std::string::npos, json.find("\"max_kflops\":2000"));
    EXPECT_NE(std::string::npos, json.find("\"result_line\":\"CPU performance 1.50 MFlops\""));
    EXPECT_NE(std::string::npos, json.find("\"kflops\":null")) << "infinity is not JSON";
    EXPECT_NE(std::string::npos, json.find("\"kind\":\"averaged\""));
    EXPECT_NE(std::string::npos, json.find("\"validated\":true"));
    EXPECT_EQ(std::string::npos, json.find("inf"));
}

TEST(Report, TextNamesTheBuildTheResultAndTheVerdict)
{
    velmark::Report report = sample_report();
    std::string text = velmark::format_text(report);
    EXPECT_NE(std::string::npos, text.find("compiler: GCC \"12\""));
    EXPECT_NE(std::string::npos, text.find("flags:    -O2 -ffp-contract=off"));
    EXPECT_NE(std::string::npos, text.find("runs: 3, median 1500 KFLOPS, minimum 1000, maximum 2000"));
    EXPECT_NE(std::string::npos, text.find("CPU performance 1.50 MFlops"));
    EXPECT_NE(std::string::npos, text.find("correct operation validated"));

    report.results_kflops = {1234};
    report.validation.validated = false;
    text = velmark::format_text(report);
    EXPECT_NE(std::string::npos, text.find("result: 1234 KFLOPS"));
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
