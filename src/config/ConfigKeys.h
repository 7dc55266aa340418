#pragma once

#include "config/DateTime.h"
#include "config/ProviderConstants.h"

#include <optional>
#include <string>
#include <vector>

namespace hostaq {

enum class TKeyType { String, Integer, Bool, Stamp, Password };

// One key of the configuration file: where it lives, how it is stored and its default.
struct TConfigKey {
    const char* Section;
    const char* Key;
    TKeyType Type;
    const char* Default; // stored text of the default; empty where the owner computes it
    const char* Owner;
};

// One key of every group's section (the section is the group's name).
struct TGroupKey {
    const char* Key;
    TKeyType Type;
    const char* Default;
    const char* Owner;
};

namespace Keys {
#define X(Name, Section, Key, Type, Default, Owner)                                                          \
    inline constexpr TConfigKey Name{Section, Key, TKeyType::Type, Default, Owner};
#define G(Name, Key, Type, Default, Owner)                                                                   \
    inline constexpr TGroupKey Name{Key, TKeyType::Type, Default, Owner};
#include "config/ConfigKeys.def"
#undef G
#undef X
} // namespace Keys

// Every key of the table, in table order.
const std::vector<const TConfigKey*>& AllConfigKeys();
// The group keys of the table, in table order.
const std::vector<const TGroupKey*>& AllGroupKeys();

// A group key of one group's section, with the key's default and the warning rule below.
std::string ReadGroupString(const std::string& path, const std::string& group, const TGroupKey& key);
bool ReadGroupBool(const std::string& path, const std::string& group, const TGroupKey& key);

// Typed accessors on the process-wide configuration file (ConfigPath()), or on the given path.
// Each reads the file at the moment of the call. A stored value that does not parse reads as the
// default and is reported once as a warning.
std::string ReadString(const TConfigKey& key);
std::string ReadString(const TConfigKey& key, const std::string& def);
int ReadInteger(const TConfigKey& key);
int ReadInteger(const TConfigKey& key, int def);
bool ReadBool(const TConfigKey& key);
bool ReadBool(const TConfigKey& key, bool def);
// Empty or missing stamps and malformed ones give nothing.
std::optional<TDateTime> ReadStamp(const TConfigKey& key);
std::string ReadPassword(const TConfigKey& key);

bool WriteString(const TConfigKey& key, const std::string& value);
bool WriteInteger(const TConfigKey& key, int value);
bool WriteBool(const TConfigKey& key, bool value);
bool WriteStamp(const TConfigKey& key, const TDateTime& value);
// Scrambles the password; an empty password is never written and leaves the stored one alone.
bool WritePassword(const TConfigKey& key, const std::string& plain);

// The same on another file (a profile, a test file).
std::string ReadString(const std::string& path, const TConfigKey& key);
int ReadInteger(const std::string& path, const TConfigKey& key);
bool ReadBool(const std::string& path, const TConfigKey& key);

// Reads a stored integer or boolean with the warning rule above; for keys outside the table
// (group sections).
int ReadIntegerChecked(const std::string& path, const std::string& section, const std::string& key, int def);
bool ReadBoolChecked(const std::string& path, const std::string& section, const std::string& key, bool def);
// A stored stamp, or nothing when missing, empty or malformed (malformed is reported once).
std::optional<TDateTime> ReadStampChecked(const std::string& path, const std::string& section,
                                          const std::string& key);

} // namespace hostaq
