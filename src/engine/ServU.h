#pragma once

#include <string>

namespace hostaq {

// Rewrites the address field (the second "|"-separated field) of every line of section Domains
// of a ServU configuration file and sets Global/ReloadSettings = TRUE, so the FTP server
// announces the current address in passive mode. Everything else of the file stays as it was.
// A missing file gets only the reload flag. Returns false when the file could not be written.
bool UpdateServUAddress(const std::string& iniPath, const std::string& address);

// The value of one Domains line with the address put in: the part up to and including the
// first "|", the address, then the rest from the next "|" on (all of the rest when there is no
// further "|").
std::string ReplaceServUAddress(const std::string& value, const std::string& address);

} // namespace hostaq
