#include "report.h"

#include <cinttypes>
#include <cmath>
#include <cstdarg>
#include <cstdio>

#include <nlohmann/json.hpp>

#include "workspace.h"

namespace velmark {

namespace {

std::string printf_string(const char *format, ...) __attribute__((format(printf, 1, 2)));

std::string printf_string(const char *format, ...)
{
    char buffer[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(buffer, sizeof buffer, format, arguments);
    va_end(arguments);
    return buffer;
}

std::string column_label(const ColumnTiming &column)
{
    return std::to_string(column.layout) + (column.averaged ? " avg" : " single");
}

// A median of an even count can end in .5; whole values print as integers.
std::string kflops_text(double kflops)
{
    return kflops == std::floor(kflops) ? printf_string("%.0f", kflops) : printf_string("%.1f", kflops);
}

std::string digest_text(std::uint64_t digest) { return printf_string("0x%016" PRIx64, digest); }

void append_timing_table(std::string &text, const std::vector<ColumnTiming> &columns)
{
    text += printf_string("%-12s", "layout");
    for (const ColumnTiming &column : columns) {
        text += printf_string("%12s", column_label(column).c_str());
    }
    text += "\n";
    struct Row {
        const char *name;
        float ColumnTiming::*field;
        const char *format;
    };
    const Row rows[] = {{"factor s", &ColumnTiming::factor_seconds, "%12.4e"},
                        {"solve s", &ColumnTiming::solve_seconds, "%12.4e"},
                        {"total s", &ColumnTiming::total_seconds, "%12.4e"},
                        {"KFLOPS", &ColumnTiming::kflops, "%12.1f"}};
    for (const Row &row : rows) {
        text += printf_string("%-12s", row.name);
        for (const ColumnTiming &column : columns) {
            text += printf_string(row.format, static_cast<double>(column.*row.field));
        }
        text += "\n";
    }
}

}  // namespace

std::vector<ColumnTiming> read_timing_table()
{
    std::vector<ColumnTiming> columns;
    for (int k = 0; k < USED_COLUMNS; ++k) {
        ColumnTiming column;
        column.layout = k < 4 ? 201 : 200;
        column.averaged = k == COLUMN_AVERAGED_LAYOUT1 || k == COLUMN_AVERAGED_LAYOUT2;
        column.factor_seconds = timing_table[ROW_FACTOR_SECONDS][k];
        column.solve_seconds = timing_table[ROW_SOLVE_SECONDS][k];
        column.total_seconds = timing_table[ROW_TOTAL_SECONDS][k];
        column.kflops = timing_table[ROW_KFLOPS][k];
        columns.push_back(column);
    }
    return columns;
}

std::string result_line(int kflops)
{
    float mflops = static_cast<float>(kflops) * 0.001f;
    return printf_string("CPU performance %.2f MFlops", static_cast<double>(mflops));
}

bool validated(const Report &report)
{
    const RunsCheck &runs = report.runs_check;
    return report.validation.validated && runs.runs > 0 && runs.first_wrong_run == 0;
}

std::string format_text(const Report &report)
{
    const Statistics &stats = report.statistics;
    std::string text;
    text += "Velmark " + report.velmark_version + " host runner, " + report.timestamp_utc + "\n";
    text += "host:     " + report.host.os + "; " + report.host.cpu + "; " +
            std::to_string(report.host.logical_cpus) + " logical CPUs\n";
    text += "build:    " + report.platform + "\n";
    text += "compiler: " + report.compiler + "\n";
    text += "flags:    " + report.flags + "\n";
    text += "kernels:  " + report.kernels + "\n\n";

    text += "timing table of the best run:\n";
    append_timing_table(text, report.best_columns);
    text += "\n";

    int runs = static_cast<int>(report.results_kflops.size());
    // %d, not %zu: the Windows C runtime's printf has no z modifier.
    text += printf_string("runs:     %d in %.2f s", runs, report.seconds);
    text += report.budget_seconds > 0.0 ? printf_string(" (budget %g s)\n", report.budget_seconds)
                                        : std::string(" (count fixed)\n");
    text += printf_string("best:     %d KFLOPS\n", stats.best);
    text += "median:   " + kflops_text(stats.median) + " KFLOPS";
    text += std::isfinite(stats.median_to_best)
                ? printf_string(", %.1f%% of the best\n", 100.0 * stats.median_to_best)
                : std::string("\n");
    text += printf_string("minimum:  %d KFLOPS\n", stats.minimum);
    text += result_line(stats.best) + "\n";
    if (runs > 1 && stats.median_to_best < kSteadyMedianToBest) {
        text += printf_string("note: the median run is only %.0f%% of the best, so the machine was "
                              "busy; for a steadier figure close other programs or give it longer "
                              "(--time 10).\n",
                              100.0 * stats.median_to_best);
    }
    text += "\n";

    const RunsCheck &check = report.runs_check;
    if (check.first_wrong_run == 0) {
        text += printf_string("validation of the timed runs: all %d left solution digest %s\n", check.runs,
                              digest_text(kKnownRunDigest).c_str());
    } else {
        text += printf_string("validation of the timed runs: run %d of %d left solution digest %s (expected %s)\n",
                              check.first_wrong_run, check.runs, digest_text(check.wrong_digest).c_str(),
                              digest_text(kKnownRunDigest).c_str());
    }
    const Validation &v = report.validation;
    text += printf_string("validation (one untimed solve after the runs): solution digest %s "
                          "(expected %s), normalised residual %.3g, max |x - 1| %.3g\n",
                          digest_text(v.digest).c_str(), digest_text(kKnownSolutionDigest).c_str(),
                          v.residual, v.max_error);
    text += validated(report) ? "correct operation validated\n" : "correct operation NOT validated\n";
    return text;
}

std::string format_json(const Report &report)
{
    using nlohmann::ordered_json;
    const Statistics &stats = report.statistics;
    // JSON has no infinities or NaNs (a zero total time gives an infinite
    // rate): the library writes them as null.
    ordered_json json;
    json["schema_version"] = kReportSchemaVersion;
    json["velmark_version"] = report.velmark_version;
    json["timestamp_utc"] = report.timestamp_utc;
    json["host"] = {{"os", report.host.os},
                    {"cpu", report.host.cpu},
                    {"logical_cpus", report.host.logical_cpus}};
    json["build"] = {{"platform", report.platform},
                     {"compiler", report.compiler},
                     {"flags", report.flags},
                     {"kernels", report.kernels}};
    ordered_json measurement = {{"runs", report.results_kflops.size()}, {"seconds", report.seconds}};
    measurement["budget_seconds"] =
        report.budget_seconds > 0.0 ? ordered_json(report.budget_seconds) : ordered_json(nullptr);
    json["measurement"] = measurement;
    json["runs_kflops"] = report.results_kflops;
    json["statistics"] = {{"best_kflops", stats.best},
                          {"median_kflops", stats.median},
                          {"min_kflops", stats.minimum},
                          {"median_to_best", stats.median_to_best}};
    json["result_line"] = result_line(stats.best);
    ordered_json table = ordered_json::array();
    for (std::size_t i = 0; i < report.best_columns.size(); ++i) {
        const ColumnTiming &c = report.best_columns[i];
        table.push_back({{"column", i},
                         {"layout", c.layout},
                         {"kind", c.averaged ? "averaged" : "single"},
                         {"factor_seconds", c.factor_seconds},
                         {"solve_seconds", c.solve_seconds},
                         {"total_seconds", c.total_seconds},
                         {"kflops", c.kflops}});
    }
    json["timing_table"] = table;
    const Validation &v = report.validation;
    const RunsCheck &check = report.runs_check;
    ordered_json runs = {{"checked", check.runs}, {"expected_digest", digest_text(kKnownRunDigest)}};
    runs["first_wrong_run"] = check.first_wrong_run ? ordered_json(check.first_wrong_run) : ordered_json(nullptr);
    runs["wrong_digest"] =
        check.first_wrong_run ? ordered_json(digest_text(check.wrong_digest)) : ordered_json(nullptr);
    json["validation"] = {{"digest", digest_text(v.digest)},
                          {"expected_digest", digest_text(kKnownSolutionDigest)},
                          {"normalised_residual", v.residual},
                          {"max_error", v.max_error},
                          {"timed_runs", runs},
                          {"validated", validated(report)}};
    return json.dump() + "\n";
}

}  // namespace velmark
