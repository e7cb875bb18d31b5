// velmark: the benchmark on a PC. Repeats the device's whole run for a time
// budget or a count, reports the best run with the median, the minimum and
// what it ran on, then checks once that the solver's solution is correct.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "checked_output.h"
#include "host_description.h"
#include "kernel_variants.h"
#include "options.h"
#include "report.h"
#include "run_statistics.h"
#include "velmark_engine.h"
#include "version.h"

#ifndef VELMARK_PLATFORM
#define VELMARK_PLATFORM "unknown"
#endif
#ifndef VELMARK_BUILD_FLAGS
#define VELMARK_BUILD_FLAGS "unknown"
#endif

namespace {

enum ExitStatus { kValidated = 0, kNotValidated = 1, kBadUsage = 2, kCannotWrite = 3 };

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
    std::fprintf(stderr, "velmark: cannot write %s: %s\n", where.c_str(), reason.c_str());
    return kCannotWrite;
}

// Chooses the kernels that --kernels, or else VELMARK_KERNELS, names; the
// engine would ignore a name it cannot run, and a measurement must not run
// on other kernels than the ones asked for. Empty when fine, else the error.
std::string choose_requested_kernels(const std::string &option)
{
    const char *variable = std::getenv("VELMARK_KERNELS");
    std::string wanted = !option.empty() ? option : variable ? variable : "";
    if (wanted.empty()) {
        return "";
    }
    std::string source = !option.empty() ? "--kernels" : "VELMARK_KERNELS";
    std::string known, runnable;
    for (int i = 0; i < kernel_variant_count(); ++i) {
        known += std::string(i ? ", " : "") + kernel_variant_name(i);
        if (kernel_variant_supported(i)) runnable += std::string(runnable.empty() ? "" : ", ") + kernel_variant_name(i);
    }
    switch (choose_kernels(wanted.c_str())) {
    case KERNELS_CHOSEN:
        return "";
    case KERNELS_UNSUPPORTED:
        return "this machine cannot run the kernels '" + wanted + "' named by " + source +
               " (it can run: " + runnable + ")";
    default:
        return "unknown kernels '" + wanted + "' named by " + source + " (this build has: " + known + ")";
    }
}

// Makes the runs the plan asks for and keeps the best one's timing table
// (the first of equal results).
void measure(const velmark::RunPlan &plan, velmark::Report &report)
{
    using clock = std::chrono::steady_clock;
    const clock::time_point start = clock::now();
    int best = 0;
    double spent = 0.0;
    while (velmark::run_again(plan, static_cast<int>(report.results_kflops.size()), spent)) {
        int kflops = run_benchmark();
        if (report.results_kflops.empty() || kflops > best) {
            best = kflops;
            report.best_columns = velmark::read_timing_table();
        }
        report.results_kflops.push_back(kflops);
        spent = std::chrono::duration<double>(clock::now() - start).count();
    }
    report.seconds = spent;
}

}  // namespace

int main(int argc, char **argv)
{
    velmark::Options options =
        velmark::parse_options(std::vector<std::string>(argv + 1, argv + argc));
    if (options.error.empty()) {
        options.error = choose_requested_kernels(options.kernels);
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

    velmark::RunPlan plan;
    plan.fixed_runs = options.runs;
    plan.budget_seconds = options.budget_seconds;
    report.budget_seconds = options.runs > 0 ? 0.0 : options.budget_seconds;
    measure(plan, report);
    report.validation = velmark::validate_solver();

    // The file first, so that a result asked to be kept is kept even when
    // standard output is closed or full.
    int status = report.validation.validated ? kValidated : kNotValidated;
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
