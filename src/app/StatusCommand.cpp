#include "app/StatusCommand.h"

#include "app/MonitorCommands.h"
#include "config/ConfigKeys.h"
#include "config/ConfigPath.h"
#include "config/IniFile.h"
#include "config/Messages.h"
#include "groups/DynAcc.h"
#include "groups/UpdateResult.h"
#include "ipdetect/AddressList.h"
#include "ipdetect/LocalList.h"
#include "platform/ServiceNotifier.h"
#include "platform/SingleInstance.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ostream>
#include <sys/stat.h>
#include <unistd.h>

namespace hostaq {

namespace {
std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string JsonStamp(const std::optional<TDateTime>& t) {
    if (!t)
        return "null";
    std::string iso = t->ToIsoString();
    iso[10] = 'T';
    return JsonString(iso);
}

std::string JsonBool(bool value) {
    return value ? "true" : "false";
}

std::string TextStamp(const std::optional<TDateTime>& t, const char* none) {
    return t ? t->ToIsoString() : std::string(none);
}

std::string JoinHosts(const std::vector<std::string>& hosts, const char* separator) {
    std::string out;
    for (const std::string& host : hosts) {
        if (!out.empty())
            out += separator;
        out += host;
    }
    return out;
}

TGroupStatus ReadGroupStatus(const std::string& path, const std::string& name, const std::string& current,
                             bool addressPublic) {
    TGroupStatus g;
    g.Name = name;
    g.Enabled = ReadBoolChecked(path, name, "Enable", true);
    const int count = std::clamp(IniReadInteger(path, name, "NumOfHosts", 0), 0, MaxHostsPerGroup);
    for (int i = 1; i <= count; ++i) {
        const std::string host = IniReadString(path, name, "Host" + std::to_string(i), "");
        if (!host.empty())
            g.Hosts.push_back(host);
    }
    g.Address = ReadGroupIP(path, name);
    g.IPv6 = ReadBoolChecked(path, name, "IPv6", false);
    g.Address6 = ReadGroupIP6(path, name);
    g.LastUpdate = ReadStampChecked(path, name, "LastUpdate");
    g.Result = ReadGroupResult(path, name);
    g.Answer = IniReadString(path, name, "ReturnStr", "");
    g.Blocked = g.Result == ClassBlocked;
    g.UpToDate = g.Enabled && !g.Blocked && g.Result < ClassRetry && addressPublic && g.Address == current;
    return g;
}
} // namespace

int StatusMonitorPid(const std::string& configPath) {
    return TMonitorLock::RunningMonitor(configPath);
}

TMonitorStatus ReadMonitorStatus(const std::string& configPath) {
    TMonitorStatus s;
    s.ConfigPath = configPath;
    s.CurrentAddress = IniReadString(configPath, "IPAddress", "CurrentIP", "");
    const std::string localList = LoadLocalList();
    s.AddressPublic = !s.CurrentAddress.empty() && !IsNonPublicAddress(s.CurrentAddress) &&
                      !IsInLocalList(s.CurrentAddress, localList);
    s.LastChecked = ReadStampChecked(configPath, "IPAddress", "LastChecked");
    s.AutoCheck = ReadBoolChecked(configPath, "Options", "AutoCheck", true);
    s.MonitorPid = StatusMonitorPid(configPath);
    // The running monitor checks one interval after the last check.
    if (s.MonitorPid != 0 && s.AutoCheck && s.LastChecked) {
        const int interval = std::clamp(IniReadInteger(configPath, "Options", "CheckingInt", 5), 5, 59);
        s.NextCheck = s.LastChecked->AddMinutes(interval);
    }
    for (const std::string& name : CountGroups(configPath).Names)
        s.Groups.push_back(ReadGroupStatus(configPath, name, s.CurrentAddress, s.AddressPublic));
    return s;
}

int StatusExitCode(const TMonitorStatus& status) {
    if (!status.AddressPublic)
        return ExitFailure;
    for (const TGroupStatus& g : status.Groups)
        if (g.Enabled && !g.UpToDate)
            return ExitFailure;
    return ExitSuccess;
}

std::string StatusText(const TMonitorStatus& s) {
    std::string out;
    auto line = [&out](const std::string& label, const std::string& value) {
        out += label;
        out.append(label.size() < 16 ? 16 - label.size() : 1, ' ');
        out += value + "\n";
    };
    line("Configuration:", s.ConfigPath);
    std::string address = s.CurrentAddress.empty() ? "none known" : s.CurrentAddress;
    if (!s.CurrentAddress.empty() && !s.AddressPublic)
        address += " (not public)";
    if (s.LastChecked)
        address += ", checked " + s.LastChecked->ToIsoString();
    line("Current IP:", address);
    line("Next check:", s.NextCheck ? s.NextCheck->ToIsoString()
                                    : std::string(s.MonitorPid == 0 ? "none (no monitor runs)"
                                                                    : "none (automatic check is off)"));
    line("Monitor:", s.MonitorPid == 0 ? std::string("not running")
                                       : "running (pid " + std::to_string(s.MonitorPid) + ")");
    if (s.Groups.empty())
        out += "\nNo host group.\n";
    for (const TGroupStatus& g : s.Groups) {
        out += "\nGroup " + g.Name + (g.Enabled ? "" : " (disabled)") + "\n";
        line("  Hosts:", g.Hosts.empty() ? std::string("none") : JoinHosts(g.Hosts, ", "));
        line("  Address sent:", g.Address.empty() ? std::string("none yet") : g.Address);
        if (g.IPv6)
            line("  IPv6 sent:", g.Address6.empty() ? std::string("none yet") : g.Address6);
        line("  Last update:", TextStamp(g.LastUpdate, "none yet"));
        line("  Result:", ResultWord(g.Result) + (g.Answer.empty() ? "" : " (" + g.Answer + ")"));
        line("  Blocked:", g.Blocked ? "yes, until its settings are saved again" : "no");
        line("  Up to date:", g.UpToDate ? "yes" : "no");
    }
    return out;
}

std::string StatusJson(const TMonitorStatus& s) {
    std::string out = "{";
    out += "\"config\":" + JsonString(s.ConfigPath);
    out +=
        ",\"current_ip\":" + (s.CurrentAddress.empty() ? std::string("null") : JsonString(s.CurrentAddress));
    out += ",\"current_ip_public\":" + JsonBool(s.AddressPublic);
    out += ",\"last_checked\":" + JsonStamp(s.LastChecked);
    out += ",\"next_check\":" + JsonStamp(s.NextCheck);
    out += ",\"auto_check\":" + JsonBool(s.AutoCheck);
    out += ",\"monitor\":" +
           (s.MonitorPid == 0 ? std::string("null") : "{\"pid\":" + std::to_string(s.MonitorPid) + "}");
    out += ",\"groups\":[";
    for (std::size_t i = 0; i < s.Groups.size(); ++i) {
        const TGroupStatus& g = s.Groups[i];
        if (i > 0)
            out += ",";
        out += "{\"name\":" + JsonString(g.Name);
        out += ",\"enabled\":" + JsonBool(g.Enabled);
        out += ",\"hosts\":[";
        for (std::size_t h = 0; h < g.Hosts.size(); ++h)
            out.append(h > 0 ? "," : "").append(JsonString(g.Hosts[h]));
        out += "]";
        out += ",\"ip\":" + (g.Address.empty() ? std::string("null") : JsonString(g.Address));
        out += ",\"ipv6\":" + JsonBool(g.IPv6);
        out += ",\"ip6\":" + (g.Address6.empty() ? std::string("null") : JsonString(g.Address6));
        out += ",\"last_update\":" + JsonStamp(g.LastUpdate);
        out += ",\"result\":" + JsonString(ResultWord(g.Result));
        out += ",\"result_class\":" + std::to_string(g.Result);
        out += ",\"answer\":" + JsonString(g.Answer);
        out += ",\"blocked\":" + JsonBool(g.Blocked);
        out += ",\"up_to_date\":" + JsonBool(g.UpToDate);
        out += "}";
    }
    out += "]}\n";
    return out;
}

std::string StatusConfigPath(const std::vector<std::string>& configArgs, const std::string& programPath) {
    const std::string named = CommandLineCandidate(configArgs, programPath);
    if (!named.empty())
        return named;
    const std::string programName = programPath.substr(programPath.rfind('/') + 1);
    const std::string beside = CommandLineCandidate({programName}, programPath);
    struct stat st {};
    if (::stat(beside.c_str(), &st) == 0)
        return beside;
    return UserDataFolder() + "/" + CommandLineCandidate({programName}, "/").substr(1);
}

int RunStatus(const TCommandLine& cl, std::ostream& out, std::ostream& err) {
    // Only read: the configuration is looked for without the write probe, which would create it
    // (and fall back to another file where this user may not write the service's).
    const std::string path = StatusConfigPath(cl.ConfigArgs, ProgramPath());
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        err << "hostaq: " << path << " does not exist: no monitor has been set up with it\n";
        return ExitFailure;
    }
    // A file this user may not read would read as an empty one: say so instead.
    if (::access(path.c_str(), R_OK) != 0) {
        err << "hostaq: " << path << " cannot be read: " << std::strerror(errno) << "\n";
        return ExitFailure;
    }
    SetConfigPath(path);
    LoadMessages();
    const TMonitorStatus status = ReadMonitorStatus(path);
    out << (cl.Json ? StatusJson(status) : StatusText(status));
    out.flush();
    return StatusExitCode(status);
}

} // namespace hostaq
