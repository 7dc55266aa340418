#pragma once

#include <string>

namespace hostaq {

// Appends one line to a log file and closes it again, so other programs can read or move the
// file between entries. A missing file is created (mode 0600: entries may name accounts) and
// starts with the header line and one empty line. A symbolic link under the file's name is
// never followed: the entry is refused. Never throws: returns false and says why in
// error when the file cannot be opened, created or written.
bool AppendLogFile(const std::string& path, const std::string& header, const std::string& line,
                   std::string& error);

// The header line of a new file: "<app name> log file. Created on <stamp>."
std::string LogFileHeader(const std::string& appName, const std::string& stamp);

} // namespace hostaq
