#include "platform/DialerLogic.h"
#include "FakePppd.h"
#include "config/Scramble.h"
#include "engine/EngineFixture.h"
#include "net/WorkerThread.h"

#include <gmock/gmock.h>

#include <algorithm>

namespace hostaq {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

// What the dialer side of the window shows.
class TDialPresenter : public TPresenter {
public:
    void SetTrayState(int state) override { TrayStates.push_back(state); }
    void ShowStatus(const std::string& text) override { Statuses.push_back(text); }
    void EnableCancelDial(bool enabled) override { CancelDial = enabled; }
    void EnableCommands(bool, bool update) override { UpdateCommands = update; }

    std::vector<int> TrayStates;
    std::vector<std::string> Statuses;
    bool CancelDial = false;
    bool UpdateCommands = true;
};

// An engine on a dial-up connection whose pppd is a script.
class DialerLogicTest : public test::TEngineFixture {
protected:
    DialerLogicTest() : Logic(Loop, DialView, Pppd.System()) {
        AddGroup("home", {"a.hostaq.example"});
        Set("Connection", "DirectConnect", "1");
        Set("Dialer", "DialAccount", "work");
        Set("Dialer", "DialUserName", "joe");
        Set("Dialer", "DialPassword", ScramblePassword("pw"));
        Set("Dialer", "DialDelay", "7");
        Services.Dialer = &Logic;
    }
    ~DialerLogicTest() override {
        Loop.PumpUntil([] { return LiveWorkers() == 0; }, 5000);
        Engine.reset();
    }
    void StartDialUp() {
        Engine = std::make_unique<TEngine>(Loop, Presenter, Services);
        Logic.Attach(*Engine);
        Engine->StartUpSequence();
        Loop.RunPending();
    }
    // Serves the dial thread until its pppd has ended.
    void FinishDial() {
        ASSERT_TRUE(Loop.PumpUntil(
            [this] {
                return Logic.Component() != nullptr && !Logic.Component()->Dialing() && LiveWorkers() == 0;
            },
            10000));
    }
    int KindOf(const std::string& text) const { return LoggedKind(text); }

