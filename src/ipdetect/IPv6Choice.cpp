#include "ipdetect/IPv6Choice.h"

#include <algorithm>
#include <arpa/inet.h>

namespace hostaq {

namespace {

std::string_view TrimView(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool IsStable(const TIPv6Candidate& c) {
    return (c.Flags & AddrTemporary) == 0;
}

} // namespace

std::optional<TIPv6Bytes> ParseIPv6(std::string_view text) {
    text = TrimView(text);
    // Longer than any form of an address: not one (and inet_pton needs a terminated copy).
    if (text.empty() || text.size() > 45 || text.find(':') == std::string_view::npos)
        return std::nullopt;
    const std::string copy(text);
    TIPv6Bytes bytes{};
    if (::inet_pton(AF_INET6, copy.c_str(), bytes.data()) != 1)
        return std::nullopt;
    return bytes;
}

std::string FormatIPv6(const TIPv6Bytes& address) {
    char text[INET6_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET6, address.data(), text, sizeof text);
    return text;
}

bool IsGlobalUnicast(const TIPv6Bytes& a) {
    // Loopback, unspecified, IPv4-mapped and compatible addresses lie in ::/8, unique local ones
    // in fc00::/7, link-local ones in fe80::/10, multicast in ff00::/8: none in 2000::/3.
    return (a[0] & 0xE0) == 0x20;
}

bool IsPublicIPv6(std::string_view text) {
    const auto bytes = ParseIPv6(text);
    return bytes && IsGlobalUnicast(*bytes);
}

std::optional<TIPv6Bytes> ApplyIPv6Suffix(const TIPv6Bytes& address, std::string_view suffix) {
    const auto id = ParseIPv6(suffix);
    if (!id || std::any_of(id->begin(), id->begin() + 8, [](std::uint8_t b) { return b != 0; }))
        return std::nullopt;
    TIPv6Bytes result = address;
    std::copy(id->begin() + 8, id->end(), result.begin() + 8);
    return result;
}

bool IsValidIPv6Suffix(std::string_view suffix) {
    suffix = TrimView(suffix);
    return suffix.empty() || ApplyIPv6Suffix(TIPv6Bytes{}, suffix).has_value();
}

TIPv6Refusal IPv6Refusal(const TIPv6Candidate& c, const TIPv6ChoiceOptions& options) {
    if (!options.Interface.empty() && c.Interface != options.Interface)
        return TIPv6Refusal::OtherInterface;
    if (!IsGlobalUnicast(c.Address))
        return TIPv6Refusal::NotGlobal;
    if (!c.InterfaceUp)
        return TIPv6Refusal::InterfaceDown;
    if (c.Flags & AddrDadFailed)
        return TIPv6Refusal::DadFailed;
    if (c.Flags & AddrTentative)
        return TIPv6Refusal::Tentative;
    if ((c.Flags & AddrDeprecated) || c.PreferredLifetime == 0)
        return TIPv6Refusal::Deprecated;
    if (!IsStable(c) && !options.AllowTemporary)
        return TIPv6Refusal::Temporary;
    return TIPv6Refusal::Usable;
}

std::optional<TIPv6Candidate> ChooseIPv6Address(const std::vector<TIPv6Candidate>& candidates,
                                                const TIPv6ChoiceOptions& options) {
    const TIPv6Candidate* best = nullptr;
    // Strictly better: stable before temporary, then the longer preferred lifetime, then the
    // lower address. One address on two interfaces ties completely; the interface name decides
    // so that the answer never depends on the order of the list.
    auto better = [](const TIPv6Candidate& a, const TIPv6Candidate& b) {
        if (IsStable(a) != IsStable(b))
            return IsStable(a);
        if (a.PreferredLifetime != b.PreferredLifetime)
            return a.PreferredLifetime > b.PreferredLifetime;
        if (a.Address != b.Address)
            return a.Address < b.Address;
        return a.Interface < b.Interface;
    };
    for (const TIPv6Candidate& c : candidates) {
        if (IPv6Refusal(c, options) != TIPv6Refusal::Usable)
            continue;
        if (!best || better(c, *best))
            best = &c;
    }
    if (!best)
        return std::nullopt;
    return *best;
}

} // namespace hostaq
