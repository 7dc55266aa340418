#include "config/IniWrite.h"

#include "config/PrivateFile.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace hostaq {
namespace IniStore {

namespace {
std::atomic<long long> StampResolutionNs{1};

long long Stamp(const timespec& t) {
    const long long ns = static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
    const long long resolution = StampResolutionNs.load();
    return ns / resolution * resolution;
}
} // namespace

TFileId IdOf(const struct stat& st) {
    TFileId id;
    id.Dev = st.st_dev;
    id.Ino = st.st_ino;
    id.Size = st.st_size;
    id.MtimeNs = Stamp(st.st_mtim);
    id.CtimeNs = Stamp(st.st_ctim);
    return id;
}

std::string ResolveForWrite(const std::string& path) {
    std::string target = FollowLinks(path);
    struct stat st {};
    if (!target.empty() && ::stat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        FailureReason() = "it is not a regular file";
        errno = EINVAL;
        return {};
    }
    return target;
}

// Reads all of an open file from its start.
bool ReadAll(int fd, std::string& out) {
    out.clear();
    char buf[65536];
    off_t at = 0;
    for (;;) {
        const ssize_t n = ::pread(fd, buf, sizeof buf, at);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            return true;
        out.append(buf, static_cast<std::size_t>(n));
        at += n;
        if (out.size() > static_cast<std::size_t>(MaxFileSize))
            return true; // the callers refuse it; reading on would only fill memory
    }
}

namespace {

TIniWriteFn WriteFn = &WriteAll;

} // namespace

std::string DirName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string& FailureReason() {
    thread_local std::string reason;
    return reason;
}

std::string& RefusedLink() {
    thread_local std::string link;
    return link;
}

namespace {
uid_t OwnerOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_uid : static_cast<uid_t>(-1);
}

// Root follows a link of another user only where that user owns the folder holding the link (the
// kernel's protected_symlinks rule) and the file it leads to (or, for a file not there yet, the
// folder it would be made in): a link can never make root write what its owner could not.
bool RootMayFollow(const std::string& link, const struct stat& st, const std::string& next) {
    if (::geteuid() != 0 || st.st_uid == 0)
        return true;
    if (OwnerOf(DirName(link)) != st.st_uid)
        return false;
    struct stat named {};
    if (::stat(next.c_str(), &named) == 0)
        return named.st_uid == st.st_uid;
    return OwnerOf(DirName(next)) == st.st_uid;
}
} // namespace

std::string FollowLinks(std::string path) {
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        std::string target(PATH_MAX, '\0');
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n <= 0)
            return path;
        target.resize(static_cast<std::size_t>(n));
        std::string next = target.front() == '/' ? target : DirName(path) + "/" + target;
        if (!RootMayFollow(path, st, next)) {
            FailureReason() = "the symbolic link " + path + " belongs to another user and is not followed";
            RefusedLink() = path;
            errno = EPERM;
            return {};
        }
        path = std::move(next);
    }
    FailureReason() = "too many symbolic links";
    errno = ELOOP;
    return {};
}

int ReadRegular(const std::string& path, std::string& text, struct stat& st) {
    text.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return 0;
        FailureReason() = std::strerror(errno);
        return -1;
    }
    int result = -1;
    if (::fstat(fd, &st) != 0)
        FailureReason() = std::strerror(errno);
    else if (!S_ISREG(st.st_mode))
        FailureReason() = "it is not a regular file";
    else if (st.st_size > MaxFileSize)
        FailureReason() = "it is larger than 16 MiB";
    else if (!ReadAll(fd, text))
        FailureReason() = std::strerror(errno);
    else if (text.size() > static_cast<std::size_t>(MaxFileSize))
        FailureReason() = "it is larger than 16 MiB";
    else
        result = 1;
    ::close(fd);
    return result;
}

std::string TemporaryPrefix(const std::string& target) {
    return "." + BaseName(target) + ".tmp-";
}

