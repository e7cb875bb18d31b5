// A measurement made in a fresh process, as that process hands it back to
// the runner: every counted run's result, averaged totals and whether its
// solution was right, the best run's whole timing table, the warm-up, the
// untimed solve, the clocks and the process's state. JSON on one line,
// written and read only by this program (it is no report).
#pragma once

#include <string>

#include "measurement.h"

namespace velmark {

std::string process_record_json(const Measurement &measurement);

// False, with `error` saying why, when the text is not such a record.
bool read_process_record(const std::string &text, Measurement *measurement, std::string *error);

}  // namespace velmark
