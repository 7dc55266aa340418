#include "EngineFixture.h"

#include "config/ConfigKeys.h"
#include "ipdetect/AddressList.h"

namespace hostaq::test {
namespace {

// A mail that stays under way until the test lets it end.
class THeldMailer : public TReportMailer {
public:
    void Send(const std::string& current, const std::string&, std::function<void()> onFinished) override {
        Sent.push_back(current);
        Pending.push_back(std::move(onFinished));
    }
    // The oldest mail ends; its outcome is stored as the real mailer would.
    void FinishOne(bool ok) {
        auto done = std::move(Pending.front());
        Pending.erase(Pending.begin());
        WriteBool(Keys::MailSent, ok);
        done();
    }
    std::vector<std::string> Sent;
    std::vector<std::function<void()>> Pending;
};

// A dial-up line that never comes up: dials stay pending until cancelled or failed.
class TPendingDialer : public TDialer {
public:
    bool Available() override { return true; }
    bool Connected() override { return false; }
    std::string ClientAddress() override { return {}; }
    void Dial() override {
        ++Dials;
        Dialing = true;
    }
    void HangUp() override {}
    void StartMonitor() override {}
    void StopMonitor() override {}
    bool DialPending() override { return Dialing; }
    void CancelPendingDial() override {
        ++Cancels;
        Dialing = false;
        if (Engine != nullptr)
            Engine->EndPendingCheck();
    }
    TEngine* Engine = nullptr;
    bool Dialing = false;
    int Dials = 0;
    int Cancels = 0;
};

class TMonitorRulesTest : public TEngineFixture {
protected:
    TMonitorRulesTest() {
        AddGroup("Home", {"a.example"});
        WriteFileText(program_, "#!/bin/sh\n");
    }
    // A program list of one program with the current address as its parameter.
    void AddProgram(const std::string& section, const std::string& option) {
        Set("Options", option, "1");
        Set(section, "1", program_ + " %CURRENT_IP%");
    }
    std::string program_ = Dir.File("prog");
};

TEST(NonPublicAddressTest, SpecialRangesAreNeverPublic) {
    for (const char* a : {"10.1.2.3", "100.64.1.1", "100.127.255.255", "127.0.0.2", "169.254.9.9",
                          "172.20.0.1", "192.168.0.1", "192.0.0.8", "198.18.0.1", "224.0.0.1", "239.1.1.1",
                          "240.0.0.1", "255.255.255.255", "0.1.2.3", "", "1.2.3", "a.b.c.d"})
        EXPECT_TRUE(IsNonPublicAddress(a)) << a;
    for (const char* a : {"203.0.113.7", "100.63.255.255", "100.128.0.0", "172.32.0.1", "198.51.100.1",
                          "223.255.255.255", "8.8.8.8"})
        EXPECT_FALSE(IsNonPublicAddress(a)) << a;
}

TEST_F(TMonitorRulesTest, NonPublicAddressOfThePageIsRefusedWithAnEmptyLocalList) {
    for (const char* address : {"10.1.2.3", "100.64.1.1", "224.0.0.1"}) {
        Updater.Started.clear();
        WebCheck.Address = address;
        if (!Engine)
            Start();
        RunCheck();
        EXPECT_TRUE(Updater.Started.empty()) << address;
        EXPECT_TRUE(Logged(std::string("Current IP address (") + address + ") is not public IP"));
        EXPECT_EQ(Engine->NextCheckTime(), Clock.Now().AddMinutes(1)) << "checked again after the retry time";
    }
}

TEST_F(TMonitorRulesTest, FailedFirstCheckHasNoAddressAndTakesTheNoPublicAddressPath) {
    Set("IPAddress", "CurrentIP", "198.51.100.4"); // what a previous run found
    AddProgram("DisconnectRun", "DiscRunPrograms");
    WebCheck.Address = "";
    WebCheck.Failure = "the page could not be read: 10061 (Connection refused)";
    Start();
    EXPECT_EQ(Engine->CurrentAddress(), "") << "the interface address does not stand in";
    RunCheck();
    EXPECT_EQ(LoggedKind("The IP address check of http://checkip.hostaq.example/ failed: the page could not "
                         "be read: 10061 (Connection refused)"),
              LogError);
    EXPECT_TRUE(Logged("Current IP address () is not public IP"));
    EXPECT_TRUE(Updater.Started.empty());
    EXPECT_EQ(Get("Update", "LastStatus"), "2");
    EXPECT_EQ(Get("IPAddress", "CurrentIP"), "198.51.100.4") << "the stored address stays";
    EXPECT_EQ(Get("IPAddress", "LastChecked"), EncodeStamp(Clock.Now().AddSecs(-1)));
    Loop.AdvanceSecs(2);
    ASSERT_EQ(Launcher.Launched.size(), 1u) << "the no-public-address programs start";
    EXPECT_TRUE(Launcher.Launched[0].Arguments.empty()) << "no address to pass";
    // An empty page says why, too.
    WebCheck.Failure.clear();
    RunCheck();
    EXPECT_TRUE(Logged("The IP address check of http://checkip.hostaq.example/ failed: the page shows no IP "
                       "address"));
}

TEST_F(TMonitorRulesTest, FailedCheckKeepsTheLastGoodAddressAndIsRetriedWithoutARun) {
    Start();
    RunCheck();
    ASSERT_EQ(Updater.Started.size(), 1u);
    // The page fails while the group's stored address differs: a run would be due if anything
    // were decided on the old address.
    WebCheck.Address = "";
    Set("Home", "IP", "198.51.100.99");
    RunCheck();
    EXPECT_EQ(Engine->CurrentAddress(), "203.0.113.7");
    EXPECT_EQ(Updater.Started.size(), 1u) << "nothing is decided on a failed check";
    EXPECT_FALSE(Logged("Current IP address () is not public IP"));
    EXPECT_TRUE(Logged("Will try to check again within 1 minutes"));
    EXPECT_EQ(Engine->NextCheckTime(), Clock.Now().AddMinutes(1));
    EXPECT_EQ(Get("IPAddress", "CurrentIP"), "203.0.113.7");
    // The next good check goes on as usual.
    WebCheck.Address = "203.0.113.7";
    RunCheck();
    EXPECT_EQ(Updater.Started.size(), 2u);
}

TEST_F(TMonitorRulesTest, AddressIsNewOnlyWhenItDiffersFromTheOneAPreviousRunStored) {
    AddProgram("Run", "RunPrograms");
    MarkUpToDate("Home", "203.0.113.7");
    Set("Update", "IP", "203.0.113.7");
    Set("IPAddress", "CurrentIP", "203.0.113.7");
    Start();
    EXPECT_EQ(Get("IPAddress", "CurrentIP"), "203.0.113.7") << "start-up stores no interface address";
    RunCheck();
    Loop.AdvanceSecs(3);
    EXPECT_TRUE(Launcher.Launched.empty());
    // The next run of the program (a cron job) sees the same.
    Engine.reset();
    Start();
    RunCheck();
    Loop.AdvanceSecs(3);
    EXPECT_TRUE(Launcher.Launched.empty());
    WebCheck.Address = "203.0.113.8";
    RunCheck();
    EXPECT_TRUE(Engine->ProgramsPending());
    Loop.AdvanceSecs(1);
    ASSERT_EQ(Launcher.Launched.size(), 1u);
    EXPECT_EQ(Launcher.Launched[0].Arguments, std::vector<std::string>{"203.0.113.8"});
    Loop.AdvanceSecs(1);
    EXPECT_FALSE(Engine->ProgramsPending());
}

TEST_F(TMonitorRulesTest, ReloadAppliesEverythingAndWaitsForARunInProgress) {
    Start();
    Set("Options", "CheckingInt", "17");
    AddGroup("Two", {"b.example"});
    Engine->Reload();
    EXPECT_EQ(Engine->CheckInterval(), 17);
    EXPECT_EQ(Engine->GroupNames().size(), 2u);
    EXPECT_EQ(LoggedKind("Hostaq Updater reloaded its settings"), LogProgram);
    EXPECT_TRUE(Logged("Checking interval: 17 minutes"));
    EXPECT_EQ(WebCheck.Checks, 1) << "the address is checked at once, as after the settings dialog";
    // During a run the reload waits for its end.
    Updater.Hold = true;
    Loop.AdvanceSecs(1);
    ASSERT_TRUE(Engine->RunInProgress());
    Set("Options", "CheckingInt", "23");
    Engine->Reload();
    EXPECT_TRUE(Engine->ReloadPending());
    EXPECT_EQ(Engine->CheckInterval(), 17);
    Updater.ReleaseHeld();
    FinishRun();
    Loop.AdvanceSecs(1);
    EXPECT_FALSE(Engine->ReloadPending());
    EXPECT_EQ(Engine->CheckInterval(), 23);
}

TEST_F(TMonitorRulesTest, StopDuringAPendingDialCancelsItAndStopsAtOnce) {
    TPendingDialer dialer;
    Services.Dialer = &dialer;
    Set("Connection", "DirectConnect", "1");
    Start();
    dialer.Engine = Engine.get();
    ASSERT_EQ(dialer.Dials, 1) << "the start-up check dials";
    ASSERT_EQ(Engine->AddressState(), AddressChecking);
    Engine->RequestStop();
    EXPECT_EQ(dialer.Cancels, 1);
    EXPECT_EQ(Presenter.Terminated, 1);
    EXPECT_EQ(LoggedKind("Hostaq Updater stopped..."), LogProgram);
}

TEST_F(TMonitorRulesTest, OneShotRunGivesUpAfterOneFailedDial) {
    TPendingDialer dialer;
    Services.Dialer = &dialer;
    Set("Connection", "DirectConnect", "1");
    Start();
    EXPECT_FALSE(Engine->DialFailed()) << "the monitor dials again";
    EXPECT_EQ(Engine->AddressState(), AddressChecking);
    Engine->SetHeartbeatAllowed(false);
    EXPECT_TRUE(Engine->DialFailed());
    EXPECT_EQ(Engine->AddressState(), AddressWaiting);
    EXPECT_TRUE(Engine->CurrentAddressRefused());
}

TEST_F(TMonitorRulesTest, ReportOfARunWhileAMailIsUnderWayIsSentAfterIt) {
    THeldMailer mailer;
    Services.Mailer = &mailer;
    Set("Options", "SendMail", "1");
    Start();
    RunCheck();
    ASSERT_EQ(mailer.Sent.size(), 1u);
    WebCheck.Address = "203.0.113.8";
    RunCheck();
    EXPECT_EQ(mailer.Sent.size(), 1u) << "one mail at a time";
    EXPECT_EQ(Engine->MailsPending(), 2);
    EXPECT_EQ(Get("Options", "MailSent"), "0") << "not mailed yet";
    mailer.FinishOne(true);
    ASSERT_EQ(mailer.Sent.size(), 2u);
    EXPECT_EQ(mailer.Sent[1], "203.0.113.8");
    EXPECT_EQ(Get("Options", "MailSent"), "0") << "the second one is still under way";
    mailer.FinishOne(true);
    EXPECT_EQ(Engine->MailsPending(), 0);
    EXPECT_EQ(Get("Options", "MailSent"), "1");
}

} // namespace
} // namespace hostaq::test
