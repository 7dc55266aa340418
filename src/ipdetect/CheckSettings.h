#pragma once

#include <string>

namespace hostaq {

class TFindIPProxy;

// What one web check needs besides its events.
struct TCheckSettings {
    std::string UserAgent;
    std::string ServerURL;
    std::string LocalList;
    // Filled only when the proxy is to be used; an empty host means a direct request.
    std::string ProxyHost;
    std::string ProxyPort;
    std::string ProxyUser;
    std::string ProxyPass;
    bool VerifyCertificate = true;
    // Reads the page over IPv6, directly (a proxy would show its own address), for an IPv6
    // address.
    bool IPv6 = false;
};

// The proxy fields of a check keep at most this many characters.
inline constexpr std::size_t ProxyHostLimit = 255;
inline constexpr std::size_t ProxyPortLimit = 5;
inline constexpr std::size_t ProxyUserLimit = 50;
inline constexpr std::size_t ProxyPassLimit = 50;

// The monitor's check: the version title as user agent, Connection/ServerIP as page, the given
// local list, and the proxy of section Connection only when Connection/UseProxy is set (a
// missing key counts as false here); the proxy values are cut to the limits above.
// Connection/VerifyCertificate is passed on. Main thread.
TCheckSettings EngineCheckSettings(const std::string& localList);

// Puts the settings into a check that has not been started yet.
void ApplyCheckSettings(TFindIPProxy& check, const TCheckSettings& settings);

// What a dialog shows for the answer of a check: "Your public IP address is %s." or, for an
// empty address, "Cannot detect your public IP address".
std::string DetectResultText(const std::string& address);

// The first limit characters (UTF-8 code points) of text.
std::string KeepCharacters(const std::string& text, std::size_t limit);

} // namespace hostaq
