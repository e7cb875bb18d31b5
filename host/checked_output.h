// Writes of a report that are checked to the end: a result that did not
// reach its destination is an error, never a success.
#pragma once

#include <string>

namespace velmark {

// Empty on success, else the reason (the system's message for the error).
std::string write_standard_output(const std::string &text);

// Writes text to a temporary file beside `path`, then renames it over
// `path`. When any step fails the temporary file is removed, and an
// existing file at `path` is left whole.
std::string write_file_replacing(const std::string &path, const std::string &text);

}  // namespace velmark
