#pragma once

#include <string>
#include <sys/types.h>

namespace hostaq {

// Writes a whole file at once: a temporary file in the same folder, flushed and renamed over
// the target, so a reader never sees half of it. Returns 0 or the errno of the failed step.
int WriteTextFileAtomically(const std::string& path, const std::string& text, mode_t mode);

// Whether a regular file (or a link to one) exists at path.
bool RegularFileExists(const std::string& path);

} // namespace hostaq
