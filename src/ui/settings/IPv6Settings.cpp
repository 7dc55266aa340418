#include "ui/settings/IPv6Settings.h"

#include "config/ConfigKeys.h"
#include "config/IniFile.h"
#include "config/Messages.h"
#include "config/Text.h"
#include "ipdetect/IPv6Choice.h"

#include <strings.h>

namespace hostaq {

namespace {
constexpr int MsgIPv6NeedPublic = 10716;
constexpr int MsgIPv6NeedPage = 10717;

const char* SourceName(int source) {
    switch (source) {
    case TIPv6Values::SourcePage:
        return "page";
    case TIPv6Values::SourceManual:
        return "manual";
    default:
        return "interface";
    }
}

// Writes a key only when its stored value (or the default of a missing key) differs.
void WriteChanged(TIniDocument& doc, const TConfigKey& key, const std::string& value) {
    if (doc.ReadString(key.Section, key.Key, key.Default) != value)
        doc.WriteString(key.Section, key.Key, value);
}
} // namespace

TIPv6Values LoadIPv6Values() {
    TIPv6Values v;
    const std::string source = TrimBlanks(ReadString(Keys::IPv6Source));
    if (strcasecmp(source.c_str(), "page") == 0)
        v.Source = TIPv6Values::SourcePage;
    else if (strcasecmp(source.c_str(), "manual") == 0)
        v.Source = TIPv6Values::SourceManual;
    v.Interface = ReadString(Keys::IPv6Interface);
    v.CheckPage = ReadString(Keys::IPv6CheckPage);
    v.ManualIP = ReadString(Keys::IPv6ManualIP);
    v.AllowTemporary = ReadBool(Keys::IPv6AllowTemporary);
    return v;
}

std::string CheckIPv6Values(const TIPv6Values& v) {
    if (v.Source == TIPv6Values::SourceManual && !IsPublicIPv6(v.ManualIP))
        return Msg(MsgIPv6NeedPublic);
    if (v.Source == TIPv6Values::SourcePage && TrimBlanks(v.CheckPage).empty())
        return Msg(MsgIPv6NeedPage);
    return {};
}

void WriteIPv6Values(TIniDocument& doc, const TIPv6Values& v) {
    WriteChanged(doc, Keys::IPv6Source, SourceName(v.Source));
    WriteChanged(doc, Keys::IPv6Interface, TrimBlanks(v.Interface));
    WriteChanged(doc, Keys::IPv6CheckPage, TrimBlanks(v.CheckPage));
    WriteChanged(doc, Keys::IPv6ManualIP, TrimBlanks(v.ManualIP));
    // A boolean is compared as what it means: "0" and a missing key are the same.
    int stored = 0;
    ParseIniInteger(doc.ReadString(Keys::IPv6AllowTemporary.Section, Keys::IPv6AllowTemporary.Key, "0"),
                    stored);
    if ((stored != 0) != v.AllowTemporary)
        doc.WriteBool(Keys::IPv6AllowTemporary.Section, Keys::IPv6AllowTemporary.Key, v.AllowTemporary);
}

TIPv6Enabling IPv6Enabling(int source) {
    TIPv6Enabling e;
    e.Interface = source == TIPv6Values::SourceInterface;
    e.AllowTemporary = e.Interface;
    e.CheckPage = source == TIPv6Values::SourcePage;
    e.ManualIP = source == TIPv6Values::SourceManual;
    return e;
}

} // namespace hostaq
