#include "EngineFixture.h"

#include "groups/UpdateReport.h"

#include <algorithm>

namespace hostaq::test {
namespace {

// Groups that also keep AAAA records, with the interface addresses given through the seam.
class TIPv6Test : public TEngineFixture {
protected:
    TIPv6Test() {
        Services.IPv6Addresses = [this](std::string* error) {
            ++Queries;
            if (error)
                *error = QueryError;
            return Addresses;
        };
    }
    void AddIPv6Group(const std::string& name, const char* host, const std::string& suffix = {}) {
        AddGroup(name, {host});
        Set(name, "IPv6", "1");
        if (!suffix.empty())
            Set(name, "IPv6Suffix", suffix);
    }
    static TIPv6Candidate Candidate(const char* address, std::uint32_t flags = AddrPermanent) {
        TIPv6Candidate c;
        c.Address = *ParseIPv6(address);
        c.Interface = "eth0";
        c.Flags = flags;
        return c;
    }
    int Count(const std::string& prefix) const {
        const std::vector<std::string> texts = LogTexts();
        return static_cast<int>(std::count_if(texts.begin(), texts.end(),
                                              [&](const std::string& t) { return t.rfind(prefix, 0) == 0; }));
    }

    std::vector<TIPv6Candidate> Addresses{Candidate("fe80::1"), Candidate("2001:db8:1::10"),
                                          Candidate("2001:db8:1::99", AddrTemporary)};
    std::string QueryError;
    int Queries = 0;
};

TEST_F(TIPv6Test, BothAddressesGoOutAndAChangedIPv6AddressAloneMakesAGroupDue) {
    AddIPv6Group("Home", "a.example");
    AddGroup("Plain", {"b.example"});
    Start();
    RunCheck();
    EXPECT_NE(Updater.URLs["Home"].find("&myip=203.0.113.7,2001:db8:1::10&"), std::string::npos)
        << Updater.URLs["Home"];
    EXPECT_NE(Updater.URLs["Plain"].find("&myip=203.0.113.7&"), std::string::npos) << Updater.URLs["Plain"];
    EXPECT_EQ(Get("Home", "IP6"), "2001:db8:1::10");
    EXPECT_EQ(Get("Plain", "IP6"), "<none>");
    EXPECT_TRUE(Logged("Current IPv6 address: 2001:db8:1::10 (eth0)"));
    // Shown beside the IPv4 address everywhere.
    EXPECT_EQ(Presenter.Info.CurrentIP, "203.0.113.7, 2001:db8:1::10");
    EXPECT_EQ(Presenter.Info.UpdatedIP, "203.0.113.7, 2001:db8:1::10");
    EXPECT_EQ(Presenter.CurrentField, "203.0.113.7, 2001:db8:1::10");
    EXPECT_NE(UpdateReport().Text().find("IPv6 address: no IPv6 address > 2001:db8:1::10"), std::string::npos)
        << UpdateReport().Text();
    const std::vector<std::string> dump = Engine->ConfigDumpLines();
    EXPECT_NE(std::find(dump.begin(), dump.end(), "\tIPv6 address source: interface"), dump.end());
    EXPECT_NE(std::find(dump.begin(), dump.end(), "\t\tIPv6 (AAAA) address sent: 2001:db8:1::10"),
              dump.end());

    // Nothing changed: no run.
    const std::size_t started = Updater.Started.size();
    RunCheck();
    EXPECT_EQ(Updater.Started.size(), started);
    EXPECT_NE(Presenter.Hint.find("IP: 203.0.113.7\r\nIPv6: 2001:db8:1::10\r\n"), std::string::npos)
        << Presenter.Hint;

    // The IPv4 address stays, the IPv6 address changes: the IPv6 group alone is sent.
    Addresses = {Candidate("2001:db8:1::20")};
    RunCheck();
    ASSERT_EQ(Updater.Started.size(), started + 1);
    EXPECT_EQ(Updater.Started.back(), "Home");
    EXPECT_TRUE(Logged("IPv6 address of group Home changes (2001:db8:1::10 > 2001:db8:1::20 [automatic])"));
    EXPECT_EQ(Get("Home", "IP6"), "2001:db8:1::20");
}

TEST_F(TIPv6Test, WithoutAnAddressTheIPv4UpdateGoesAloneAndTheLogSaysWhyOnce) {
    AddIPv6Group("Home", "a.example");
    Addresses = {Candidate("fe80::1"), Candidate("fd00::1"), Candidate("2001:db8:1::5", AddrDeprecated)};
    Start();
    RunCheck();
    EXPECT_NE(Updater.URLs["Home"].find("&myip=203.0.113.7&"), std::string::npos) << Updater.URLs["Home"];
    EXPECT_EQ(Get("Home", "IP6"), "<none>");
    RunCheck();
    RunCheck();
    EXPECT_EQ(Count("No public IPv6 address ("), 1);
    EXPECT_TRUE(
        Logged("No public IPv6 address (none of the interface addresses is a global, preferred address "
               "of the kinds allowed): the IPv4 address is updated alone until one appears"));
    EXPECT_EQ(Presenter.Info.CurrentIP, "203.0.113.7, no IPv6 address");
    EXPECT_EQ(Updater.Started.size(), 1u);

    // An address appears: sent at the next check although the IPv4 address did not change.
    Addresses.push_back(Candidate("2001:db8:1::30"));
    RunCheck();
    ASSERT_EQ(Updater.Started.size(), 2u);
    EXPECT_NE(Updater.URLs["Home"].find("&myip=203.0.113.7,2001:db8:1::30&"), std::string::npos);
    // Gone again: said once more.
    Addresses.pop_back();
    RunCheck();
    RunCheck();
    EXPECT_EQ(Count("No public IPv6 address ("), 2);
}

TEST_F(TIPv6Test, SourcesAndSettingsOfTheIPv6Address) {
    AddIPv6Group("Home", "a.example");
    AddIPv6Group("Server", "nas.example", "::1234");
    AddIPv6Group("Broken", "x.example", "1::1");
    Set("IPv6Address", "Source", "manual");
    Set("IPv6Address", "ManualIP", "2001:DB8:5::7");
    Start();
    RunCheck();
    EXPECT_EQ(Queries, 0) << "the manual source asks no interface";
    EXPECT_NE(Updater.URLs["Home"].find("myip=203.0.113.7,2001:db8:5::7&"), std::string::npos);
    EXPECT_NE(Updater.URLs["Server"].find("myip=203.0.113.7,2001:db8:5::1234&"), std::string::npos);
    // A suffix that is no interface identifier sends no IPv6 address for its group.
    EXPECT_NE(Updater.URLs["Broken"].find("myip=203.0.113.7&"), std::string::npos);
    EXPECT_EQ(std::count_if(
                  Warnings.begin(), Warnings.end(),
                  [](const std::string& w) { return w.find("IPv6 suffix \"1::1\"") != std::string::npos; }),
              1);

    // The check page over IPv6.
    Set("IPv6Address", "Source", "page");
    Set("IPv6Address", "CheckPage", "http://[::1]:1/");
    WebCheck.Address6 = "2001:db8:6::1";
    const int checks = WebCheck.Checks;
    RunCheck();
    EXPECT_EQ(WebCheck.Checks, checks + 2) << "the IPv4 page and the IPv6 page";
    EXPECT_TRUE(WebCheck.LastSettings6.IPv6);
    EXPECT_EQ(WebCheck.LastSettings6.ServerURL, "http://[::1]:1/");
    EXPECT_EQ(WebCheck.LastSettings6.ProxyHost, "") << "a proxy would show its own address";
    EXPECT_NE(Updater.URLs["Home"].find("myip=203.0.113.7,2001:db8:6::1&"), std::string::npos);

    // A page that shows none: the reason names the page.
    WebCheck.Address6.clear();
    RunCheck();
    EXPECT_TRUE(
        Logged("No public IPv6 address (The IP address check of http://[::1]:1/ failed: the page shows no "
               "IP address): the IPv4 address is updated alone until one appears"));

    // The interface source with a filter and temporary addresses allowed.
    Set("IPv6Address", "Source", "interface");
    Set("IPv6Address", "Interface", "wlan0");
    Set("IPv6Address", "AllowTemporary", "1");
    TIPv6Candidate wireless = Candidate("2001:db8:7::99", AddrTemporary);
    wireless.Interface = "wlan0";
    Addresses.push_back(wireless);
    RunCheck();
    EXPECT_TRUE(Logged("Current IPv6 address: 2001:db8:7::99 (wlan0)"));
    EXPECT_NE(Updater.URLs["Home"].find("myip=203.0.113.7,2001:db8:7::99&"), std::string::npos);
}

// No public IPv4 address (the check fails first): the IPv6 group goes with its IPv6 address alone
// and keeps its IPv4 state; the group without IPv6 waits with the refusal it always had.
TEST_F(TIPv6Test, WithoutAPublicIPv4AddressTheIPv6AddressGoesAlone) {
    AddIPv6Group("Home", "a.example");
    AddGroup("Plain", {"b.example"});
    MarkUpToDate("Home", "198.51.100.1");
    MarkUpToDate("Plain", "198.51.100.1");
    Set("Update", "IP", "198.51.100.1");
    WebCheck.Address.clear();
    WebCheck.Failure = "Connection refused";
    std::vector<std::string> journalIPs; // the address each host result names for the journal
    const int sink = AddLogRecordSink([&](int, const std::string&, const TLogFields& f) {
        if (f.Event == TLogEvent::UpdateGood)
            journalIPs.push_back(f.IP);
    });
    Start();
    RunCheck();
    RemoveLogSink(sink);
    EXPECT_EQ(journalIPs, std::vector<std::string>{"2001:db8:1::10"});
    ASSERT_EQ(Updater.Started, std::vector<std::string>{"Home"});
    EXPECT_NE(Updater.URLs["Home"].find("&myip=2001:db8:1::10&"), std::string::npos) << Updater.URLs["Home"];
    EXPECT_EQ(Get("Home", "IP6"), "2001:db8:1::10");
    EXPECT_EQ(Get("Home", "IP"), "198.51.100.1");
    EXPECT_EQ(Get("Update", "IP"), "198.51.100.1");
    EXPECT_EQ(Engine->UpdatedAddress(), "198.51.100.1");
    EXPECT_TRUE(std::none_of(Broadcaster.Sent.begin(), Broadcaster.Sent.end(),
                             [](const auto& s) { return s.Name == UpdatedIpMessage; }));
    EXPECT_EQ(Count("Current IP address () is not public IP"), 1);
    EXPECT_EQ(Count("No public IPv4 address: only the IPv6 address of Home is sent"), 1);
    // Plain is not updated: the run ends as a run without an address does.
    EXPECT_TRUE(Logged("Update result: No IP is specified"));
    EXPECT_EQ(Presenter.LastTrayState(), TrayError);

    // The same IPv6 address: nothing is sent; the refusal repeats as before, the reason does not.
    RunCheck();
    EXPECT_EQ(Updater.Started.size(), 1u);
    EXPECT_EQ(Count("Current IP address () is not public IP"), 2);
    EXPECT_EQ(Count("No public IPv4 address: "), 1);

    // A new IPv6 address is sent alone again.
    Addresses = {Candidate("2001:db8:1::20")};
    RunCheck();
    ASSERT_EQ(Updater.Started.size(), 2u);
    EXPECT_NE(Updater.URLs["Home"].find("&myip=2001:db8:1::20&"), std::string::npos) << Updater.URLs["Home"];

    // IPv4 comes back: both groups are sent once, the IPv6 group with both addresses.
    WebCheck.Address = "203.0.113.7";
    RunCheck();
    ASSERT_EQ(Updater.Started.size(), 4u);
    EXPECT_NE(Updater.URLs["Home"].find("&myip=203.0.113.7,2001:db8:1::20&"), std::string::npos);
    EXPECT_NE(Updater.URLs["Plain"].find("&myip=203.0.113.7&"), std::string::npos);
    EXPECT_EQ(Get("Home", "IP"), "203.0.113.7");
    EXPECT_EQ(Get("Update", "IP"), "203.0.113.7");
    RunCheck();
    EXPECT_EQ(Updater.Started.size(), 4u);

    // The check fails again while the address found before stays: the new IPv6 address goes alone,
    // Plain waits for the next check as before, and the reason is said again.
    WebCheck.Address.clear();
    Addresses = {Candidate("2001:db8:1::30")};
    RunCheck();
    ASSERT_EQ(Updater.Started.size(), 5u);
    EXPECT_EQ(Updater.Started.back(), "Home");
    EXPECT_NE(Updater.URLs["Home"].find("&myip=2001:db8:1::30&"), std::string::npos) << Updater.URLs["Home"];
    EXPECT_EQ(Get("Home", "IP"), "203.0.113.7");
    EXPECT_EQ(Count("No public IPv4 address: "), 2);
}

// Every IPv4 address a run may not send leaves the IPv6 group to go alone, as a failed check does.
class TIPv6OnlyTest : public TIPv6Test, public ::testing::WithParamInterface<const char*> {};

TEST_P(TIPv6OnlyTest, ANonPublicIPv4AddressIsNeverSent) {
    AddIPv6Group("Home", "a.example");
    AddGroup("Plain", {"b.example"});
    WebCheck.Address = GetParam();
    Start();
    RunCheck();
    ASSERT_EQ(Updater.Started, std::vector<std::string>{"Home"});
    EXPECT_NE(Updater.URLs["Home"].find("&myip=2001:db8:1::10&"), std::string::npos) << Updater.URLs["Home"];
    EXPECT_EQ(Get("Home", "IP"), "<none>");
    EXPECT_EQ(Get("Plain", "UpdateResult"), "<none>");
    EXPECT_TRUE(Logged("Current IP address (" + std::string(GetParam()) + ") is not public IP"));
}

// Private, the machine's own LAN address, shared (carrier-grade NAT), reserved, none found.
INSTANTIATE_TEST_SUITE_P(IPv4, TIPv6OnlyTest,
                         ::testing::Values("10.0.0.5", "192.168.1.5", "100.64.0.9", "240.0.0.1", ""));

// Every group keeps AAAA records: the machine is served, so its state is the normal one and it
// checks at the normal interval; the forced update still comes once when due.
TEST_F(TIPv6Test, AnIPv6OnlyMachineIsServedWithoutErrors) {
    AddIPv6Group("Home", "a.example");
    MarkUpToDate("Home", "198.51.100.1");
    Set("Home", "IP6", "2001:db8:1::10");
    Set("Home", "LastUpdate", EncodeStamp(Clock.Now().AddDays(-30)));
    WebCheck.Address = "10.0.0.5";
    Start();
    RunCheck();
    ASSERT_EQ(Updater.Started.size(), 1u);
    EXPECT_EQ(Count("Group Home requires force update"), 1);
    EXPECT_NE(Updater.URLs["Home"].find("&myip=2001:db8:1::10&"), std::string::npos);
    EXPECT_TRUE(Engine->IPv6ServesAllGroups());

    const TDateTime processed = RunCheck();
    EXPECT_EQ(Updater.Started.size(), 1u);
    EXPECT_FALSE(Logged("Current IP address (10.0.0.5) is not public IP"));
    EXPECT_EQ(Presenter.LastTrayState(), TrayNormal);
    EXPECT_EQ(Get("Update", "LastStatus"), "0");
    EXPECT_EQ(Engine->NextCheckTime(), processed.AddMinutes(5));

    // Force Update sends the IPv6 address alone too, instead of refusing the private one.
    Engine->ForceUpdate();
    FinishRun();
    ASSERT_EQ(Updater.Started.size(), 2u);
    EXPECT_NE(Updater.URLs["Home"].find("&myip=2001:db8:1::10&"), std::string::npos);
    EXPECT_EQ(Get("Home", "IP"), "198.51.100.1");
    EXPECT_TRUE(Logged("Update result: No error"));
    EXPECT_FALSE(Logged("Current IP address (10.0.0.5) is not public IP"));
}

// A disabled IPv6 group changes nothing: the check ends as it always did.
TEST_F(TIPv6Test, ADisabledIPv6GroupLeavesTheRefusalAsItWas) {
    AddIPv6Group("Off", "a.example");
    Set("Off", "Enable", "0");
    AddGroup("Plain", {"b.example"});
    WebCheck.Address.clear();
    Start();
    RunCheck();
    EXPECT_TRUE(Updater.Started.empty());
    EXPECT_EQ(Count("No public IPv4 address"), 0);
    EXPECT_TRUE(Logged("Current IP address () is not public IP"));
    EXPECT_FALSE(Logged("Update process starts"));
    EXPECT_FALSE(Engine->IPv6ServesAllGroups());
}

// A profile whose request sends %IP% cannot go without IPv4: it waits, and the log says why once.
// One that sends only %IP6% goes.
TEST_F(TIPv6Test, AProfileThatSendsTheIPv4AddressWaitsForIt) {
    const std::string needs = Dir.File("needs4.ini");
    const std::string six = Dir.File("six.ini");
    WriteFileText(needs, "[requests]\nhost=%HOST%\nip=%Ip%\nip6=%IP6%\n");
    WriteFileText(six, "[requests]\nhost=%HOST%\nip6=%IP6%\n");
    AddIPv6Group("Needs", "a.example");
    Set("Needs", "Profile", needs);
    AddIPv6Group("Six", "b.example");
    Set("Six", "Profile", six);
    WebCheck.Address.clear();
    Start();
    RunCheck();
    RunCheck();
    ASSERT_EQ(Updater.Started, std::vector<std::string>{"Six"});
    EXPECT_NE(Updater.URLs["Six"].find("?host=b.example&ip6=2001:db8:1::10"), std::string::npos)
        << Updater.URLs["Six"];
    EXPECT_EQ(Count("No public IPv4 address: group Needs is not sent, its profile's request needs the IPv4 "
                    "address (" +
                    needs + ")"),
              1);
    EXPECT_FALSE(Engine->IPv6ServesAllGroups());
    EXPECT_EQ(Count("Current IP address () is not public IP"), 2);
}

// Without a group that keeps AAAA records nothing of this runs: no interface query, no page,
// no text.
TEST_F(TIPv6Test, GroupsWithoutIPv6NeverLookForIt) {
    AddGroup("Plain", {"b.example"});
    Set("IPv6Address", "Source", "page");
    Set("IPv6Address", "CheckPage", "http://[::1]:1/");
    Start();
    RunCheck();
    RunCheck();
    EXPECT_EQ(Queries, 0);
    EXPECT_EQ(WebCheck.LastSettings6.ServerURL, "");
    EXPECT_EQ(Presenter.Info.CurrentIP, "203.0.113.7");
    EXPECT_EQ(Presenter.Hint.find("IPv6"), std::string::npos);
    EXPECT_EQ(UpdateReport().Text().find("IPv6"), std::string::npos);
}

} // namespace
} // namespace hostaq::test
