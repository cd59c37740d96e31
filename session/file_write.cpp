// Files written whole or not at all: a temporary file in the target's
// folder, flushed to disk and renamed over the target; appends written with
// one call and flushed.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "formats_internal.h"

namespace velscan {

namespace {

std::string Reason(int error) { return error == ENOSPC ? "the disk is full" : std::strerror(error); }

// Writes all of `bytes`, retrying short writes and interruptions.
int WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return 0;
}

}  // namespace

Status WriteFileAtomically(const std::string &path, std::string_view bytes) {
    // A path that exists and is not a regular file (/dev/null, /dev/full, a
    // terminal, a pipe) is written directly: renaming over it would replace
    // the device node with a plain file.
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode)) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
        int error = fd < 0 ? errno : WriteAll(fd, bytes);
        if (fd >= 0 && ::close(fd) != 0 && error == 0) {
            error = errno;
        }
        if (error != 0) {
            return Status::Fail(kErrOutputFile, "cannot write " + path + ": " + Reason(error));
        }
        return Status::Ok();
    }
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty()) {
        return Status::Fail(kErrOutputFile, "cannot write " + path + ": not a file name");
    }
    std::string temp = folder + "/." + name + ".XXXXXX";
    std::vector<char> temp_name(temp.begin(), temp.end());
    temp_name.push_back('\0');
    const int fd = ::mkstemp(temp_name.data());
    if (fd < 0) {
        return Status::Fail(kErrOutputFile, "cannot write " + path + ": " + Reason(errno));
    }
    int error = WriteAll(fd, bytes);
    if (error == 0 && ::fchmod(fd, 0644) != 0) {
        error = errno;
    }
    if (error == 0 && ::fsync(fd) != 0) {
        error = errno;
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error == 0 && ::rename(temp_name.data(), path.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(temp_name.data());
        return Status::Fail(kErrOutputFile, "cannot write " + path + ": " + Reason(error));
    }
    return Status::Ok();
}

Status AppendToFile(int fd, const std::string &path, std::string_view bytes) {
    int error = WriteAll(fd, bytes);
    if (error == 0 && ::fsync(fd) != 0) {
        error = errno;
    }
    if (error != 0) {
        return Status::Fail(kErrOutputFile, "cannot append to " + path + ": " + Reason(error));
    }
    return Status::Ok();
}

Status ReadWholeFile(const std::string &path, std::string &out) {
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (!file) {
        return Status::Fail(kErrInputFile, "cannot read " + path + ": " + std::strerror(errno));
    }
    std::string bytes;
    char buffer[65536];
    size_t got = 0;
    constexpr size_t kMaxBytes = 64u << 20;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.append(buffer, got);
        if (bytes.size() > kMaxBytes) {
            std::fclose(file);
            return Status::Fail(kErrInputFile, path + " is larger than 64 MiB: not a spectrum");
        }
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        return Status::Fail(kErrInputFile, "cannot read " + path);
    }
    out = std::move(bytes);
    return Status::Ok();
}

}  // namespace velscan
