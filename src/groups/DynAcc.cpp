#include "groups/DynAcc.h"

#include "config/Clock.h"
#include "config/ConfigKeys.h"
#include "config/ErrorReporter.h"
#include "config/IniFile.h"
#include "config/Messages.h"
#include "config/ProviderConstants.h"
#include "config/Scramble.h"
#include "config/Stamp.h"
#include "config/Text.h"
#include "config/Version.h"
#include "groups/GroupMessages.h"

#include <algorithm>
#include <strings.h>

namespace hostaq {

namespace {

std::string HostKey(int i) {
    return "Host" + std::to_string(i);
}

// Writes the group's keys in their stored order into a document.
void WriteGroup(TIniDocument& doc, const std::string& name, const TDynAcc& g) {
    doc.EraseSection(name);
    doc.WriteBool(name, "NewConfig", true);
    doc.WriteInteger(name, "Type", g.Type);
    doc.WriteString(name, "UserID", g.UserID);
    doc.WriteString(name, "Provider", g.Provider);
    doc.WriteString(name, "Profile", g.Profile);
    if (!g.Password.empty())
        doc.WriteString(name, "Password", ScramblePassword(g.Password));
    const int hosts = std::clamp(g.NumOfHosts, 0, MaxHostsPerGroup);
    doc.WriteInteger(name, "NumOfHosts", hosts);
    for (int i = 1; i <= hosts; ++i)
        doc.WriteString(name, HostKey(i), g.Hosts[static_cast<std::size_t>(i - 1)]);
    doc.WriteBool(name, "Wildcard", g.Wildcard);
    doc.WriteString(name, "MailEx", g.MailEx);
    doc.WriteBool(name, "BackupMX", g.BackupMX);
    doc.WriteBool(name, "Enable", g.Enable);
    doc.WriteBool(name, "Secure", g.Secure);
    // A group that never asked for IPv6 is saved exactly as one of a program without it.
    if (g.IPv6 || !g.IPv6Suffix.empty()) {
        doc.WriteBool(name, Keys::GroupIPv6.Key, g.IPv6);
        doc.WriteString(name, Keys::GroupIPv6Suffix.Key, g.IPv6Suffix);
    }
}

} // namespace

const char* SystemName(int type) {
    switch (type) {
    case SystemStatdns:
        return "statdns";
    case SystemCustom:
        return "custom";
    default:
        return "hostaq";
    }
}

void InitGroup(TDynAcc& group) {
    group = TDynAcc{};
    group.Provider = BuiltInProvider;
}

void LoadGroup(const std::string& path, const std::string& name, TDynAcc& g) {
    InitGroup(g);
    if (!IniSectionExists(path, name))
        return;
    g.Type = ReadIntegerChecked(path, name, "Type", g.Type);
    g.UserID = IniReadString(path, name, "UserID", g.UserID);
    g.Provider = IniReadString(path, name, "Provider", g.Provider);
    g.Profile = IniReadString(path, name, "Profile", g.Profile);
    bool damaged = false;
    g.Password = ReadGroupPassword(path, name, &damaged);
    if (damaged)
        ReportWarningOnce(FormatMsg(MsgGroupPasswordDamaged, {name}));
    // The record holds 20 hosts; a hand-edited larger count loads the first 20.
    g.NumOfHosts =
        std::clamp(ReadIntegerChecked(path, name, "NumOfHosts", g.NumOfHosts), 0, MaxHostsPerGroup);
    for (int i = 1; i <= g.NumOfHosts; ++i)
        g.Hosts[static_cast<std::size_t>(i - 1)] = IniReadString(path, name, HostKey(i), "");
    g.Wildcard = ReadBoolChecked(path, name, "Wildcard", g.Wildcard);
    g.MailEx = IniReadString(path, name, "MailEx", g.MailEx);
    g.BackupMX = ReadBoolChecked(path, name, "BackupMX", g.BackupMX);
    g.Enable = ReadBoolChecked(path, name, "Enable", g.Enable);
    g.Secure = ReadBoolChecked(path, name, "Secure", g.Secure);
    g.IPv6 = ReadGroupBool(path, name, Keys::GroupIPv6);
    g.IPv6Suffix = ReadGroupString(path, name, Keys::GroupIPv6Suffix);
}

void WriteGroupTo(TIniDocument& doc, const std::string& name, const TDynAcc& group) {
    WriteGroup(doc, name, group);
}

bool SaveGroup(const std::string& path, const std::string& name, const TDynAcc& group) {
    return IniUpdate(path, [&](TIniDocument& doc) {
        WriteGroup(doc, name, group);
        return true;
    });
}

bool IsGroupSection(const std::string& path, const std::string& name) {
    const std::vector<std::string> keys = IniReadSection(path, name);
    auto has = [&](const char* key) {
        return std::any_of(keys.begin(), keys.end(),
                           [&](const std::string& k) { return strcasecmp(k.c_str(), key) == 0; });
    };
    return has("UserID") && has("Password") && has("Type") && has("NumOfHosts");
}

std::string SplitGroupName(const std::string& name, int type) {
    return name + " (" + SystemName(type) + ")";
}

bool SplitNameTaken(const std::string& path, const std::string& name) {
    for (int type : {SystemHostaq, SystemStatdns, SystemCustom})
        if (IniSectionExists(path, SplitGroupName(name, type)))
            return true;
    return false;
}

TGroupCounts CountGroups(const std::string& path) {
    TGroupCounts counts;
    std::vector<std::string> seen;
    for (const std::string& name : IniReadSections(path)) {
        if (std::any_of(seen.begin(), seen.end(),
                        [&](const std::string& s) { return strcasecmp(s.c_str(), name.c_str()) == 0; }))
            continue;
        seen.push_back(name);
        if (!IsGroupSection(path, name))
            continue;
        const int hosts = ReadIntegerChecked(path, name, "NumOfHosts", 0);
        ++counts.Groups;
        counts.Hosts += hosts;
        if (!ReadBoolChecked(path, name, "Enable", true)) {
            ++counts.DisabledGroups;
            counts.DisabledHosts += hosts;
        }
        counts.Names.push_back(name);
    }
    return counts;
}

bool AnyGroup(const std::string& path) {
    for (const std::string& name : IniReadSections(path))
        if (IsGroupSection(path, name))
            return true;
    return false;
}

TDateTime ReadGroupLastUpdate(const std::string& path, const std::string& name) {
    if (auto t = ReadStampChecked(path, name, "LastUpdate"))
        return *t;
    return Now().AddDays(365);
}

std::string ReadGroupIP(const std::string& path, const std::string& name) {
    return IniReadString(path, name, "IP", "");
}

std::string ReadGroupIP6(const std::string& path, const std::string& name) {
    return ReadGroupString(path, name, Keys::GroupIP6);
}

int ReadGroupResult(const std::string& path, const std::string& name) {
    return ReadIntegerChecked(path, name, "UpdateResult", 0);
}

void FixFutureLastUpdate(const std::string& path, const std::string& name) {
    if (!IsGroupSection(path, name) || !ReadBoolChecked(path, name, "Enable", true))
        return;
    const auto last = ReadStampChecked(path, name, "LastUpdate");
    const TDateTime now = Now();
    if (last && *last > now)
        IniWriteString(path, name, "LastUpdate", EncodeStamp(now));
}

bool DeleteGroup(const std::string& path, const std::string& name) {
    return IniEraseSection(path, name);
}

bool RenameGroup(const std::string& path, const std::string& oldName, const std::string& newName,
                 const TDynAcc& group) {
    return IniUpdate(path, [&](TIniDocument& doc) {
        doc.EraseSection(oldName);
        WriteGroup(doc, newName, group);
        return true;
    });
}

bool IsGroupConfigKey(const std::string& name) {
    static const char* const Fixed[] = {
        "NewConfig", "Type",     "UserID", "Provider", "Profile",    "Password", "NumOfHosts",   "Wildcard",
        "MailEx",    "BackupMX", "Enable", "Secure",   "LastUpdate", "IP",       "UpdateResult", "ReturnStr"};
    for (const char* key : Fixed)
        if (strcasecmp(name.c_str(), key) == 0)
            return true;
    for (const TGroupKey* key : AllGroupKeys())
        if (strcasecmp(name.c_str(), key->Key) == 0)
            return true;
    if (name.size() > 4 && strncasecmp(name.c_str(), "Host", 4) == 0) {
        int n = 0;
        return ParseIniInteger(name.substr(4), n) && n >= 1 && n <= MaxHostsPerGroup &&
               name.substr(4) == std::to_string(n);
    }
    return false;
}

std::string CheckGroupName(const std::string& name) {
    // The name is shown with its control characters made blanks: it may come from anywhere.
    auto refused = [&](int why) { return FormatMsg(MsgGroupNameRefused, {CleanText(name), Msg(why)}); };
    auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    if (std::all_of(name.begin(), name.end(), isBlank))
        return FormatMsg(MsgGroupNameNeeded, {AppTitle, "\r"});
    if (isBlank(name.front()) || isBlank(name.back()))
        return refused(MsgGroupNameBlankEnd);
    if (std::any_of(name.begin(), name.end(),
                    [](char c) { return static_cast<unsigned char>(c) < ' ' || c == '\x7F'; }))
        return refused(MsgGroupNameControl);
    if (name.front() == '[' || name.front() == ';')
        return refused(MsgGroupNameStart);
    if (name.find(']') != std::string::npos)
        return refused(MsgGroupNameBracket);
    // The sections the program keeps its settings, state and window places in.
    static const char* const Own[] = {
        "Options",     "Connection",  "IPAddress",  "Update",        "Dialer",      "Logging",
        "CustomIcons", "Offline",     "Run",        "DisconnectRun", "CheckUpdate", "FileLocation",
        "SvcProvider", "SettingForm", "FormWindow", "LogWindow",     "Dialogs",     "LocalIP"};
    for (const char* own : Own)
        if (strcasecmp(name.c_str(), own) == 0)
            return refused(MsgGroupNameReserved);
    for (const TConfigKey* key : AllConfigKeys())
        if (strcasecmp(name.c_str(), key->Section) == 0)
            return refused(MsgGroupNameReserved);
    return {};
}

std::string ReadGroupPassword(const std::string& path, const std::string& name, bool* damaged) {
    if (damaged)
        *damaged = false;
    const std::string stored = IniReadString(path, name, "Password", "");
    if (stored.empty())
        return {};
    bool malformed = false;
    std::string plain = UnscramblePassword(stored, &malformed);
    if (!malformed)
        return plain;
    if (damaged)
        *damaged = true;
    return {};
}

} // namespace hostaq
