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

bool ForceDue(const std::string& path, const std::string& group, int forceUpdateDays) {
    return ReadGroupLastUpdate(path, group).AddDays(forceUpdateDays) <= Now();
}

// What every check asks a group first: a changed configuration makes it due, and a disabled or
// blocked group is passed over. Corrects a future LastUpdate stamp on the way.
enum class TGate { Changed, Skipped, Open };

TGate GroupGate(const std::string& path, const std::string& group) {
    FixFutureLastUpdate(path, group);
    const bool enabled = Enabled(path, group);
    if (enabled && NewConfig(path, group))
        return TGate::Changed;
    if (!enabled || ReadGroupResult(path, group) == ClassBlocked)
        return TGate::Skipped;
    return TGate::Open;
}

// A group whose IPv6 address is not the one it sent last.
TUpdateDue IPv6Due(const std::string& path, const std::string& group, const TGroupAddresses6& addresses6,
                   bool manual) {
    const auto ip6 = addresses6.find(group);
    if (ip6 == addresses6.end() || ip6->second.empty())
        return {};
    const std::string sent = ReadGroupIP6(path, group);
    if (ip6->second == sent)
        return {};
    const std::string mode = Msg(manual ? MsgModeManual : MsgModeAutomatic);
    return {true,
            FormatMsg(MsgIPv6Changes, {group, sent, ip6->second, mode}),
            {TLogEvent::AddressChanged, group, "", ip6->second, ""}};
}

} // namespace

TUpdateDecision NeedsUpdate(const std::string& path, const std::string& groupName,
                            const std::string& currentAddress, int forceUpdateDays, bool offline, bool forced,
                            const std::string& address6, bool withoutIPv4) {
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
    if (!withoutIPv4 && currentAddress != ReadGroupIP(path, groupName))
        return {true, ClassNoError};
    if (!address6.empty() && address6 != ReadGroupIP6(path, groupName))
        return {true, ClassNoError};
    if (ForceDue(path, groupName, forceUpdateDays)) {
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
        const TGate gate = GroupGate(path, group);
        if (gate == TGate::Changed)
            return {true, Msg(MsgGroupsChanged), {}};
        if (gate == TGate::Skipped)
            continue;
        if (ReadGroupIP(path, group) != newAddress)
            return {true, Msg(MsgGroupNeedsUpdate), {}};
        if (TUpdateDue due = IPv6Due(path, group, addresses6, manual); due.Due)
            return due;
    }
    return {};
}

TUpdateDue AnyGroupNeedsUpdateIPv6Only(const std::string& path, const std::vector<std::string>& groupNames,
                                       bool manual, const TGroupAddresses6& addresses6, int forceUpdateDays) {
    for (const std::string& group : groupNames) {
        if (addresses6.find(group) == addresses6.end())
            continue;
        const TGate gate = GroupGate(path, group);
        if (gate == TGate::Changed)
            return {true, Msg(MsgGroupsChanged), {}};
        if (gate == TGate::Skipped)
            continue;
        if (TUpdateDue due = IPv6Due(path, group, addresses6, manual); due.Due)
            return due;
        // The run's decision names the group.
        if (ForceDue(path, group, forceUpdateDays))
            return {true, Msg(MsgGroupNeedsUpdate), {}};
    }
    return {};
}

} // namespace hostaq
