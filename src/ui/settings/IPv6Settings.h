#pragma once

#include <string>

namespace hostaq {

class TIniDocument;

// Where the IPv6 address of the groups that keep AAAA records comes from (section
// IPv6Address): the interface addresses, a check page read over IPv6, or a typed address.
struct TIPv6Values {
    enum TSource { SourceInterface = 0, SourcePage = 1, SourceManual = 2 };
    int Source = SourceInterface;
    std::string Interface; // empty: any interface
    std::string CheckPage;
    std::string ManualIP;
    bool AllowTemporary = false;
    bool operator==(const TIPv6Values&) const = default;
};

TIPv6Values LoadIPv6Values();
// Why the values cannot be saved (the manual address is not a public IPv6 address, the page
// source has no page); empty when they can.
std::string CheckIPv6Values(const TIPv6Values& values);
// Writes the keys whose stored value differs, so a file that never had them gains none while
// the defaults stand.
void WriteIPv6Values(TIniDocument& doc, const TIPv6Values& values);

// Which fields of the IPv6 source are enabled: only those of the chosen source.
struct TIPv6Enabling {
    bool Interface = false;
    bool AllowTemporary = false;
    bool CheckPage = false;
    bool ManualIP = false;
};
TIPv6Enabling IPv6Enabling(int source);

} // namespace hostaq
