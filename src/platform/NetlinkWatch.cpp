#include "platform/NetlinkWatch.h"

#include <cerrno>
#include <cstring>
#include <linux/if_addr.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace hostaq {

namespace {
constexpr unsigned Groups =
    RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV6_IFADDR | RTMGRP_IPV4_ROUTE | RTMGRP_IPV6_ROUTE;
// The address states that change which address is usable: tentative (duplicate address
// detection still runs), failed detection and deprecated (preferred lifetime over).
constexpr unsigned AddressStateFlags = IFA_F_TENTATIVE | IFA_F_DADFAILED | IFA_F_DEPRECATED;
// A dump's answer must come at once; a kernel that does not answer is given up.
constexpr int DumpWaitMs = 2000;

std::string Bytes(const rtattr* attr) {
    return std::string(static_cast<const char*>(RTA_DATA(attr)), RTA_PAYLOAD(attr));
}

unsigned U32(const rtattr* attr) {
    unsigned value = 0;
    if (RTA_PAYLOAD(attr) >= sizeof value)
        std::memcpy(&value, RTA_DATA(attr), sizeof value);
    return value;
}
} // namespace

TNetlinkWatch::~TNetlinkWatch() {
    Close();
}

bool TNetlinkWatch::Open(std::string& error) {
    Close();
    fd_ = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE);
    if (fd_ < 0) {
        error = std::strerror(errno);
        return false;
    }
    // A burst of changes (an interface with many addresses going away) must not overflow it.
    const int size = 1 << 20;
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    sockaddr_nl addr{};
    addr.nl_family = AF_NETLINK;
    addr.nl_groups = Groups;
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        error = std::strerror(errno);
        Close();
        return false;
    }
    // Subscribed first, then the present state: nothing in between is missed.
    Dump(RTM_GETLINK);
    Dump(RTM_GETADDR);
    Dump(RTM_GETROUTE);
    return true;
}

void TNetlinkWatch::Close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    links_.clear();
    addresses_.clear();
    routes_.clear();
}

// The dump runs on a socket of its own, so its answer is never mixed with the news.
void TNetlinkWatch::Dump(int type) {
    const int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (fd < 0)
        return;
    struct {
        nlmsghdr Header;
        rtgenmsg Body;
    } request{};
    request.Header.nlmsg_len = sizeof request;
    request.Header.nlmsg_type = static_cast<unsigned short>(type);
    request.Header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    request.Header.nlmsg_seq = 1;
    request.Body.rtgen_family = AF_UNSPEC;
    std::vector<TNetworkEvent> ignored;
    if (::send(fd, &request, sizeof request, 0) == static_cast<ssize_t>(sizeof request)) {
        alignas(nlmsghdr) char buffer[32768];
        bool done = false;
        while (!done) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, DumpWaitMs) <= 0)
                break;
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            int left = static_cast<int>(n);
            for (auto* h = reinterpret_cast<nlmsghdr*>(buffer); NLMSG_OK(h, left); h = NLMSG_NEXT(h, left)) {
                if (h->nlmsg_type == NLMSG_DONE || h->nlmsg_type == NLMSG_ERROR) {
                    done = true;
                    break;
                }
                Handle(h, true, ignored);
            }
        }
    }
    ::close(fd);
}

std::vector<TNetworkEvent> TNetlinkWatch::Read() {
    std::vector<TNetworkEvent> events;
    if (fd_ < 0)
        return events;
    alignas(nlmsghdr) char buffer[32768];
    for (;;) {
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == ENOBUFS) {
            // News were lost: something changed, though not known what.
            events.push_back({TNetworkEvent::Unknown, {}});
            continue;
        }
        if (n <= 0)
            break;
        int left = static_cast<int>(n);
        for (auto* h = reinterpret_cast<nlmsghdr*>(buffer); NLMSG_OK(h, left); h = NLMSG_NEXT(h, left))
            Handle(h, false, events);
    }
    return events;
}

void TNetlinkWatch::Handle(const void* header, bool learning, std::vector<TNetworkEvent>& events) {
    switch (static_cast<const nlmsghdr*>(header)->nlmsg_type) {
    case RTM_NEWLINK:
    case RTM_DELLINK:
        HandleLink(header, learning, events);
        break;
    case RTM_NEWADDR:
    case RTM_DELADDR:
        HandleAddress(header, learning, events);
        break;
    case RTM_NEWROUTE:
    case RTM_DELROUTE:
        HandleRoute(header, learning, events);
        break;
    default:
        break;
    }
}

