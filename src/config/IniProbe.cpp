// The start-up write probe: whether a path can be the configuration file, without changing it.

#include "config/IniFile.h"
#include "config/IniLock.h"
#include "config/IniWrite.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hostaq {

using namespace IniStore;

namespace {
bool Refuse(std::string* reason, std::string text) {
    if (reason)
        *reason = std::move(text);
    return false;
}

// Why a file of the folder cannot be made there; empty when a temporary could be made.
std::string FolderRefusal(const std::string& target) {
    const std::string folder = DirName(target);
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0)
        return errno == ENOENT ? "the folder " + folder + " does not exist"
                               : folder + ": " + std::strerror(errno);
    if (!S_ISDIR(st.st_mode))
        return folder + " is not a folder";
    std::string probe = folder + "/" + TemporaryPrefix(target) + "XXXXXX";
    const int fd = ::mkostemp(probe.data(), O_CLOEXEC);
    if (fd < 0)
        return std::strerror(errno);
    ::close(fd);
    ::unlink(probe.c_str());
    return {};
}
} // namespace

bool IniWriteTest(const std::string& path, std::string* reason) {
    if (path.empty())
        return Refuse(reason, "no file named");
    RefusedLink().clear();
    const std::string target = ResolveForWrite(path);
    if (target.empty())
        return Refuse(reason, FailureReason());
    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (!exists && errno != ENOENT)
        return Refuse(reason, std::strerror(errno));
    if (exists) {
        // Decided on the name's state first: a FIFO or a device is never opened.
        if (!S_ISREG(st.st_mode))
            return Refuse(reason, "it is not a regular file");
        if (st.st_size > MaxFileSize)
            return Refuse(reason, "it is larger than 16 MiB");
        if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
            return Refuse(reason, "it is read-only");
        const int fd = ::open(target.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            return Refuse(reason, std::strerror(errno));
        struct stat opened {};
        const bool regular = ::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode);
        ::close(fd);
        if (!regular)
            return Refuse(reason, "it is not a regular file");
    }
    if (const std::string why = FolderRefusal(target); !why.empty())
        return Refuse(reason, why);
    const TStoreLock lock(target);
    if (!lock.Ok())
        return Refuse(reason, "its lock file ." + BaseName(target) + ".lock cannot be had");
    if (!exists) {
        // The probe makes the file, as a write would.
        const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST)
            return Refuse(reason, std::strerror(errno));
        if (fd >= 0)
            ::close(fd);
    }
    return true;
}

} // namespace hostaq
