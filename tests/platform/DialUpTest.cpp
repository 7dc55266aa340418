#include "net/DialUp.h"
#include "FakePppd.h"
#include "net/MainThread.h"
#include "net/WorkerThread.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace hostaq {
namespace {

using test::TFakePppd;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

// A dialer on a fake pppd, with every event written down as one line.
class DialUpTest : public ::testing::Test {
protected:
    DialUpTest() : dialer_(pppd_.System()) {
        dialer_.EntryName = "work";
        dialer_.UserName = "joe";
        dialer_.Password = "s3cr\"et";
        dialer_.OnDialing = [this] { events_.push_back("dialing"); };
        dialer_.OnDialFinish = [this](int code, const std::string& text) {
            events_.push_back("finish " + std::to_string(code) + " " + text);
        };
        dialer_.OnRasConnected = [this](const TRasConnectionDetails& info) {
            details_ = info;
            events_.push_back("connected " + info.EntryName);
        };
        dialer_.OnRasDisconnected = [this] { events_.push_back("disconnected"); };
        dialer_.OnAsyncEvent = [this](int state, const std::string& text) {
            events_.push_back("state " + std::to_string(state) + " " + text);
        };
        dialer_.OnError = [this](int code, const std::string& text) {
            events_.push_back("error " + std::to_string(code) + " " + text);
        };
        dialer_.OnMonitorTimerChange = [this](bool enabled, int) { timerChanges_.push_back(enabled); };
    }
    ~DialUpTest() override {
        main_.PumpUntil([] { return LiveWorkers() == 0; }, 5000);
    }

    // Serves the dial thread's hand-overs until the dial has ended.
    bool FinishDial() {
        return main_.PumpUntil([this] { return !dialer_.Dialing(); }, 10000) &&
               main_.PumpUntil([] { return LiveWorkers() == 0; }, 10000);
    }

