// Writes of a report that are checked to the end: a result that did not
// reach its destination is an error, never a success.
#pragma once

#include <functional>
#include <string>

namespace velmark {

// Empty on success, else the reason (the system's message for the error).
std::string write_standard_output(const std::string &text);

// The file calls a replacing write makes. Tests hand in their own, to see
// the order of the calls and to make any of them fail; each answers 0 or
// an errno value (create answers a descriptor, or minus an errno value).
struct FileCalls {
    std::function<int(const std::string &path, int mode)> create_new;  // never an existing name, never a link
    std::function<int(int fd, const char *bytes, std::size_t count)> write_all;
    std::function<int(int fd)> sync;                                   // to the disk
    std::function<int(int fd)> close;
    std::function<int(const std::string &from, const std::string &to)> rename;
    std::function<int(const std::string &path)> remove;
    std::function<int(const std::string &folder)> sync_folder;        // 0 where there is no such thing
    // The name to try for the temporary file, by attempt: beside the
    // target, with a part nobody can guess.
    std::function<std::string(const std::string &target, int attempt)> temporary_name;
};

FileCalls real_file_calls();

// Writes text to a new temporary file beside `path` (created exclusively,
// under a name nobody can guess), syncs it, gives it the permission bits of
// the file it replaces, renames it over `path` and syncs the folder. When a
// step fails the temporary file is removed and an existing file at `path`
// is left as it was. A device or pipe at `path` is written directly. A
// symbolic link at `path` stays: the file it points to (which may not exist
// yet) is written, with the temporary file beside that one, so that the
// rename stays on one file system.
//
// Empty on success, else one line that names what failed and why, e.g.
// "cannot create a file in FOLDER: REASON".
std::string write_file_replacing(const std::string &path, const std::string &text);
std::string write_file_replacing(const std::string &path, const std::string &text, const FileCalls &calls);

}  // namespace velmark
