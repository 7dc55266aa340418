#pragma once

#include <functional>
#include <string>

namespace hostaq {

// A provider profile: an INI file describing the request of another provider (section default:
// withpass, Protocol, Host, port, path, method; section requests: the query parameters as
// templates) and the texts that recognise its answers (section result).

struct TProfileURL {
    std::string URL; // raw, placeholders not yet expanded; empty when the profile file is missing
    std::string UserName;
    std::string Password;
    bool PasswordDamaged = false; // the stored password does not unscramble: nothing is sent
};

// Protocol "://" Host ":" port path, then "?" and the requests lines joined by "&". The login
// comes from the group's own section, and only when withpass is on.
TProfileURL BuildProfileURL(const std::string& configPath, const std::string& profilePath,
                            const std::string& groupName);

// Replaces the placeholders (%USER%, %PASS%, %SYSTEM%, %HOST%, %IP%, %IP6%, %WILDCARD%, %MX%,
// %BACKMX%, %OFFLINE%; names in any letter case, other names give nothing) in one scan from left to right.
// A "%" that is not followed by an upper-case letter stays; an unterminated placeholder ends the
// result with "Error!". Nothing is percent-encoded.
std::string ExpandTemplate(const std::string& rawURL, const std::string& configPath,
                           const std::string& groupName, bool offline, const std::string& address,
                           const std::string& address6 = {});

// The same scan with the values taken from lookup (called with the placeholder and its percent
// signs, as written).
std::string ExpandPlaceholders(const std::string& text,
                               const std::function<std::string(const std::string& placeholder)>& lookup);

// The value of one placeholder, given with its percent signs; names compare upper-cased. %IP6%
// is the group's IPv6 address (empty when the group keeps no AAAA records or none is known).
std::string PlaceholderValue(const std::string& placeholder, const std::string& configPath,
                             const std::string& groupName, bool offline, const std::string& address,
                             const std::string& address6 = {});

// The texts by which an answer line is recognised; an empty text never matches.
struct TProfileResults {
    std::string Success;
    std::string Warning;
    std::string Error;
};
TProfileResults ReadProfileResults(const std::string& profilePath);

// The request method (default "GET"), whether answers are HTML (default off) and the multilines
// option (read; no behaviour depends on it).
std::string ReadProfileMethod(const std::string& profilePath);
bool ReadProfileHtml(const std::string& profilePath);
bool ReadProfileMultilines(const std::string& profilePath);

bool ProfileExists(const std::string& profilePath);

} // namespace hostaq
