#include "PrivateNetwork.h"
#include "ProgramRunner.h"

#include "CaptureServer.h"
#include "ProviderServer.h"
#include "config/IniFile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>

namespace hostaq::test {
namespace {

// The real program inside a network namespace of the test's own, where the test gives an
// interface the addresses a home network would: a stable global address, a deprecated one, a
// unique local one and a link-local one. The loopback provider and check page live in the same
// namespace.
class TIPv6EndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Net.Ok())
            GTEST_SKIP() << "needs root for a private network namespace";
        ASSERT_TRUE(TPrivateNetwork::AddVeth("lan0"));
        ASSERT_TRUE(Ip("-6 addr add 2001:db8:1::10/64 dev lan0 nodad"));
        ASSERT_TRUE(Ip("-6 addr add 2001:db8:1::5/64 dev lan0 nodad valid_lft 3600 preferred_lft 0"));
        ASSERT_TRUE(Ip("-6 addr add fd00:1::10/64 dev lan0 nodad"));
        ASSERT_TRUE(Ip("-6 addr add fe80::10/64 dev lan0 nodad"));
        Provider = std::make_unique<TProviderServer>();
        CheckPage = std::make_unique<TCaptureServer>();
        CheckPage->Answer(
            "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nCurrent IP Address: 203.0.113.7\r\n");
        AddGroup("Home", "a.example,b.example", {"--ipv6"});
        AddGroup("Plain", "c.example", {});
        Set("Options", "UpdateHost", Provider->HostPort());
        Set("Connection", "ServerIP", CheckPage->Url("/"));
        Set("Update", "IP", "198.51.100.1");
    }
    static bool Ip(const std::string& args) { return TPrivateNetwork::Run("ip " + args); }
    void AddGroup(const std::string& name, const std::string& hosts, std::vector<std::string> extra) {
        std::vector<std::string> args{"--group-add", name, "--user", "joe", "--hosts", hosts, "--insecure"};
        args.insert(args.end(), extra.begin(), extra.end());
        args.push_back("./hostaq.ini");
        std::string out;
        ASSERT_EQ(RunHostaq(Dir.Path(), args, "secret\n", &out), 0) << out;
    }
    void Set(const std::string& section, const std::string& key, const std::string& value) {
        ASSERT_TRUE(IniWriteString(Ini, section, key, value));
    }
    std::string Get(const std::string& section, const std::string& key) {
        return IniReadString(Ini, section, key, "<none>");
    }
    int Once(std::string* out = nullptr) {
        return RunHostaq(Dir.Path(), {"--once", "./hostaq.ini"}, "", out);
    }
    // The requests of one group (by its hostname list), in order.
    std::vector<TProviderRequest> RequestsFor(const std::string& hosts) const {
        std::vector<TProviderRequest> found;
        for (const TProviderRequest& r : Provider->Requests())
            if (r.Query.count("hostname") && r.Query.at("hostname") == hosts)
                found.push_back(r);
        return found;
    }
    static std::size_t Count(const std::string& text, const std::string& part) {
        std::size_t n = 0;
        for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
            ++n;
        return n;
    }

    TPrivateNetwork Net; // first: everything after it lives in the namespace
    TTempDir Dir;
    std::string Ini = Dir.File("hostaq.ini");
    std::unique_ptr<TProviderServer> Provider;
    std::unique_ptr<TCaptureServer> CheckPage;
};

