#include "report.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdarg>
#include <cstdio>

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

// JSON has no infinities or NaNs; a column with a zero total has an
// infinite rate, so those become null.
std::string json_number(double value)
{
    if (!std::isfinite(value)) {
        return "null";
    }
    return printf_string("%.9g", value);
}

std::string json_string(const std::string &text)
{
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            quoted += printf_string("\\u%04x", c);
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
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

Summary summarise(std::vector<int> results)
{
    Summary summary;
    if (results.empty()) {
        return summary;
    }
    std::sort(results.begin(), results.end());
    summary.median = results[(results.size() - 1) / 2];
    summary.minimum = results.front();
    summary.maximum = results.back();
    return summary;
}

std::string format_text(const Report &report)
{
    std::string text;
    text += "Velmark host runner\n";
    text += "compiler: " + report.compiler + "\n";
    text += "flags:    " + report.flags + "\n\n";

    text += printf_string("%-12s", "layout");
    for (const ColumnTiming &column : report.columns) {
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
        for (const ColumnTiming &column : report.columns) {
            char cell[64];
            std::snprintf(cell, sizeof cell, row.format, static_cast<double>(column.*row.field));
            text += cell;
        }
        text += "\n";
    }
    text += "\n";

    Summary summary = summarise(report.results_kflops);
    if (report.results_kflops.size() == 1) {
        text += printf_string("result: %d KFLOPS\n", summary.median);
    } else {
        // %d, not %zu: the Windows C runtime's printf has no z modifier.
        text += printf_string("runs: %d, median %d KFLOPS, minimum %d, maximum %d\n",
                              static_cast<int>(report.results_kflops.size()), summary.median,
                              summary.minimum, summary.maximum);
    }
    text += result_line(summary.median) + "\n\n";

    const Validation &v = report.validation;
    text += printf_string("validation: solution digest 0x%016" PRIx64 " (expected 0x%016" PRIx64
                          "), normalised residual %.3g, max |x - 1| %.3g\n",
                          v.digest, kKnownSolutionDigest, v.residual, v.max_error);
    text += v.validated ? "correct operation validated\n" : "correct operation NOT validated\n";
    return text;
}

std::string format_json(const Report &report)
{
    Summary summary = summarise(report.results_kflops);
    std::string json = "{";
    json += "\"compiler\":" + json_string(report.compiler);
    json += ",\"flags\":" + json_string(report.flags);
    json += ",\"runs\":[";
    for (std::size_t i = 0; i < report.results_kflops.size(); ++i) {
        json += (i ? "," : "") + std::to_string(report.results_kflops[i]);
    }
    json += "]";
    json += ",\"median_kflops\":" + std::to_string(summary.median);
    json += ",\"min_kflops\":" + std::to_string(summary.minimum);
    json += ",\"max_kflops\":" + std::to_string(summary.maximum);
    json += ",\"result_line\":" + json_string(result_line(summary.median));
    json += ",\"timing_table\":[";
    for (std::size_t i = 0; i < report.columns.size(); ++i) {
        const ColumnTiming &c = report.columns[i];
        json += i ? "," : "";
        json += "{\"column\":" + std::to_string(i);
        json += ",\"layout\":" + std::to_string(c.layout);
        json += std::string(",\"kind\":") + (c.averaged ? "\"averaged\"" : "\"single\"");
        json += ",\"factor_seconds\":" + json_number(c.factor_seconds);
        json += ",\"solve_seconds\":" + json_number(c.solve_seconds);
        json += ",\"total_seconds\":" + json_number(c.total_seconds);
        json += ",\"kflops\":" + json_number(c.kflops) + "}";
    }
    json += "]";
    const Validation &v = report.validation;
    json += ",\"validation\":{\"digest\":" + json_string(printf_string("0x%016" PRIx64, v.digest));
    json += ",\"expected_digest\":" +
            json_string(printf_string("0x%016" PRIx64, kKnownSolutionDigest));
    json += ",\"normalised_residual\":" + json_number(v.residual);
    json += ",\"max_error\":" + json_number(v.max_error);
    json += std::string(",\"validated\":") + (v.validated ? "true" : "false") + "}";
    json += "}\n";
    return json;
}

}  // namespace velmark
