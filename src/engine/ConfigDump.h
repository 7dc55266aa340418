#pragma once

#include "config/DateTime.h"

#include <string>
#include <vector>

namespace hostaq {

// What the configuration dump shows besides what it reads from the file itself.
struct TDumpInput {
    std::string ConfigPath;
    TDateTime Now;
    std::string ConnectionType; // the Info value
    bool UseManualIP = false;
    std::string LocalList;
    std::string CheckingInterval; // the Info value
    std::string UpdatedAddress;   // with the IPv6 address beside it while a group keeps AAAA records
    std::string CurrentAddress;
    bool IPv6InUse = false; // a group keeps AAAA records: the IPv6 source is shown
    bool AutoCheck = false;
    int ForceUpdateDays = 25;
    std::string LastUpdated;     // the Info value
    std::string NextForceUpdate; // the Info value
    std::string TotalGroups;     // the Info value
    std::string TotalHosts;      // the Info value
    std::vector<std::string> GroupNames;
    std::string HostName;
    std::string LoginName;
    std::string HostAddresses; // comma separated
};

// The lines of the plain-text configuration dump ("&Dump Config"): the title, the time of the
// dump, then the sections Connection Settings, IP Address Settings, Automatic Update,
// Group(s) and host(s) and About the computer, each with a "**** title ****" line, tab-indented
// lines and an empty line, and a closing notice. No password is ever part of it.
std::vector<std::string> BuildConfigDump(const TDumpInput& input);

// Writes the lines, each ended by a line feed, as one atomic replace of the file (mode 0600).
// Returns false (with the reason in error) when it could not be written.
bool WriteDumpFile(const std::string& fileName, const std::vector<std::string>& lines, std::string& error);

} // namespace hostaq
