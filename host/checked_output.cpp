#include "checked_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace velmark {

namespace {

std::string reason(int error)
{
    return error != 0 ? std::strerror(error) : "write failed";
}

// fwrite and fflush both, since a buffered write fails only at the flush.
int write_stream(std::FILE *stream, const std::string &text)
{
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), stream) != text.size() || std::fflush(stream) != 0 ||
        std::ferror(stream)) {
        return errno != 0 ? errno : EIO;
    }
    return 0;
}

std::string write_device(const std::string &path, const std::string &text)
{
    std::FILE *device = std::fopen(path.c_str(), "wb");
    if (device == nullptr) {
        return reason(errno);
    }
    int error = write_stream(device, text);
    if (std::fclose(device) != 0 && error == 0) {
        error = errno != 0 ? errno : EIO;
    }
    return error ? reason(error) : std::string();
}

// 64 bits from the system's random source, so that neither another user
// nor a second runner with the same process id can know the name.
std::string random_part()
{
    static std::random_device source;
    unsigned long long value = (static_cast<unsigned long long>(source()) << 32) ^ source();
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", value);
    return text;
}

const int kNameAttempts = 100;
const int kMostLinks = 40;  // as many as Linux follows in one path

// Where a chain of symbolic links at path ends: path itself when it is no
// link. Relative links count from the folder the link is in. Empty after
// too many links (a loop).
std::string link_target(const std::string &path)
{
    namespace fs = std::filesystem;
    fs::path at = path;
    for (int links = 0; links <= kMostLinks; ++links) {
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(at, error))) return at.string();
        fs::path next = fs::read_symlink(at, error);
        if (error) return at.string();
        at = next.is_absolute() ? next : at.parent_path() / next;
    }
    return "";
}

std::string folder_of(const std::string &path)
{
    std::string folder = std::filesystem::path(path).parent_path().string();
    return folder.empty() ? std::string(".") : folder;
}

}  // namespace

std::string write_standard_output(const std::string &text)
{
    int error = write_stream(stdout, text);
    return error ? reason(error) : std::string();
}

FileCalls real_file_calls()
{
    FileCalls calls;
#ifdef _WIN32
    calls.create_new = [](const std::string &path, int mode) {
        // _O_EXCL with _O_CREAT is CREATE_NEW: an existing name fails.
        int fd = _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, mode & (_S_IREAD | _S_IWRITE));
        return fd >= 0 ? fd : -errno;
    };
    calls.write_all = [](int fd, const char *bytes, std::size_t count) {
        while (count > 0) {
            int chunk = count > (1u << 30) ? (1 << 30) : static_cast<int>(count);
            int written = _write(fd, bytes, static_cast<unsigned>(chunk));
            if (written <= 0) return written < 0 ? errno : EIO;
            bytes += written;
            count -= static_cast<std::size_t>(written);
        }
        return 0;
    };
    calls.sync = [](int fd) { return _commit(fd) == 0 ? 0 : errno; };  // FlushFileBuffers
    calls.close = [](int fd) { return _close(fd) == 0 ? 0 : errno; };
    calls.sync_folder = [](const std::string &) { return 0; };          // the rename is durable once done
#else
    calls.create_new = [](const std::string &path, int mode) {
        int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        return fd >= 0 ? fd : -errno;
    };
    calls.write_all = [](int fd, const char *bytes, std::size_t count) {
        while (count > 0) {
            ssize_t written = write(fd, bytes, count);
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) return written < 0 ? errno : EIO;
            bytes += written;
            count -= static_cast<std::size_t>(written);
        }
        return 0;
    };
    calls.sync = [](int fd) { return fsync(fd) == 0 ? 0 : errno; };
    calls.close = [](int fd) { return ::close(fd) == 0 ? 0 : errno; };
    calls.sync_folder = [](const std::string &folder) {
        int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return errno;
        int error = fsync(fd) == 0 ? 0 : errno;
        ::close(fd);
        return error;
    };
#endif
    calls.rename = [](const std::string &from, const std::string &to) {
        std::error_code error;
        std::filesystem::rename(from, to, error);  // replaces an existing file, on Windows too
        return error ? (error.value() != 0 ? error.value() : EIO) : 0;
    };
    calls.remove = [](const std::string &path) { return std::remove(path.c_str()) == 0 ? 0 : errno; };
    calls.temporary_name = [](const std::string &target, int) { return target + ".tmp-" + random_part(); };
    return calls;
}

std::string write_file_replacing(const std::string &path, const std::string &text)
{
    return write_file_replacing(path, text, real_file_calls());
}

std::string write_file_replacing(const std::string &path, const std::string &text, const FileCalls &calls)
{
    namespace fs = std::filesystem;
    const std::string target = link_target(path);
    if (target.empty()) {
        return "cannot write " + path + ": " + reason(ELOOP);
    }
    std::error_code status_error;
    fs::file_status status = fs::status(target, status_error);
    if (fs::is_directory(status)) {
        return "cannot write " + path + ": " + reason(EISDIR);
    }
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        // A device or a pipe (/dev/stdout, say) is written as it is: a
        // rename would put a plain file in its place.
        std::string failed = write_device(target, text);
        return failed.empty() ? failed : "cannot write " + path + ": " + failed;
    }
    // The replaced file's permission bits; a new file gets the usual ones,
    // less the umask.
    int mode = 0666;
    bool keep_mode = false;
    struct stat existing;
    if (fs::exists(status) && stat(target.c_str(), &existing) == 0) {
        mode = static_cast<int>(existing.st_mode & 07777);
        keep_mode = true;
    }

    const std::string folder = folder_of(target);
    std::string temporary;
    int fd = -EEXIST;
    for (int attempt = 0; attempt < kNameAttempts && fd == -EEXIST; ++attempt) {
        temporary = calls.temporary_name(target, attempt);
        fd = calls.create_new(temporary, mode);
    }
    if (fd < 0) {
        return "cannot create a file in " + folder + " (to replace " + path + " with): " + reason(-fd);
    }
    int error = calls.write_all(fd, text.data(), text.size());
#ifndef _WIN32
    if (error == 0 && keep_mode && fchmod(fd, static_cast<mode_t>(mode)) != 0) {
        error = errno;
    }
#else
    (void)keep_mode;
#endif
    if (error == 0) {
        error = calls.sync(fd);
    }
    int closed = calls.close(fd);
    if (error == 0) {
        error = closed;
    }
    if (error != 0) {
        calls.remove(temporary);
        return "cannot write " + path + ": " + reason(error);
    }
    error = calls.rename(temporary, target);
    if (error != 0) {
        calls.remove(temporary);
        return "cannot replace " + target + " with the new file: " + reason(error);
    }
    error = calls.sync_folder(folder);
    return error ? path + " is written, but its folder " + folder + " could not be synced: " + reason(error)
                 : std::string();
}

}  // namespace velmark
