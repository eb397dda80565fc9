#include "app/RunLock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <unistd.h>

namespace {

// The process id the holder wrote into the lock file, or "" when there is none.
std::string holderOf(int fd) {
    char buffer[32] = {};
    const ssize_t got = pread(fd, buffer, sizeof buffer - 1, 0);
    if (got <= 0) return "";
    std::string pid(buffer, static_cast<size_t>(got));
    while (!pid.empty() && (pid.back() == '\n' || pid.back() == ' '))
        pid.pop_back();
    return pid.find_first_not_of("0123456789") == std::string::npos ? pid : "";
}

} // namespace

RunLock::~RunLock() {
    Release();
}

bool RunLock::TryAcquire(std::string& message) {
    Release();
    // Deliberately inherited by the external programs the run starts: a solver that
    // outlives a killed run keeps the directory locked until it has written its answer.
    const int fd = open(kFileName, O_RDWR | O_CREAT, 0644);
    if (fd < 0) {
        message = std::string("Quillon: cannot create the lock file ") + kFileName +
                  " in the current directory: " + std::strerror(errno);
        return false;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error == EWOULDBLOCK) {
            const std::string pid = holderOf(fd);
            message = "Quillon: another run" + (pid.empty() ? "" : " (process " + pid + ")") +
                      " is using this directory (it holds " + kFileName +
                      "); two runs in one directory would read each other's solver files. "
                      "Wait for it to end or start this run in another directory.";
            close(fd);
            return false;
        }
        if (error != ENOLCK && error != EINVAL && error != EOPNOTSUPP) {
            message =
                std::string("Quillon: cannot lock ") + kFileName + ": " + std::strerror(error);
            close(fd);
            return false;
        }
        // A file system without locks: run unprotected rather than not at all.
    }
    const std::string pid = std::to_string(getpid()) + "\n";
    if (ftruncate(fd, 0) == 0) {
        const ssize_t written = pwrite(fd, pid.data(), pid.size(), 0);
        (void)written; // the process id only improves the message of a second run
    }
    fd_ = fd;
    return true;
}

void RunLock::Release() {
    if (fd_ < 0) return;
    close(fd_); // closing the last descriptor of the lock releases it
    fd_ = -1;
}
