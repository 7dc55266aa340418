#include "config/IniWrite.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <unistd.h>

namespace hostaq {
namespace IniStore {

TFileId IdOf(const struct stat& st) {
    TFileId id;
    id.Dev = st.st_dev;
    id.Ino = st.st_ino;
    id.Size = st.st_size;
    id.MtimeNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    id.CtimeNs = static_cast<long long>(st.st_ctim.tv_sec) * 1000000000LL + st.st_ctim.tv_nsec;
    return id;
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
    }
}

namespace {

bool DefaultWrite(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

TIniWriteFn WriteFn = &DefaultWrite;

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

// The file a path names once symbolic links are followed (the path itself when it is no link or
// names nothing yet); empty for a loop of links.
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
        path = target.front() == '/' ? target : DirName(path) + "/" + target;
    }
    errno = ELOOP;
    return {};
}

namespace {

// Rewrites an existing file in place: same inode, owner and mode. Space for a longer text is
// reserved first; a write that fails all the same puts the old bytes back.
bool RewriteInPlace(const std::string& target, const std::string& text, TFileId& id) {
    const int fd = ::open(target.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    std::string old;
    bool ok = ReadAll(fd, old);
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
            if (::lseek(fd, 0, SEEK_SET) == 0 && DefaultWrite(fd, old.data(), old.size())) {
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
    if (exists && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        errno = EACCES; // a read-only file stays as it is, even for root
        return false;
    }
    if (exists && inPlace)
        return RewriteInPlace(target, text, id);
    std::string tmpl = DirName(target) + "/.hostaq-XXXXXX";
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0)
        return false;
    if (exists && (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) &&
        ::fchown(fd, st.st_uid, st.st_gid) != 0) {
        // Another user's file that this user may write: replacing it would take it over.
        ::close(fd);
        ::unlink(tmpl.c_str());
        return RewriteInPlace(target, text, id);
    }
    bool ok = ::fchmod(fd, exists ? (st.st_mode & 07777) : 0600) == 0;
    ok = ok && WriteFn(fd, text.data(), text.size());
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

TIniWriteFn SetIniWriteFn(TIniWriteFn fn) {
    TIniWriteFn old = IniStore::WriteFn;
    IniStore::WriteFn = fn ? fn : &IniStore::DefaultWrite;
    return old;
}

} // namespace hostaq
