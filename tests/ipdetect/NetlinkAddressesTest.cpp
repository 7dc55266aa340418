#include "ipdetect/NetlinkAddresses.h"

#include "PrivateNetwork.h"

#include <gtest/gtest.h>

namespace hostaq {
namespace {

using test::TPrivateNetwork;

const TIPv6Candidate* Find(const std::vector<TIPv6Candidate>& list, const char* address) {
    const TIPv6Bytes bytes = *ParseIPv6(address);
    for (const TIPv6Candidate& c : list)
        if (c.Address == bytes)
            return &c;
    return nullptr;
}

// The kernel's own list: flags, lifetimes and interface, read over rtnetlink in a namespace
// where the test made the addresses.
TEST(ReadIPv6Addresses, ReportsFlagsLifetimesAndInterfaces) {
    TPrivateNetwork net;
    if (!net.Ok())
        GTEST_SKIP() << "needs root for a private network namespace";
    ASSERT_TRUE(TPrivateNetwork::AddVeth("hq0"));
    ASSERT_TRUE(TPrivateNetwork::Run("ip -6 addr add 2001:db8:1::10/64 dev hq0 nodad"));
    ASSERT_TRUE(TPrivateNetwork::Run(
        "ip -6 addr add 2001:db8:1::11/64 dev hq0 nodad valid_lft 3600 preferred_lft 0"));
    ASSERT_TRUE(TPrivateNetwork::Run(
        "ip -6 addr add 2001:db8:1::12/64 dev hq0 nodad valid_lft 7200 preferred_lft 1800"));
    ASSERT_TRUE(TPrivateNetwork::Run("ip -6 addr add fd00::10/64 dev hq0 nodad"));
    ASSERT_TRUE(TPrivateNetwork::Run("ip -6 addr add 2001:db8:2::10/64 dev hq0p")); // tentative: DAD runs
    ASSERT_TRUE(TPrivateNetwork::Run("ip link add hq1 type veth peer name hq1p"));  // stays down
    ASSERT_TRUE(TPrivateNetwork::Run("ip -6 addr add 2001:db8:3::10/64 dev hq1 nodad"));

    std::string error;
    const std::vector<TIPv6Candidate> list = ReadIPv6Addresses(&error);
    EXPECT_EQ(error, "");

    const TIPv6Candidate* stable = Find(list, "2001:db8:1::10");
    ASSERT_NE(stable, nullptr);
    EXPECT_EQ(stable->Interface, "hq0");
    EXPECT_TRUE(stable->InterfaceUp);
    EXPECT_EQ(stable->PrefixLength, 64);
    EXPECT_EQ(stable->PreferredLifetime, LifetimeForever);
    EXPECT_TRUE(stable->Flags & AddrPermanent);
    EXPECT_FALSE(stable->Flags & (AddrTentative | AddrDeprecated | AddrTemporary));

    const TIPv6Candidate* deprecated = Find(list, "2001:db8:1::11");
    ASSERT_NE(deprecated, nullptr);
    EXPECT_EQ(deprecated->PreferredLifetime, 0u);
    EXPECT_LE(deprecated->ValidLifetime, 3600u);
    EXPECT_GT(deprecated->ValidLifetime, 3500u);

    const TIPv6Candidate* limited = Find(list, "2001:db8:1::12");
    ASSERT_NE(limited, nullptr);
    EXPECT_LE(limited->PreferredLifetime, 1800u);
    EXPECT_GT(limited->PreferredLifetime, 1700u);

    const TIPv6Candidate* tentative = Find(list, "2001:db8:2::10");
    ASSERT_NE(tentative, nullptr);
    EXPECT_EQ(tentative->Interface, "hq0p");
    EXPECT_TRUE(tentative->Flags & AddrTentative);

    const TIPv6Candidate* down = Find(list, "2001:db8:3::10");
    ASSERT_NE(down, nullptr);
    EXPECT_FALSE(down->InterfaceUp);

    ASSERT_NE(Find(list, "fd00::10"), nullptr);
    ASSERT_NE(Find(list, "::1"), nullptr);
    // Link-local addresses of the veth ends are listed too.
    bool linkLocal = false;
    for (const TIPv6Candidate& c : list)
        linkLocal = linkLocal || (c.Address[0] == 0xfe && (c.Address[1] & 0xc0) == 0x80);
    EXPECT_TRUE(linkLocal);

    // What the program publishes out of all this: the stable global address of an up interface.
    const auto chosen = ChooseIPv6Address(list, {});
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(FormatIPv6(chosen->Address), "2001:db8:1::10");
    // Only hq0p: its one global address is still tentative.
    EXPECT_FALSE(ChooseIPv6Address(list, {false, "hq0p"}).has_value());
}

} // namespace
} // namespace hostaq
