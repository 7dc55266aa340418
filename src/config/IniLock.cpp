#include "config/IniLock.h"

#include "config/IniWrite.h"
#include "config/PrivateFile.h"

#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hostaq::IniStore {

int LockWaitMs = 5000;

bool StopSignalPending() {
    sigset_t pending;
    sigemptyset(&pending);
    return ::sigpending(&pending) == 0 &&
           (sigismember(&pending, SIGTERM) == 1 || sigismember(&pending, SIGINT) == 1);
}

TStoreLock::TStoreLock(const std::string& target) {
    const std::string name = DirName(target) + "/." + BaseName(target) + ".lock";
    struct stat owner {};
    if (::stat(target.c_str(), &owner) != 0) {
        owner.st_uid = ::geteuid();
        owner.st_gid = ::getegid();
    }
    timespec start{};
    ::clock_gettime(CLOCK_MONOTONIC, &start);
    // Every pass ends in the lock, a failure, or a check of the bound: whatever another user puts
    // in the lock file's place, the wait ends.
    for (;;) {
        const int fd = OpenPrivateFile(name, owner.st_uid, owner.st_gid, 0600);
        int error = errno;
        if (fd >= 0) {
            if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
                struct stat held {
                }, named{};
                if (::fstat(fd, &held) == 0 && ::lstat(name.c_str(), &named) == 0 &&
                    held.st_ino == named.st_ino && held.st_dev == named.st_dev) {
                    fd_ = fd;
                    name_ = name;
                    return;
                }
                error = EWOULDBLOCK; // removed by the holder we waited for: take the new one
            } else {
                error = errno;
            }
            ::close(fd);
        }
        if (error != EWOULDBLOCK && error != EINTR && error != EEXIST && error != ENOENT) {
            errno = error;
            return;
        }
        timespec now{};
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        const long long waited =
            (now.tv_sec - start.tv_sec) * 1000LL + (now.tv_nsec - start.tv_nsec) / 1000000;
        // A stop request is not kept waiting: the write fails and the program can end.
        if (waited >= LockWaitMs || StopSignalPending()) {
            errno = EWOULDBLOCK;
            return;
        }
        const timespec pause{0, 5 * 1000 * 1000};
        ::nanosleep(&pause, nullptr);
    }
}

TStoreLock::~TStoreLock() {
    if (fd_ >= 0) {
        ::unlink(name_.c_str());
        ::close(fd_); // closing releases the lock
    }
}

} // namespace hostaq::IniStore
