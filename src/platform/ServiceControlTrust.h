#pragma once

#include <string>
#include <sys/stat.h>
#include <sys/types.h>

namespace hostaq {

// The files a service trusts: everything that decides what it reads and runs must be out of
// reach of every user but the account it runs as (the configuration's owner) and root. Each
// walk goes from "/" down every component, resolving symbolic links as the kernel does, and
// returns why the path cannot be trusted, naming the first component at fault ("" when it can).
//
// A folder on the way must belong to root or the owner and be writable by nobody else, counting
// access control entries; a group- or world-writable one is accepted on the way only with the
// sticky bit (as /tmp), since then nobody can rename or replace an entry that is not theirs.
// A symbolic link on the way must belong to root or the owner.

// Whether someone other than owner and root may write what st describes (mode bits, and the
// entries of its access control list read from path).
bool OthersMayWrite(const std::string& path, const struct stat& st, uid_t owner);

// The configuration: every folder up to "/", and the file (when it exists) with its own folder,
// which may not be writable by others even with the sticky bit (the lock, temporaries and the
// replaced file live there). A file that does not exist yet is fine where its folder is.
std::string ConfigTrustProblem(const std::string& absolutePath, uid_t owner);

// The program the service runs: the file and every folder up to "/"; neither the file nor its
// own folder may be writable by others.
std::string ProgramTrustProblem(const std::string& absolutePath, uid_t owner);

} // namespace hostaq
