#include "EngineFixture.h"

#include "groups/UpdateReport.h"
#include "log/DateFormat.h"

#include <algorithm>
#include <fstream>

namespace hostaq::test {
namespace {

using TRunTest = TEngineFixture;

TEST_F(TRunTest, AddressChangeWithThreeGroupsOneDisabledSendsTwoRequestsTogether) {
    AddGroup("One", {"a.example", "b.example"});
    AddGroup("Two", {"c.example"});
    AddGroup("Three", {"d.example"}, false);
    Updater.Bodies["Two"] = "nochg 203.0.113.7";
    Updater.Hold = true;
    Start();
    RunCheck();
    EXPECT_TRUE(Logged("IP changes (192.168.1.5 > 203.0.113.7 [automatic])"));
    EXPECT_EQ(LoggedKind("IP changes (192.168.1.5 > 203.0.113.7 [automatic])"), LogWarning);
    EXPECT_EQ(LoggedKind("Update process starts"), LogProcess);
    // Both requests are out before either has answered.
    EXPECT_EQ(Updater.Started, (std::vector<std::string>{"One", "Two"}));
    EXPECT_EQ(LoggedKind("Group Three is disabled"), LogWarning);
    EXPECT_EQ(Engine->CycleState(), CycleUpdating);
    EXPECT_EQ(Presenter.Hint.substr(Presenter.Hint.find('\n') + 1), "Updating");
    Loop.AdvanceMsecs(1000);
    EXPECT_TRUE(Engine->RunInProgress()) << "the run waits for every group";
    Updater.ReleaseHeld();
    FinishRun();
    EXPECT_FALSE(Engine->RunInProgress());
    // The worse of the two results decides.
    EXPECT_EQ(LoggedKind("Update result: Warning (maybe double update)"), LogWarning);
    EXPECT_EQ(Presenter.Statuses.back(), "Update result: Warning (maybe double update)");
    EXPECT_EQ(Get("Update", "LastStatus"), "1");
    EXPECT_EQ(Get("Update", "IP"), "203.0.113.7");
    EXPECT_EQ(Get("One", "IP"), "203.0.113.7");
    EXPECT_EQ(Get("Two", "UpdateResult"), "2");
    EXPECT_EQ(Presenter.UpdatedField, "203.0.113.7");
    EXPECT_TRUE(Engine->UpdatedAddressChanged());
    ASSERT_FALSE(Presenter.Balloons.empty());
    EXPECT_EQ(Presenter.Balloons.back().first, TNoticeKind::Warning);
    EXPECT_EQ(Broadcaster.Sent.back().Name, "HOSTAQ_UPDATER_UPDATED_IP");
    // The next processed check forgets the warning.
    MarkUpToDate("One", "203.0.113.7");
    MarkUpToDate("Two", "203.0.113.7");
    RunCheck();
    EXPECT_EQ(Get("Update", "LastStatus"), "0");
    EXPECT_EQ(Get("Two", "UpdateResult"), "0");
}

TEST_F(TRunTest, RunOfGroupsThatAllHoldTheAddressEndsAtOnceWithSuccessSteps) {
    AddGroup("One", {"a.example"});
    AddGroup("Two", {"b.example"});
    const TDateTime start = Clock.Now();
    MarkUpToDate("One", "203.0.113.7");
    MarkUpToDate("Two", "203.0.113.7");
    Set("Options", "CheckingInt", "7");
    Start();
    RunCheck(); // the updated address (192.168.1.5) differs from the new one: a run is due
    EXPECT_TRUE(Updater.Started.empty());
    EXPECT_TRUE(Logged("No need to update group One"));
    EXPECT_EQ(LoggedKind("Update result: No error"), LogNormal);
    EXPECT_EQ(Get("Update", "IP"), "203.0.113.7");
    EXPECT_EQ(Get("Update", "LastUpdate"), EncodeStamp(Clock.Now().AddSecs(-2)));
    EXPECT_EQ(Presenter.LastTrayState(), TrayNormal);
    EXPECT_EQ(Engine->NextCheckTime(), Clock.Now().AddMinutes(7));
    // The line shows the force date of this run; afterwards the earliest group date counts.
    const std::string next = FormatDateTime("MM/dd/yyyy HH:mm:ss", Clock.Now().AddSecs(-2).AddDays(25));
    EXPECT_EQ(Engine->NextForceUpdate(), start.AddDays(-1).AddDays(25));
    const std::vector<std::string> log = LogTexts();
    const auto finished = std::find(log.begin(), log.end(), "Update process finished");
    ASSERT_NE(finished, log.end());
    EXPECT_EQ(*(finished + 1), "Update result: No error");
    EXPECT_EQ(log.end()[-2], "Next force update: " + next);
    EXPECT_EQ(log.end()[-1], "Hostaq Updater ready...");
}

TEST_F(TRunTest, SocketErrorGivesTheWinsockStatusAndARetry) {
    AddGroup("Home", {"a.example"});
    Updater.Errors["Home"] = 10061;
    Set("Options", "CheckIntErr", "3");
    Start();
    RunCheck();
    EXPECT_EQ(LoggedKind("Home [hostaq.example]: 10061 (Connection refused)"), LogError);
    EXPECT_EQ(LoggedKind("Update result: Winsock error"), LogError);
    EXPECT_EQ(Presenter.LastTrayState(), TrayError);
    EXPECT_EQ(Get("Update", "LastStatus"), "2");
    EXPECT_EQ(Get("Update", "IP", ""), "") << "the updated address is stored on success only";
    EXPECT_EQ(Engine->UpdatedAddress(), "203.0.113.7");
    EXPECT_TRUE(Logged("Will try to check again within 3 minutes"));
    EXPECT_EQ(Engine->NextCheckTime(), Clock.Now().AddMinutes(3));
    EXPECT_EQ(Presenter.Balloons.back().first, TNoticeKind::Error);
    EXPECT_EQ(Presenter.Beeps, 1);
    EXPECT_EQ(Engine->LastRunClass(), ClassWinsock);
}

TEST_F(TRunTest, BlockedGroupEndsEveryAutomaticRunWithTheBlockedStatusUntilSaved) {
    AddGroup("Home", {"a.example", "b.example"});
    Updater.Bodies["Home"] = "badauth";
    Set("Options", "NoBeep", "1");
    Start();
    RunCheck();
    EXPECT_EQ(Get("Home", "UpdateResult"), "4");
    EXPECT_EQ(Get("Home", "Home"), "badauth") << "one line for two hosts is stored under the group";
    EXPECT_EQ(Engine->NextCheckTime(), Clock.Now().AddMinutes(5)) << "no retry for a blocked group";
    EXPECT_FALSE(Logged("Will try to check again within 1 minutes"));
    EXPECT_TRUE(Presenter.Balloons.empty());
    EXPECT_EQ(Presenter.Beeps, 0);
    // A forced run sends it all the same.
    Presenter.Answers = {true};
    Updater.Bodies.erase("Home");
    Engine->ForceUpdate();
    FinishRun();
    EXPECT_EQ(Updater.Started.size(), 2u);
    EXPECT_EQ(Get("Home", "UpdateResult"), "0");
}

TEST_F(TRunTest, ForceUpdateAsksFirstAndNoMeansNothingHappens) {
    AddGroup("Home", {"a.example"});
    MarkUpToDate("Home", "198.51.100.7");
    Set("Update", "IP", "198.51.100.7");
    Set("LocalIP", "IP0", "198.51.100.0-198.51.100.255"); // the user's own: asked about
    WebCheck.Address = "198.51.100.7";
    Start();
    RunCheck();            // refused: in the local list
    Engine->ForceUpdate(); // the address did not change, and it is not public: No
    EXPECT_EQ(Presenter.Questions.size(), 1u);
    EXPECT_EQ(Presenter.Questions[0],
              "It seems that the IP address does not change \rDo you really want to update?");
    EXPECT_FALSE(Logged("Manual update is requested"));
    EXPECT_TRUE(Updater.Started.empty());
    // Yes to both: the confirmed run goes ahead on the address of the local list.
    Presenter.Answers = {true, true};
    Engine->ForceUpdate();
    EXPECT_EQ(Presenter.Questions.back(),
              "Current IP address is not public IP.\rDo you really want to update?");
    FinishRun();
    EXPECT_EQ(LoggedKind("Manual update is requested"), LogWarning);
    ASSERT_EQ(Updater.Started, std::vector<std::string>{"Home"});
    EXPECT_EQ(Updater.Addresses["Home"], "198.51.100.7");
    EXPECT_TRUE(Engine->ForcedRun());
}

TEST_F(TRunTest, ForceUpdateNeverSendsAPrivateAddressOrNone) {
    AddGroup("Home", {"a.example"});
    Start();
    Engine->ForceUpdate(); // no check yet: no address at all
    EXPECT_TRUE(Updater.Started.empty());
    EXPECT_TRUE(Logged("Current IP address () is not public IP"));
    WebCheck.Address = "10.1.2.3";
    RunCheck();
    Presenter.Answers = {true, true};
    const std::size_t questions = Presenter.Questions.size();
    Engine->ForceUpdate();
    FinishRun();
    EXPECT_EQ(Presenter.Questions.size(), questions) << "nothing to ask about: it is refused";
    EXPECT_TRUE(Updater.Started.empty());
    EXPECT_EQ(Engine->CycleState(), CycleIdle);
}

TEST_F(TRunTest, BroadcastCarriesTheAddressPackedIntoTwoNumbers) {
    const TPackedAddress p = PackAddress("192.168.1.20");
    EXPECT_EQ(p.WParam, 11010240);
    EXPECT_EQ(p.LParam, 1310721);
    EXPECT_EQ(PackAddress("").WParam, 0);
    EXPECT_EQ(PackAddress("1.2.3.4.5").LParam, 0);
    AddGroup("Home", {"a.example"});
    Set("Options", "UseLanIP", "1");
    Network = TFixedHostNetwork({{"198.51.100.20", "255.255.255.0", true, false}});
    Start();
    RunCheck();
    ASSERT_GE(Broadcaster.Sent.size(), 2u);
    EXPECT_EQ(Broadcaster.Sent[0].Name, "HOSTAQ_UPDATER_CURRENT_IP");
    EXPECT_EQ(Broadcaster.Sent[0].WParam, 198 + 51 * 65536);
    EXPECT_EQ(Broadcaster.Sent[0].LParam, 100 + 20 * 65536);
    EXPECT_EQ(Broadcaster.Sent[1].Name, "HOSTAQ_UPDATER_UPDATED_IP");
    EXPECT_EQ(Broadcaster.Sent[1].Address, "198.51.100.20");
}

TEST_F(TRunTest, ReportIsMailedWhenItHoldsResultsAndAgainAfterAFailure) {
    AddGroup("Home", {"a.example"});
    Set("Options", "SendMail", "1");
    Start();
    RunCheck();
    ASSERT_EQ(Mailer.Sent.size(), 1u);
    EXPECT_EQ(Mailer.Sent[0], "203.0.113.7>203.0.113.7");
    const std::string report = UpdateReport().Text();
    EXPECT_EQ(report.find("Update process starts on "), 0u);
    EXPECT_NE(report.find("IP address: 192.168.1.5 > 203.0.113.7 [automatic]"), std::string::npos);
    EXPECT_NE(report.find("Hostname: a.example"), std::string::npos);
    EXPECT_NE(report.find("Update process ends on "), std::string::npos);
    // A failed mail (MailSent 0) goes again at the next processed check.
    Set("Options", "MailSent", "0");
    MarkUpToDate("Home", "203.0.113.7");
    RunCheck();
    EXPECT_EQ(Mailer.Sent.size(), 2u);
}

TEST_F(TRunTest, StopDuringARunWaitsForItsResult) {
    AddGroup("Home", {"a.example"});
    Updater.Hold = true;
    Set("Options", "SendMail", "1");
    Start();
    RunCheck();
    ASSERT_TRUE(Engine->RunInProgress());
    bool finished = false; // the one-shot command waits for it to learn the outcome
    Engine->OnRunFinished = [&finished] { finished = true; };
    Engine->RequestStop();
    EXPECT_EQ(Presenter.Terminated, 0);
    Updater.ReleaseHeld();
    FinishRun();
    EXPECT_EQ(Presenter.Terminated, 1);
    EXPECT_TRUE(finished);
    const std::vector<std::string> log = LogTexts();
    const auto result = std::find(log.begin(), log.end(), "Update result: No error");
    const auto stopped = std::find(log.begin(), log.end(), "Hostaq Updater stopped...");
    ASSERT_NE(stopped, log.end());
    EXPECT_LT(result, stopped);
    EXPECT_TRUE(Mailer.Sent.empty()) << "no report mail on the way out";
}

TEST_F(TRunTest, AutomaticUpdateSwitchedOnDuringARunStartsNoSecondOne) {
    AddGroup("Home", {"a.example"});
    Updater.Hold = true;
    Start();
    RunCheck();
    Engine->ApplyAutoCheck(true);
    EXPECT_EQ(Engine->CycleState(), CycleUpdating);
    Loop.AdvanceSecs(10);
    EXPECT_EQ(Updater.Started.size(), 1u);
    Updater.ReleaseHeld();
    FinishRun();
    EXPECT_EQ(Engine->CycleState(), CycleIdle);
    EXPECT_TRUE(Engine->TimerUpdate.Enabled());
}

TEST_F(TRunTest, GroupWithoutPasswordIsNeverSentAndStaysBlocked) {
    AddGroup("Home", {"a.example"});
    Set("Home", "Password", "");
    Start();
    RunCheck();
    EXPECT_EQ(Updater.URLs["Home"], "");
    EXPECT_EQ(Get("Home", "UpdateResult"), "4");
    EXPECT_EQ(LoggedKind("Update result: Error, the update is disabled until the configuration changed"),
              LogError);
}

TEST_F(TRunTest, DamagedPasswordIsReportedAndTheGroupIsNotSent) {
    AddGroup("Home", {"a.example"});
    AddGroup("Work", {"b.example"});
    Set("Home", "Password", "zz");
    Start();
    RunCheck();
    EXPECT_EQ(Updater.URLs["Home"], "") << "never sent with an empty password";
    EXPECT_NE(Updater.URLs["Work"], "");
    const std::string damaged = "The stored password of group Home is damaged; the group is not sent until "
                                "its password is saved again.";
    EXPECT_EQ(LoggedKind(damaged), LogError);
    EXPECT_EQ(Get("Home", "UpdateResult"), "4");
    // Blocked from now on: later checks do not repeat the report.
    RunCheck();
    EXPECT_EQ(std::count_if(Log.begin(), Log.end(), [&](const auto& e) { return e.second == damaged; }), 1);
}

TEST_F(TRunTest, DuplicateSectionsAreOneGroupSentOnce) {
    AddGroup("Home", {"a.example"});
    // A hand edit adds a second section of the same name in other letters.
    std::ofstream(Path, std::ios::app)
        << "[home]\nUserID=ann\nPassword=x\nType=0\nNumOfHosts=1\nHost1=z.example\n";
    Start();
    RunCheck();
    EXPECT_EQ(Updater.Started, (std::vector<std::string>{"Home"}));
    EXPECT_EQ(CountGroups(Path).Groups, 1);
}

TEST_F(TRunTest, RetryIntervalIsAtLeastAMinute) {
    AddGroup("Home", {"a.example"});
    Updater.Errors["Home"] = 10061;
    Set("Options", "CheckIntErr", "0");
    Start();
    RunCheck();
    EXPECT_EQ(Engine->RetryMinutes(), 1);
    EXPECT_EQ(Engine->NextCheckTime(), Clock.Now().AddMinutes(1));
}

} // namespace
} // namespace hostaq::test
