#pragma once

#include "config/ConfigKeys.h"
#include "config/DateTime.h"

#include <string>
#include <vector>

namespace hostaq {

// Values of the configuration file as the engine reads them; a malformed stored value reads as
// its default and is reported once.

// "The value "%s" of %s is not a number; %s is used instead."
inline constexpr int MsgValueNotNumber = 10439;

// A stored address: def when the key is missing; a value that is not a dotted quad is reported
// and gives def. An empty stored value stays empty ("no address").
std::string ReadAddressChecked(const TConfigKey& key, const std::string& def);

// Options/CheckIntErr in minutes (default 1). Values of 60 and more are used as whole minutes;
// a value below 1 reads as 1.
int ReadRetryMinutes();

// The check interval in minutes: the field takes 5 to 59, and Options/CheckingInt is clamped to
// that range when read (3 reads as 5, 90 as 59).
inline constexpr int MinCheckInterval = 5;
inline constexpr int MaxCheckInterval = 59;
int ReadCheckInterval();
// The forced refresh in days: the field takes 1 to 5000, and Options/ForceUpdateInt is clamped to
// the same range when read, so a value typed in the field survives a restart unchanged and a
// stored 0 can never force an update at every check.
inline constexpr int MinForceUpdateDays = 1;
inline constexpr int MaxForceUpdateDays = 5000;
int ReadForceUpdateDays();

// A field text is a whole number of min..max (digits only, at most 9 of them); value receives it.
bool IntervalFieldValue(const std::string& text, int min, int max, int& value);

// The earliest last update: Update/LastUpdate (now + 365 days when missing), or the LastUpdate
// of an enabled group (of groupNames, the groups of the file) when that is earlier.
TDateTime EarliestLastUpdate(const std::string& path, const std::vector<std::string>& groupNames);

} // namespace hostaq
