#pragma once

#include "engine/EngineSeams.h"

#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace hostaq {

// The kernel's news of addresses, default routes and links, over an rtnetlink socket. What the
// kernel holds when the socket opens is learnt first (a dump of each), so only changes count:
// an address that appears or goes on an interface other than the loopback (or whose state
// changes between tentative, usable and deprecated), a default route that appears or goes, and
// a link that comes up. A refresh of an address's lifetimes (router advertisements repeat them
// every few minutes) is no change.
class TNetlinkWatch {
public:
    TNetlinkWatch() = default;
    ~TNetlinkWatch();
    TNetlinkWatch(const TNetlinkWatch&) = delete;
    TNetlinkWatch& operator=(const TNetlinkWatch&) = delete;

    // False, with the reason in error, when no socket can be had.
    bool Open(std::string& error);
    void Close();
    int Fd() const { return fd_; }
    // Reads every message waiting and returns the changes among them.
    std::vector<TNetworkEvent> Read();

private:
    struct TLink {
        std::string Name;
        unsigned Flags = 0;
    };
    // family, interface, address bytes, prefix length
    using TAddressKey = std::tuple<int, int, std::string, int>;
    // family, table, interface, gateway bytes, metric
    using TRouteKey = std::tuple<int, unsigned, int, std::string, unsigned>;

    void Dump(int type);
    // One message; learning: a dump's answer (state only, no events).
    void Handle(const void* header, bool learning, std::vector<TNetworkEvent>& events);
    void HandleLink(const void* header, bool learning, std::vector<TNetworkEvent>& events);
    void HandleAddress(const void* header, bool learning, std::vector<TNetworkEvent>& events);
    void HandleRoute(const void* header, bool learning, std::vector<TNetworkEvent>& events);
    std::string InterfaceName(int index) const;
    bool IsLoopback(int index) const;

    int fd_ = -1;
    std::map<int, TLink> links_;
    std::map<TAddressKey, unsigned> addresses_; // -> the flags that matter
    std::set<TRouteKey> routes_;
};

} // namespace hostaq
