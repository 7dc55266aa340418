#include "platform/ServiceControlTrust.h"

#include "config/Messages.h"
#include "platform/PlatformMessages.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <deque>
#include <grp.h>
#include <pwd.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace hostaq {

namespace {

// The kernel's limit of links followed in one lookup.
constexpr int MaxLinks = 40;

// Whether group gid holds nobody but the user owner (and root): no other member is listed and
// no other account has it as its own group.
bool GroupIsOwnersAlone(gid_t gid, uid_t owner) {
    if (gid == 0)
        return true;
    const struct passwd* ownerEntry = ::getpwuid(owner);
    const std::string ownerName = ownerEntry != nullptr ? ownerEntry->pw_name : "";
    if (const struct group* g = ::getgrgid(gid)) {
        for (char** member = g->gr_mem; member != nullptr && *member != nullptr; ++member)
            if (ownerName != *member && std::strcmp(*member, "root") != 0)
                return false;
    }
    bool alone = true;
    ::setpwent();
    while (const struct passwd* p = ::getpwent())
        if (p->pw_gid == gid && p->pw_uid != owner && p->pw_uid != 0)
            alone = false;
    ::endpwent();
    return alone;
}

// The access control list as the kernel stores it in system.posix_acl_access: a version word,
// then entries of tag, permissions and id (little endian).
struct TAclEntry {
    std::uint16_t Tag = 0;
    std::uint16_t Perm = 0;
    std::uint32_t Id = 0;
};
constexpr std::uint16_t AclUserObj = 0x01, AclUser = 0x02, AclGroupObj = 0x04, AclGroup = 0x08,
                        AclMask = 0x10;
constexpr std::uint16_t AclWrite = 0x02;

// The entries of path's list; false when it has none beyond the mode bits. An entry the list
// cannot be read for counts as a list that grants write (refused rather than trusted).
bool ReadAcl(const std::string& path, std::vector<TAclEntry>& entries, bool& unreadable) {
    unreadable = false;
    std::vector<unsigned char> data(4 + 8 * 64);
    ssize_t n = ::getxattr(path.c_str(), "system.posix_acl_access", data.data(), data.size());
    if (n < 0 && errno == ERANGE) {
        n = ::getxattr(path.c_str(), "system.posix_acl_access", nullptr, 0);
        if (n > 0) {
            data.resize(static_cast<std::size_t>(n));
            n = ::getxattr(path.c_str(), "system.posix_acl_access", data.data(), data.size());
        }
    }
    if (n < 0) {
        unreadable = errno != ENODATA && errno != ENOTSUP && errno != EOPNOTSUPP;
        return unreadable;
    }
    auto word = [&](std::size_t at, int bytes) {
        std::uint32_t v = 0;
        for (int i = bytes - 1; i >= 0; --i)
            v = (v << 8) | data[at + static_cast<std::size_t>(i)];
        return v;
    };
    if (n < 4 || (n - 4) % 8 != 0 || word(0, 4) != 2) {
        unreadable = true;
        return true;
    }
    for (std::size_t at = 4; at + 8 <= static_cast<std::size_t>(n); at += 8)
        entries.push_back({static_cast<std::uint16_t>(word(at, 2)),
                           static_cast<std::uint16_t>(word(at + 2, 2)), word(at + 4, 4)});
    return true;
}

enum class TAclWrite { NoList, Grants, OwnerOnly };

// Whether an entry of the access control list lets someone but owner and root write. With a
// list, the mode's group bits are its mask: the owning group's own entry decides for the group.
TAclWrite AclGrantsOthersWrite(const std::string& path, const struct stat& st, uid_t owner) {
    std::vector<TAclEntry> entries;
    bool unreadable = false;
    if (!ReadAcl(path, entries, unreadable))
        return TAclWrite::NoList;
    if (unreadable)
        return TAclWrite::Grants;
    std::uint16_t mask = 0x07;
    for (const TAclEntry& e : entries)
        if (e.Tag == AclMask)
            mask = e.Perm;
    for (const TAclEntry& e : entries) {
        if ((e.Perm & mask & AclWrite) == 0 || e.Tag == AclUserObj)
            continue;
        if (e.Tag == AclUser && (e.Id == owner || e.Id == 0))
            continue;
        if (e.Tag == AclGroupObj && GroupIsOwnersAlone(st.st_gid, owner))
            continue;
        if (e.Tag == AclGroup && GroupIsOwnersAlone(e.Id, owner))
            continue;
        if (e.Tag == AclUser || e.Tag == AclGroupObj || e.Tag == AclGroup)
            return TAclWrite::Grants;
    }
    return TAclWrite::OwnerOnly;
}

// Why others may write what st describes: 0 they may not, else the message naming it.
int WriteProblem(const std::string& path, const struct stat& st, uid_t owner, int modeMessage) {
    if ((st.st_mode & S_IWOTH) != 0)
        return modeMessage;
    switch (AclGrantsOthersWrite(path, st, owner)) {
    case TAclWrite::Grants:
        return MsgTrustAclWrite;
    case TAclWrite::OwnerOnly:
        return 0;
    case TAclWrite::NoList:
        break;
    }
    return (st.st_mode & S_IWGRP) != 0 && !GroupIsOwnersAlone(st.st_gid, owner) ? modeMessage : 0;
}

bool OwnedByOwnerOrRoot(const struct stat& st, uid_t owner) {
    return st.st_uid == owner || st.st_uid == 0;
}

// A folder on the way: "" when it is safe, else why not. strict: no sticky-bit allowance.
std::string FolderProblem(const std::string& path, const struct stat& st, uid_t owner, bool strict,
                          int unsafeMessage) {
    if (!OwnedByOwnerOrRoot(st, owner))
        return FormatMsg(MsgTrustFolderOwner, {path});
    const int problem = WriteProblem(path, st, owner, unsafeMessage);
    if (problem != 0 && (strict || (st.st_mode & S_ISVTX) == 0))
        return FormatMsg(problem, {path});
    return {};
}

std::vector<std::string> Components(const std::string& path) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t slash = path.find('/', start);
        const std::string part =
            path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (!part.empty() && part != ".")
            out.push_back(part);
        if (slash == std::string::npos)
            break;
        start = slash + 1;
    }
    return out;
}

