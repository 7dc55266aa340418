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

// The file a path names once symbolic links are followed (the path itself when it is no link or
// names nothing yet); empty for a loop of links.
std::string FollowLinks(std::string path);

// Writes text as the file target names: a new file renamed over the old one, with the old file's
// owner, group and mode; in place where the owner cannot be kept or inPlace asks for it.
bool WriteTarget(const std::string& target, const std::string& text, bool inPlace, TFileId& id);

} // namespace hostaq::IniStore
