#include "engine/EngineValues.h"

#include "config/Clock.h"
#include "config/ConfigPath.h"
#include "config/ErrorReporter.h"
#include "config/IniFile.h"
#include "config/Messages.h"
#include "config/Stamp.h"
#include "ipdetect/CheckPage.h"

#include <algorithm>

namespace hostaq {

namespace {
// The message table has no entry for an unusable address; the text follows its siblings'.
constexpr const char* TextNotAnAddress = "The value \"%s\" of %s is not an IPv4 address; %s is used instead.";
} // namespace

std::string ReadAddressChecked(const TConfigKey& key, const std::string& def) {
    const std::string& path = ConfigPath();
    if (!IniValueExists(path, key.Section, key.Key))
        return def;
    const std::string value = IniReadString(path, key.Section, key.Key, def);
    if (!value.empty() && IsBadAddress(value)) {
        ReportWarningOnce(
            FormatText(TextNotAnAddress, {value, std::string(key.Section) + "/" + key.Key, def}));
        return def;
    }
    return value;
}

int ReadRetryMinutes() {
    // At least a minute: 0 would poll the check page and a failing provider at every heartbeat.
    return std::max(ReadInteger(Keys::CheckIntErr), 1);
}

int ReadCheckInterval() {
    return std::clamp(ReadInteger(Keys::CheckingInt), MinCheckInterval, MaxCheckInterval);
}

int ReadForceUpdateDays() {
    return std::clamp(ReadInteger(Keys::ForceUpdateInt), MinForceUpdateDays, MaxForceUpdateDays);
}

bool IntervalFieldValue(const std::string& text, int min, int max, int& value) {
    if (text.empty() || text.size() > 9 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    const int parsed = std::stoi(text);
    if (parsed < min || parsed > max)
        return false;
    value = parsed;
    return true;
}

TDateTime EarliestLastUpdate(const std::string& path, const std::vector<std::string>& groupNames) {
    const TDateTime now = Now();
    TDateTime earliest = ReadStampChecked(path, "Update", "LastUpdate").value_or(now.AddDays(365));
    for (const std::string& section : groupNames) {
        if (!ReadBoolChecked(path, section, "Enable", true))
            continue;
        const auto last = ReadStampChecked(path, section, "LastUpdate");
        if (last && *last < earliest)
            earliest = *last;
    }
    return earliest;
}

} // namespace hostaq