void TNetlinkWatch::HandleLink(const void* header, bool learning, std::vector<TNetworkEvent>& events) {
    const auto* h = static_cast<const nlmsghdr*>(header);
    if (h->nlmsg_len < NLMSG_LENGTH(sizeof(ifinfomsg)))
        return;
    const auto* info = static_cast<const ifinfomsg*>(NLMSG_DATA(h));
    if (h->nlmsg_type == RTM_DELLINK) {
        links_.erase(info->ifi_index);
        return;
    }
    TLink link;
    link.Flags = info->ifi_flags;
    int len = static_cast<int>(IFLA_PAYLOAD(h));
    for (const rtattr* a = IFLA_RTA(info); RTA_OK(a, len); a = RTA_NEXT(a, len))
        if (a->rta_type == IFLA_IFNAME)
            link.Name = std::string(static_cast<const char*>(RTA_DATA(a))).substr(0, IFNAMSIZ);
    const auto old = links_.find(info->ifi_index);
    const unsigned up = IFF_UP | IFF_RUNNING;
    const bool wasUp = old != links_.end() && (old->second.Flags & up) == up;
    links_[info->ifi_index] = link;
    if (!learning && !wasUp && (link.Flags & up) == up && !(link.Flags & IFF_LOOPBACK))
        events.push_back({TNetworkEvent::LinkUp, link.Name});
}

void TNetlinkWatch::HandleAddress(const void* header, bool learning, std::vector<TNetworkEvent>& events) {
    const auto* h = static_cast<const nlmsghdr*>(header);
    if (h->nlmsg_len < NLMSG_LENGTH(sizeof(ifaddrmsg)))
        return;
    const auto* info = static_cast<const ifaddrmsg*>(NLMSG_DATA(h));
    if (info->ifa_family != AF_INET && info->ifa_family != AF_INET6)
        return;
    const int index = static_cast<int>(info->ifa_index);
    std::string address;
    std::string label;
    unsigned flags = info->ifa_flags;
    int len = static_cast<int>(IFA_PAYLOAD(h));
    for (const rtattr* a = IFA_RTA(info); RTA_OK(a, len); a = RTA_NEXT(a, len)) {
        if (a->rta_type == IFA_LOCAL || (a->rta_type == IFA_ADDRESS && address.empty()))
            address = Bytes(a);
        else if (a->rta_type == IFA_FLAGS)
            flags = U32(a);
        else if (a->rta_type == IFA_LABEL)
            label = static_cast<const char*>(RTA_DATA(a));
    }
    const TAddressKey key{info->ifa_family, index, address, info->ifa_prefixlen};
    flags &= AddressStateFlags;
    if (h->nlmsg_type == RTM_DELADDR) {
        addresses_.erase(key);
        if (!learning && !IsLoopback(index))
            events.push_back({TNetworkEvent::AddressRemoved, label.empty() ? InterfaceName(index) : label});
        return;
    }
    const auto old = addresses_.find(key);
    const bool changed = old == addresses_.end() || old->second != flags;
    addresses_[key] = flags;
    if (!learning && changed && !IsLoopback(index))
        events.push_back({TNetworkEvent::AddressAdded, label.empty() ? InterfaceName(index) : label});
}

void TNetlinkWatch::HandleRoute(const void* header, bool learning, std::vector<TNetworkEvent>& events) {
    const auto* h = static_cast<const nlmsghdr*>(header);
    if (h->nlmsg_len < NLMSG_LENGTH(sizeof(rtmsg)))
        return;
    const auto* info = static_cast<const rtmsg*>(NLMSG_DATA(h));
    if ((info->rtm_family != AF_INET && info->rtm_family != AF_INET6) || info->rtm_dst_len != 0 ||
        info->rtm_type != RTN_UNICAST)
        return;
    unsigned table = info->rtm_table;
    int index = 0;
    std::string gateway;
    unsigned metric = 0;
    int len = static_cast<int>(RTM_PAYLOAD(h));
    for (const rtattr* a = RTM_RTA(info); RTA_OK(a, len); a = RTA_NEXT(a, len)) {
        if (a->rta_type == RTA_TABLE)
            table = U32(a);
        else if (a->rta_type == RTA_OIF)
            index = static_cast<int>(U32(a));
        else if (a->rta_type == RTA_GATEWAY)
            gateway = Bytes(a);
        else if (a->rta_type == RTA_PRIORITY)
            metric = U32(a);
    }
    if (table == RT_TABLE_LOCAL)
        return;
    const TRouteKey key{info->rtm_family, table, index, gateway, metric};
    const bool known = routes_.count(key) != 0;
    if (h->nlmsg_type == RTM_DELROUTE)
        routes_.erase(key);
    else
        routes_.insert(key);
    if (!learning && (h->nlmsg_type == RTM_DELROUTE || !known))
        events.push_back({TNetworkEvent::RouteChanged, index != 0 ? InterfaceName(index) : std::string()});
}

std::string TNetlinkWatch::InterfaceName(int index) const {
    const auto link = links_.find(index);
    if (link != links_.end() && !link->second.Name.empty())
        return link->second.Name;
    char name[IF_NAMESIZE] = {};
    if (::if_indextoname(static_cast<unsigned>(index), name) != nullptr)
        return name;
    return {};
}

bool TNetlinkWatch::IsLoopback(int index) const {
    const auto link = links_.find(index);
    return link != links_.end() && (link->second.Flags & IFF_LOOPBACK) != 0;
}

} // namespace hostaq
