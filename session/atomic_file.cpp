#include "atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace velscan {

namespace {

Status WriteFailed(const std::string &path, int error)
{
    return Status::Fail(kErrOutputFile, "cannot write " + path + ": " +
                                            std::strerror(error ? error : EIO));
}

// Writes, flushes and closes `file`; the errno of the first failure, or 0.
int WriteAndClose(std::FILE *file, const std::function<bool(std::FILE *)> &write, bool sync)
{
    errno = 0;
    bool written = write(file) && std::fflush(file) == 0 && !std::ferror(file);
    int error = written ? 0 : (errno ? errno : EIO);
    if (written && sync && fsync(fileno(file)) != 0)
        error = errno;
    if (std::fclose(file) != 0 && error == 0)
        error = errno ? errno : EIO;
    return error;
}

}  // namespace

Status WriteFileAtomically(const std::string &path, const std::function<bool(std::FILE *)> &write)
{
    struct stat existing {};
    if (stat(path.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode)) {
        std::FILE *file = std::fopen(path.c_str(), "w");
        if (!file)
            return WriteFailed(path, errno);
        int error = WriteAndClose(file, write, false);
        return error ? WriteFailed(path, error) : Status::Ok();
    }

    // A name no other writer uses: process id and a per-process counter.
    static std::atomic<unsigned> counter{0};
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = path + "." + std::to_string(getpid()) + "-" + std::to_string(counter++) + ".tmp";
        fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        return WriteFailed(path, errno);
    std::FILE *file = fdopen(fd, "w");
    if (!file) {
        int error = errno;
        close(fd);
        unlink(temp.c_str());
        return WriteFailed(path, error);
    }
    int error = WriteAndClose(file, write, true);
    if (error == 0 && std::rename(temp.c_str(), path.c_str()) != 0)
        error = errno;
    if (error) {
        unlink(temp.c_str());
        return WriteFailed(path, error);
    }
    return Status::Ok();
}

}  // namespace velscan
