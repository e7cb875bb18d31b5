// velmark: the benchmark on a PC. Repeats the device's whole run for a time
// budget or a count, reports the best run with the median, the minimum and
// what it ran on, and checks the solution of every run and of one more,
// untimed solve.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "checked_output.h"
#include "host_description.h"
#include "kernel_choice.h"
#include "kernel_variants.h"
#include "measurement.h"
#include "options.h"
#include "report.h"
#include "version.h"

#ifndef VELMARK_PLATFORM
#define VELMARK_PLATFORM "unknown"
#endif
#ifndef VELMARK_BUILD_FLAGS
#define VELMARK_BUILD_FLAGS "unknown"
#endif

namespace {

enum ExitStatus { kValidated = 0, kBadUsage = 2, kCannotWrite = 3 };

std::string compiler_description()
{
#if defined(__clang__)
    return velmark::tidy_spaces(std::string("Clang ") + __clang_version__);
#elif defined(__GNUC__)
    return velmark::tidy_spaces(std::string("GCC ") + __VERSION__);
#elif defined(_MSC_VER)
    return "MSVC " + std::to_string(_MSC_VER);
#else
    return "unknown compiler";
#endif
}

int cannot_write(const std::string &where, const std::string &reason)
{
    std::fprintf(stderr, "velmark: %s\n", ("cannot write " + where + ": " + reason).c_str());
    return kCannotWrite;
}

}  // namespace

int main(int argc, char **argv)
{
    velmark::Options options =
        velmark::parse_options(std::vector<std::string>(argv + 1, argv + argc));
    if (options.error.empty()) {
        options.error = velmark::choose_requested_kernels(options.kernels, std::getenv("VELMARK_KERNELS"));
    }
    if (!options.error.empty()) {
        std::fprintf(stderr, "velmark: %s\n", options.error.c_str());
        return kBadUsage;
    }
    if (options.help) {
        std::string reason = velmark::write_standard_output(velmark::usage_text());
        return reason.empty() ? kValidated : cannot_write("standard output", reason);
    }

    velmark::Report report;
    report.velmark_version = velmark::velmark_version();
    report.timestamp_utc = velmark::utc_timestamp();
    report.host = velmark::describe_host();
    report.compiler = compiler_description();
    report.flags = VELMARK_BUILD_FLAGS;
    report.platform = VELMARK_PLATFORM;
    report.kernels = kernels_in_use();

    velmark::measure(velmark::plan_from(options), velmark::real_engine(), report);
    report.validation = velmark::validate_solver();

    // The file first, so that a result asked to be kept is kept even when
    // standard output is closed or full.
    int status = velmark::validation_status(report);
    std::string json = velmark::format_json(report);
    if (!options.output.empty()) {
        std::string reason = velmark::write_file_replacing(options.output, json);
        if (!reason.empty()) {
            status = cannot_write(options.output, reason);
        }
    }
    std::string reason = velmark::write_standard_output(options.json ? json : velmark::format_text(report));
    if (!reason.empty()) {
        status = cannot_write("standard output", reason);
    }
    return status;
}
