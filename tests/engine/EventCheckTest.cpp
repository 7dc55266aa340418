#include "EngineFixture.h"

namespace hostaq::test {
namespace {

// The monitor as the engine sees it: the test fires its events.
class TFakeMonitor : public TNetworkMonitor {
public:
    void Start(TChanged onChange) override {
        ++Starts;
        onChange_ = std::move(onChange);
    }
    void Stop() override {
        ++Stops;
        onChange_ = nullptr;
    }
    bool Listening() const { return onChange_ != nullptr; }
    void Fire(TNetworkEvent::TKind kind, const std::string& name = "eth0") {
        if (onChange_)
            onChange_({kind, name});
    }
    int Starts = 0;
    int Stops = 0;

private:
    TChanged onChange_;
};

class TEventCheckTest : public TEngineFixture {
protected:
    TEventCheckTest() { Services.NetworkMonitor = &Monitor; }
    ~TEventCheckTest() override { Engine.reset(); } // before the monitor it holds
    // One up-to-date group, a 5-minute interval, the first check done.
    void StartQuiet() {
        AddGroup("Home", {"a.example"});
        MarkUpToDate("Home", "203.0.113.7");
        Set("Update", "IP", "203.0.113.7");
        Set("IPAddress", "CurrentIP", "203.0.113.7");
        Set("Options", "CheckingInt", "5");
        Start();
        RunCheck();
        ASSERT_EQ(WebCheck.Checks, 1);
    }
    TFakeMonitor Monitor;
};

TEST_F(TEventCheckTest, EachKindOfChangeChecksOneSecondLaterAndSaysWhy) {
    const struct {
        TNetworkEvent::TKind Kind;
        std::string Name;
        std::string Logged;
    } cases[] = {
        {TNetworkEvent::AddressAdded, "eth0", "Network change on eth0: checking the address now"},
        {TNetworkEvent::AddressRemoved, "wlan0", "Network change on wlan0: checking the address now"},
        {TNetworkEvent::RouteChanged, "eth1", "Network change on eth1: checking the address now"},
        {TNetworkEvent::LinkUp, "enp3s0", "Network change on enp3s0: checking the address now"},
        {TNetworkEvent::Resume, "", "Resume from sleep: checking the address now"},
        {TNetworkEvent::Unknown, "", "Network change: checking the address now"},
    };
    StartQuiet();
    EXPECT_EQ(Monitor.Starts, 1);
    int checks = WebCheck.Checks;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Logged);
        Monitor.Fire(c.Kind, c.Name);
        Loop.AdvanceMsecs(999);
        EXPECT_EQ(WebCheck.Checks, checks) << "events are gathered for a second";
        Loop.AdvanceMsecs(1);
        EXPECT_EQ(WebCheck.Checks, ++checks);
        EXPECT_TRUE(Logged(c.Logged));
        // The check restarts the interval, as the heartbeat's does.
        Loop.RunPending();
        EXPECT_EQ(Engine->NextCheckTime(), Clock.Now().AddMinutes(5));
        Loop.AdvanceSecs(10); // the gap
    }
    EXPECT_TRUE(Updater.Started.empty());
}

TEST_F(TEventCheckTest, ANewAddressIsSentWithoutWaitingForTheHeartbeat) {
    StartQuiet();
    Loop.AdvanceMsecs(300); // between two heartbeats
    WebCheck.Address = "203.0.113.9";
    Monitor.Fire(TNetworkEvent::AddressAdded);
    Loop.AdvanceMsecs(1000);
    ASSERT_EQ(Updater.Started.size(), 1u);
    EXPECT_EQ(Updater.Addresses["Home"], "203.0.113.9");
}

TEST_F(TEventCheckTest, ABurstOfFiftyEventsInOneSecondMakesOneCheck) {
    StartQuiet();
    const char* names[] = {"eth0", "eth1", "wlan0", "veth7", "br0", "tun0"};
    for (int i = 0; i < 50; ++i) {
        Monitor.Fire(static_cast<TNetworkEvent::TKind>(i % 4), names[i % 6]);
        Loop.AdvanceMsecs(19);
    }
    Loop.AdvanceSecs(1);
    EXPECT_EQ(WebCheck.Checks, 2);
    // At most four interfaces are named.
    EXPECT_TRUE(Logged("Network change on eth0, eth1, wlan0, veth7: checking the address now"));
    Loop.AdvanceSecs(120);
    EXPECT_EQ(WebCheck.Checks, 2);
}

TEST_F(TEventCheckTest, EventChecksKeepTheGapApart) {
    Set("Options", "EventCheckGap", "30");
    StartQuiet();
    Monitor.Fire(TNetworkEvent::AddressAdded);
    Loop.AdvanceSecs(1);
    EXPECT_EQ(WebCheck.Checks, 2);
    // A change 5 s later waits for the gap, then makes one check.
    Loop.AdvanceSecs(4);
    Monitor.Fire(TNetworkEvent::RouteChanged);
    Loop.AdvanceSecs(10);
    Monitor.Fire(TNetworkEvent::AddressRemoved);
    Loop.AdvanceMsecs(15999);
    EXPECT_EQ(WebCheck.Checks, 2);
    Loop.AdvanceMsecs(1);
    EXPECT_EQ(WebCheck.Checks, 3);
    Loop.AdvanceSecs(60);
    EXPECT_EQ(WebCheck.Checks, 3);
}

