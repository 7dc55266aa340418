#pragma once

#include "config/DateTime.h"

#include <array>
#include <string>
#include <vector>

namespace hostaq {

class TIniDocument;

inline constexpr int MaxHostsPerGroup = 20;
// A stored mail exchanger of this text, like an empty one, means none.
inline constexpr const char* NoMailExchanger = "< Not Required >";

// Update systems of a group.
enum TUpdateSystem : int { SystemHostaq = 0, SystemStatdns = 1, SystemCustom = 2 };

// "hostaq", "statdns" or "custom"; any other value is treated like 0.
const char* SystemName(int type);

// One host group: hostnames that share one login and one set of options. Stored as one section
// of the configuration file named by the group.
struct TDynAcc {
    int Type = SystemHostaq;
    std::string UserID;
    std::string Provider;
    std::string Profile;
    std::string Password; // plain in memory, scrambled in the file
    int NumOfHosts = 0;
    std::array<std::string, MaxHostsPerGroup> Hosts; // Hosts[0] is stored as Host1
    bool Wildcard = true;
    std::string MailEx;
    bool BackupMX = false;
    bool Enable = true;
    bool Secure = true;
    // Also keeps the hosts' AAAA records; the suffix ("::1234") replaces the low 64 bits of the
    // machine's address, for a host behind this one on the same prefix.
    bool IPv6 = false;
    std::string IPv6Suffix;
};

void InitGroup(TDynAcc& group);
// The stored group; a missing section gives the defaults. A stored NumOfHosts above 20 loads the
// first 20 hosts and leaves the file as it is; a damaged password loads as empty (reported).
void LoadGroup(const std::string& path, const std::string& name, TDynAcc& group);
// Replaces the section with the group, as one atomic write. Returns false when the write failed
// (reported already; the old section is then untouched).
bool SaveGroup(const std::string& path, const std::string& name, const TDynAcc& group);
// The same into a document, for saves that write several groups (and other keys) as one atomic
// update of the file.
void WriteGroupTo(TIniDocument& doc, const std::string& name, const TDynAcc& group);
bool IsGroupSection(const std::string& path, const std::string& name);
// True when "name (hostaq)", "name (statdns)" or "name (custom)" is a section of the file.
bool SplitNameTaken(const std::string& path, const std::string& name);
// The name a split group of the given system gets: "Home (statdns)".
std::string SplitGroupName(const std::string& name, int type);

struct TGroupCounts {
    int Groups = 0;
    int DisabledGroups = 0;
    int Hosts = 0;
    int DisabledHosts = 0;
    std::vector<std::string> Names; // in file order
};
// Two sections of one name (without regard to case) are one group: the first, as the first
// matching section is the one every read and write reaches.
TGroupCounts CountGroups(const std::string& path);
bool AnyGroup(const std::string& path);

// LastUpdate of the group; a missing, empty or malformed stamp gives now plus 365 days, so a
// group that never succeeded is never due for a forced update.
TDateTime ReadGroupLastUpdate(const std::string& path, const std::string& name);
std::string ReadGroupIP(const std::string& path, const std::string& name);
// The IPv6 address last sent for the group (IP6), empty when none.
std::string ReadGroupIP6(const std::string& path, const std::string& name);
int ReadGroupResult(const std::string& path, const std::string& name);
// A LastUpdate after now (the clock was set back) becomes now.
void FixFutureLastUpdate(const std::string& path, const std::string& name);

bool DeleteGroup(const std::string& path, const std::string& name);
// Erases the old section and saves the group under the new name, as one atomic write.
bool RenameGroup(const std::string& path, const std::string& oldName, const std::string& newName,
                 const TDynAcc& group);

// The group's own configuration keys; a per-host result key never takes one of these names.
bool IsGroupConfigKey(const std::string& name);

// Whether a name can be a group: a section name the file can hold and none the program uses
// for its own settings. Not empty, no blank at either end, no "]", no line break or other
// control character, not beginning with "[" or ";", and not (without regard to case) a section
// of the program's own. Returns the message that says why a name is refused, empty when it can
// be used. Every path that creates or renames a group asks it first.
std::string CheckGroupName(const std::string& name);

// The group's stored password, in plain. A stored value that does not unscramble reads as empty
// and sets damaged: it counts as no password, never as an empty one to send. LoadGroup reports
// it once as a warning naming the group; an update run does not send the group.
std::string ReadGroupPassword(const std::string& path, const std::string& name, bool* damaged = nullptr);

} // namespace hostaq
