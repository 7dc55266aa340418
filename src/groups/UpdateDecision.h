#pragma once

#include "groups/UpdateResult.h"
#include "log/Log.h"

#include <map>
#include <string>
#include <vector>

namespace hostaq {

// Whether one group is sent in an update run, and the class its controller starts with (4 for a
// blocked group, else 0).
struct TUpdateDecision {
    bool Send = false;
    UpdateResultClass Code = ClassNoError;
};

// Decides for one group of a run, in group-list order. Forced and offline runs send every group.
// Otherwise a changed configuration, a changed address or a due forced update sends it; a
// disabled or blocked group is skipped. Logs the decision and adds skipped groups to the report.
// address6 is the group's IPv6 address when it keeps AAAA records and one is known: an address
// other than the group's IP6 sends it too. withoutIPv4: no public IPv4 address is known and the
// group goes with its IPv6 address alone, so only that address, a changed configuration and a
// due forced update count.
TUpdateDecision NeedsUpdate(const std::string& path, const std::string& groupName,
                            const std::string& currentAddress, int forceUpdateDays, bool offline, bool forced,
                            const std::string& address6 = {}, bool withoutIPv4 = false);

// The IPv6 address of each group that keeps AAAA records, by group name; a group without one
// (IPv6 off, or no public IPv6 address known) is not in it.
using TGroupAddresses6 = std::map<std::string, std::string>;

struct TUpdateDue {
    bool Due = false;
    std::string Reason;
    TLogFields Fields; // what the reason's log entry is about
};

// Whether a check should start an update run: the address changed, or a group changed its
// configuration or holds another address, IPv4 or IPv6 (blocked and disabled groups aside).
// Corrects future LastUpdate stamps on the way. The forced-update interval is not looked at here.
TUpdateDue AnyGroupNeedsUpdate(const std::string& path, const std::string& newAddress,
                               const std::string& lastAddress, const std::vector<std::string>& groupNames,
                               bool manual, const TGroupAddresses6& addresses6 = {});

// The same question while no public IPv4 address is known: only the groups of addresses6 can be
// sent (with their IPv6 address alone). One is due when its configuration changed, its IPv6
// address differs from its IP6 or its forced update is due, so an unchanged address is never
// sent again at every check.
TUpdateDue AnyGroupNeedsUpdateIPv6Only(const std::string& path, const std::vector<std::string>& groupNames,
                                       bool manual, const TGroupAddresses6& addresses6, int forceUpdateDays);

} // namespace hostaq
