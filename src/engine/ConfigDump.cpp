#include "engine/ConfigDump.h"

#include "config/ConfigKeys.h"
#include "config/IniFile.h"
#include "config/Messages.h"
#include "config/ProviderConstants.h"
#include "config/Version.h"
#include "engine/EngineMessages.h"
#include "engine/StatusTexts.h"
#include "groups/DynAcc.h"
#include "ipdetect/AddressList.h"
#include "log/DateFormat.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace hostaq {

namespace {
// Captions of the dump that the message table does not carry.
constexpr const char* TextDumpedOn = "Dumped on: %s";
constexpr const char* TextConnectionSettings = "Connection Settings";
constexpr const char* TextAddressSettings = "IP Address Settings";
constexpr const char* TextDetectServer = "Server used to detect IP address:";
constexpr const char* TextPrivateAddresses = "Private IP Address Information";
constexpr const char* TextCheckingInterval = "IP address checking interval:";
constexpr const char* TextLastChecked = "%s%s %s, last checked on %s";
constexpr const char* TextAutomaticUpdate = "Automatic Update";
constexpr const char* TextForceWithin = "Force update within:";
constexpr const char* TextGroupsAndHosts = "Group(s) and host(s)";
constexpr const char* TextGroup = "%sGroup %s:";
constexpr const char* TextProvider = "Provider";
constexpr const char* TextProfile = "Profile:";
constexpr const char* TextUsername = "Username:";
constexpr const char* TextAboutComputer = "About the computer";
constexpr const char* TextLoginUsername = "Login username:";
constexpr const char* TextDetectedAddresses = "Detected IP address(es):";
constexpr const char* TextIPv6Source = "IPv6 address source:";
constexpr const char* TextIPv6Group = "IPv6 (AAAA) address sent:";
constexpr const char* TextIPv6Suffix = "IPv6 suffix:";
constexpr const char* TextClosingNotice = "End of configuration information. Passwords are never part of it.";
constexpr const char* DumpTimeFormat = "MM/dd/yyyy HH:mm:ss";

std::string Title(const std::string& title) {
    return "**** " + title + " ****";
}

std::string Trim(const std::string& text) {
    const std::size_t b = text.find_first_not_of(" \t");
    if (b == std::string::npos)
        return {};
    const std::size_t e = text.find_last_not_of(" \t");
    return text.substr(b, e - b + 1);
}
} // namespace

