#include "engine/Engine.h"

#include "config/ConfigKeys.h"
#include "config/ConfigPath.h"
#include "config/ErrorReporter.h"
#include "config/IniFile.h"
#include "config/Messages.h"
#include "config/Text.h"
#include "config/Version.h"
#include "engine/EngineMessages.h"
#include "groups/UpdateUrl.h"
#include "ipdetect/IPv6Choice.h"
#include "log/Log.h"

#include <algorithm>

#include <strings.h>

namespace hostaq {

namespace {

enum class TIPv6Source { Interface, Page, Manual };

TIPv6Source ReadIPv6Source() {
    const std::string text = TrimBlanks(ReadString(Keys::IPv6Source));
    if (strcasecmp(text.c_str(), "page") == 0)
        return TIPv6Source::Page;
    if (strcasecmp(text.c_str(), "manual") == 0)
        return TIPv6Source::Manual;
    if (!text.empty() && strcasecmp(text.c_str(), "interface") != 0)
        ReportWarningOnce(FormatMsg(MsgIPv6SourceUnknown, {text}));
    return TIPv6Source::Interface;
}

} // namespace

// The groups that keep AAAA records, as every refresh loads them.
void TEngine::LoadIPv6Groups() {
    ipv6Groups_.clear();
    for (const std::string& name : groupNames_)
        if (ReadGroupBool(ConfigPath(), name, Keys::GroupIPv6))
            ipv6Groups_.push_back(name);
    updatedAddress6_ = ipv6Groups_.empty() ? std::string() : ReadGroupIP6(ConfigPath(), ipv6Groups_.front());
    if (ipv6Groups_.empty())
        currentAddress6_.clear();
}

// Part of every address check when a group keeps AAAA records: the interface and manual
// sources answer at once; the check page is read on a worker, and the check ends when both
// pages have been read.
void TEngine::CheckIPv6Address() {
    if (ipv6Groups_.empty())
        return;
    switch (ReadIPv6Source()) {
    case TIPv6Source::Manual: {
        const std::string manual = TrimBlanks(ReadString(Keys::IPv6ManualIP));
        const auto bytes = ParseIPv6(manual);
        if (bytes && IsGlobalUnicast(*bytes))
            IPv6CheckDone(FormatIPv6(*bytes), {});
        else
            IPv6CheckDone({}, FormatMsg(MsgIPv6ManualNotPublic, {manual}));
        return;
    }
    case TIPv6Source::Page: {
        // Before the first check nothing is known; the stored address of the groups stays.
        if (cycleState_ == CycleStarting || ipv6CheckPending_)
            return;
        TCheckSettings settings = EngineCheckSettings({});
        settings.ServerURL = TrimBlanks(ReadString(Keys::IPv6CheckPage));
        settings.IPv6 = true;
        // Read directly: through a proxy the page would show the proxy's address.
        settings.ProxyHost.clear();
        settings.ProxyUser.clear();
        settings.ProxyPass.clear();
        if (settings.ServerURL.empty()) {
            IPv6CheckDone({}, Msg(MsgIPv6NoCheckPage));
            return;
        }
        ipv6CheckPending_ = true;
        std::weak_ptr<bool> alive = alive_;
        services_.WebChecker->Start(
            settings,
            [this, alive, url = settings.ServerURL](const std::string& address, const std::string& failure) {
                if (alive.expired())
                    return;
                if (address.empty())
                    IPv6CheckDone({}, FormatText(TextCheckFailed,
                                                 {url, failure.empty() ? TextNoAddressShown : failure}));
                else
                    IPv6CheckDone(address, {});
            },
            [this, alive] {
                if (!alive.expired())
                    ipv6CheckPending_ = false;
            });
        return;
    }
    case TIPv6Source::Interface: {
        std::string error;
        const std::vector<TIPv6Candidate> candidates = services_.IPv6Addresses(&error);
        TIPv6ChoiceOptions options;
        options.AllowTemporary = ReadBool(Keys::IPv6AllowTemporary);
        options.Interface = TrimBlanks(ReadString(Keys::IPv6Interface));
        const auto chosen = ChooseIPv6Address(candidates, options);
        if (chosen)
            IPv6CheckDone(FormatIPv6(chosen->Address), chosen->Interface);
        else if (!error.empty())
            IPv6CheckDone({}, error);
        else if (!options.Interface.empty())
            IPv6CheckDone({}, FormatMsg(MsgIPv6NoneOnInterface, {options.Interface}));
        else
            IPv6CheckDone({}, Msg(MsgIPv6NoneOnMachine));
        return;
    }
    }
}

// address: the public IPv6 address found, or empty; note: where it was found (an interface), or
// why none was found. A new address is logged once; so is its absence until one appears.
void TEngine::IPv6CheckDone(const std::string& address, const std::string& note) {
    if (address.empty()) {
        currentAddress6_.clear();
        if (!ipv6MissingLogged_) {
            ipv6MissingLogged_ = true;
            AddLog(LogWarning, FormatMsg(MsgIPv6Missing, {note}));
        }
        return;
    }
    ipv6MissingLogged_ = false;
    if (address != currentAddress6_) {
        currentAddress6_ = address;
        AddLog(LogNormal, note.empty() ? FormatMsg(MsgIPv6Current, {address})
                                       : FormatMsg(MsgIPv6CurrentOn, {address, note}));
    }
}

TGroupAddresses6 TEngine::GroupAddresses6() const {
    TGroupAddresses6 result;
    const auto machine = ParseIPv6(currentAddress6_);
    if (!machine)
        return result;
    for (const std::string& name : ipv6Groups_) {
        const std::string suffix = TrimBlanks(ReadGroupString(ConfigPath(), name, Keys::GroupIPv6Suffix));
        if (suffix.empty()) {
            result[name] = currentAddress6_;
            continue;
        }
        // A suffix the group editor would refuse sends no IPv6 address: a wrong one is worse.
        if (const auto withSuffix = ApplyIPv6Suffix(*machine, suffix))
            result[name] = FormatIPv6(*withSuffix);
        else
            ReportWarningOnce(FormatMsg(MsgIPv6SuffixBad, {CleanText(suffix), name}));
    }
    return result;
}

namespace {
bool GroupEnabled(const std::string& name) {
    return ReadBoolChecked(ConfigPath(), name, "Enable", true);
}
} // namespace

TGroupAddresses6 TEngine::IPv6OnlyGroups() {
    TGroupAddresses6 groups = GroupAddresses6();
    std::erase_if(groups, [](const auto& entry) {
        return !GroupEnabled(entry.first) || RequestNeedsIPv4(ConfigPath(), entry.first);
    });
    return groups;
}

bool TEngine::IPv6ServesAllGroups() {
    const TGroupAddresses6 served = IPv6OnlyGroups();
    return !served.empty() &&
           std::all_of(groupNames_.begin(), groupNames_.end(), [&](const std::string& name) {
               return served.count(name) > 0 || !GroupEnabled(name);
           });
}

// A finished check without a public IPv4 address (none found, a refused one, or a failed check).
// Groups that keep AAAA records and know their IPv6 address are still sent, with that address
// alone; the IPv4 state of every group (IP, Update/IP) stays as it is, so the IPv4 rules work as
// before once an address comes back. Groups that need IPv4 take the usual way: the refusal (or
// the retry of a failed check) with its lines, every check. False when no group can go this way.
bool TEngine::ProcessIPv6OnlyCheck(bool forceRun) {
    const TGroupAddresses6 served = IPv6OnlyGroups();
    if (served.empty())
        return false;
    const bool allServed = IPv6ServesAllGroups();
    if (!allServed) {
        if (CurrentAddressRefused())
            RefuseNoPublicAddress();
        else
            RetryFailedCheck();
    } else {
        // Nothing waits for IPv4: the machine is served, and its state is the normal one.
        RebuildTrayHint();
        ShowTrayState(TrayNormal);
        ResetStoredResults();
        WriteInteger(Keys::UpdateLastStatus, TrayNormal);
    }
    // Said once per group until a public IPv4 address is found again.
    const TGroupAddresses6 known = GroupAddresses6();
    for (const std::string& name : groupNames_) {
        if (known.count(name) == 0 || !GroupEnabled(name) || !ipv4LeftOutLogged_.insert(name).second)
            continue;
        if (served.count(name) > 0)
            AddLog(LogWarning, FormatMsg(MsgIPv4LeftOut, {name}));
        else
            AddLog(LogWarning, FormatMsg(MsgIPv4NeededByProfile,
                                         {name, IniReadString(ConfigPath(), name, "Profile", "")}));
    }
    TUpdateDue due;
    if (forceRun)
        due = {true, Msg(MsgManualUpdate), {}};
    else
        due = AnyGroupNeedsUpdateIPv6Only(ConfigPath(), groupNames_, useManualIP_, served, forceUpdateDays_);
    if (!due.Due) {
        if (allServed)
            ScheduleNextCheck();
        Trim();
        return true;
    }
    AddLog(LogWarning, due.Reason, due.Fields);
    cycleState_ = CycleUpdating;
    offlineAddress_.clear();
    forcedRun_ = forceRun;
    offlineRun_ = false;
    ipv6OnlyRun_ = true;
    StartUpdateRun();
    return true;
}

// The address as the window, the hint and the summary show it: the IPv6 address beside the
// IPv4 one while a group keeps AAAA records.
std::string TEngine::AddressText(const std::string& address, const std::string& address6) const {
    if (ipv6Groups_.empty())
        return address;
    const std::string six = address6.empty() ? Msg(MsgNoIPv6Address) : address6;
    return address.empty() ? six : address + ", " + six;
}

std::string TEngine::CurrentAddressText() const {
    return AddressText(currentAddress_, currentAddress6_);
}

std::string TEngine::UpdatedAddressText() const {
    return AddressText(updatedAddress_, updatedAddress6_);
}

} // namespace hostaq
