#include "checked_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <process.h>
#define velmark_process_id _getpid
#else
#include <unistd.h>
#define velmark_process_id getpid
#endif

namespace velmark {

namespace {

std::string reason(int error)
{
    return error != 0 ? std::strerror(error) : "write failed";
}

// fwrite and fflush both, since a buffered write fails only at the flush.
int write_all(std::FILE *stream, const std::string &text)
{
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), stream) != text.size() || std::fflush(stream) != 0 ||
        std::ferror(stream)) {
        return errno != 0 ? errno : EIO;
    }
    return 0;
}

}  // namespace

std::string write_standard_output(const std::string &text)
{
    int error = write_all(stdout, text);
    return error ? reason(error) : std::string();
}

std::string write_file_replacing(const std::string &path, const std::string &text)
{
    namespace fs = std::filesystem;
    fs::path target(path);
    std::error_code status_error;
    fs::file_status status = fs::status(target, status_error);
    if (fs::is_directory(status)) {
        return reason(EISDIR);
    }
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        // A device or a pipe (/dev/stdout, say) is written as it is: a
        // rename would put a plain file in its place.
        std::FILE *device = std::fopen(path.c_str(), "wb");
        if (device == nullptr) {
            return reason(errno);
        }
        int error = write_all(device, text);
        if (std::fclose(device) != 0 && error == 0) {
            error = errno != 0 ? errno : EIO;
        }
        return error ? reason(error) : std::string();
    }
    fs::path temporary = target;
    // Beside the target, so that the rename stays within one file system;
    // named by the process, so that two runners never share one.
    temporary += ".tmp" + std::to_string(static_cast<long>(velmark_process_id()));

    std::FILE *file = std::fopen(temporary.string().c_str(), "wb");
    if (file == nullptr) {
        return reason(errno);
    }
    int error = write_all(file, text);
#ifndef _WIN32
    if (error == 0 && fsync(fileno(file)) != 0) {
        error = errno;
    }
#endif
    if (std::fclose(file) != 0 && error == 0) {
        error = errno != 0 ? errno : EIO;
    }
    if (error != 0) {
        std::remove(temporary.string().c_str());
        return reason(error);
    }
    std::error_code renamed;
    fs::rename(temporary, target, renamed);
    if (renamed) {
        std::remove(temporary.string().c_str());
        return renamed.message();
    }
    return std::string();
}

}  // namespace velmark
