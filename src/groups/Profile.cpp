#include "groups/Profile.h"

#include "config/ConfigKeys.h"
#include "config/IniFile.h"
#include "config/Scramble.h"
#include "config/Text.h"
#include "groups/DynAcc.h"
#include "groups/UpdateUrl.h"

#include <algorithm>
#include <sys/stat.h>

namespace hostaq {

namespace {

std::string UpperAscii(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return s;
}

bool IsUpperLetter(char c) {
    return c >= 'A' && c <= 'Z';
}

std::string GroupHosts(const std::string& path, const std::string& group) {
    const int hosts = std::min(ReadIntegerChecked(path, group, "NumOfHosts", 0), MaxHostsPerGroup);
    std::string list;
    for (int i = 1; i <= hosts; ++i) {
        if (i > 1)
            list += ",";
        list += TrimBlanks(IniReadString(path, group, "Host" + std::to_string(i), ""));
    }
    return list;
}

} // namespace

bool ProfileExists(const std::string& profilePath) {
    struct stat st {};
    return !profilePath.empty() && ::stat(profilePath.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

TProfileURL BuildProfileURL(const std::string& configPath, const std::string& profilePath,
                            const std::string& groupName) {
    TProfileURL result;
    if (!ProfileExists(profilePath))
        return result;
    if (ReadBoolChecked(profilePath, "default", "withpass", true)) {
        result.UserName = IniReadString(configPath, groupName, "UserID", "");
        result.Password = ReadGroupPassword(configPath, groupName, &result.PasswordDamaged);
    }
    // The default server is the update server's host alone: the profile's own port follows it.
    const std::string defaultHost = HostWithoutPort(EffectiveUpdateHost(configPath));
    result.URL = IniReadString(profilePath, "default", "Protocol", "http") + "://" +
                 IniReadString(profilePath, "default", "Host", defaultHost) + ":" +
                 IniReadString(profilePath, "default", "port", "80") +
                 IniReadString(profilePath, "default", "path", "/nic/update");
    const std::vector<std::string> requests = IniReadSectionValues(profilePath, "requests");
    if (!requests.empty())
        result.URL += "?";
    for (std::size_t i = 0; i < requests.size(); ++i) {
        if (i > 0)
            result.URL += "&";
        result.URL += requests[i];
    }
    return result;
}

std::string ExpandPlaceholders(const std::string& text,
                               const std::function<std::string(const std::string& placeholder)>& lookup) {
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c != '%') {
            out += c;
            ++i;
            continue;
        }
        const bool last = i + 1 == text.size();
        if (!last && !IsUpperLetter(text[i + 1])) {
            out += c; // "50% off", "%%", "%user%" stay as written
            ++i;
            continue;
        }
        const std::size_t close = text.find('%', i + 1);
        if (close == std::string::npos) {
            out += "Error!";
            break;
        }
        out += lookup(text.substr(i, close - i + 1));
        i = close + 1;
    }
    return out;
}

std::string ExpandTemplate(const std::string& rawURL, const std::string& configPath,
                           const std::string& groupName, bool offline, const std::string& address,
                           const std::string& address6) {
    return ExpandPlaceholders(rawURL, [&](const std::string& placeholder) {
        return PlaceholderValue(placeholder, configPath, groupName, offline, address, address6);
    });
}

std::string PlaceholderValue(const std::string& placeholder, const std::string& configPath,
                             const std::string& groupName, bool offline, const std::string& address,
                             const std::string& address6) {
    const std::string name = UpperAscii(placeholder);
    if (name == "%USER%")
        return IniReadString(configPath, groupName, "UserID", "");
    if (name == "%PASS%")
        return ReadGroupPassword(configPath, groupName);
    if (name == "%SYSTEM%")
        return SystemName(ReadIntegerChecked(configPath, groupName, "Type", 0));
    if (name == "%HOST%")
        return GroupHosts(configPath, groupName);
    if (name == "%IP%")
        return address;
    if (name == "%IP6%")
        return address6;
    if (name == "%WILDCARD%")
        return ReadBoolChecked(configPath, groupName, "Wildcard", true) ? "ON" : "OFF";
    if (name == "%MX%") {
        const std::string mx = TrimBlanks(IniReadString(configPath, groupName, "MailEx", ""));
        return mx == NoMailExchanger ? std::string() : mx;
    }
    if (name == "%BACKMX%")
        return ReadBoolChecked(configPath, groupName, "BackupMX", true) ? "YES" : "NO";
    if (name == "%OFFLINE%")
        return offline ? "YES" : "NO";
    return {};
}

TProfileResults ReadProfileResults(const std::string& profilePath) {
    return {IniReadString(profilePath, "result", "success", ""),
            IniReadString(profilePath, "result", "warning", ""),
            IniReadString(profilePath, "result", "error", "")};
}

std::string ReadProfileMethod(const std::string& profilePath) {
    return IniReadString(profilePath, "default", "method", "GET");
}

bool ReadProfileHtml(const std::string& profilePath) {
    return ReadBoolChecked(profilePath, "result", "html", false);
}

bool ReadProfileMultilines(const std::string& profilePath) {
    return ReadBoolChecked(profilePath, "result", "multilines", false);
}

} // namespace hostaq
