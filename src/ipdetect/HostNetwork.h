#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace hostaq {

// One IPv4 address of one of the machine's interfaces.
struct TInterfaceAddress {
    std::string Address; // dotted quad
    std::string Mask;    // dotted quad
    bool Up = true;
    bool Loopback = false;
};

// The machine's own network data: its interface table and its DNS servers. Everything that asks
// the machine about itself goes through the installed instance, so tests can give the machine
// any set of addresses.
class THostNetwork {
public:
    virtual ~THostNetwork() = default;
    // Every IPv4 address of every interface, in interface order.
    virtual std::vector<TInterfaceAddress> Interfaces() const = 0;
    // The IPv4 DNS servers in the order the resolver uses them.
    virtual std::vector<std::string> DnsServers() const = 0;
};

// The running system: getifaddrs and the nameserver lines of the resolver configuration.
class TSystemHostNetwork : public THostNetwork {
public:
    explicit TSystemHostNetwork(std::string resolvConf = "/etc/resolv.conf")
        : resolvConf_(std::move(resolvConf)) {}
    std::vector<TInterfaceAddress> Interfaces() const override;
    std::vector<std::string> DnsServers() const override;

private:
    std::string resolvConf_;
};

// A machine with the given interfaces and DNS servers.
class TFixedHostNetwork : public THostNetwork {
public:
    TFixedHostNetwork() = default;
    TFixedHostNetwork(std::vector<TInterfaceAddress> interfaces, std::vector<std::string> dnsServers = {})
        : interfaces_(std::move(interfaces)), dnsServers_(std::move(dnsServers)) {}
    std::vector<TInterfaceAddress> Interfaces() const override { return interfaces_; }
    std::vector<std::string> DnsServers() const override { return dnsServers_; }

private:
    std::vector<TInterfaceAddress> interfaces_;
    std::vector<std::string> dnsServers_;
};

// The installed machine (the running system unless a test installed another).
const THostNetwork& HostNetwork();
// Installs an instance (nullptr restores the running system). The caller keeps ownership.
void SetHostNetwork(const THostNetwork* network);

// Installs an instance for the lifetime of the guard.
class THostNetworkGuard {
public:
    explicit THostNetworkGuard(const THostNetwork* network) { SetHostNetwork(network); }
    ~THostNetworkGuard() { SetHostNetwork(nullptr); }
    THostNetworkGuard(const THostNetworkGuard&) = delete;
    THostNetworkGuard& operator=(const THostNetworkGuard&) = delete;
};

// The IPv4 addresses of the nameserver lines of resolver configuration text, in file order.
std::vector<std::string> ParseResolvConf(std::string_view text);

// The machine's addresses are its up, non-loopback IPv4 interface addresses in interface order.
// The first of them, or empty when there is none.
std::string FirstHostAddress();
// All of them joined with ",", or empty.
std::string AllHostAddresses();
// The mask of the interface that holds the address (text equal), else empty.
std::string InterfaceMask(std::string_view address);
// The DNS servers joined with ",", or empty.
std::string DnsServers();

} // namespace hostaq