TEST_F(TIPv6EndToEndTest, SendsTheStableGlobalAddressAndANewOneOnce) {
    std::string out;
    ASSERT_EQ(Once(&out), 0) << out;
    const auto home = RequestsFor("a.example,b.example");
    ASSERT_EQ(home.size(), 1u) << out;
    EXPECT_EQ(home[0].Query.at("myip"), "203.0.113.7,2001:db8:1::10");
    EXPECT_EQ(Get("Home", "IP"), "203.0.113.7");
    EXPECT_EQ(Get("Home", "IP6"), "2001:db8:1::10");
    // A group without IPv6 sends exactly the request of a program without it.
    const auto plain = RequestsFor("c.example");
    ASSERT_EQ(plain.size(), 1u);
    EXPECT_EQ(plain[0].Target,
              "/nic/update?system=hostaq&hostname=c.example&myip=203.0.113.7&wildcard=ON&offline=NO");
    EXPECT_EQ(Get("Plain", "IP6"), "<none>");
    // The address is shown beside the IPv4 one and logged with its interface.
    EXPECT_NE(out.find("Current IPv6 address: 2001:db8:1::10 (lan0)"), std::string::npos) << out;
    EXPECT_NE(out.find("-- hint: Hostaq Updater - IP: 203.0.113.7 - IPv6: 2001:db8:1::10 - Updated:"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("Updated IP: 198.51.100.1, no IPv6 address"), std::string::npos) << out;

    // Nothing changed: nothing is sent.
    ASSERT_EQ(Once(&out), 0) << out;
    EXPECT_EQ(Provider->Requests().size(), 2u) << out;

    // The address goes, another comes: the new one is sent once, for the IPv6 group only.
    ASSERT_TRUE(Ip("-6 addr del 2001:db8:1::10/64 dev lan0"));
    ASSERT_TRUE(Ip("-6 addr add 2001:db8:1::20/64 dev lan0 nodad"));
    ASSERT_EQ(Once(&out), 0) << out;
    const auto again = RequestsFor("a.example,b.example");
    ASSERT_EQ(again.size(), 2u) << out;
    EXPECT_EQ(again[1].Query.at("myip"), "203.0.113.7,2001:db8:1::20");
    EXPECT_EQ(RequestsFor("c.example").size(), 1u);
    EXPECT_EQ(Get("Home", "IP6"), "2001:db8:1::20");
    EXPECT_NE(out.find("IPv6 address of group Home changes (2001:db8:1::10 > 2001:db8:1::20 [automatic])"),
              std::string::npos)
        << out;
    ASSERT_EQ(Once(&out), 0) << out;
    EXPECT_EQ(RequestsFor("a.example,b.example").size(), 2u) << out;
}

TEST_F(TIPv6EndToEndTest, WithoutAPublicIPv6AddressTheIPv4UpdateGoesAheadAlone) {
    ASSERT_TRUE(Ip("-6 addr del 2001:db8:1::10/64 dev lan0"));
    std::string out;
    ASSERT_EQ(Once(&out), 0) << out;
    const auto home = RequestsFor("a.example,b.example");
    ASSERT_EQ(home.size(), 1u) << out;
    EXPECT_EQ(home[0].Query.at("myip"), "203.0.113.7");
    EXPECT_EQ(Get("Home", "IP6"), "<none>");
    EXPECT_EQ(Count(out, "No public IPv6 address ("), 1u) << out;

    // An address appears: the group is sent for it, though the IPv4 address is unchanged.
    ASSERT_TRUE(Ip("-6 addr add 2001:db8:1::30/64 dev lan0 nodad"));
    ASSERT_EQ(Once(&out), 0) << out;
    const auto again = RequestsFor("a.example,b.example");
    ASSERT_EQ(again.size(), 2u) << out;
    EXPECT_EQ(again[1].Query.at("myip"), "203.0.113.7,2001:db8:1::30");
    EXPECT_EQ(Count(out, "No public IPv6 address ("), 0u) << out;
}

// The IPv4 check page shows a private address (a carrier-grade NAT, DS-Lite): the IPv6 group
// goes with its IPv6 address alone, the other group waits for a public IPv4 address.
TEST_F(TIPv6EndToEndTest, WithoutAPublicIPv4AddressTheIPv6AddressGoesAlone) {
    TCaptureServer natPage;
    natPage.Answer("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nCurrent IP Address: 10.0.0.5\r\n");
    Set("Connection", "ServerIP", natPage.Url("/"));
    std::string out;
    EXPECT_EQ(Once(&out), 1) << "a group waits for IPv4\n" << out;
    const auto home = RequestsFor("a.example,b.example");
    ASSERT_EQ(home.size(), 1u) << out;
    EXPECT_EQ(home[0].Query.at("myip"), "2001:db8:1::10");
    EXPECT_TRUE(RequestsFor("c.example").empty());
    EXPECT_EQ(Get("Home", "IP"), "<none>");
    EXPECT_EQ(Get("Home", "IP6"), "2001:db8:1::10");
    EXPECT_EQ(Get("Update", "IP"), "198.51.100.1");
    EXPECT_NE(out.find("No public IPv4 address: only the IPv6 address of Home is sent"), std::string::npos)
        << out;
    EXPECT_NE(out.find("is not public IP"), std::string::npos) << out;

    // Only the IPv6 group is enabled: the machine is served, and nothing new is sent.
    Set("Plain", "Enable", "0");
    EXPECT_EQ(Once(&out), 0) << out;
    EXPECT_EQ(Provider->Requests().size(), 1u) << out;
    EXPECT_EQ(out.find("is not public IP"), std::string::npos) << out;

    // A public IPv4 address again: both groups are sent, the IPv6 group with both addresses.
    Set("Plain", "Enable", "1");
    Set("Connection", "ServerIP", CheckPage->Url("/"));
    EXPECT_EQ(Once(&out), 0) << out;
    const auto again = RequestsFor("a.example,b.example");
    ASSERT_EQ(again.size(), 2u) << out;
    EXPECT_EQ(again[1].Query.at("myip"), "203.0.113.7,2001:db8:1::10");
    EXPECT_EQ(RequestsFor("c.example").size(), 1u) << out;
    EXPECT_EQ(Get("Home", "IP"), "203.0.113.7");
}

// Another host on the same /64 (a server behind this router) gets its own address: the
// machine's prefix with the group's suffix.
TEST_F(TIPv6EndToEndTest, TheSuffixNamesAnotherHostOnThePrefix) {
    AddGroup("Server", "nas.example", {"--ipv6", "--ipv6-suffix", "::1234"});
    std::string out;
    ASSERT_EQ(Once(&out), 0) << out;
    const auto nas = RequestsFor("nas.example");
    ASSERT_EQ(nas.size(), 1u) << out;
    EXPECT_EQ(nas[0].Query.at("myip"), "203.0.113.7,2001:db8:1::1234");
    EXPECT_EQ(Get("Server", "IPv6Suffix"), "::1234");
    EXPECT_EQ(Get("Server", "IP6"), "2001:db8:1::1234");
}

// The running monitor hears the kernel's address events: a new IPv6 address is sent within
// seconds, not at the next check five minutes later.
TEST_F(TIPv6EndToEndTest, TheMonitorSendsANewIPv6AddressAtOnce) {
    Set("Options", "FirstCheckDelay", "1");
    THostaqProcess p(Dir.Path(), {"--headless", "./hostaq.ini"});
    ASSERT_TRUE(p.WaitForOutput("Update result: No error")) << p.Out();
    ASSERT_EQ(RequestsFor("a.example,b.example").size(), 1u);
    ASSERT_TRUE(Ip("-6 addr del 2001:db8:1::10/64 dev lan0"));
    ASSERT_TRUE(Ip("-6 addr add 2001:db8:1::20/64 dev lan0 nodad"));
    ASSERT_TRUE(Provider->WaitForRequests(3, 15000)) << p.Out();
    const auto home = RequestsFor("a.example,b.example");
    ASSERT_EQ(home.size(), 2u) << p.Out();
    EXPECT_EQ(home[1].Query.at("myip"), "203.0.113.7,2001:db8:1::20");
    EXPECT_NE(p.Out().find("Network change on lan0"), std::string::npos) << p.Out();
    p.Signal(SIGTERM);
    EXPECT_EQ(p.Wait(), 0);
    EXPECT_EQ(RequestsFor("a.example,b.example").size(), 2u) << "sent once";
}

} // namespace
} // namespace hostaq::test
