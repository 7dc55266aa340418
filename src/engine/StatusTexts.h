#pragma once

#include "config/DateTime.h"

#include <cstdint>
#include <string>

namespace hostaq {

// The texts by which the monitor shows its state: time-ago wording, counts, the tray hint.

// An elapsed time split into whole days, hours, minutes and seconds (each step truncates).
struct TElapsed {
    std::int64_t Days = 0;
    int Hours = 0;
    int Minutes = 0;
    int Seconds = 0;
    bool IsZero() const { return Days == 0 && Hours == 0 && Minutes == 0 && Seconds == 0; }
};
// now - t; all parts 0 when t is not earlier than now.
TElapsed SplitElapsed(const TDateTime& t, const TDateTime& now);

// "7 hours 54 minutes ago", "1 day 3 hours 5 seconds ago"; "Cannot detect last update time"
// when nothing has elapsed (also for a time in the future).
std::string LongTimeAgo(const TDateTime& t, const TDateTime& now);
// "2d:5h:30m", "45 minutes", "12 seconds"; empty when nothing has elapsed.
std::string ShortTimeAgo(const TDateTime& t, const TDateTime& now);

// "No group", "1 group", "3 groups (1 disabled)".
std::string GroupCountText(int groups, int disabledGroups);
// "No host", "1 host", "5 hosts (2 disabled)".
std::string HostCountText(int hosts, int disabledHosts);
// "Dial-up", "Local Area Network" or "Proxy server".
std::string ConnectionKindText(int kind);

// The line break between the parts of the tray hint.
inline constexpr const char* HintSeparator = "\r\n";
// The text cut to at most 255 bytes, never inside a UTF-8 sequence.
std::string CutHint(const std::string& text);

// What the tray hint is made of.
struct THintState {
    int GroupCount = 0;
    int CycleState = 0;
    int AddressState = 2;
    bool AutoCheck = false;
    std::string CurrentAddress;
    std::string CurrentAddress6; // shown on a line of its own when not empty
    TDateTime LastUpdateTime;
};
// The tray hint of the state, cut to 255 characters.
std::string BuildTrayHint(const THintState& state, const TDateTime& now);

} // namespace hostaq