std::string ParentOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
}

std::string Join(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

// Walks path from "/" as the kernel resolves it. Every folder passed through is checked with
// the sticky-bit allowance; resolved receives the real path of the last component and its
// state (exists false when it does not exist). Returns why the way cannot be trusted.
std::string WalkTo(const std::string& path, uid_t owner, int folderMessage, int lastFolderMessage,
                   std::string& resolved, struct stat& last, bool& exists) {
    std::deque<std::string> pending;
    for (const std::string& c : Components(path))
        pending.push_back(c);
    std::string current = "/";
    struct stat st {};
    if (::lstat("/", &st) != 0)
        return FormatMsg(MsgServiceCannotExamine, {std::strerror(errno)});
    if (std::string why = FolderProblem("/", st, owner, false, folderMessage); !why.empty())
        return why;
    int links = 0;
    exists = true;
    while (!pending.empty()) {
        const std::string name = pending.front();
        pending.pop_front();
        if (name == "..") {
            current = ParentOf(current);
            continue;
        }
        const std::string candidate = Join(current, name);
        if (::lstat(candidate.c_str(), &st) != 0) {
            if (errno == ENOENT && pending.empty()) {
                exists = false;
                resolved = candidate;
                return {};
            }
            return FormatMsg(MsgServiceCannotExamine, {candidate + ": " + std::strerror(errno)});
        }
        if (S_ISLNK(st.st_mode)) {
            if (!OwnedByOwnerOrRoot(st, owner))
                return FormatMsg(MsgTrustLinkOwner, {candidate});
            if (++links > MaxLinks)
                return FormatMsg(MsgServiceCannotExamine, {candidate + ": " + std::strerror(ELOOP)});
            char buffer[PATH_MAX];
            const ssize_t n = ::readlink(candidate.c_str(), buffer, sizeof(buffer) - 1);
            if (n <= 0)
                return FormatMsg(MsgServiceCannotExamine, {candidate + ": " + std::strerror(errno)});
            const std::string target(buffer, static_cast<std::size_t>(n));
            if (target.front() == '/')
                current = "/";
            const std::vector<std::string> parts = Components(target);
            pending.insert(pending.begin(), parts.begin(), parts.end());
            continue;
        }
        if (pending.empty()) {
            resolved = candidate;
            last = st;
            return {};
        }
        if (!S_ISDIR(st.st_mode))
            return FormatMsg(MsgServiceCannotExamine, {candidate + ": " + std::strerror(ENOTDIR)});
        // The folder that will most likely hold the file is named as such.
        const bool holdsLast = pending.size() == 1 && pending.front() != "..";
        if (std::string why =
                FolderProblem(candidate, st, owner, false, holdsLast ? lastFolderMessage : folderMessage);
            !why.empty())
            return why;
        current = candidate;
    }
    resolved = current;
    last = st;
    return {};
}

// The file and its own folder, after the walk: neither writable by others, sticky or not.
std::string FileAndFolderProblem(const std::string& resolved, const struct stat& st, bool exists, uid_t owner,
                                 int folderMessage, int fileMessage) {
    const std::string folder = ParentOf(resolved);
    struct stat folderSt {};
    if (::stat(folder.c_str(), &folderSt) != 0)
        return FormatMsg(MsgServiceCannotExamine, {folder + ": " + std::strerror(errno)});
    if (std::string why = FolderProblem(folder, folderSt, owner, true, folderMessage); !why.empty())
        return why;
    if (!exists)
        return {};
    if (!OwnedByOwnerOrRoot(st, owner))
        return FormatMsg(fileMessage, {resolved});
    if (const int problem = WriteProblem(resolved, st, owner, fileMessage); problem != 0)
        return FormatMsg(problem, {resolved});
    return {};
}

} // namespace

bool OthersMayWrite(const std::string& path, const struct stat& st, uid_t owner) {
    return !OwnedByOwnerOrRoot(st, owner) || WriteProblem(path, st, owner, 1) != 0;
}

std::string ConfigTrustProblem(const std::string& absolutePath, uid_t owner) {
    std::string resolved;
    struct stat st {};
    bool exists = false;
    if (std::string why =
            WalkTo(absolutePath, owner, MsgTrustFolderWritable, MsgTrustFolderWritable, resolved, st, exists);
        !why.empty())
        return why;
    return FileAndFolderProblem(resolved, st, exists, owner, MsgServiceFolderUnsafe, MsgTrustConfigFile);
}

std::string ProgramTrustProblem(const std::string& absolutePath, uid_t owner) {
    std::string resolved;
    struct stat st {};
    bool exists = false;
    if (std::string why =
            WalkTo(absolutePath, owner, MsgTrustFolderWritable, MsgTrustProgramFolder, resolved, st, exists);
        !why.empty())
        return why;
    if (!exists)
        return FormatMsg(MsgServiceCannotExamine, {resolved + ": " + std::strerror(ENOENT)});
    return FileAndFolderProblem(resolved, st, exists, owner, MsgTrustProgramFolder, MsgTrustProgramFile);
}

} // namespace hostaq