std::vector<std::string> BuildConfigDump(const TDumpInput& in) {
    const std::string tab = "\t";
    const std::string tab2 = "\t\t";
    std::vector<std::string> out;
    out.push_back(FormatMsg(MsgDumpTitle, {AppTitle}));
    out.push_back(FormatText(TextDumpedOn, {FormatDateTime(DumpTimeFormat, in.Now)}));
    out.emplace_back();
    out.emplace_back();

    out.push_back(Title(TextConnectionSettings));
    out.push_back(tab + Msg(MsgConnectionType) + " " + in.ConnectionType);
    out.emplace_back();

    out.push_back(Title(TextAddressSettings));
    if (in.UseManualIP) {
        out.push_back(tab + Msg(MsgAddressManual));
    } else {
        out.push_back(tab + Msg(MsgAddressAutomatic));
        out.push_back(tab + TextDetectServer + " " + ReadString(in.ConfigPath, Keys::ServerIP));
    }
    out.push_back(tab + TextPrivateAddresses);
    for (const std::string& line : SplitLines(in.LocalList)) {
        const std::string entry = Trim(line);
        if (!entry.empty())
            out.push_back(tab2 + entry);
    }
    if (in.IPv6InUse) {
        std::string source = ReadString(in.ConfigPath, Keys::IPv6Source);
        const std::string where = Trim(ReadString(in.ConfigPath, Keys::IPv6Interface));
        if (source == "page")
            source += " " + ReadString(in.ConfigPath, Keys::IPv6CheckPage);
        else if (source == "interface" && !where.empty())
            source += " " + where;
        if (ReadBool(in.ConfigPath, Keys::IPv6AllowTemporary))
            source += ", temporary addresses allowed";
        out.push_back(tab + TextIPv6Source + " " + source);
    }
    out.push_back(tab + TextCheckingInterval + " " + in.CheckingInterval);
    out.push_back(tab + Msg(MsgUpdatedIP) + " " + in.UpdatedAddress);
    const auto checked = ReadStampChecked(in.ConfigPath, Keys::LastChecked.Section, Keys::LastChecked.Key);
    out.push_back(
        FormatText(TextLastChecked, {tab, Msg(MsgCurrentIP), in.CurrentAddress,
                                     checked ? FormatDateTime(DumpTimeFormat, *checked) : Msg(MsgUnknown)}));
    out.emplace_back();

    out.push_back(Title(TextAutomaticUpdate));
    out.push_back(tab + Msg(MsgAutomaticUpdate) + " " + Msg(in.AutoCheck ? MsgEnable : MsgDisable));
    out.push_back(
        FormatText("%s%s %s %s", {tab, TextForceWithin, std::to_string(in.ForceUpdateDays), Msg(MsgDays)}));
    out.push_back(tab + Msg(MsgLastUpdated) + " " + in.LastUpdated);
    out.push_back(tab + Msg(MsgNextForceUpdate) + " " + in.NextForceUpdate);
    out.emplace_back();

    out.push_back(Title(TextGroupsAndHosts));
    out.push_back(tab + Msg(MsgTotalGroups) + " " + in.TotalGroups);
    out.push_back(tab + Msg(MsgTotalHosts) + " " + in.TotalHosts);
    for (const std::string& name : in.GroupNames) {
        TDynAcc group;
        LoadGroup(in.ConfigPath, name, group);
        const bool builtIn = group.Provider == BuiltInProvider;
        out.push_back(FormatText(TextGroup, {tab, name}));
        out.push_back(tab2 + FormatText("%s: %s", {TextProvider, group.Provider}));
        if (!builtIn)
            out.push_back(tab2 + TextProfile + " " + group.Profile);
        out.push_back(tab2 + TextUsername + " " + group.UserID);
        out.push_back(tab2 + Msg(MsgLastUpdated) + " " +
                      LongTimeAgo(ReadGroupLastUpdate(in.ConfigPath, name), in.Now));
        if (group.IPv6) {
            const std::string sent = ReadGroupIP6(in.ConfigPath, name);
            out.push_back(tab2 + TextIPv6Group + " " + (sent.empty() ? Msg(MsgNoIPv6Address) : sent));
            if (!group.IPv6Suffix.empty())
                out.push_back(tab2 + TextIPv6Suffix + " " + group.IPv6Suffix);
        }
        out.push_back(FormatText("%s%s %d", {tab2, Msg(MsgTotalHosts), std::to_string(group.NumOfHosts)}));
        for (int i = 0; i < group.NumOfHosts && i < MaxHostsPerGroup; ++i) {
            const std::string& host = group.Hosts[static_cast<std::size_t>(i)];
            if (host.empty())
                continue;
            std::string line = tab2 + tab + host;
            if (builtIn)
                line += std::string(" (") + SystemName(group.Type) + ")";
            // A host named like one of the group's own keys has no result of its own there.
            if (!IsGroupConfigKey(host) && IniValueExists(in.ConfigPath, name, host))
                line += ": " + IniReadString(in.ConfigPath, name, host, "");
            out.push_back(line);
        }
    }
    out.emplace_back();

    out.push_back(Title(TextAboutComputer));
    out.push_back(FormatText("%s%s: %s", {tab, Msg(MsgHostname), in.HostName}));
    out.push_back(tab + TextLoginUsername + " " + in.LoginName);
    out.push_back(tab + TextDetectedAddresses + " " + in.HostAddresses);
    out.emplace_back();

    out.emplace_back();
    out.emplace_back();
    out.push_back(TextClosingNotice);
    return out;
}

bool WriteDumpFile(const std::string& fileName, const std::vector<std::string>& lines, std::string& error) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    const std::string temp = fileName + ".tmpXXXXXX";
    std::string name = temp;
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    std::size_t done = 0;
    bool ok = true;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ok = false;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    if (ok && ::fsync(fd) != 0)
        ok = false;
    if (!ok)
        error = std::strerror(errno);
    ::close(fd);
    if (ok && ::rename(name.c_str(), fileName.c_str()) != 0) {
        error = std::strerror(errno);
        ok = false;
    }
    if (!ok)
        ::unlink(name.c_str());
    return ok;
}

} // namespace hostaq
