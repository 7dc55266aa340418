#include "EngineFixture.h"

namespace hostaq::test {
namespace {

// A dial-up line that records what the engine asks of it.
class TRecordingDialer : public TDialer {
public:
    bool Available() override { return true; }
    bool Connected() override { return true; }
    std::string ClientAddress() override { return "198.51.100.9"; }
    void Dial() override { Calls.push_back("Dial"); }
    void HangUp() override { Calls.push_back("HangUp"); }
    void StartMonitor() override { Calls.push_back("StartMonitor"); }
    void StopMonitor() override { Calls.push_back("StopMonitor"); }
    std::vector<std::string> Calls;
};

class TOfflineTest : public TEngineFixture {
protected:
    // A schedule 10 minutes ahead with the given "After offline:" item.
    void Schedule(int afterOffline) {
        AddGroup("Home", {"a.example"});
        MarkUpToDate("Home", "192.168.1.5");
        Set("Offline", "ScheduleOffLine", "1");
        Set("Offline", "OffTime", EncodeStamp(Clock.Now().AddMinutes(10)));
        Set("Offline", "AfterOffline", std::to_string(afterOffline));
        Set("Offline", "Forced", "1");
        Set("Offline", "OfflineIP", "198.51.100.1");
        Set("Options", "AutoCheck", "1");
        Set("Options", "CheckingInt", "59");
        Set("Options", "FirstCheckDelay", "3599");
        Start();
    }
    // Past the scheduled moment.
    void ReachOffTime() { Loop.AdvanceSecs(Clock.Now().SecsTo(Engine->OffTime()) + 1); }
};

TEST_F(TOfflineTest, ScheduledShutDownCountsDownThenEndsTheSessionThroughTheSeam) {
    Schedule(4);
    ReachOffTime();
    ASSERT_EQ(Presenter.Countdowns, 1);
    EXPECT_EQ(Engine->CycleState(), CycleUpdating) << "the heartbeat rests while the countdown runs";
    EXPECT_TRUE(Updater.Started.empty());
    Presenter.PendingCountdown(true); // nobody pressed anything for 60 seconds
    FinishRun();
    EXPECT_TRUE(Logged("Execute the scheduled offline update"));
    ASSERT_EQ(Updater.Started, std::vector<std::string>{"Home"});
    EXPECT_EQ(Updater.Addresses["Home"], "198.51.100.1");
    EXPECT_NE(Updater.URLs["Home"].find("&myip=198.51.100.1&"), std::string::npos);
    EXPECT_NE(Updater.URLs["Home"].find("&offline=YES"), std::string::npos);
    EXPECT_EQ(LoggedKind("Shutting down the computer"), LogWarning);
    EXPECT_EQ(LoggedKind("Hostaq Updater stopped..."), LogProgram);
    ASSERT_EQ(SessionEnd.Requests.size(), 1u);
    EXPECT_EQ(SessionEnd.Requests[0].first, ewPowerOff);
    EXPECT_TRUE(SessionEnd.Requests[0].second) << "Force to execute";
    // The schedule fired once: a year ahead, and switched off in the file.
    EXPECT_EQ(Get("Offline", "ScheduleOffLine"), "0");
    EXPECT_EQ(Get("Offline", "Forced"), "0");
    EXPECT_EQ(Get("Offline", "OffTime"), EncodeStamp(Engine->OffTime()));
    EXPECT_GT(Engine->OffTime(), Clock.Now().AddDays(364));
    EXPECT_EQ(Get("Update", "IP"), "198.51.100.1");
}

TEST_F(TOfflineTest, ExitProgramRunsWithoutCountdownAndStops) {
    Schedule(1);
    ReachOffTime();
    FinishRun();
    EXPECT_EQ(Presenter.Countdowns, 0);
    EXPECT_EQ(Updater.Started.size(), 1u);
    EXPECT_EQ(LoggedKind("Exiting program"), LogNormal);
    EXPECT_EQ(Presenter.Terminated, 1);
    EXPECT_TRUE(SessionEnd.Requests.empty());
}

TEST_F(TOfflineTest, AbortedCountdownMovesTheScheduleAYearAhead) {
    Schedule(3);
    ReachOffTime();
    ASSERT_EQ(Presenter.Countdowns, 1);
    Presenter.PendingCountdown(false);
    EXPECT_EQ(LoggedKind("Scheduled offline update was aborted"), LogNormal);
    EXPECT_EQ(Get("Offline", "ScheduleOffLine"), "0");
    EXPECT_GT(Engine->OffTime(), Clock.Now().AddDays(364));
    EXPECT_EQ(Engine->CycleState(), CycleIdle);
    EXPECT_TRUE(Updater.Started.empty());
    Loop.AdvanceSecs(5);
    EXPECT_EQ(Presenter.Countdowns, 1);
}

TEST_F(TOfflineTest, HibernateOnAMachineThatCannotHibernateSelectsNoAction) {
    SessionEnd.Hibernate = false;
    Schedule(6);
    EXPECT_EQ(Engine->AfterOfflineIndex(), -1);
    ReachOffTime();
    Presenter.PendingCountdown(true);
    FinishRun();
    EXPECT_EQ(Updater.Started.size(), 1u);
    EXPECT_TRUE(SessionEnd.Requests.empty());
    EXPECT_FALSE(Logged("Hibernating..."));
    EXPECT_EQ(Presenter.Terminated, 0);
    SessionEnd.Suspend = false;
    Engine->SetAfterOfflineIndex(5);
    EXPECT_EQ(Engine->AfterOfflineIndex(), -1);
    SessionEnd.Suspend = true;
    Engine->SetAfterOfflineIndex(5);
    EXPECT_EQ(Engine->AfterOfflineIndex(), 5);
}

TEST_F(TOfflineTest, UncheckedScheduleOnlyMovesItselfAYearAhead) {
    Schedule(0);
    Engine->SetScheduleOffline(false);
    ReachOffTime();
    EXPECT_TRUE(Updater.Started.empty());
    EXPECT_GT(Engine->OffTime(), Clock.Now().AddDays(364));
    EXPECT_EQ(Engine->CycleState(), CycleIdle);
}

TEST_F(TOfflineTest, OverdueScheduleRunsTwoMinutesAfterStart) {
    AddGroup("Home", {"a.example"});
    Set("Offline", "ScheduleOffLine", "1");
    Set("Offline", "OffTime", EncodeStamp(Clock.Now().AddDays(-3)));
    Start();
    EXPECT_EQ(Engine->OffTime(), Clock.Now().AddMinutes(2));
}

TEST_F(TOfflineTest, OfflineNowAsksResolvesAndDisablesAutomaticUpdateAfterwards) {
    TRecordingDialer dialer;
    Services.Dialer = &dialer;
    AddGroup("Home", {"a.example"});
    Set("Offline", "OfflineURL", "holding.example");
    Set("Offline", "OfflineIP", "198.51.100.1");
    Set("Offline", "Disconnect", "1");
    Resolved["holding.example"] = "198.51.100.44";
    Set("LocalIP", "IP0", "192.168.0.0-192.168.255.255");
    Start();
    Engine->OfflineNow(); // No
    EXPECT_EQ(Presenter.Questions.back(), "Do you really want to do offline update?");
    EXPECT_TRUE(Updater.Started.empty());
    // With a dialog open the dialog comes to the front and no run starts.
    Presenter.Answers = {true};
    Presenter.DialogOpen = true;
    Engine->OfflineNow();
    EXPECT_EQ(Presenter.BroughtToFront, 1);
    EXPECT_TRUE(Updater.Started.empty());
    Presenter.DialogOpen = false;
    Presenter.Answers = {true};
    Engine->OfflineNow(); // the address is private, which an offline run never minds
    FinishRun();
    EXPECT_EQ(LoggedKind("Manual offline update is requested"), LogWarning);
    EXPECT_EQ(Updater.Addresses["Home"], "198.51.100.44");
    EXPECT_FALSE(Engine->AutoCheck());
    EXPECT_EQ(Get("Options", "AutoCheck"), "0");
    // The monitor is stopped before the line is hung up, so the hang-up is no dropped line.
    ASSERT_GE(dialer.Calls.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(dialer.Calls.end() - 2, dialer.Calls.end()),
              (std::vector<std::string>{"StopMonitor", "HangUp"}));
    // An unresolvable name falls back to the backup address.
    Resolved.clear();
    EXPECT_EQ(Engine->ResolveOfflineAddress(), "198.51.100.1");
}

} // namespace
} // namespace hostaq::test
