#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace hostaq {

// The address of an account's hostname list: "https://" + the account server + "/text/gethostlist".
std::string HostListURL(const std::string& configPath);

// The provider's hostname list as "host|system" lines, in the order of the answer. A line that
// starts with "hostaq:", "statdns:" or "custom:" switches the system (hostaq at the start) and
// the rest of it is a list of names; other lines are names of the current system. Names are
// separated by commas or blanks; double quotes group a name that holds separators.
std::vector<std::string> ParseHostList(std::string_view text);

// One entry the host list editor shows after a download.
struct THostEntry {
    std::string Host;
    std::string System;
};

// What the editor and the wizard show when a download has finished.
struct THostListOutcome {
    enum TKind {
        CannotDetect, // failed request, empty answer or an answer that is no list
        WrongLogin,   // the answer "badauth"
        Hosts,        // a list: replace the host list with Entries, unchecked
    };
    TKind Kind = CannotDetect;
    std::string Message; // the error text for CannotDetect and WrongLogin
    std::vector<THostEntry> Entries;
};
THostListOutcome InterpretHostList(const std::string& text);

} // namespace hostaq