    test::TFakePppd Pppd;
    TDialPresenter DialView;
    TDialerLogic Logic;
};

TEST_F(DialerLogicTest, ConnectionKindIsDialUpOnlyWithPppd) {
    StartDialUp();
    EXPECT_EQ(Engine->ConnectionKind(), ConnectionDialUp);
    EXPECT_EQ(Engine->InfoValues().ConnectionType, "Dial-up");

    TPppSystem none = Pppd.System();
    none.PppdPath = Dir.File("no-pppd");
    TDialerLogic without(Loop, DialView, none);
    Services.Dialer = &without;
    TEngine lan(Loop, Presenter, Services);
    without.Attach(lan);
    lan.RefreshAll();
    EXPECT_EQ(lan.ConnectionKind(), ConnectionLan);
    EXPECT_EQ(without.Component(), nullptr) << "no dialer without pppd";
}

TEST_F(DialerLogicTest, StartUpDialsAndTheClientAddressBecomesTheCurrentAddress) {
    Pppd.Behave("work", "ok 203.0.113.50 203.0.113.1");
    StartDialUp();
    EXPECT_EQ(KindOf("Start dialing to work"), LogProcess);
    EXPECT_EQ(DialView.TrayStates.front(), TrayDialer);
    FinishDial();

    EXPECT_EQ(KindOf("Dialer - Opening port"), LogNormal);
    EXPECT_EQ(KindOf("work connected"), LogNormal);
    for (const char* line : {"Connection information", "Device type: PPP", "Device name: ppp0",
                             "Server IP address: 203.0.113.1", "Client IP address: 203.0.113.50"})
        EXPECT_EQ(KindOf(line), LogNormal) << line;
    EXPECT_EQ(KindOf("Dialing to work finished"), LogProcess);
    EXPECT_EQ(DialView.Statuses.back(), "work connected");
    EXPECT_EQ(DialView.TrayStates.back(), TrayNormal);
    EXPECT_FALSE(DialView.CancelDial);
    EXPECT_EQ(Engine->CurrentAddress(), "203.0.113.50");
    EXPECT_EQ(Get("IPAddress", "CurrentIP"), "203.0.113.50");
    EXPECT_THAT(Pppd.Calls(), ElementsAre("call work updetach user joe file /dev/fd/3"));

    // The change test runs: the next heartbeat updates the group with the dial-up address.
    Loop.AdvanceSecs(1);
    FinishRun();
    EXPECT_THAT(Updater.Started, ElementsAre("home"));
    EXPECT_EQ(Updater.Addresses["home"], "203.0.113.50");
}

TEST_F(DialerLogicTest, FailedDialSchedulesARedialAndLogsIt) {
    Pppd.Behave("work", "fail 19");
    StartDialUp();
    FinishDial();
    EXPECT_EQ(KindOf("Dialer error - Authentication to the peer failed (wrong user name or password)"),
              LogError);
    EXPECT_EQ(DialView.Statuses.back(), "Error when dialing to work");
    EXPECT_EQ(DialView.TrayStates.back(), TrayError);
    EXPECT_EQ(KindOf("Schedule to dial again within 7 second(s)"), LogWarning);
    EXPECT_TRUE(Logic.RedialScheduled());
    EXPECT_FALSE(DialView.CancelDial);

    // The redial waits for its moment; then the line comes up.
    Pppd.Behave("work", "ok 203.0.113.50 203.0.113.1");
    Loop.AdvanceSecs(6);
    EXPECT_EQ(Pppd.Calls().size(), 1u);
    Loop.AdvanceSecs(2);
    EXPECT_FALSE(Logic.RedialScheduled());
    EXPECT_TRUE(Loop.PumpUntil([this] { return Pppd.Calls().size() == 2; }, 10000));
    FinishDial();
    EXPECT_EQ(Engine->CurrentAddress(), "203.0.113.50");
}

TEST_F(DialerLogicTest, ZeroDialDelayRedialsAtTheNextTickWithoutAScheduleLine) {
    Set("Dialer", "DialDelay", "0");
    Pppd.Behave("work", "fail 8");
    StartDialUp();
    FinishDial();
    EXPECT_TRUE(Logic.RedialScheduled());
    EXPECT_THAT(LogTexts(), Not(Contains(::testing::HasSubstr("Schedule to dial again"))));
    Loop.AdvanceSecs(1);
    EXPECT_FALSE(Logic.RedialScheduled());
    EXPECT_TRUE(Loop.PumpUntil([this] { return Pppd.Calls().size() == 2; }, 10000));
}

TEST_F(DialerLogicTest, DropWithNeedDialOffIsLoggedAndNotRedialled) {
    Set("Dialer", "NeedDial", "0");
    Pppd.AddLink("ppp0", "work", 4242, "203.0.113.60", "203.0.113.1");
    StartDialUp();
    EXPECT_EQ(Engine->CurrentAddress(), "203.0.113.60");
    EXPECT_EQ(KindOf("work connected"), LogNormal);

    RunCheck(); // the start-up address is processed: the group gets it

    Pppd.RemoveLink("ppp0");
    RunCheck();
    EXPECT_EQ(KindOf("work disconnected"), LogWarning);
    EXPECT_EQ(DialView.Statuses.back(), "work disconnected");
    EXPECT_EQ(DialView.TrayStates.back(), TrayWarning);
    EXPECT_FALSE(Logic.RedialScheduled());
    EXPECT_THAT(Pppd.Calls(), IsEmpty());
    EXPECT_EQ(Engine->CurrentAddress(), "192.168.1.5") << "read again from the local interfaces";
    EXPECT_NE(Engine->AddressState(), AddressChecking) << "the check went on without dialling";
}

TEST_F(DialerLogicTest, MonitorReportsADropAndRedialsWithNeedDial) {
    Pppd.AddLink("ppp0", "work", 4242, "203.0.113.60", "203.0.113.1");
    StartDialUp();
    ASSERT_TRUE(Logic.Component()->MonitorTimerEnabled());
    Pppd.RemoveLink("ppp0");
    Loop.AdvanceSecs(1); // the monitor's poll
    EXPECT_EQ(KindOf("work disconnected"), LogWarning);
    EXPECT_EQ(KindOf("Schedule to dial again within 7 second(s)"), LogWarning);
    EXPECT_TRUE(Logic.RedialScheduled());
}

TEST_F(DialerLogicTest, CancelDialStopsTheDialAndTheCheckGoesOn) {
    Pppd.Behave("work", "hang");
    StartDialUp();
    ASSERT_TRUE(Loop.PumpUntil([this] { return Logged("Dialer - Opening port"); }, 10000));
    EXPECT_TRUE(DialView.CancelDial);
    EXPECT_FALSE(DialView.UpdateCommands);

    Logic.CancelDial();
    EXPECT_EQ(KindOf("Dial to work is canceled"), LogWarning);
    EXPECT_FALSE(DialView.CancelDial);
    EXPECT_TRUE(DialView.UpdateCommands);
    EXPECT_EQ(DialView.TrayStates.back(), TrayNormal);
    EXPECT_FALSE(Logic.RedialScheduled());
    ASSERT_TRUE(Loop.PumpUntil([] { return LiveWorkers() == 0; }, 10000));
    EXPECT_THAT(LogTexts(), Not(Contains("Error when dialing to work")));
    EXPECT_NE(Engine->AddressState(), AddressChecking);
}

TEST_F(DialerLogicTest, OpeningTheSettingsCancelsTheDialAndItsEndSchedulesNothing) {
    Pppd.Behave("work", "hang");
    StartDialUp();
    ASSERT_TRUE(Loop.PumpUntil([this] { return Logged("Dialer - Opening port"); }, 10000));
    Engine->BeginSettings();
    EXPECT_EQ(KindOf("Dial to work is canceled"), LogWarning);
    ASSERT_TRUE(Loop.PumpUntil([] { return LiveWorkers() == 0; }, 10000));
    Loop.AdvanceSecs(30);
    EXPECT_FALSE(Logic.RedialScheduled());
    EXPECT_FALSE(Logged("Schedule to dial again within 7 second(s)"));
    EXPECT_FALSE(DialView.UpdateCommands) << "the update commands wait for the dialog";
    auto dials = [this] {
        const auto texts = LogTexts();
        return std::count(texts.begin(), texts.end(), std::string("Start dialing to work"));
    };
    EXPECT_EQ(dials(), 1);
    EXPECT_EQ(Engine->CycleState(), CycleSettings);

    // Closing the dialog takes the cycle up again: it dials anew.
    Engine->EndSettings(false);
    EXPECT_EQ(dials(), 2);
    Logic.CancelDial();
}

TEST_F(DialerLogicTest, StopRequestCancelsADialInProgressAndStopsAtOnce) {
    Pppd.Behave("work", "hang");
    StartDialUp();
    ASSERT_TRUE(Loop.PumpUntil([this] { return Logged("Dialer - Opening port"); }, 10000));
    Engine->RequestStop();
    EXPECT_EQ(KindOf("Dial to work is canceled"), LogWarning);
    EXPECT_EQ(Presenter.Terminated, 1);
    EXPECT_EQ(KindOf("Hostaq Updater stopped..."), LogProgram);
    // Its pppd was told to end: the thread that waited for it is gone soon.
    EXPECT_TRUE(Loop.PumpUntil([] { return LiveWorkers() == 0; }, 5000));
}

TEST_F(DialerLogicTest, StopRequestEndsAFailingRedialSequence) {
    Pppd.Behave("work", "fail 8");
    StartDialUp();
    FinishDial();
    ASSERT_TRUE(Logic.RedialScheduled());
    Engine->RequestStop();
    EXPECT_EQ(Presenter.Terminated, 1);
    EXPECT_FALSE(Logic.RedialScheduled());
    Loop.AdvanceSecs(10);
    EXPECT_EQ(Pppd.Calls().size(), 1u) << "no redial after the stop";
}

TEST_F(DialerLogicTest, OneShotRunEndsItsCheckAfterOneFailedDial) {
    Pppd.Behave("work", "fail 8");
    Engine = std::make_unique<TEngine>(Loop, Presenter, Services);
    Engine->SetHeartbeatAllowed(false);
    Logic.Attach(*Engine);
    Engine->StartUpSequence();
    FinishDial();
    EXPECT_FALSE(Logic.RedialScheduled());
    EXPECT_FALSE(Logged("Schedule to dial again within 7 second(s)"));
    EXPECT_EQ(Engine->AddressState(), AddressWaiting);
    EXPECT_TRUE(Engine->CurrentAddressRefused()) << "no address: the line never came up";
}

TEST_F(DialerLogicTest, DialerIsReleasedWhenTheConnectionIsNoLongerDialUp) {
    Pppd.AddLink("ppp0", "work", 4242, "203.0.113.60", "203.0.113.1");
    StartDialUp();
    ASSERT_NE(Logic.Component(), nullptr);
    Set("Connection", "DirectConnect", "0");
    Engine->RefreshAll();
    EXPECT_EQ(Engine->ConnectionKind(), ConnectionLan);
    Loop.AdvanceSecs(1);
    EXPECT_EQ(Logic.Component(), nullptr);
    Pppd.RemoveLink("ppp0");
    Loop.AdvanceSecs(5);
    EXPECT_THAT(LogTexts(), Not(Contains("work disconnected")));
}

} // namespace
} // namespace hostaq
