#include "EngineFixture.h"

#include "config/ConfigKeys.h"

namespace hostaq::test {
namespace {

using TCycleTest = TEngineFixture;

TEST_F(TCycleTest, FirstCheckComesFirstCheckDelayAfterStartWhateverTheInterval) {
    AddGroup("Home", {"a.example"});
    Set("Options", "FirstCheckDelay", "5");
    Set("Options", "CheckingInt", "30");
    Start();
    EXPECT_EQ(Engine->CycleState(), CycleIdle);
    EXPECT_EQ(Engine->NextCheckTime(), Clock.Now().AddSecs(5));
    Loop.AdvanceSecs(5);
    EXPECT_EQ(WebCheck.Checks, 0) << "a moment is reached only when the clock is later";
    Loop.AdvanceSecs(1);
    EXPECT_EQ(WebCheck.Checks, 1);
    // The delay is built as minutes and seconds of a time of day: at most 59:59.
    Set("Options", "FirstCheckDelay", "7200");
    Engine->ApplyFirstCheckDelay();
    EXPECT_EQ(Engine->NextCheckTime(), Clock.Now().AddSecs(59 * 60));
    Set("Options", "FirstCheckDelay", "3599");
    Engine->ApplyFirstCheckDelay();
    EXPECT_EQ(Engine->NextCheckTime(), Clock.Now().AddSecs(59 * 60 + 59));
}

TEST_F(TCycleTest, IntervalAndForceDaysAreClamped) {
    AddGroup("Home", {"a.example"});
    Set("Options", "CheckingInt", "3");
    Set("Options", "ForceUpdateInt", "0");
    Start();
    EXPECT_EQ(Engine->CheckInterval(), 5);
    EXPECT_EQ(Engine->ForceUpdateDays(), 1);
    Set("Options", "CheckingInt", "90");
    Set("Options", "ForceUpdateInt", "9999");
    Engine->LoadOptions();
    EXPECT_EQ(Engine->CheckInterval(), 59);
    EXPECT_EQ(Engine->ForceUpdateDays(), 5000);
    // What the field takes is read back unchanged.
    Set("Options", "ForceUpdateInt", "999");
    Engine->RefreshAll();
    EXPECT_EQ(Engine->ForceUpdateDays(), 999);
}

TEST_F(TCycleTest, WithoutGroupsTheHeartbeatNeverActsAndTheChoiceStaysInTheFile) {
    Set("Options", "AutoCheck", "1");
    Start();
    EXPECT_FALSE(Engine->AutoCheck());
    EXPECT_EQ(Get("Options", "AutoCheck"), "1");
    EXPECT_EQ(Presenter.Hint, "Hostaq Updater\r\nNo account is detected");
    EXPECT_EQ(Presenter.LastTrayState(), TrayDisabled);
    Loop.AdvanceSecs(3600);
    EXPECT_EQ(WebCheck.Checks, 0);
    EXPECT_TRUE(Updater.Started.empty());
}

TEST_F(TCycleTest, UnchangedAddressAndUpToDateGroupsGiveNoRunAndTheNextCheckAfterTheInterval) {
    AddGroup("Home", {"a.example"});
    MarkUpToDate("Home", "203.0.113.7");
    Set("Update", "IP", "203.0.113.7");
    Set("IPAddress", "CurrentIP", "203.0.113.7");
    Set("Options", "CheckingInt", "10");
    Start();
    RunCheck();
    EXPECT_EQ(WebCheck.Checks, 1);
    EXPECT_TRUE(Updater.Started.empty());
    EXPECT_EQ(Engine->NextCheckTime(), Clock.Now().AddMinutes(10));
    EXPECT_EQ(Engine->CycleState(), CycleIdle);
    EXPECT_GE(Trims, 1);
    EXPECT_EQ(Get("IPAddress", "LastChecked"), EncodeStamp(Clock.Now().AddSecs(-1)));
    // The current address was broadcast with its packed numbers.
    ASSERT_FALSE(Broadcaster.Sent.empty());
    EXPECT_EQ(Broadcaster.Sent.back().Name, "HOSTAQ_UPDATER_CURRENT_IP");
    EXPECT_EQ(Broadcaster.Sent.back().Address, "203.0.113.7");
}

TEST_F(TCycleTest, PrivateAddressIsRefusedAndCheckedAgainAfterTheRetryTime) {
    AddGroup("Home", {"a.example"});
    WebCheck.Address = "10.0.0.5";
    Set("LocalIP", "IP0", "10.0.0.0-10.255.255.255");
    Start();
    RunCheck();
    EXPECT_TRUE(Updater.Started.empty());
    EXPECT_EQ(LoggedKind("Current IP address (10.0.0.5) is not public IP"), LogError);
    EXPECT_EQ(LoggedKind("Will try to check again within 1 minutes"), LogNormal);
    EXPECT_EQ(Presenter.LastTrayState(), TrayError);
    EXPECT_EQ(Presenter.Hint, "Update result: No IP is specified");
    EXPECT_EQ(Get("Update", "LastStatus"), "2");
    EXPECT_EQ(Engine->NextCheckTime(), Clock.Now().AddMinutes(1));
    const int checks = WebCheck.Checks;
    Loop.AdvanceSecs(61);
    EXPECT_EQ(WebCheck.Checks, checks + 1);
}

TEST_F(TCycleTest, RetryTimeOfAnHourOrMoreIsUsedAsWholeMinutes) {
    AddGroup("Home", {"a.example"});
    WebCheck.Address = "192.168.7.7";
    Set("Options", "CheckIntErr", "90");
    Start();
    RunCheck();
    EXPECT_TRUE(Logged("Will try to check again within 90 minutes"));
    EXPECT_EQ(Engine->NextCheckTime(), Clock.Now().AddMinutes(90));
}

TEST_F(TCycleTest, ForcedRefreshWaitsForAPublicAddress) {
    AddGroup("Home", {"a.example"});
    MarkUpToDate("Home", "203.0.113.7");
    Set("Home", "LastUpdate", EncodeStamp(Clock.Now().AddDays(-30)));
    Set("Update", "IP", "203.0.113.7");
    Set("Update", "LastUpdate", EncodeStamp(Clock.Now().AddDays(-30)));
    WebCheck.Address = "192.168.1.77";
    Start();
    RunCheck(); // private: refused
    EXPECT_LT(Engine->NextForceUpdate(), Clock.Now());
    Loop.AdvanceSecs(30);
    EXPECT_EQ(WebCheck.Checks, 1) << "a due forced refresh checks again at the retry pace only";
    EXPECT_TRUE(Updater.Started.empty());
    WebCheck.Address = "203.0.113.7";
    Loop.AdvanceSecs(31); // the check
    EXPECT_EQ(WebCheck.Checks, 2);
    Loop.AdvanceSecs(2); // its processing (nothing changed), then the forced refresh
    FinishRun();
    ASSERT_EQ(Updater.Started, std::vector<std::string>{"Home"});
    EXPECT_TRUE(Logged("Group Home requires force update"));
    EXPECT_EQ(Engine->NextForceUpdate(), Engine->LastUpdateTime().AddDays(25));
}

TEST_F(TCycleTest, FailedForcedRefreshIsTriedAgainAfterTheNextCheckNotAtTheNextTick) {
    AddGroup("Home", {"a.example"});
    MarkUpToDate("Home", "203.0.113.7");
    Set("Home", "LastUpdate", EncodeStamp(Clock.Now().AddDays(-30)));
    Set("Update", "IP", "203.0.113.7");
    Updater.Errors["Home"] = 10061;
    Start();
    RunCheck(); // nothing changed; the next tick starts the forced refresh, which fails
    Loop.AdvanceSecs(1);
    FinishRun();
    ASSERT_EQ(Updater.Started.size(), 1u);
    const int checks = WebCheck.Checks;
    Loop.AdvanceSecs(30);
    EXPECT_EQ(Updater.Started.size(), 1u);
    Loop.AdvanceSecs(34);
    EXPECT_EQ(Updater.Started.size(), 2u);
    EXPECT_EQ(WebCheck.Checks, checks + 1) << "the address is still checked in between";
}

TEST_F(TCycleTest, StoredGoodAndWarningClassesAreResetAtTheNextProcessedCheck) {
    AddGroup("One", {"a.example"});
    AddGroup("Two", {"b.example"});
    AddGroup("Three", {"c.example"});
    AddGroup("Four", {"d.example"});
    for (const char* g : {"One", "Two", "Three", "Four"})
        MarkUpToDate(g, "203.0.113.7");
    Set("One", "UpdateResult", "1");
    Set("Two", "UpdateResult", "2");
    Set("Three", "UpdateResult", "3");
    Set("Four", "UpdateResult", "-1"); // hand-edited: below 3 all the same
    Set("Update", "IP", "203.0.113.7");
    Start();
    Set("Three", "IP", "203.0.113.7");
    RunCheck();
    EXPECT_EQ(Get("One", "UpdateResult"), "0");
    EXPECT_EQ(Get("Two", "UpdateResult"), "0");
    EXPECT_EQ(Get("Three", "UpdateResult"), "3");
    EXPECT_EQ(Get("Four", "UpdateResult"), "0");
}

TEST_F(TCycleTest, LanAddressIsUsedWithoutAWebRequestButNeverWhenPrivate) {
    AddGroup("Home", {"a.example"});
    Set("Options", "UseLanIP", "1");
    Network = TFixedHostNetwork({{"198.51.100.30", "255.255.255.0", true, false}});
    Start();
    RunCheck();
    EXPECT_EQ(WebCheck.Checks, 0);
    EXPECT_EQ(Engine->CurrentAddress(), "198.51.100.30");
    EXPECT_EQ(Engine->LocalList(), "127.0.0.1");
    ASSERT_EQ(Updater.Started, std::vector<std::string>{"Home"});
    EXPECT_EQ(Updater.Addresses["Home"], "198.51.100.30");
    // A private interface address is not public whatever the list says.
    Network = TFixedHostNetwork({{"192.168.1.5", "255.255.255.0", true, false}});
    RunCheck();
    EXPECT_EQ(Updater.Started.size(), 1u);
    EXPECT_TRUE(Logged("Current IP address (192.168.1.5) is not public IP"));
}

TEST_F(TCycleTest, ManualAddressKeepsTheAutomaticCycleWorking) {
    AddGroup("Home", {"a.example"});
    Set("IPAddress", "SetIPManual", "1");
    Set("IPAddress", "ManualIP", "198.51.100.9");
    Start();
    RunCheck();
    EXPECT_EQ(WebCheck.Checks, 0);
    ASSERT_EQ(Updater.Started, std::vector<std::string>{"Home"});
    EXPECT_EQ(Updater.Addresses["Home"], "198.51.100.9");
    EXPECT_TRUE(Logged("IP changes (192.168.1.5 > 198.51.100.9 [manual])"));
    // The next interval brings the next manual check, with nothing to do.
    RunCheck();
    EXPECT_EQ(Updater.Started.size(), 1u);
    EXPECT_EQ(Engine->CycleState(), CycleIdle);
}

TEST_F(TCycleTest, MalformedStoredValuesReadAsDefaultsAndAreReported) {
    AddGroup("Home", {"a.example"});
    Set("Options", "CheckingInt", "ten");
    Set("Options", "FirstCheckDelay", "soon");
    Set("Update", "LastUpdate", "yesterday");
    Set("Update", "IP", "not.an.address");
    Set("IPAddress", "SetIPManual", "1");
    Set("IPAddress", "ManualIP", "1.2.3");
    Set("Offline", "OffTime", "20081399999999");
    Start();
    EXPECT_EQ(Engine->CheckInterval(), 5);
    EXPECT_EQ(Engine->NextCheckTime(), Clock.Now().AddSecs(5));
    EXPECT_EQ(Engine->UpdatedAddress(), "192.168.1.5");
    EXPECT_GT(Engine->OffTime(), Clock.Now().AddDays(364));
    RunCheck();
    EXPECT_EQ(Engine->CurrentAddress(), "192.168.1.5");
    auto reported = [&](const std::string& part) {
        return std::any_of(Warnings.begin(), Warnings.end(),
                           [&](const std::string& w) { return w.find(part) != std::string::npos; });
    };
    EXPECT_TRUE(reported("Options/CheckingInt"));
    EXPECT_TRUE(reported("Update/LastUpdate"));
    EXPECT_TRUE(reported("Update/IP"));
    EXPECT_TRUE(reported("IPAddress/ManualIP"));
    EXPECT_TRUE(reported("Offline/OffTime"));
}

TEST_F(TCycleTest, AutomaticUpdateSwitchedOffStopsTheHeartbeat) {
    AddGroup("Home", {"a.example"});
    Start();
    Engine->ApplyAutoCheck(false);
    EXPECT_EQ(Get("Options", "AutoCheck"), "0");
    EXPECT_EQ(Presenter.LastTrayState(), TrayDisabled);
    EXPECT_EQ(Presenter.Hint, "Automatic update is disabled");
    EXPECT_FALSE(Engine->TimerUpdate.Enabled());
    Loop.AdvanceSecs(600);
    EXPECT_EQ(WebCheck.Checks, 0);
    Engine->ApplyAutoCheck(true);
    EXPECT_EQ(Presenter.Hint, "Hostaq Updater ready...");
    EXPECT_EQ(Engine->NextCheckTime(), Clock.Now().AddSecs(5));
    Loop.AdvanceSecs(6);
    EXPECT_EQ(WebCheck.Checks, 1);
}

TEST_F(TCycleTest, IntervalFieldKeepsTheTimeAlreadyWaited) {
    AddGroup("Home", {"a.example"});
    Start();
    Engine->ChangeCheckInterval("20"); // the first check was 5 s ahead
    EXPECT_EQ(Engine->NextCheckTime(), Clock.Now().AddMinutes(20).AddSecs(-5));
    EXPECT_EQ(Engine->ChangeCheckInterval("2"), "5");
    EXPECT_EQ(Presenter.Notices.back().second, "The minimum checking interval allowed is 5 minutes.\rThe "
                                               "interval is changed to meet this requirement.");
    EXPECT_EQ(Engine->ChangeCheckInterval("75"), "5");
    EXPECT_EQ(Presenter.Notices.back().second, "The maximum checking interval allowed is 59 minutes.");
    EXPECT_EQ(Engine->ChangeCheckInterval(""), "5");
    EXPECT_FALSE(Engine->ChangeForceUpdateDays("1x"));
    EXPECT_EQ(Presenter.Notices.back().second, "An integer value is expected.");
    EXPECT_TRUE(Engine->ChangeForceUpdateDays("40"));
    EXPECT_EQ(Engine->NextForceUpdate(), Engine->LastUpdateTime().AddDays(40));
    // Out of 1..5000 the field is refused and the days in use stay.
    for (const char* text : {"0", "5001", "9999", "0000"}) {
        EXPECT_FALSE(Engine->ChangeForceUpdateDays(text)) << text;
        EXPECT_EQ(Presenter.Notices.back().second, "The force update interval must be from 1 to 5000 days.");
        EXPECT_EQ(Engine->ForceUpdateDays(), 40) << text;
    }
    EXPECT_TRUE(Engine->ChangeForceUpdateDays("5000"));
    // OK writes what is in use for a field left out of range.
    Engine->SaveIntervalFields("75", "0");
    EXPECT_EQ(Get("Options", "CheckingInt"), "5");
    EXPECT_EQ(Get("Options", "ForceUpdateInt"), "5000");
}

TEST_F(TCycleTest, StopWaitsForTheCheckInProgress) {
    AddGroup("Home", {"a.example"});
    MarkUpToDate("Home", "203.0.113.7");
    Set("Update", "IP", "203.0.113.7");
    Start();
    Loop.AdvanceSecs(6); // check started, answer posted but not yet served
    Engine->CheckAddress();
    EXPECT_EQ(Engine->AddressState(), AddressChecking);
    Engine->RequestStop();
    EXPECT_EQ(Presenter.Terminated, 0);
    EXPECT_TRUE(Engine->ExitPending());
    Loop.AdvanceSecs(2);
    EXPECT_EQ(Presenter.Terminated, 1);
    EXPECT_EQ(LoggedKind("Hostaq Updater stopped..."), LogProgram);
}

} // namespace
} // namespace hostaq::test
