#include "ipdetect/NetlinkAddresses.h"

#include <cerrno>
#include <cstring>
#include <linux/if_addr.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <map>
#include <net/if.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace hostaq {

namespace {

// The kernel answers a dump at once; this only bounds a kernel that never does.
constexpr int ReplyWaitMs = 2000;

struct TLink {
    std::string Name;
    bool Up = false;
};

class TNetlinkSocket {
public:
    TNetlinkSocket() { fd_ = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE); }
    ~TNetlinkSocket() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    TNetlinkSocket(const TNetlinkSocket&) = delete;
    TNetlinkSocket& operator=(const TNetlinkSocket&) = delete;

    bool Ok() const { return fd_ >= 0; }

    // Sends one dump request and calls onMessage for every message of the answer.
    template <typename Fn>
    bool Dump(std::uint16_t type, unsigned char family, Fn&& onMessage, std::string& error) {
        // Both request bodies (ifinfomsg, ifaddrmsg) begin with the family byte; the rest is zero.
        struct {
            nlmsghdr Header;
            ifinfomsg Body;
        } request{};
        static_assert(sizeof(ifaddrmsg) <= sizeof(ifinfomsg));
        request.Header.nlmsg_len = NLMSG_LENGTH(type == RTM_GETLINK ? sizeof(ifinfomsg) : sizeof(ifaddrmsg));
        request.Header.nlmsg_type = type;
        request.Header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
        request.Header.nlmsg_seq = ++seq_;
        request.Body.ifi_family = family;
        sockaddr_nl kernel{};
        kernel.nl_family = AF_NETLINK;
        if (::sendto(fd_, &request, request.Header.nlmsg_len, 0, reinterpret_cast<sockaddr*>(&kernel),
                     sizeof kernel) < 0) {
            error = std::string("rtnetlink request failed: ") + std::strerror(errno);
            return false;
        }
        alignas(nlmsghdr) char buffer[32768];
        for (;;) {
            pollfd p{fd_, POLLIN, 0};
            const int ready = ::poll(&p, 1, ReplyWaitMs);
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready <= 0) {
                error = "the kernel did not answer the rtnetlink request";
                return false;
            }
            const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                error = std::string("rtnetlink answer failed: ") + std::strerror(errno);
                return false;
            }
            int left = static_cast<int>(n);
            for (auto* h = reinterpret_cast<nlmsghdr*>(buffer); NLMSG_OK(h, left); h = NLMSG_NEXT(h, left)) {
                if (h->nlmsg_seq != seq_)
                    continue;
                if (h->nlmsg_type == NLMSG_DONE)
                    return true;
                if (h->nlmsg_type == NLMSG_ERROR) {
                    const auto* e = static_cast<const nlmsgerr*>(NLMSG_DATA(h));
                    error = std::string("rtnetlink error: ") + std::strerror(-e->error);
                    return false;
                }
                onMessage(h);
            }
        }
    }

private:
    int fd_ = -1;
    std::uint32_t seq_ = 0;
};

std::map<int, TLink> ReadLinks(TNetlinkSocket& socket, std::string& error) {
    std::map<int, TLink> links;
    socket.Dump(
        RTM_GETLINK, AF_UNSPEC,
        [&](const nlmsghdr* h) {
            if (h->nlmsg_type != RTM_NEWLINK || h->nlmsg_len < NLMSG_LENGTH(sizeof(ifinfomsg)))
                return;
            const auto* info = static_cast<const ifinfomsg*>(NLMSG_DATA(h));
            TLink link;
            link.Up = (info->ifi_flags & IFF_UP) != 0;
            int len = static_cast<int>(IFLA_PAYLOAD(h));
            for (const rtattr* a = IFLA_RTA(info); RTA_OK(a, len); a = RTA_NEXT(a, len))
                if (a->rta_type == IFLA_IFNAME)
                    link.Name.assign(static_cast<const char*>(RTA_DATA(a)),
                                     strnlen(static_cast<const char*>(RTA_DATA(a)), RTA_PAYLOAD(a)));
            links[info->ifi_index] = link;
        },
        error);
    return links;
}

} // namespace

std::vector<TIPv6Candidate> ReadIPv6Addresses(std::string* error) {
    std::string why;
    std::vector<TIPv6Candidate> result;
    TNetlinkSocket socket;
    if (!socket.Ok()) {
        if (error)
            *error = std::string("no rtnetlink socket: ") + std::strerror(errno);
        return result;
    }
    const std::map<int, TLink> links = ReadLinks(socket, why);
    const bool ok = socket.Dump(
        RTM_GETADDR, AF_INET6,
        [&](const nlmsghdr* h) {
            if (h->nlmsg_type != RTM_NEWADDR || h->nlmsg_len < NLMSG_LENGTH(sizeof(ifaddrmsg)))
                return;
            const auto* msg = static_cast<const ifaddrmsg*>(NLMSG_DATA(h));
            if (msg->ifa_family != AF_INET6)
                return;
            TIPv6Candidate c;
            c.Flags = msg->ifa_flags;
            c.PrefixLength = msg->ifa_prefixlen;
            bool hasAddress = false;
            int len = static_cast<int>(IFA_PAYLOAD(h));
            for (const rtattr* a = IFA_RTA(msg); RTA_OK(a, len); a = RTA_NEXT(a, len)) {
                switch (a->rta_type) {
                case IFA_ADDRESS:
                    // A point-to-point link also sends IFA_LOCAL; without one the address is here.
                    if (!hasAddress && RTA_PAYLOAD(a) == 16) {
                        std::memcpy(c.Address.data(), RTA_DATA(a), 16);
                        hasAddress = true;
                    }
                    break;
                case IFA_LOCAL:
                    if (RTA_PAYLOAD(a) == 16) {
                        std::memcpy(c.Address.data(), RTA_DATA(a), 16);
                        hasAddress = true;
                    }
                    break;
                case IFA_FLAGS:
                    // The full 32 bits (stable-privacy and the newer flags do not fit the byte).
                    if (RTA_PAYLOAD(a) >= sizeof(std::uint32_t))
                        std::memcpy(&c.Flags, RTA_DATA(a), sizeof(std::uint32_t));
                    break;
                case IFA_CACHEINFO:
                    if (RTA_PAYLOAD(a) >= sizeof(ifa_cacheinfo)) {
                        ifa_cacheinfo info{};
                        std::memcpy(&info, RTA_DATA(a), sizeof info);
                        c.PreferredLifetime = info.ifa_prefered;
                        c.ValidLifetime = info.ifa_valid;
                    }
                    break;
                default:
                    break;
                }
            }
            if (!hasAddress)
                return;
            const auto link = links.find(static_cast<int>(msg->ifa_index));
            if (link != links.end()) {
                c.Interface = link->second.Name;
                c.InterfaceUp = link->second.Up;
            } else {
                char name[IF_NAMESIZE] = {};
                if (::if_indextoname(msg->ifa_index, name))
                    c.Interface = name;
            }
            result.push_back(std::move(c));
        },
        why);
    if (!ok) {
        result.clear();
        if (error)
            *error = why;
    }
    return result;
}

} // namespace hostaq
