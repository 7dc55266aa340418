#pragma once

// Putting a file's bytes on disk for the INI store: the file's identity, whole-file reads, and
// the atomic replace (or in-place rewrite) of a file. Internal to the store.

#include "config/IniFile.h"

#include <string>
#include <sys/stat.h>
#include <sys/types.h>

namespace hostaq::IniStore {

struct TFileId {
    dev_t Dev = 0;
    ino_t Ino = 0;
    off_t Size = -1;
    long long MtimeNs = 0;
    long long CtimeNs = 0;
    bool operator==(const TFileId&) const = default;
};

TFileId IdOf(const struct stat& st);

// Reads all of an open file from its start.
bool ReadAll(int fd, std::string& out);

std::string DirName(const std::string& path);
std::string BaseName(const std::string& path);

// The largest file the store reads.
inline constexpr off_t MaxFileSize = 16 * 1024 * 1024;

// Why the last operation of the store on this thread failed, in words for a message.
std::string& FailureReason();

// The symbolic link FollowLinks last refused on this thread; callers clear it before.
std::string& RefusedLink();

// Reads a regular file of at most MaxFileSize bytes without ever blocking (a FIFO or a device in
// its place is refused, not opened for reading). 1 read, with st its state; 0 no such file; -1
// anything else, FailureReason() saying why.
int ReadRegular(const std::string& path, std::string& text, struct stat& st);

// ".hostaq.ini.tmp-" for "/x/hostaq.ini": the name of the file's temporaries before the random part.
std::string TemporaryPrefix(const std::string& target);
// Removes the temporaries of the file target left by writers that died; only under the lock.
void RemoveStaleTemporaries(const std::string& target);

// The file a path names once symbolic links are followed (the path itself when it is no link or
// names nothing yet); empty for a loop of links, or where root would follow a link that another
// user could aim at a file not theirs (FailureReason() names the link).
std::string FollowLinks(std::string path);

// FollowLinks, and the file it gives must be a regular file or none yet; empty otherwise, with
// FailureReason() saying why. Decided before any lock file is made beside it.
std::string ResolveForWrite(const std::string& path);

// Writes text as the file target names: a new file renamed over the old one, with the old file's
// owner, group and mode; in place where the owner cannot be kept or inPlace asks for it.
bool WriteTarget(const std::string& target, const std::string& text, bool inPlace, TFileId& id);

} // namespace hostaq::IniStore
