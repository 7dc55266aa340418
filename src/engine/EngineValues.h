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

// The earliest last update: Update/LastUpdate (now + 365 days when missing), or the LastUpdate
// of an enabled group (of groupNames, the groups of the file) when that is earlier.
TDateTime EarliestLastUpdate(const std::string& path, const std::vector<std::string>& groupNames);

} // namespace hostaq
