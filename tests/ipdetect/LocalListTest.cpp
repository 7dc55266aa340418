#include "ipdetect/LocalList.h"

#include "TempConfig.h"
#include "config/ConfigKeys.h"
#include "ipdetect/AddressList.h"
#include "ipdetect/HostNetwork.h"

#include <gtest/gtest.h>

namespace hostaq {
namespace {

TInterfaceAddress Row(std::string address, std::string mask, bool up = true, bool loopback = false) {
    return TInterfaceAddress{std::move(address), std::move(mask), up, loopback};
}

// A machine behind a router: loopback, a LAN address, a down interface, a public address.
TFixedHostNetwork MixedMachine() {
    return TFixedHostNetwork({Row("127.0.0.1", "255.0.0.0", true, true), Row("192.168.1.5", "255.255.255.0"),
                              Row("10.9.9.9", "255.0.0.0", false), Row("203.0.113.7", "255.255.255.0")},
                             {"192.168.1.1", "9.9.9.9"});
}

TEST(HostAddresses, AreTheUpNonLoopbackInterfacesInOrder) {
    const TFixedHostNetwork machine = MixedMachine();
    THostNetworkGuard guard(&machine);
    EXPECT_EQ(FirstHostAddress(), "192.168.1.5");
    EXPECT_EQ(AllHostAddresses(), "192.168.1.5,203.0.113.7");
    EXPECT_EQ(InterfaceMask("192.168.1.5"), "255.255.255.0");
    EXPECT_EQ(InterfaceMask("127.0.0.1"), "255.0.0.0");
    EXPECT_EQ(InterfaceMask("198.51.100.1"), "");
    EXPECT_EQ(DnsServers(), "192.168.1.1,9.9.9.9");

    const TFixedHostNetwork empty;
    THostNetworkGuard guard2(&empty);
    EXPECT_EQ(FirstHostAddress(), "");
    EXPECT_EQ(AllHostAddresses(), "");
}

TEST(HostAddresses, ResolverConfigurationGivesIPv4NameServers) {
    EXPECT_EQ(
        ParseResolvConf("# generated\nnameserver 192.168.1.1\n  nameserver\t9.9.9.9 # quad nine\r\n"
                        "nameserver ::1\nnameserver fe80::1%eth0\nsearch example.org\n"
                        ";nameserver 1.1.1.1\nnameservers 8.8.8.8\nnameserver 01.2.3.4\nnameserver 8.8.4.4"),
        (std::vector<std::string>{"192.168.1.1", "9.9.9.9", "8.8.4.4"}));
    EXPECT_TRUE(TSystemHostNetwork("/nonexistent/resolv.conf").DnsServers().empty());
}

TEST(HostAddresses, TheRunningSystemHasALoopbackInterface) {
    bool loopback = false;
    for (const TInterfaceAddress& row : TSystemHostNetwork().Interfaces()) {
        EXPECT_FALSE(row.Address.empty());
        loopback = loopback || (row.Loopback && row.Address == "127.0.0.1" && row.Mask == "255.0.0.0");
    }
    EXPECT_TRUE(loopback);
}

TEST(BuildLocalList, HoldsDnsServersPrivateRangesMasksAndLoopback) {
    test::TTempConfig config;
    const TFixedHostNetwork machine = MixedMachine();
    THostNetworkGuard guard(&machine);
    EXPECT_EQ(BuildLocalList(),
              "192.168.1.1\r\n9.9.9.9\r\n192.168.0.0-192.168.255.255\r\n255.255.255.0\r\n127.0.0.1");

    // 127.0.0.1 is not added twice.
    const TFixedHostNetwork resolverOnLoopback({Row("203.0.113.7", "255.255.255.0")}, {"127.0.0.1"});
    THostNetworkGuard guard2(&resolverOnLoopback);
    EXPECT_EQ(BuildLocalList(), "127.0.0.1");
}

TEST(LoadLocalList, AppendsEveryLocalIPValueNotYetListed) {
    test::TTempConfig config;
    config.Write("[LocalIP]\r\nIP0=198.51.100.0-198.51.100.255\r\nIP1=127.0.0.1\r\nFoo=203.0.113.9\r\n"
                 "IP2=\r\nIP3=198.51.100.0-198.51.100.255\r\n[Other]\r\nIP4=1.1.1.1\r\n");
    const TFixedHostNetwork machine({Row("192.168.1.5", "255.255.255.0")});
    THostNetworkGuard guard(&machine);
    EXPECT_EQ(LoadLocalList(), "192.168.0.0-192.168.255.255\r\n255.255.255.0\r\n127.0.0.1\r\n"
                               "198.51.100.0-198.51.100.255\r\n203.0.113.9");
}

TEST(LocalPublicAddress, PrefersAHostAddressOutsideTheLocalList) {
    test::TTempConfig config;
    std::string localList;

    const TFixedHostNetwork twoAddresses(
        {Row("192.168.1.5", "255.255.255.0"), Row("203.0.113.7", "255.255.255.0")});
    {
        THostNetworkGuard guard(&twoAddresses);
        EXPECT_EQ(LocalPublicAddress(localList), "203.0.113.7");
        EXPECT_EQ(localList, "192.168.0.0-192.168.255.255\r\n255.255.255.0\r\n127.0.0.1");
    }
    const TFixedHostNetwork lanOnly({Row("192.168.1.5", "255.255.255.0")});
    {
        THostNetworkGuard guard(&lanOnly);
        EXPECT_EQ(LocalPublicAddress(localList), "192.168.1.5");
    }
    // A shared (carrier-grade NAT) address is not public whatever the list holds.
    const TFixedHostNetwork carrierNat(
        {Row("100.64.3.4", "255.192.0.0"), Row("203.0.113.7", "255.255.255.0")});
    {
        THostNetworkGuard guard(&carrierNat);
        EXPECT_EQ(LocalPublicAddress(localList), "203.0.113.7");
    }
    // A user's LocalIP entry makes the public address local too.
    config.Write("[LocalIP]\nIP0=203.0.113.7\n");
    {
        THostNetworkGuard guard(&twoAddresses);
        EXPECT_EQ(LocalPublicAddress(localList), "192.168.1.5");
        EXPECT_TRUE(IsInLocalList("203.0.113.7", localList));
    }
}

TEST(LocalPublicAddress, ManualAddressWins) {
    test::TTempConfig config;
    const TFixedHostNetwork machine(
        {Row("192.168.1.5", "255.255.255.0"), Row("203.0.113.7", "255.255.255.0")});
    THostNetworkGuard guard(&machine);
    std::string localList;
    config.Write("[IPAddress]\nSetIPManual=1\nManualIP=198.51.100.20\n");
    EXPECT_EQ(LocalPublicAddress(localList), "198.51.100.20");
    EXPECT_FALSE(localList.empty());
    // Without the key the first host address stands in.
    config.Write("[IPAddress]\nSetIPManual=1\n");
    EXPECT_EQ(LocalPublicAddress(localList), "192.168.1.5");
}

TEST(LocalPublicAddress, MalformedLocalIPValueIsIgnoredAndReportedOnce) {
    test::TTempConfig config;
    config.Write("[LocalIP]\nIP0=203.0.113.7 to 203.0.113.9\nIP1=203.0.113.0-203.0.113.255\n");
    const TFixedHostNetwork machine(
        {Row("203.0.113.7", "255.255.255.0"), Row("198.51.100.4", "255.255.255.0")});
    THostNetworkGuard guard(&machine);
    std::string localList;
    EXPECT_EQ(LocalPublicAddress(localList), "198.51.100.4");
    EXPECT_EQ(LocalPublicAddress(localList), "198.51.100.4");
    ASSERT_EQ(config.Warnings.size(), 1u);
    EXPECT_NE(config.Warnings[0].find("203.0.113.7 to 203.0.113.9"), std::string::npos);
}

TEST(HasPrivateAddress, FollowsTheEditionFlagAndTheInterfaces) {
    test::TTempConfig config;
    const TFixedHostNetwork lan({Row("172.16.0.1", "255.240.0.0")});
    const TFixedHostNetwork publicOnly(
        {Row("172.15.255.255", "255.255.255.0"), Row("127.0.0.1", "255.0.0.0", true, true)});
    {
        THostNetworkGuard guard(&publicOnly);
        EXPECT_TRUE(HasPrivateAddress(true));
        EXPECT_FALSE(HasPrivateAddress(false));
        SetHostaqEdition(true);
        EXPECT_FALSE(ReadDirectConnect());
        SetHostaqEdition(false);
        EXPECT_TRUE(DefaultDirectConnect());
        EXPECT_TRUE(ReadDirectConnect());
        // A stored value wins over the computed default.
        config.Write("[Connection]\nDirectConnect=0\n");
        EXPECT_FALSE(ReadDirectConnect());
    }
    {
        THostNetworkGuard guard(&lan);
        EXPECT_TRUE(HasPrivateAddress(false));
        EXPECT_FALSE(DefaultDirectConnect());
    }
}

} // namespace
} // namespace hostaq
