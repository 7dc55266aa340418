#include "ipdetect/HostNetwork.h"

#include <arpa/inet.h>
#include <atomic>
#include <fstream>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sstream>
#include <sys/socket.h>

namespace hostaq {

namespace {

std::atomic<const THostNetwork*> Installed{nullptr};

std::string FormatIPv4(const sockaddr* sa) {
    if (sa == nullptr || sa->sa_family != AF_INET)
        return {};
    char buf[INET_ADDRSTRLEN] = {};
    const auto* in = reinterpret_cast<const sockaddr_in*>(sa);
    if (inet_ntop(AF_INET, &in->sin_addr, buf, sizeof buf) == nullptr)
        return {};
    return buf;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The host's addresses in the sense the callers need: up and not loopback.
std::vector<std::string> HostAddresses() {
    std::vector<std::string> out;
    for (const TInterfaceAddress& row : HostNetwork().Interfaces()) {
        if (row.Up && !row.Loopback && !row.Address.empty())
            out.push_back(row.Address);
    }
    return out;
}

std::string JoinComma(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items) {
        if (!text.empty())
            text += ",";
        text += item;
    }
    return text;
}

} // namespace

std::vector<TInterfaceAddress> TSystemHostNetwork::Interfaces() const {
    std::vector<TInterfaceAddress> out;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return out;
    for (const ifaddrs* ifa = list; ifa != nullptr; ifa = ifa->ifa_next) {
        if (ifa->ifa_addr == nullptr || ifa->ifa_addr->sa_family != AF_INET)
            continue;
        TInterfaceAddress row;
        row.Address = FormatIPv4(ifa->ifa_addr);
        row.Mask = FormatIPv4(ifa->ifa_netmask);
        row.Up = (ifa->ifa_flags & IFF_UP) != 0;
        row.Loopback = (ifa->ifa_flags & IFF_LOOPBACK) != 0;
        out.push_back(std::move(row));
    }
    freeifaddrs(list);
    return out;
}

std::vector<std::string> TSystemHostNetwork::DnsServers() const {
    std::ifstream in(resolvConf_, std::ios::binary);
    if (!in)
        return {};
    std::ostringstream text;
    text << in.rdbuf();
    return ParseResolvConf(text.str());
}

const THostNetwork& HostNetwork() {
    static const TSystemHostNetwork system;
    const THostNetwork* installed = Installed.load();
    return installed != nullptr ? *installed : system;
}

void SetHostNetwork(const THostNetwork* network) {
    Installed.store(network);
}

std::vector<std::string> ParseResolvConf(std::string_view text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;

        std::size_t i = 0;
        while (i < line.size() && IsBlank(line[i]))
            ++i;
        constexpr std::string_view keyword = "nameserver";
        if (line.substr(i, keyword.size()) != keyword)
            continue;
        i += keyword.size();
        if (i >= line.size() || !IsBlank(line[i]))
            continue;
        while (i < line.size() && IsBlank(line[i]))
            ++i;
        std::size_t j = i;
        while (j < line.size() && !IsBlank(line[j]) && line[j] != '\r' && line[j] != '#' && line[j] != ';')
            ++j;
        // IPv6 servers are of no use to an IPv4 address list.
        const std::string address(line.substr(i, j - i));
        in_addr parsed{};
        if (inet_pton(AF_INET, address.c_str(), &parsed) == 1)
            out.push_back(address);
    }
    return out;
}

std::string FirstHostAddress() {
    const std::vector<std::string> all = HostAddresses();
    return all.empty() ? std::string() : all.front();
}

std::string AllHostAddresses() {
    return JoinComma(HostAddresses());
}

std::string InterfaceMask(std::string_view address) {
    for (const TInterfaceAddress& row : HostNetwork().Interfaces()) {
        if (row.Address == address)
            return row.Mask;
    }
    return {};
}

std::string DnsServers() {
    return JoinComma(HostNetwork().DnsServers());
}

} // namespace hostaq
