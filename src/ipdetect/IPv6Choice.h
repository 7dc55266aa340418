#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hostaq {

// IPv6 addresses of this machine and the one a group publishes.

using TIPv6Bytes = std::array<std::uint8_t, 16>;

// The address of text in any form inet_pton accepts ("2001:db8::1", "::ffff:192.0.2.1"); blanks
// around it are allowed. Nothing for anything else, an IPv4 address included.
std::optional<TIPv6Bytes> ParseIPv6(std::string_view text);
// The canonical text: lower case, longest run of zeros compressed ("2001:db8::1").
std::string FormatIPv6(const TIPv6Bytes& address);

// Global unicast (2000::/3, the documentation prefix 2001:db8::/32 included): the only
// addresses another host can reach this one on. Never link-local, unique local (fc00::/7),
// loopback, multicast, unspecified or IPv4-mapped.
bool IsGlobalUnicast(const TIPv6Bytes& address);
// The same on text: false for text that is not an IPv6 address.
bool IsPublicIPv6(std::string_view text);

// The interface identifier "::1234" put in place of the low 64 bits of the address: the address
// of another host behind this one on the same /64. Nothing when the suffix is not an address or
// has any of its high 64 bits set.
std::optional<TIPv6Bytes> ApplyIPv6Suffix(const TIPv6Bytes& address, std::string_view suffix);
// True when the suffix is empty or one ApplyIPv6Suffix takes.
bool IsValidIPv6Suffix(std::string_view suffix);

// Address flags as the kernel reports them (IFA_F_*).
inline constexpr std::uint32_t AddrTemporary = 0x01;
inline constexpr std::uint32_t AddrDadFailed = 0x08;
inline constexpr std::uint32_t AddrDeprecated = 0x20;
inline constexpr std::uint32_t AddrTentative = 0x40;
inline constexpr std::uint32_t AddrPermanent = 0x80;
inline constexpr std::uint32_t AddrManageTempAddr = 0x100;
inline constexpr std::uint32_t AddrStablePrivacy = 0x800;
// A lifetime that never ends.
inline constexpr std::uint32_t LifetimeForever = 0xFFFFFFFFu;

// One address of an interface, as the kernel lists it.
struct TIPv6Candidate {
    TIPv6Bytes Address{};
    std::string Interface;
    bool InterfaceUp = true;
    std::uint32_t Flags = 0;
    std::uint8_t PrefixLength = 64;
    std::uint32_t PreferredLifetime = LifetimeForever; // seconds
    std::uint32_t ValidLifetime = LifetimeForever;
};

struct TIPv6ChoiceOptions {
    bool AllowTemporary = false;
    std::string Interface; // only addresses of this interface; empty: any
};

// Why an address is not taken; Usable when it may be.
enum class TIPv6Refusal {
    Usable,
    NotGlobal, // link-local, unique local, loopback, multicast, IPv4-mapped, unspecified
    Tentative,
    DadFailed,
    Deprecated,
    Temporary,
    OtherInterface,
    InterfaceDown,
};
TIPv6Refusal IPv6Refusal(const TIPv6Candidate& c, const TIPv6ChoiceOptions& options);

// The address this machine publishes. Only usable addresses count (IPv6Refusal); among them
// stable ones (stable-privacy, EUI-64, static, DHCPv6) before temporary ones, then the longest
// preferred lifetime, then the lowest address: the same set in any order gives the same answer,
// and an address does not lose its place to a newer one of the same kind. Nothing when none is
// usable.
std::optional<TIPv6Candidate> ChooseIPv6Address(const std::vector<TIPv6Candidate>& candidates,
                                                const TIPv6ChoiceOptions& options);

} // namespace hostaq
