#include "config/ConfigKeys.h"

#include "config/ConfigPath.h"
#include "config/ErrorReporter.h"
#include "config/IniFile.h"
#include "config/Messages.h"
#include "config/Scramble.h"
#include "config/Stamp.h"

namespace hostaq {

namespace {
constexpr int MsgNotANumber = 10439;
constexpr int MsgNotAStamp = 10440;
constexpr int MsgNotAPassword = 10441;

int DefaultInt(const TConfigKey& key) {
    int v = 0;
    ParseIniInteger(key.Default, v);
    return v;
}
} // namespace

const std::vector<const TConfigKey*>& AllConfigKeys() {
    static const std::vector<const TConfigKey*> all = {
#define X(Name, Section, Key, Type, Default, Owner) &Keys::Name,
#define G(Name, Key, Type, Default, Owner)
#include "config/ConfigKeys.def"
#undef G
#undef X
    };
    return all;
}

const std::vector<const TGroupKey*>& AllGroupKeys() {
    static const std::vector<const TGroupKey*> all = {
#define X(Name, Section, Key, Type, Default, Owner)
#define G(Name, Key, Type, Default, Owner) &Keys::Name,
#include "config/ConfigKeys.def"
#undef G
#undef X
    };
    return all;
}

std::string ReadGroupString(const std::string& path, const std::string& group, const TGroupKey& key) {
    return IniReadString(path, group, key.Key, key.Default);
}

bool ReadGroupBool(const std::string& path, const std::string& group, const TGroupKey& key) {
    int def = 0;
    ParseIniInteger(key.Default, def);
    return ReadBoolChecked(path, group, key.Key, def != 0);
}

int ReadIntegerChecked(const std::string& path, const std::string& section, const std::string& key, int def) {
    const std::string text = IniReadString(path, section, key, "");
    int value = def;
    if (!text.empty() && !ParseIniInteger(text, value)) {
        ReportWarningOnce(FormatMsg(MsgNotANumber, {text, section + "/" + key, std::to_string(def)}));
        value = def;
    }
    return value;
}

bool ReadBoolChecked(const std::string& path, const std::string& section, const std::string& key, bool def) {
    return ReadIntegerChecked(path, section, key, def ? 1 : 0) != 0;
}

std::optional<TDateTime> ReadStampChecked(const std::string& path, const std::string& section,
                                          const std::string& key) {
    const std::string text = IniReadString(path, section, key, "");
    if (text.empty())
        return std::nullopt;
    TDateTime t;
    if (!TryDecodeStamp(text, t)) {
        ReportWarningOnce(FormatMsg(MsgNotAStamp, {text, section + "/" + key}));
        return std::nullopt;
    }
    return t;
}

std::string ReadString(const std::string& path, const TConfigKey& key) {
    return IniReadString(path, key.Section, key.Key, key.Default);
}
int ReadInteger(const std::string& path, const TConfigKey& key) {
    return ReadIntegerChecked(path, key.Section, key.Key, DefaultInt(key));
}
bool ReadBool(const std::string& path, const TConfigKey& key) {
    return ReadIntegerChecked(path, key.Section, key.Key, DefaultInt(key)) != 0;
}

std::string ReadString(const TConfigKey& key) {
    return ReadString(ConfigPath(), key);
}
std::string ReadString(const TConfigKey& key, const std::string& def) {
    return IniReadString(ConfigPath(), key.Section, key.Key, def);
}
int ReadInteger(const TConfigKey& key) {
    return ReadInteger(ConfigPath(), key);
}
int ReadInteger(const TConfigKey& key, int def) {
    return ReadIntegerChecked(ConfigPath(), key.Section, key.Key, def);
}
bool ReadBool(const TConfigKey& key) {
    return ReadBool(ConfigPath(), key);
}
bool ReadBool(const TConfigKey& key, bool def) {
    return ReadBoolChecked(ConfigPath(), key.Section, key.Key, def);
}
std::optional<TDateTime> ReadStamp(const TConfigKey& key) {
    return ReadStampChecked(ConfigPath(), key.Section, key.Key);
}

std::string ReadPassword(const TConfigKey& key) {
    const std::string stored = IniReadString(ConfigPath(), key.Section, key.Key, "");
    if (stored.empty())
        return {};
    bool malformed = false;
    std::string plain = UnscramblePassword(stored, &malformed);
    if (malformed)
        ReportWarningOnce(FormatMsg(MsgNotAPassword, {std::string(key.Section) + "/" + key.Key}));
    return plain;
}

bool WriteString(const TConfigKey& key, const std::string& value) {
    return IniWriteString(ConfigPath(), key.Section, key.Key, value);
}
bool WriteInteger(const TConfigKey& key, int value) {
    return IniWriteInteger(ConfigPath(), key.Section, key.Key, value);
}
bool WriteBool(const TConfigKey& key, bool value) {
    return IniWriteBool(ConfigPath(), key.Section, key.Key, value);
}
bool WriteStamp(const TConfigKey& key, const TDateTime& value) {
    return IniWriteString(ConfigPath(), key.Section, key.Key, EncodeStamp(value));
}
bool WritePassword(const TConfigKey& key, const std::string& plain) {
    if (plain.empty())
        return true;
    return IniWriteString(ConfigPath(), key.Section, key.Key, ScramblePassword(plain));
}

} // namespace hostaq
