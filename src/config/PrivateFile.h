#pragma once

#include <cstddef>
#include <string>
#include <sys/types.h>

namespace hostaq {

// Opens a small private file of the program (a lock file, a pid file) for reading and writing,
// never blocking and never through anything another user planted: an existing file is used only
// when it is a regular file with one link owned by owner or by the running user. Anything else
// in its place (a FIFO, a device, a symbolic link, a hard link to someone's file) is removed and
// the file made afresh with O_EXCL and the given mode; a file made by root for another owner is
// given to owner and group. Returns the descriptor, or -1 with errno set (EISDIR for a folder,
// which is never removed; EEXIST when another process made the file first: try again).
int OpenPrivateFile(const std::string& path, uid_t owner, gid_t group, mode_t mode);

// Writes all of data to fd, going on after interrupted and partial writes; false with errno set
// when a write fails (a write that takes nothing is EIO).
bool WriteAll(int fd, const char* data, std::size_t size);

} // namespace hostaq
