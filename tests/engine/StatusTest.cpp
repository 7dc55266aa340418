#include "EngineFixture.h"

#include "engine/ConfigDump.h"
#include "engine/StatusTexts.h"

namespace hostaq::test {
namespace {

const TDateTime Now0 = TDateTime::FromParts(2008, 3, 10, 12, 0, 0);

TEST(TimeAgoTest, LongAndShortTextsOfThePart) {
    auto ago = [](int d, int h, int m, int s) {
        return Now0.AddDays(-d).AddHours(-h).AddMinutes(-m).AddSecs(-s);
    };
    EXPECT_EQ(LongTimeAgo(ago(0, 0, 2, 0), Now0), "2 minutes ago");
    EXPECT_EQ(ShortTimeAgo(ago(0, 0, 2, 0), Now0), "2 minutes");
    EXPECT_EQ(LongTimeAgo(ago(1, 0, 0, 0), Now0), "1 day 0 seconds ago");
    EXPECT_EQ(ShortTimeAgo(ago(1, 0, 0, 0), Now0), "1d:0 seconds");
    EXPECT_EQ(LongTimeAgo(ago(0, 7, 54, 10), Now0), "7 hours 54 minutes ago");
    EXPECT_EQ(LongTimeAgo(ago(1, 3, 0, 5), Now0), "1 day 3 hours 5 seconds ago");
    EXPECT_EQ(ShortTimeAgo(ago(2, 5, 30, 0), Now0), "2d:5h:30m");
    EXPECT_EQ(ShortTimeAgo(ago(0, 0, 45, 0), Now0), "45 minutes");
    EXPECT_EQ(ShortTimeAgo(ago(0, 0, 1, 0), Now0), "1 minute");
    EXPECT_EQ(ShortTimeAgo(ago(0, 0, 0, 12), Now0), "12 seconds");
    EXPECT_EQ(LongTimeAgo(ago(0, 1, 0, 1), Now0), "1 hour 1 second ago");
    // Nothing elapsed, or a time ahead (a missing last update reads as a year ahead).
    EXPECT_EQ(LongTimeAgo(Now0, Now0), "Cannot detect last update time");
    EXPECT_EQ(LongTimeAgo(Now0.AddDays(365), Now0), "Cannot detect last update time");
    EXPECT_EQ(ShortTimeAgo(Now0.AddDays(365), Now0), "");
    EXPECT_EQ(LongTimeAgo(Now0.AddMsecs(-999), Now0), "Cannot detect last update time");
}

TEST(CountTextTest, GroupsAndHostsWithTheirDisabledShare) {
    // The plural forms with a disabled share show in the start-up summary.
    EXPECT_EQ(GroupCountText(0, 0), "No group");
    EXPECT_EQ(GroupCountText(1, 0), "1 group");
    EXPECT_EQ(HostCountText(0, 0), "No host");
    EXPECT_EQ(HostCountText(1, 1), "1 host (1 disabled)");
}

TEST(TrayHintTest, WordsFollowTheStatesAndTheHintIsCut) {
    THintState s;
    s.GroupCount = 1;
    s.AutoCheck = true;
    s.CurrentAddress = "203.0.113.7";
    s.CycleState = CycleIdle;
    s.AddressState = AddressNone;
    s.LastUpdateTime = Now0.AddMinutes(-2);
    EXPECT_EQ(BuildTrayHint(s, Now0), "Hostaq Updater\r\nIP: 203.0.113.7\r\nUpdated: 2 minutes");
    s.CurrentAddress6 = "2001:db8:1::10";
    EXPECT_EQ(BuildTrayHint(s, Now0),
              "Hostaq Updater\r\nIP: 203.0.113.7\r\nIPv6: 2001:db8:1::10\r\nUpdated: 2 minutes");
    s.CurrentAddress.clear(); // served by IPv6 alone: no empty IPv4 line
    EXPECT_EQ(BuildTrayHint(s, Now0), "Hostaq Updater\r\nIPv6: 2001:db8:1::10\r\nUpdated: 2 minutes");
    s.CurrentAddress = "203.0.113.7";
    s.CurrentAddress6.clear();
    s.LastUpdateTime = Now0.AddDays(365);
    EXPECT_EQ(BuildTrayHint(s, Now0),
              "Hostaq Updater\r\nIP: 203.0.113.7\r\nUpdated: Cannot detect last update time");
    s.AddressState = AddressChecking;
    EXPECT_EQ(BuildTrayHint(s, Now0), "Hostaq Updater\r\nChecking IP Address");
    s.AddressState = AddressNone;
    s.AutoCheck = false;
    EXPECT_EQ(BuildTrayHint(s, Now0), "Hostaq Updater\r\nAutomatic update is disabled");
    s.CycleState = CycleUpdating;
    EXPECT_EQ(BuildTrayHint(s, Now0), "Hostaq Updater\r\nUpdating");
    s.CycleState = CycleSettings;
    EXPECT_EQ(BuildTrayHint(s, Now0), "Hostaq Updater\r\nChanging settings");
    s.CycleState = CycleStarting;
    EXPECT_EQ(BuildTrayHint(s, Now0), "Hostaq Updater\r\nStarting...");
    s.GroupCount = 0;
    EXPECT_EQ(BuildTrayHint(s, Now0), "Hostaq Updater\r\nNo account is detected");
    EXPECT_EQ(CutHint(std::string(300, 'x')).size(), 255u);
    const std::string wide = std::string(254, 'x') + "\xC3\xA9"; // "é" across the cut
    EXPECT_EQ(CutHint(wide), std::string(254, 'x'));
}

using TStatusTest = TEngineFixture;

TEST_F(TStatusTest, InfoValuesAndStartUpSummary) {
    AddGroup("One", {"a.example", "b.example"});
    AddGroup("Two", {"c.example"});
    AddGroup("Off", {"d.example"}, false);
    Set("Update", "IP", "198.51.100.2");
    Set("Update", "LastUpdate", EncodeStamp(Clock.Now().AddMinutes(-2)));
    Set("Options", "CheckingInt", "12");
    Start();
    const TInfoValues v = Presenter.Info;
    EXPECT_EQ(v.TotalGroups, "3 groups (1 disabled)");
    EXPECT_EQ(v.TotalHosts, "4 hosts (1 disabled)");
    EXPECT_EQ(v.ConnectionType, "Local Area Network");
    EXPECT_EQ(v.AutomaticUpdate, "Enable");
    EXPECT_EQ(v.CheckingInterval, "12 minutes");
    EXPECT_EQ(v.LastUpdated, "2 minutes ago");
    EXPECT_EQ(v.NextForceUpdate, "04/04/2008 11:58:00");
    EXPECT_EQ(v.CurrentIP, "") << "no address before the first check";
    EXPECT_EQ(v.UpdatedIP, "198.51.100.2");
    const std::vector<std::string> log = LogTexts();
    const auto first = std::find(log.begin(), log.end(), "Total group(s): 3 groups (1 disabled)");
    ASSERT_NE(first, log.end());
    const std::vector<std::string> summary(first, first + 12);
    EXPECT_EQ(summary[1], "Total host(s): 4 hosts (1 disabled)");
    EXPECT_EQ(summary[2].rfind("Connected from: ", 0), 0u);
    EXPECT_EQ(summary[3], "Connected using: Local Area Network");
    EXPECT_EQ(summary[4], "Automatic update: Enable");
    EXPECT_EQ(summary[5], "Checking interval: 12 minutes");
    EXPECT_EQ(summary[6], "IP address is detected automatically");
    EXPECT_EQ(summary[7], "Current IP: ");
    EXPECT_EQ(summary[8], "Updated IP: 198.51.100.2");
    EXPECT_EQ(summary[9], "Last updated: 2 minutes ago");
    EXPECT_EQ(summary[10], "Next force update: 04/04/2008 11:58:00");
    EXPECT_EQ(summary[11], "Hostaq Updater ready...");
    EXPECT_EQ(LoggedKind("Hostaq Updater ready..."), LogNormal);
}

TEST_F(TStatusTest, DumpLayout) {
    AddGroup("Home", {"a.example", "b.example"});
    Set("Home", "a.example", "good");
    Set("Home", "LastUpdate", EncodeStamp(Clock.Now().AddHours(-3)));
    TDynAcc other;
    InitGroup(other);
    other.UserID = "ann";
    other.Password = "pw";
    other.Provider = "other.example";
    other.Profile = "/etc/other.ini";
    other.NumOfHosts = 1;
    other.Hosts[0] = "x.other.example";
    ASSERT_TRUE(SaveGroup(Path, "Other", other));
    Set("Connection", "ServerIP", "http://127.0.0.1:8080/ip");
    Set("IPAddress", "LastChecked", "20080310110000");
    Start();
    const std::vector<std::string> d = Engine->ConfigDumpLines();
    const std::vector<std::string> head(d.begin(), d.begin() + 20);
    EXPECT_EQ(head, (std::vector<std::string>{
                        "Configuration information for Hostaq Updater",
                        "Dumped on: 03/10/2008 12:00:00",
                        "",
                        "",
                        "**** Connection Settings ****",
                        "\tConnection type: Local Area Network",
                        "",
                        "**** IP Address Settings ****",
                        "\tIP address is detected automatically",
                        "\tServer used to detect IP address: http://127.0.0.1:8080/ip",
                        "\tPrivate IP Address Information",
                        "\t\t192.168.1.1",
                        "\t\t192.168.0.0-192.168.255.255",
                        "\t\t255.255.255.0",
                        "\t\t127.0.0.1",
                        "\tIP address checking interval: 5 minutes",
                        "\tUpdated IP: 192.168.1.5",
                        "\tCurrent IP: , last checked on 03/10/2008 11:00:00",
                        "",
                        "**** Automatic Update ****",
                    }));
    auto at = [&](const std::string& line) { return std::find(d.begin(), d.end(), line); };
    const auto groups = at("**** Group(s) and host(s) ****");
    ASSERT_NE(groups, d.end());
    EXPECT_EQ(std::vector<std::string>(groups + 1, groups + 16),
              (std::vector<std::string>{
                  "\tTotal group(s): 2 groups",
                  "\tTotal host(s): 3 hosts",
                  "\tGroup Home:",
                  "\t\tProvider: hostaq.example",
                  "\t\tUsername: joe",
                  "\t\tLast updated: 3 hours 0 seconds ago",
                  "\t\tTotal host(s): 2",
                  "\t\t\ta.example (hostaq): good",
                  "\t\t\tb.example (hostaq)",
                  "\tGroup Other:",
                  "\t\tProvider: other.example",
                  "\t\tProfile: /etc/other.ini",
                  "\t\tUsername: ann",
                  "\t\tLast updated: Cannot detect last update time",
                  "\t\tTotal host(s): 1",
              }));
    EXPECT_EQ(*(groups + 16), "\t\t\tx.other.example");
    const auto automatic = at("**** Automatic Update ****");
    EXPECT_EQ(*(automatic + 1), "\tAutomatic update: Enable");
    EXPECT_EQ(*(automatic + 2), "\tForce update within: 25 days");
    const auto about = at("**** About the computer ****");
    ASSERT_NE(about, d.end());
    EXPECT_EQ((about + 3)->rfind("\tDetected IP address(es): 192.168.1.5", 0), 0u);
    EXPECT_EQ(d.end()[-2], "");
    EXPECT_EQ(d.end()[-3], "");
    EXPECT_EQ(d.end()[-4], "");
    // No password reaches the dump.
    for (const std::string& line : d) {
        EXPECT_EQ(line.find("secret"), std::string::npos);
        EXPECT_EQ(line.find(Get("Home", "Password")), std::string::npos);
    }
    const std::string file = Dir.File("dump.txt");
    ASSERT_TRUE(Engine->DumpConfig(file));
    EXPECT_EQ(ReadFileText(file).rfind("Configuration information for Hostaq Updater\n", 0), 0u);
}

} // namespace
} // namespace hostaq::test
