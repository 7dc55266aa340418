#include "groups/UpdateUrl.h"

#include "config/ConfigKeys.h"
#include "config/IniFile.h"
#include "config/Scramble.h"
#include "config/Text.h"
#include "groups/DynAcc.h"
#include "groups/Profile.h"
#include "net/Url.h"

#include <algorithm>
#include <strings.h>

namespace hostaq {

namespace {

std::string ServerHost(const std::string& path, const TConfigKey& key) {
    std::string host = TrimBlanks(ReadString(path, key));
    return host.empty() ? std::string(key.Default) : host;
}

bool HasPort(std::string_view hostAndPort) {
    return HostWithoutPort(hostAndPort).size() != hostAndPort.size();
}

} // namespace

std::string EffectiveUpdateHost(const std::string& path) {
    return ServerHost(path, Keys::UpdateHost);
}
std::string EffectiveAccountHost(const std::string& path) {
    return ServerHost(path, Keys::AccountHost);
}

std::string HostWithoutPort(std::string_view hostAndPort) {
    if (!hostAndPort.empty() && hostAndPort.front() == '[') {
        const std::size_t close = hostAndPort.find(']');
        return std::string(close == std::string_view::npos ? hostAndPort : hostAndPort.substr(0, close + 1));
    }
    return std::string(hostAndPort.substr(0, hostAndPort.find(':')));
}

// The host the client connects to, as the client reads the URL.
std::string UrlHost(std::string_view url) {
    return ParseURL(std::string(url)).Host;
}

bool RequestNeedsIPv4(const std::string& path, const std::string& groupName) {
    const std::string profile = IniReadString(path, groupName, "Profile", "");
    if (profile.empty())
        return false;
    bool needed = false;
    ExpandPlaceholders(BuildProfileURL(path, profile, groupName).URL, [&](const std::string& placeholder) {
        if (strcasecmp(placeholder.c_str(), "%IP%") == 0)
            needed = true;
        return std::string();
    });
    return needed;
}

TUpdateRequest BuildUpdateURL(const std::string& path, const std::string& groupName,
                              const std::string& address, const std::string& offlineAddress, bool offline,
                              const std::string& address6) {
    TUpdateRequest req;
    const std::string ip6 = offline ? std::string() : address6;
    // A hand-edited count above the record's capacity is read as 20, as the group editor would.
    const int hosts = std::min(ReadIntegerChecked(path, groupName, "NumOfHosts", 0), MaxHostsPerGroup);
    if (hosts < 1) {
        req.Lack = TRequestLack::Hosts;
        return req;
    }
    std::vector<std::string> raw;
    std::vector<std::string> trimmed;
    for (int i = 1; i <= hosts; ++i) {
        raw.push_back(IniReadString(path, groupName, "Host" + std::to_string(i), ""));
        trimmed.push_back(TrimBlanks(raw.back()));
    }
    for (const std::string& host : trimmed)
        req.HostText += host + "\r\n";

    const std::string profile = IniReadString(path, groupName, "Profile", "");
    if (!profile.empty()) {
        const TProfileURL p = BuildProfileURL(path, profile, groupName);
        if (p.URL.empty()) {
            req.Lack = TRequestLack::Profile;
            return req;
        }
        if (p.PasswordDamaged) {
            req.Lack = TRequestLack::DamagedPassword;
            return req;
        }
        // The profile's %IP% is the address this request sends: the offline address in an
        // offline run, as in the standard request.
        req.URL = ExpandTemplate(p.URL, path, groupName, offline, offline ? offlineAddress : address, ip6);
        req.IP6 = ip6;
        req.UserName = p.UserName;
        req.Password = p.Password;
        return req;
    }

    req.UserName = IniReadString(path, groupName, "UserID", "");
    if (req.UserName.empty()) {
        req.Lack = TRequestLack::UserName;
        return req;
    }
    const std::string stored = IniReadString(path, groupName, "Password", "");
    if (stored.empty()) {
        req.UserName.clear();
        req.Lack = TRequestLack::Password;
        return req;
    }
    bool damaged = false;
    req.Password = ReadGroupPassword(path, groupName, &damaged);
    if (damaged) {
        req.UserName.clear();
        req.Lack = TRequestLack::DamagedPassword;
        return req;
    }

    // Port 8245 is always plain HTTP; a secure request uses the default HTTPS port.
    const int portChoice = ReadInteger(path, Keys::ServerPort);
    const bool secure = ReadBoolChecked(path, groupName, "Secure", true);
    const std::string scheme = secure && portChoice <= 0 ? "https" : "http";
    const std::string server = EffectiveUpdateHost(path);
    std::string url = scheme + "://" + server;
    // A port named in Options/UpdateHost takes the place of 8245.
    url += portChoice > 0 && !HasPort(server) ? ":8245/nic/update?system=" : "/nic/update?system=";
    url += SystemName(ReadIntegerChecked(path, groupName, "Type", 0));
    url += "&hostname=";

    std::string list;
    for (const std::string& host : raw)
        list += host + ",";
    list.pop_back();
    if (list.empty()) {
        req.Lack = TRequestLack::Hosts;
        req.UserName.clear();
        req.Password.clear();
        return req;
    }
    url += list;
    // Both addresses, comma-joined, as the dyndns2 convention has it.
    std::string myip = offline ? offlineAddress : address;
    if (!ip6.empty())
        myip = myip.empty() ? ip6 : myip + "," + ip6;
    url += "&myip=" + myip;
    url += ReadBoolChecked(path, groupName, "Wildcard", true) ? "&wildcard=ON" : "&wildcard=OFF";
    std::string mx = IniReadString(path, groupName, "MailEx", "");
    if (mx.empty())
        mx = NoMailExchanger;
    if (mx != NoMailExchanger) {
        url += "&mx=" + mx;
        url += ReadBoolChecked(path, groupName, "BackupMX", true) ? "&backmx=YES" : "&backmx=NO";
    }
    url += offline ? "&offline=YES" : "&offline=NO";
    req.URL = std::move(url);
    req.IP6 = ip6;
    return req;
}

} // namespace hostaq