    TPumpedDispatcher main_;
    TFakePppd pppd_;
    TVemoDialUp dialer_;
    std::vector<std::string> events_;
    std::vector<bool> timerChanges_;
    TRasConnectionDetails details_;
};

TEST_F(DialUpTest, AsyncDialReportsStatesUntilTheLinkIsUp) {
    pppd_.Behave("work", "ok 10.64.0.5 10.64.0.1");
    dialer_.SetMonitor(true);
    ASSERT_EQ(dialer_.Dial(), 0);
    ASSERT_TRUE(FinishDial());
    EXPECT_THAT(events_, ElementsAre("dialing", "state 0 Opening port", "state 3 Device connected",
                                     "state 4 All devices connected", "state 14 Authenticated",
                                     "state 18 Projected", "connected work", "finish 0 Connected"));
    EXPECT_EQ(dialer_.ClientIP, "10.64.0.5");
    EXPECT_EQ(details_.ServerIP, "10.64.0.1");
    EXPECT_EQ(details_.DeviceName, "ppp0");
    EXPECT_EQ(details_.DeviceType, "PPP");
    EXPECT_GT(details_.Handle, 0);
    // The monitor stops while dialling and runs again once the line is up.
    EXPECT_THAT(timerChanges_, ElementsAre(true, false, true));
    EXPECT_TRUE(dialer_.Online());
}

TEST_F(DialUpTest, PasswordReachesPppdThroughAPipeNotItsCommandLine) {
    pppd_.Behave("work", "ok 10.64.0.5 10.64.0.1");
    ASSERT_EQ(dialer_.Dial(), 0);
    ASSERT_TRUE(FinishDial());
    EXPECT_THAT(pppd_.Calls(), ElementsAre("call work updetach user joe file /dev/fd/3"));
    EXPECT_EQ(pppd_.Secret(), "password \"s3cr\\\"et\"\n");
}

TEST_F(DialUpTest, SyncDialBlocksUntilTheLinkIsUpOrFailed) {
    dialer_.DialMode = TDialMode::dmSync;
    pppd_.Behave("work", "fail 8");
    EXPECT_EQ(dialer_.Dial(), 8);
    EXPECT_THAT(events_, ElementsAre("dialing", "error 8 The connect script failed",
                                     "finish 8 The connect script failed"));
    events_.clear();
    pppd_.Behave("work", "ok 10.64.0.9 10.64.0.1");
    EXPECT_EQ(dialer_.Dial(), 0);
    EXPECT_THAT(events_, ElementsAre("dialing", "connected work", "finish 0 Connected"));
    EXPECT_EQ(dialer_.ClientIP, "10.64.0.9");
}

TEST_F(DialUpTest, EntryAlreadyUpIsNotDialedAgain) {
    pppd_.AddLink("ppp3", "Work", 4242, "10.1.1.1", "10.1.1.2");
    EXPECT_EQ(dialer_.Dial(), -1);
    EXPECT_THAT(events_, ElementsAre("error -1 work is already dialed"));
    EXPECT_THAT(pppd_.Calls(), IsEmpty());
    EXPECT_TRUE(dialer_.IsConnected("WORK"));
    EXPECT_FALSE(dialer_.IsConnected("home"));
}

TEST_F(DialUpTest, MissingEntryOrPppdIsAnError) {
    dialer_.EntryName.clear();
    EXPECT_EQ(dialer_.Dial(), -1);
    dialer_.HangUp();
    EXPECT_THAT(events_, ElementsAre("error -1 No dialer entry is specified",
                                     "error -1 No dialer entry is specified"));

    events_.clear();
    TPppSystem none = pppd_.System();
    none.PppdPath = "/nonexistent/pppd";
    TVemoDialUp without(none);
    EXPECT_FALSE(without.Available());
    EXPECT_TRUE(dialer_.Available());
    without.EntryName = "work";
    without.OnError = dialer_.OnError;
    EXPECT_EQ(without.Dial(), DialErrorNoPppd);
    EXPECT_THAT(events_, ElementsAre("error 2001 pppd is not installed"));
}

TEST_F(DialUpTest, MonitorCountsAnyOpenLinkAndReportsTheDrop) {
    dialer_.SetMonitor(true);
    dialer_.MonitorTimer();
    EXPECT_THAT(events_, IsEmpty());
    pppd_.AddLink("ppp1", "other-isp", 777, "100.64.3.4", "100.64.0.1");
    dialer_.MonitorTimer();
    dialer_.MonitorTimer();
    EXPECT_THAT(events_, ElementsAre("connected other-isp"));
    EXPECT_EQ(dialer_.ClientIP, "100.64.3.4");
    EXPECT_TRUE(dialer_.Online());

    pppd_.RemoveLink("ppp1");
    EXPECT_FALSE(dialer_.Online());
    EXPECT_THAT(events_, ElementsAre("connected other-isp", "disconnected"));
}

TEST_F(DialUpTest, HangUpEndsTheLinkWithoutReportingADrop) {
    pppd_.AddLink("ppp0", "work", 4242, "10.1.1.1", "10.1.1.2");
    ASSERT_TRUE(dialer_.Online());
    events_.clear();
    dialer_.HangUp();
    EXPECT_THAT(pppd_.Ended(), ElementsAre(4242));
    // pppd takes a moment to go: the link is still listed, then gone; neither is news.
    dialer_.MonitorTimer();
    EXPECT_FALSE(dialer_.Online());
    pppd_.RemoveLink("ppp0");
    dialer_.MonitorTimer();
    EXPECT_THAT(events_, IsEmpty());
    // A new link after that is reported again.
    pppd_.AddLink("ppp0", "work", 5151, "10.1.1.9", "10.1.1.2");
    EXPECT_TRUE(dialer_.Online());
    EXPECT_THAT(events_, ElementsAre("connected work"));
}

TEST_F(DialUpTest, HangUpWhileDialingCancelsSilently) {
    pppd_.Behave("work", "hang");
    ASSERT_EQ(dialer_.Dial(), 0);
    ASSERT_TRUE(main_.PumpUntil([this] { return events_.size() >= 2; }, 10000)); // the pppd runs
    dialer_.HangUp();
    EXPECT_FALSE(dialer_.Dialing());
    ASSERT_TRUE(main_.PumpUntil([] { return LiveWorkers() == 0; }, 10000)) << "the pppd was ended";
    EXPECT_THAT(events_, ElementsAre("dialing", "state 0 Opening port"));
}

TEST_F(DialUpTest, DialerGoneBeforeThePppdEndsHearsNothing) {
    pppd_.Behave("work", "hang");
    {
        TVemoDialUp shortLived(pppd_.System());
        shortLived.EntryName = "work";
        shortLived.OnAsyncEvent = [this](int, const std::string&) { events_.push_back("state"); };
        ASSERT_EQ(shortLived.Dial(), 0);
    }
    ASSERT_TRUE(main_.PumpUntil([] { return LiveWorkers() == 0; }, 10000));
    EXPECT_THAT(events_, IsEmpty());
}

TEST(DialUpTextsTest, StatesAndErrorsHaveTexts) {
    // Table texts show in the dial tests; here the numbers outside the table.
    EXPECT_EQ(TVemoDialUp::StateText(5000), "Connection state #5000");
    EXPECT_EQ(TVemoDialUp::StateText(24), "Connection state #24");
    EXPECT_EQ(TVemoDialUp::ErrorText(143), "pppd was ended by signal 15");
    EXPECT_EQ(TVemoDialUp::StateOfOutputLine("Using interface ppp0"), -1);
}

TEST(DialUpSystemTest, EntriesAreThePeersFilesAndLinksNameTheirEntry) {
    TFakePppd pppd;
    pppd.AddPeer("provider");
    pppd.AddPeer("Backup line");
    pppd.AddPeer(".hidden");
    TVemoDialUp dialer(pppd.System());
    EXPECT_THAT(dialer.GetEntries(), ElementsAre("Backup line", "provider"));
    EXPECT_EQ(dialer.Entries.size(), 2u);

    // The entry of a running pppd comes from its command line.
    test::TTempDir proc;
    std::filesystem::create_directories(proc.File("321"));
    test::WriteFileText(proc.File("321/cmdline"),
                        std::string("/usr/sbin/pppd\0call\0provider\0updetach\0", 39));
    EXPECT_EQ(PppEntryOfPid(proc.Path(), 321), "provider");
    EXPECT_EQ(PppEntryOfPid(proc.Path(), 322), "");
}

} // namespace
} // namespace hostaq
