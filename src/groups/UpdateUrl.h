#pragma once

#include <string>
#include <string_view>

namespace hostaq {

// What a group lacks when no request can be built for it.
// DamagedPassword: a stored password that does not unscramble counts as none.
enum class TRequestLack { None, Hosts, UserName, Password, Profile, DamagedPassword };

// The parts of one group's update request.
struct TUpdateRequest {
    std::string URL;      // empty when the group lacks what a request needs (see Lack)
    std::string HostText; // trimmed hostnames, each followed by CR LF
    std::string UserName;
    std::string Password; // plain
    TRequestLack Lack = TRequestLack::None;
    std::string IP6; // the IPv6 address the request carries, empty when none
};

// The request of a group: its profile's request when it names a profile file, else the standard
// request with the parameters system, hostname, myip, wildcard, mx and backmx (when a mail
// exchanger is set) and offline, in this order, values as stored and not percent-encoded. The
// login travels as Basic credentials, never in the URL.
// address6 is the group's IPv6 address when it keeps AAAA records too (empty otherwise): myip
// then carries both, comma-joined ("203.0.113.7,2001:db8::10"), or the IPv6 address alone when
// no IPv4 address is given; a profile gets it as %IP6%. An offline run sends no IPv6 address.
TUpdateRequest BuildUpdateURL(const std::string& path, const std::string& groupName,
                              const std::string& address, const std::string& offlineAddress, bool offline,
                              const std::string& address6 = {});

// Whether the group's request carries an IPv4 address it cannot go without: a profile whose
// request uses %IP%. The standard request sends the IPv6 address alone when no IPv4 address is
// known; a profile that names %IP% would send an empty one.
bool RequestNeedsIPv4(const std::string& path, const std::string& groupName);

// The standard update server: Options/UpdateHost ("host" or "host:port"), the built-in host by
// default.
std::string EffectiveUpdateHost(const std::string& path);
// The account server that serves the hostname lists: Options/AccountHost.
std::string EffectiveAccountHost(const std::string& path);

// The host of a URL as the HTTP client reads it, without user information and port ("a.b" of
// "http://u:p@a.b:80/x").
std::string UrlHost(std::string_view url);
// The host of "host" or "host:port" ("[::1]:80" keeps its brackets).
std::string HostWithoutPort(std::string_view hostAndPort);

} // namespace hostaq