void RemoveStaleTemporaries(const std::string& target) {
    DIR* dir = ::opendir(DirName(target).c_str());
    if (!dir)
        return;
    const std::string prefix = TemporaryPrefix(target);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name.size() != prefix.size() + 6 || !name.starts_with(prefix))
            continue;
        struct stat st {};
        if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
    ::closedir(dir);
}

namespace {

// Rewrites an existing file in place: same inode, owner and mode. Space for a longer text is
// reserved first; a write that fails all the same puts the old bytes back.
bool RewriteInPlace(const std::string& target, const std::string& text, TFileId& id) {
    const int fd = ::open(target.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    std::string old;
    struct stat opened {};
    bool ok = ::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_size <= MaxFileSize &&
              ReadAll(fd, old);
    if (ok && text.size() > old.size()) {
        const int r = ::posix_fallocate(fd, 0, static_cast<off_t>(text.size()));
        ok = r == 0 || r == EOPNOTSUPP || r == EINVAL;
        if (!ok)
            errno = r;
    }
    if (ok) {
        ok = ::lseek(fd, 0, SEEK_SET) == 0 && WriteFn(fd, text.data(), text.size()) &&
             ::ftruncate(fd, static_cast<off_t>(text.size())) == 0 && ::fsync(fd) == 0;
        if (!ok) {
            const int saved = errno;
            if (::lseek(fd, 0, SEEK_SET) == 0 && WriteAll(fd, old.data(), old.size())) {
                [[maybe_unused]] const int r = ::ftruncate(fd, static_cast<off_t>(old.size()));
            }
            errno = saved;
        }
    }
    struct stat st {};
    ok = ok && ::fstat(fd, &st) == 0;
    if (ok)
        id = IdOf(st);
    ::close(fd);
    return ok;
}

} // namespace

// Writes text as the file target names: a new file renamed over the old one, with the old file's
// owner, group and mode; in place where the owner cannot be kept or inPlace asks for it.
bool WriteTarget(const std::string& target, const std::string& text, bool inPlace, TFileId& id) {
    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) {
        FailureReason() = "it is not a regular file";
        errno = EINVAL;
        return false;
    }
    if (exists && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        FailureReason() = "it is read-only";
        errno = EACCES; // a read-only file stays as it is, even for root
        return false;
    }
    if (exists && inPlace)
        return RewriteInPlace(target, text, id);
    // The caller holds the lock: no other writer of this file is between its temporary and the
    // rename, so any temporary of the file still there was left by a writer that died.
    RemoveStaleTemporaries(target);
    std::string tmpl = DirName(target) + "/" + TemporaryPrefix(target) + "XXXXXX";
    const int fd = ::mkostemp(tmpl.data(), O_CLOEXEC); // 0600
    if (fd < 0) {
        FailureReason() = std::strerror(errno);
        return false;
    }
    if (exists && (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) &&
        ::fchown(fd, st.st_uid, st.st_gid) != 0) {
        // Another user's file that this user may write: replacing it would take it over.
        ::close(fd);
        ::unlink(tmpl.c_str());
        return RewriteInPlace(target, text, id);
    }
    // The temporary stays 0600 while it fills; the file's own mode comes just before the rename.
    bool ok = WriteFn(fd, text.data(), text.size());
    ok = ok && (!exists || ::fchmod(fd, st.st_mode & 07777) == 0);
    ok = ok && ::fsync(fd) == 0;
    ok = ok && ::rename(tmpl.c_str(), target.c_str()) == 0;
    struct stat written {};
    ok = ok && ::fstat(fd, &written) == 0; // after the rename, which may change the times
    if (ok)
        id = IdOf(written);
    const int saved = errno;
    ::close(fd);
    if (!ok)
        ::unlink(tmpl.c_str());
    errno = saved;
    return ok;
}

} // namespace IniStore

long long SetIniStampResolution(long long ns) {
    return IniStore::StampResolutionNs.exchange(ns < 1 ? 1 : ns);
}

TIniWriteFn SetIniWriteFn(TIniWriteFn fn) {
    TIniWriteFn old = IniStore::WriteFn;
    IniStore::WriteFn = fn ? fn : &WriteAll;
    return old;
}

} // namespace hostaq
