// velmark: the benchmark on a PC. Repeats the device's whole run for a time
// budget or a count, reports the best run with the median, the minimum and
// what it ran on, and checks the solution of every run and of one more,
// untimed solve.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "checked_output.h"
#include "context.h"
#include "copies.h"
#include "kernel_choice.h"
#include "measurement.h"
#include "options.h"
#include "process_record.h"
#include "report.h"

#ifndef VELMARK_PLATFORM
#define VELMARK_PLATFORM "unknown"
#endif
#ifndef VELMARK_BUILD_FLAGS
#define VELMARK_BUILD_FLAGS "unknown"
#endif

namespace {

enum ExitStatus { kValidated = 0, kNotValidated = 1, kBadUsage = 2, kCannotWrite = 3 };

int cannot_write(const std::string &where, const std::string &reason)
{
    std::fprintf(stderr, "velmark: %s\n", ("cannot write " + where + ": " + reason).c_str());
    return kCannotWrite;
}

int report(const velmark::Options &options, const velmark::Context &context, const velmark::Measurement &measurement,
           const velmark::CopiesSummary *copies);

}  // namespace

int main(int argc, char **argv)
{
    velmark::Options options =
        velmark::parse_options(std::vector<std::string>(argv + 1, argv + argc));
    if (options.help) {
        std::string reason = velmark::write_standard_output(velmark::usage_text());
        return reason.empty() ? kValidated : cannot_write("standard output", reason);
    }
    if (options.error.empty()) {
        options.error = velmark::choose_requested_kernels(options.kernels, std::getenv("VELMARK_KERNELS"));
    }
    if (!options.error.empty()) {
        std::fprintf(stderr, "velmark: %s\n", options.error.c_str());
        return kBadUsage;
    }

    const velmark::RunPlan plan = velmark::plan_from(options);
    auto measure_here = [&plan] {
        return velmark::process_record_json(velmark::measure(plan, velmark::real_engine()));
    };
    if (options.as_process) {
        std::string reason = velmark::write_standard_output(measure_here());
        return reason.empty() ? kValidated : cannot_write("standard output", reason);
    }

    const velmark::Context context = velmark::gather_context(VELMARK_PLATFORM, VELMARK_BUILD_FLAGS);
    // Where the system cannot fork, a process of the measurement is this
    // program started again with these.
    std::vector<std::string> child_arguments(argv + 1, argv + argc);
    child_arguments.push_back("--as-process");
    if (options.copies_at_once()) {
        std::vector<int> processors = velmark::allowed_processors();
        std::string error;
        const int wanted = velmark::copies_wanted(options, processors, &error);
        if (wanted == 0) {
            std::fprintf(stderr, "velmark: %s\n", error.c_str());
            return kBadUsage;
        }
        processors.resize(static_cast<std::size_t>(wanted));
        velmark::Measurement together;
        velmark::CopiesSummary summary;
        if (!velmark::measure_copies(plan, processors, context.host.logical_cpus, child_arguments, &together, &summary,
                                     &error)) {
            std::fprintf(stderr, "velmark: %s\n", error.c_str());
            return kNotValidated;
        }
        return report(options, context, together, &summary);
    }
    // Each process is started again only after the last has ended, so that
    // none measures beside another.
    std::vector<velmark::Measurement> processes;
    for (int p = 1; p <= options.processes; ++p) {
        std::string failure, error;
        std::string record = velmark::run_in_fresh_process(measure_here, child_arguments, &failure);
        velmark::Measurement one;
        if (failure.empty() && !velmark::read_process_record(record, &one, &error)) failure = error;
        if (!failure.empty()) {
            std::fprintf(stderr, "velmark: process %d of %d of the measurement failed: %s\n", p, options.processes,
                         failure.c_str());
            return kNotValidated;
        }
        processes.push_back(one);
    }
    return report(options, context, velmark::combine(processes, context.host.logical_cpus), nullptr);
}

namespace {

int report(const velmark::Options &options, const velmark::Context &context, const velmark::Measurement &measurement,
           const velmark::CopiesSummary *copies)
{
    // The file first, so that a result asked to be kept is kept even when
    // standard output is closed or full.
    int status = measurement.passed() ? kValidated : kNotValidated;
    std::string json = velmark::format_json(context, measurement, copies);
    if (!options.output.empty()) {
        std::string failed = velmark::write_file_replacing(options.output, json);
        if (!failed.empty()) {
            std::fprintf(stderr, "velmark: %s\n", failed.c_str());
            status = kCannotWrite;
        }
    }
    std::string text = options.json ? json : velmark::format_text(context, measurement, copies);
    std::string reason = velmark::write_standard_output(text);
    if (!reason.empty()) {
        status = cannot_write("standard output", reason);
    }
    return status;
}

}  // namespace
