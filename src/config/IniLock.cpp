#include "config/IniLock.h"

#include "config/IniWrite.h"

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
    const bool haveOwner = ::stat(target.c_str(), &owner) == 0;
    timespec start{};
    ::clock_gettime(CLOCK_MONOTONIC, &start);
    for (;;) {
        const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0)
            return;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            struct stat held {
            }, named{};
            if (::fstat(fd, &held) == 0 && ::stat(name.c_str(), &named) == 0 && held.st_ino == named.st_ino &&
                held.st_dev == named.st_dev && S_ISREG(held.st_mode)) {
                // Owned like the file it guards, so the file's owner can always take it.
                if (haveOwner && ::geteuid() == 0 && held.st_uid != owner.st_uid) {
                    [[maybe_unused]] const int r = ::fchown(fd, owner.st_uid, owner.st_gid);
                }
                fd_ = fd;
                name_ = name;
                return;
            }
            ::close(fd); // removed by the holder we waited for: take the new one
            continue;
        }
        const int error = errno;
        ::close(fd);
        if (error != EWOULDBLOCK && error != EINTR)
            return;
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
