#include "groups/UpdateDecision.h"

#include "config/Clock.h"
#include "config/ConfigKeys.h"
#include "config/IniFile.h"
#include "config/Messages.h"
#include "groups/DynAcc.h"
#include "groups/GroupMessages.h"
#include "groups/UpdateReport.h"
#include "log/Log.h"

namespace hostaq {

namespace {

bool NewConfig(const std::string& path, const std::string& group) {
    return ReadBoolChecked(path, group, "NewConfig", false);
}

bool Enabled(const std::string& path, const std::string& group) {
    return ReadBoolChecked(path, group, "Enable", true);
}

} // namespace

TUpdateDecision NeedsUpdate(const std::string& path, const std::string& groupName,
                            const std::string& currentAddress, int forceUpdateDays, bool offline, bool forced,
                            const std::string& address6) {
    if (offline || forced)
        return {true, ClassNoError};
    const bool enabled = Enabled(path, groupName);
    if (enabled && NewConfig(path, groupName)) {
        IniWriteBool(path, groupName, "NewConfig", false);
        return {true, ClassNoError};
    }
    if (!enabled) {
        AddLog(LogWarning, FormatMsg(MsgGroupDisabled, {groupName}));
        return {false, ClassNoError};
    }
    if (ReadGroupResult(path, groupName) == ClassBlocked) {
        const std::string text = FormatMsg(MsgGroupBlocked, {groupName});
        AddLog(LogError, text, {TLogEvent::GroupBlocked, groupName, "", currentAddress, ""});
        UpdateReport().Append(text + "\r\n\r\n");
        return {false, ClassBlocked};
    }
    if (currentAddress != ReadGroupIP(path, groupName))
        return {true, ClassNoError};
    if (!address6.empty() && address6 != ReadGroupIP6(path, groupName))
        return {true, ClassNoError};
    if (ReadGroupLastUpdate(path, groupName).AddDays(forceUpdateDays) <= Now()) {
        AddLog(LogNormal, FormatMsg(MsgGroupForced, {groupName}));
        return {true, ClassNoError};
    }
    const std::string text = FormatMsg(MsgGroupNoNeed, {groupName});
    AddLog(LogNormal, text);
    UpdateReport().Append(text + "\r\n\r\n");
    return {false, ClassNoError};
}

TUpdateDue AnyGroupNeedsUpdate(const std::string& path, const std::string& newAddress,
                               const std::string& lastAddress, const std::vector<std::string>& groupNames,
                               bool manual, const TGroupAddresses6& addresses6) {
    if (newAddress != lastAddress) {
        const std::string mode = Msg(manual ? MsgModeManual : MsgModeAutomatic);
        return {true,
                FormatMsg(MsgIPChanges, {lastAddress, newAddress, mode}),
                {TLogEvent::AddressChanged, "", "", newAddress, ""}};
    }
    for (const std::string& group : groupNames) {
        FixFutureLastUpdate(path, group);
        const bool enabled = Enabled(path, group);
        if (enabled && NewConfig(path, group))
            return {true, Msg(MsgGroupsChanged), {}};
        if (!enabled || ReadGroupResult(path, group) == ClassBlocked)
            continue;
        if (ReadGroupIP(path, group) != newAddress)
            return {true, Msg(MsgGroupNeedsUpdate), {}};
        const auto ip6 = addresses6.find(group);
        if (ip6 != addresses6.end() && !ip6->second.empty()) {
            const std::string sent = ReadGroupIP6(path, group);
            if (ip6->second != sent) {
                const std::string mode = Msg(manual ? MsgModeManual : MsgModeAutomatic);
                return {true,
                        FormatMsg(MsgIPv6Changes, {group, sent, ip6->second, mode}),
                        {TLogEvent::AddressChanged, group, "", ip6->second, ""}};
            }
        }
    }
    return {};
}

} // namespace hostaq
