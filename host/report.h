// The host runner's report of a context and a measurement, as text or as
// one JSON object (the format is described in docs/results-format.md).
// These only format: what was measured and whether it passed are decided
// by the measurement.
#pragma once

#include <string>

#include "context.h"
#include "copies.h"
#include "measurement.h"

namespace velmark {

// 4: the measurement's problems as codes with their numbers.
// 5: the runs made in several processes, the headline the mean of their
// best blocks with its 95% interval, each process's state, the machine's
// state and the warnings that make a figure not comparable.
inline constexpr int kReportSchemaVersion = 5;

// The result as the dialog shows it: "CPU performance %.2f MFlops", from the
// single-precision product of the rate and 0.001.
std::string result_line(int kflops);

// The headline's result line, marked coarse with its bound where the
// clock's steps move it too far for it to compare.
std::string headline_line(const Measurement &measurement);

// With `copies`, the measurement is that of the copies at once, made one.
std::string format_text(const Context &context, const Measurement &measurement, const CopiesSummary *copies = nullptr);
std::string format_json(const Context &context, const Measurement &measurement, const CopiesSummary *copies = nullptr);

// "0x" and the 16 hex digits of a solution digest.
std::string digest_text(std::uint64_t digest);

}  // namespace velmark