TEST_F(TEventCheckTest, TheGapIsReadAndClamped) {
    AddGroup("Home", {"a.example"});
    const std::pair<const char*, int> cases[] = {{nullptr, 10},   {"1", 2},   {"2", 2},    {"3600", 3600},
                                                 {"99999", 3600}, {"45", 45}, {"many", 10}};
    Start();
    for (const auto& [stored, gap] : cases) {
        if (stored != nullptr)
            Set("Options", "EventCheckGap", stored);
        Engine->LoadOptions();
        EXPECT_EQ(Engine->EventCheckGap(), gap) << (stored ? stored : "missing");
    }
}

TEST_F(TEventCheckTest, EventsDuringARunMakeOneCheckAfterIt) {
    StartQuiet();
    WebCheck.Address = "203.0.113.9";
    Updater.Hold = true;
    Monitor.Fire(TNetworkEvent::AddressAdded);
    Loop.AdvanceSecs(1);
    ASSERT_TRUE(Engine->RunInProgress());
    const int checks = WebCheck.Checks;
    for (int i = 0; i < 5; ++i) {
        Monitor.Fire(TNetworkEvent::RouteChanged);
        Loop.AdvanceSecs(5);
    }
    EXPECT_EQ(WebCheck.Checks, checks) << "no check during the run";
    Updater.ReleaseHeld();
    Updater.Hold = false;
    FinishRun();
    ASSERT_FALSE(Engine->RunInProgress());
    Loop.AdvanceSecs(2);
    EXPECT_EQ(WebCheck.Checks, checks + 1);
    Loop.AdvanceSecs(60);
    EXPECT_EQ(WebCheck.Checks, checks + 1);
}

TEST_F(TEventCheckTest, EventCheckOffMeansNoListeningAndNoCheck) {
    Set("Options", "EventCheck", "0");
    StartQuiet();
    EXPECT_EQ(Monitor.Starts, 0);
    Engine->NetworkChanged({TNetworkEvent::AddressAdded, "eth0"});
    Loop.AdvanceSecs(60);
    EXPECT_EQ(WebCheck.Checks, 1);
    // Turned on by a reload, off again by the next.
    Set("Options", "EventCheck", "1");
    Engine->Reload();
    EXPECT_EQ(Monitor.Starts, 1);
    EXPECT_TRUE(Monitor.Listening());
    Loop.AdvanceSecs(2); // the reload's check
    Set("Options", "EventCheck", "0");
    Engine->Reload();
    EXPECT_FALSE(Monitor.Listening());
}

TEST_F(TEventCheckTest, NoCheckWithoutAutomaticCheckDuringSettingsOrAfterStop) {
    StartQuiet();
    Engine->ApplyAutoCheck(false);
    Monitor.Fire(TNetworkEvent::AddressAdded);
    Loop.AdvanceSecs(5);
    EXPECT_EQ(WebCheck.Checks, 1);
    Engine->ApplyAutoCheck(true);
    Engine->BeginSettings();
    Monitor.Fire(TNetworkEvent::AddressAdded);
    Loop.AdvanceSecs(5);
    EXPECT_EQ(WebCheck.Checks, 1);
    Engine->EndSettings(false);
    Engine->RequestStop();
    Loop.AdvanceSecs(2); // the check the closed dialog started
    EXPECT_EQ(Presenter.Terminated, 1);
    EXPECT_FALSE(Monitor.Listening());
}

TEST_F(TEventCheckTest, TheOneShotRunDoesNotListen) {
    AddGroup("Home", {"a.example"});
    Engine = std::make_unique<TEngine>(Loop, Presenter, Services);
    Engine->SetHeartbeatAllowed(false);
    Engine->StartUpSequence();
    EXPECT_EQ(Monitor.Starts, 0);
}

TEST_F(TEventCheckTest, AQuietTenMinutesCostsNoMoreChecksThanTheInterval) {
    int checks[2] = {};
    for (int eventCheck : {1, 0}) {
        Set("Options", "EventCheck", std::to_string(eventCheck));
        StartQuiet();
        Loop.AdvanceSecs(10 * 60);
        checks[eventCheck] = WebCheck.Checks;
        Engine.reset();
        WebCheck.Checks = 0;
    }
    EXPECT_EQ(checks[1], checks[0]);
    EXPECT_EQ(checks[1], 2) << "the first check and the one 5 minutes on";
    EXPECT_EQ(Monitor.Stops, 1) << "the engine stops the monitor it started";
}

} // namespace
} // namespace hostaq::test

namespace hostaq::test {
namespace {

// A new IPv6 address of a group that keeps AAAA records is sent at once, not at the next
// check: the kernel's address event starts the check, whose interface list holds the new one.
TEST_F(TEventCheckTest, ANewIPv6AddressIsSentAtOnce) {
    TIPv6Candidate stable;
    stable.Address = *ParseIPv6("2001:db8:1::10");
    stable.Interface = "eth0";
    std::vector<TIPv6Candidate> addresses{stable};
    Services.IPv6Addresses = [&addresses](std::string*) { return addresses; };
    StartQuiet();
    Set("Home", "IPv6", "1");
    Set("Home", "IP6", "2001:db8:1::10");
    Engine->Reload();
    const std::size_t sent = Updater.Started.size();
    addresses[0].Address = *ParseIPv6("2001:db8:1::20");
    Monitor.Fire(TNetworkEvent::AddressAdded, "eth0");
    Loop.AdvanceSecs(1);
    EXPECT_TRUE(Logged("Network change on eth0: checking the address now"));
    FinishRun();
    ASSERT_EQ(Updater.Started.size(), sent + 1);
    EXPECT_NE(Updater.URLs["Home"].find("myip=203.0.113.7,2001:db8:1::20&"), std::string::npos);
    EXPECT_EQ(Get("Home", "IP6"), "2001:db8:1::20");
}

} // namespace
} // namespace hostaq::test
