#include "ipdetect/IPv6Choice.h"

#include "ipdetect/CheckPage.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace hostaq {
namespace {

constexpr std::uint32_t Forever = LifetimeForever;

TIPv6Candidate Addr(const char* text, const char* ifname = "eth0", std::uint32_t flags = AddrPermanent,
                    std::uint32_t preferred = Forever) {
    TIPv6Candidate c;
    c.Address = *ParseIPv6(text);
    c.Interface = ifname;
    c.Flags = flags;
    c.PreferredLifetime = preferred;
    c.ValidLifetime = preferred == 0 ? 3600 : preferred;
    return c;
}

struct TChoiceCase {
    const char* Name;
    std::vector<TIPv6Candidate> Candidates;
    TIPv6ChoiceOptions Options;
    const char* Expected; // empty: none
};

// The rule: only global unicast; never link-local, ULA, loopback, multicast, IPv4-mapped,
// tentative, DAD-failed or deprecated; temporary only when allowed; then stable first, the
// longest preferred lifetime, the lowest address.
const std::vector<TChoiceCase>& Cases() {
    static const std::vector<TChoiceCase> cases = {
        {"temporary loses to stable-privacy",
         {Addr("2001:db8:1::aaaa", "eth0", AddrTemporary, 86000),
          Addr("2001:db8:1::ffff", "eth0", AddrStablePrivacy, 14000)},
         {},
         "2001:db8:1::ffff"},
        {"temporary loses to EUI-64 even with a longer lifetime",
         {Addr("2001:db8:1:0:1c3a:5ff:fe00:1", "eth0", 0, 100),
          Addr("2001:db8:1::7", "eth0", AddrTemporary, 90000)},
         {},
         "2001:db8:1:0:1c3a:5ff:fe00:1"},
        {"temporary alone is not taken", {Addr("2001:db8:1::7", "eth0", AddrTemporary, 90000)}, {}, ""},
        {"temporary alone is taken when allowed",
         {Addr("2001:db8:1::7", "eth0", AddrTemporary, 90000)},
         {true, ""},
         "2001:db8:1::7"},
        {"allowed temporary still yields to a stable one",
         {Addr("2001:db8:1::1", "eth0", AddrTemporary, Forever), Addr("2001:db8:1::9", "eth0", 0, 600)},
         {true, ""},
         "2001:db8:1::9"},
        {"deprecated by preferred lifetime 0",
         {Addr("2001:db8:1::1", "eth0", AddrPermanent, 0), Addr("2001:db8:1::20")},
         {},
         "2001:db8:1::20"},
        {"deprecated by flag", {Addr("2001:db8:1::1", "eth0", AddrDeprecated, 300)}, {}, ""},
        {"tentative", {Addr("2001:db8:1::1", "eth0", AddrTentative)}, {}, ""},
        {"DAD failed", {Addr("2001:db8:1::1", "eth0", AddrDadFailed | AddrTentative)}, {}, ""},
        {"unique local", {Addr("fd00::2"), Addr("fc12::1")}, {}, ""},
        {"link-local", {Addr("fe80::1")}, {}, ""},
        {"loopback", {Addr("::1", "lo")}, {}, ""},
        {"IPv4-mapped", {Addr("::ffff:203.0.113.7")}, {}, ""},
        {"multicast", {Addr("ff02::1"), Addr("ff0e::1")}, {}, ""},
        {"unspecified and outside 2000::/3", {Addr("::"), Addr("4000::1"), Addr("1fff::1")}, {}, ""},
        {"documentation prefix counts as global", {Addr("2001:db8::5")}, {}, "2001:db8::5"},
        {"two stable addresses on two interfaces: the lower",
         {Addr("2001:db8:2::10", "wlan0"), Addr("2001:db8:1::10", "eth0")},
         {},
         "2001:db8:1::10"},
        {"lifetimes differ: the longer preferred",
         {Addr("2001:db8:1::1", "eth0", 0, 3600), Addr("2001:db8:9::1", "eth0", 0, 7200)},
         {},
         "2001:db8:9::1"},
        {"forever beats any lifetime",
         {Addr("2001:db8:1::1", "eth0", 0, 4000000000u), Addr("2001:db8:9::1", "eth0", 0, Forever)},
         {},
         "2001:db8:9::1"},
        {"interface filter",
         {Addr("2001:db8:1::10", "eth0"), Addr("2001:db8:2::10", "wlan0")},
         {false, "wlan0"},
         "2001:db8:2::10"},
        {"interface filter without a usable address",
         {Addr("2001:db8:1::10", "eth0"), Addr("fe80::1", "wlan0")},
         {false, "wlan0"},
         ""},
        {"interface down",
         {[] {
             TIPv6Candidate c = Addr("2001:db8:1::10");
             c.InterfaceUp = false;
             return c;
         }()},
         {},
         ""},
        {"the whole mix of a home router's client",
         {Addr("fe80::1c3a:5ff:fe00:1"), Addr("fd00::1c3a:5ff:fe00:1"),
          Addr("2001:db8:1::10", "eth0", AddrPermanent, Forever),
          Addr("2001:db8:1::11", "eth0", AddrPermanent, 0),
          Addr("2001:db8:1::abcd", "eth0", AddrTemporary, 86400), Addr("::1", "lo")},
         {},
         "2001:db8:1::10"},
    };
    return cases;
}

TEST(ChooseIPv6Address, TableOfCases) {
    ASSERT_GE(Cases().size(), 15u);
    for (const TChoiceCase& c : Cases()) {
        const auto chosen = ChooseIPv6Address(c.Candidates, c.Options);
        EXPECT_EQ(chosen ? FormatIPv6(chosen->Address) : std::string(), c.Expected) << c.Name;
    }
}

// The answer never depends on the order the kernel lists the addresses in.
TEST(ChooseIPv6Address, EveryOrderGivesTheSameAnswer) {
    for (const TChoiceCase& c : Cases()) {
        std::vector<TIPv6Candidate> list = c.Candidates;
        std::sort(list.begin(), list.end(),
                  [](const TIPv6Candidate& a, const TIPv6Candidate& b) { return a.Address < b.Address; });
        int orders = 0;
        do {
            const auto chosen = ChooseIPv6Address(list, c.Options);
            EXPECT_EQ(chosen ? FormatIPv6(chosen->Address) : std::string(), c.Expected) << c.Name;
        } while (std::next_permutation(list.begin(), list.end(),
                                       [](const TIPv6Candidate& a, const TIPv6Candidate& b) {
                                           return a.Address < b.Address;
                                       }) &&
                 ++orders < 120);
    }
    // One address on two interfaces: the same interface whatever the order.
    const std::vector<TIPv6Candidate> twice = {Addr("2001:db8::1", "wlan0"), Addr("2001:db8::1", "eth0")};
    const std::vector<TIPv6Candidate> reversed(twice.rbegin(), twice.rend());
    EXPECT_EQ(ChooseIPv6Address(twice, {})->Interface, ChooseIPv6Address(reversed, {})->Interface);
}

TEST(ApplyIPv6Suffix, ReplacesTheLowSixtyFourBits) {
    const TIPv6Bytes machine = *ParseIPv6("2001:db8:1:2:1c3a:5ff:fe00:1");
    const struct {
        const char* Suffix;
        const char* Expected; // empty: refused
    } cases[] = {
        {"::1234", "2001:db8:1:2::1234"},
        {"::a:b:c:d", "2001:db8:1:2:a:b:c:d"},
        {" ::1 ", "2001:db8:1:2::1"},
        {"::", "2001:db8:1:2::"},
        {"1::1", ""},        // high bits set: not an interface identifier
        {"::1:0:0:0:1", ""}, // five groups reach into the prefix
        {"1234", ""},        // not an address
        {"::12345", ""},     // a group too long
        {"203.0.113.7", ""}, // IPv4
        {"::g", ""},
    };
    for (const auto& c : cases) {
        const auto result = ApplyIPv6Suffix(machine, c.Suffix);
        EXPECT_EQ(result ? FormatIPv6(*result) : std::string(), c.Expected) << c.Suffix;
        EXPECT_EQ(IsValidIPv6Suffix(c.Suffix), *c.Expected != '\0') << c.Suffix;
    }
    EXPECT_TRUE(IsValidIPv6Suffix(""));
}

TEST(ParseCheckPage6, FindsTheFirstPublicIPv6Address) {
    const struct {
        const char* Page;
        const char* Expected;
    } cases[] = {
        {"Current IP Address: 2001:db8::5\r\n", "2001:db8::5"},
        {"<html><body>Your address is 2001:DB8:0:0::5.</body></html>", "2001:db8::5"},
        {"Address:2001:db8::5", "2001:db8::5"},
        {"[2001:db8::5]:443", "2001:db8::5"},
        {"2001:db8::5/64", "2001:db8::5"},
        {"fe80::1 fd00::2 then 2001:db8::7", "2001:db8::7"},
        {"Current IP Address: 203.0.113.7", ""},
        {"::1 and ::ffff:203.0.113.7", ""},
        {"time 12:30:45", ""},
        {"", ""},
        {"cafe:beef", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseCheckPage6(c.Page), c.Expected) << c.Page;
}

TEST(IsPublicIPv6, OnlyGlobalUnicastText) {
    EXPECT_TRUE(IsPublicIPv6("2001:db8:1::10"));
    EXPECT_TRUE(IsPublicIPv6(" 2a00:1450::1 "));
    for (const char* text :
         {"", "fe80::1", "fd00::1", "::1", "ff02::1", "::ffff:1.2.3.4", "203.0.113.7", "x"})
        EXPECT_FALSE(IsPublicIPv6(text)) << text;
}

} // namespace
} // namespace hostaq
