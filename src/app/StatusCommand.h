#pragma once

#include "app/CommandLine.h"
#include "config/DateTime.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace hostaq {

// What the file says about one group.
struct TGroupStatus {
    std::string Name;
    bool Enabled = true;
    std::vector<std::string> Hosts;
    std::string Address;                 // the address last sent (IP)
    bool IPv6 = false;                   // also keeps the hosts' AAAA records
    std::string Address6;                // the IPv6 address last sent (IP6)
    std::optional<TDateTime> LastUpdate; // the last good update
    int Result = 0;                      // UpdateResult, an update result class
    std::string Answer;                  // the provider's last answer line (ReturnStr)
    bool Blocked = false;                // not sent until its configuration is saved again
    bool UpToDate = false;               // enabled, not failing, and holds the current address
};

// The monitor's state as the configuration file and the pid lock show it.
struct TMonitorStatus {
    std::string ConfigPath;
    std::string CurrentAddress;
    bool AddressPublic = false; // known, public and not in the local list
    std::optional<TDateTime> LastChecked;
    std::optional<TDateTime> NextCheck; // only while a monitor runs with automatic checks
    bool AutoCheck = true;
    int MonitorPid = 0; // 0: no monitor runs on the file
    std::vector<TGroupStatus> Groups;
};

// Reads the status of the configuration (never writes it). The local address list is the one of
// ConfigPath().
TMonitorStatus ReadMonitorStatus(const std::string& configPath);
// The process id of the monitor running on the configuration (its pid lock), 0 when none.
int StatusMonitorPid(const std::string& configPath);

// The text for people: the address, the next check, the monitor, then one block per group
// with one "Name: value" line per fact.
std::string StatusText(const TMonitorStatus& status);
// One JSON object with stable field names; "monitor" is null when none runs.
std::string StatusJson(const TMonitorStatus& status);
// 0: every enabled group is up to date; 1: a group fails or is blocked, or no public address is
// known.
int StatusExitCode(const TMonitorStatus& status);

// The file --status reads: the one named, else the one beside the program when it exists, else
// the per-user one. Nothing is created or probed by writing.
std::string StatusConfigPath(const std::vector<std::string>& configArgs, const std::string& programPath);

// hostaq --status [--json] [CONFIG]
int RunStatus(const TCommandLine& cl, std::ostream& out, std::ostream& err);

} // namespace hostaq
