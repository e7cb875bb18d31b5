// velmark: the benchmark on a PC. Runs the device's schedule, prints the
// timing table and the result as the device shows it, then checks that the
// solver produced the correct solution.
#include <cstdio>
#include <string>
#include <vector>

#include "options.h"
#include "report.h"
#include "velmark_engine.h"

#ifndef VELMARK_BUILD_FLAGS
#define VELMARK_BUILD_FLAGS "unknown"
#endif

namespace {

std::string compiler_description()
{
#if defined(__clang__)
    return std::string("Clang ") + __clang_version__;
#elif defined(__GNUC__)
    return std::string("GCC ") + __VERSION__;
#elif defined(_MSC_VER)
    return "MSVC " + std::to_string(_MSC_VER);
#else
    return "unknown compiler";
#endif
}

}  // namespace

int main(int argc, char **argv)
{
    velmark::Options options =
        velmark::parse_options(std::vector<std::string>(argv + 1, argv + argc));
    if (!options.error.empty()) {
        std::fprintf(stderr, "velmark: %s\n", options.error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(velmark::usage_text(), stdout);
        return 0;
    }

    velmark::Report report;
    report.compiler = compiler_description();
    report.flags = VELMARK_BUILD_FLAGS;
    for (int run = 0; run < options.runs; ++run) {
        report.results_kflops.push_back(run_benchmark());
    }
    report.columns = velmark::read_timing_table();
    report.validation = velmark::validate_solver();

    std::string text = options.json ? velmark::format_json(report) : velmark::format_text(report);
    std::fputs(text.c_str(), stdout);
    return report.validation.validated ? 0 : 1;
}
