#include "config/PrivateFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hostaq {

namespace {
bool Trusted(const struct stat& st, uid_t owner) {
    return S_ISREG(st.st_mode) && st.st_nlink == 1 && (st.st_uid == owner || st.st_uid == ::geteuid());
}
// The name is in another process's hands this moment: the caller tries again.
int Busy() {
    errno = EEXIST;
    return -1;
}
} // namespace

int OpenPrivateFile(const std::string& path, uid_t owner, gid_t group, mode_t mode) {
    struct stat named {};
    if (::lstat(path.c_str(), &named) == 0) {
        if (S_ISDIR(named.st_mode)) {
            errno = EISDIR;
            return -1;
        }
        if (Trusted(named, owner)) {
            // Opened without following a link and checked again: the name may have changed.
            const int fd = ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
            if (fd < 0 && errno == ENOENT)
                return Busy(); // the holder removed it as it let go
            struct stat opened {};
            if (fd >= 0 && ::fstat(fd, &opened) == 0 && Trusted(opened, owner) &&
                opened.st_ino == named.st_ino && opened.st_dev == named.st_dev)
                return fd;
            if (fd >= 0) {
                ::close(fd);
                // Removed (no link left) or replaced since it was looked at: the name may now be
                // another process's fresh file, perhaps held, and is never removed from here.
                if (opened.st_nlink == 0 || opened.st_ino != named.st_ino || opened.st_dev != named.st_dev)
                    return Busy();
            }
        }
        // Not ours to use: the name goes, whatever it named stays as it was. Looked at once more
        // first, so that a file another process has just made in its place stays.
        struct stat again {};
        if (::lstat(path.c_str(), &again) == 0 &&
            (again.st_ino != named.st_ino || again.st_dev != named.st_dev))
            return Busy();
        if (::unlink(path.c_str()) != 0 && errno != ENOENT)
            return -1;
    } else if (errno != ENOENT) {
        return -1;
    }
    const int fd =
        ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, mode);
    if (fd < 0)
        return -1;
    if (::geteuid() == 0 && owner != 0) {
        // Owned like the file it belongs to, so that owner can always use it.
        [[maybe_unused]] const int r = ::fchown(fd, owner, group);
    }
    return fd;
}

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace hostaq
