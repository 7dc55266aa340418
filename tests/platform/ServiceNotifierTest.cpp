#include "platform/ServiceNotifier.h"

#include "DatagramListener.h"
#include "EnvGuard.h"
#include "TempDir.h"
#include "config/Clock.h"
#include "engine/ManualEventLoop.h"

#include <gmock/gmock.h>
#include <unistd.h>

namespace hostaq {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// A message and the loop time (seconds since the test began) it arrived at.
struct TArrival {
    std::string Message;
    std::int64_t AtSecs;
    bool operator==(const TArrival&) const = default;
};

class ServiceNotifierTest : public ::testing::Test {
protected:
    explicit ServiceNotifierTest(std::optional<std::string> watchdogUsec = std::nullopt)
        : socketEnv_("NOTIFY_SOCKET", Dir.File("notify")), watchdogEnv_("WATCHDOG_USEC", watchdogUsec),
          watchdogPidEnv_("WATCHDOG_PID", std::nullopt) {}

    std::unique_ptr<TServiceNotifier> MakeNotifier() {
        auto notifier = std::make_unique<TServiceNotifier>(Loop, [this] { return State; });
        notifier->MonotonicUsec = [this] { return static_cast<std::uint64_t>(Loop.NowMs()) * 1000; };
        return notifier;
    }
    std::int64_t Elapsed() const { return (Loop.NowMs() - start_) / 1000; }
    // Steps the loop second by second, stamping what arrives with the second it arrived in.
    void Run(int seconds) {
        for (int i = 0; i < seconds; ++i) {
            Loop.AdvanceSecs(1);
            Collect();
        }
    }
    void Collect() {
        for (std::string& m : Listener.Drain())
            Arrivals.push_back({m, Elapsed()});
    }
    std::vector<std::string> Messages() {
        Collect();
        std::vector<std::string> out;
        for (const TArrival& a : Arrivals)
            out.push_back(a.Message);
        Arrivals.clear();
        return out;
    }

    test::TTempDir Dir;
    test::TEnvGuard socketEnv_;
    test::TEnvGuard watchdogEnv_;
    test::TEnvGuard watchdogPidEnv_;
    test::TDatagramListener Listener{Dir.File("notify")};
    TManualClock Clock;
    TClockGuard guard_{&Clock};
    TManualEventLoop Loop{Clock};
    std::int64_t start_ = Loop.NowMs();
    TServiceState State{false, false, "Current IP none yet; last update none yet; next check 00:04"};
    std::vector<TArrival> Arrivals;
};

TEST_F(ServiceNotifierTest, ReadyOnceTheStartHasRunThenStatusOnlyWhenItChanges) {
    auto notifier = MakeNotifier();
    ASSERT_TRUE(notifier->Active());
    EXPECT_EQ(notifier->WatchdogIntervalMs(), 0);
    notifier->ExtendStart(30);
    Run(3);
    State.Started = true;
    Run(1);
    Run(5);
    State.Status = "Current IP 203.0.113.7; last update 00:01 good; next check 00:06";
    notifier->Refresh();
    Run(3);
    EXPECT_THAT(Messages(),
                ElementsAre("EXTEND_TIMEOUT_USEC=120000000",
                            "STATUS=Current IP none yet; last update none yet; next check 00:04",
                            "READY=1\nSTATUS=Current IP none yet; last update none yet; next check 00:04",
                            "STATUS=Current IP 203.0.113.7; last update 00:01 good; next check 00:06"));
}

TEST_F(ServiceNotifierTest, ReloadIsBracketedAndReadyWaitsForThePendingReload) {
    State.Started = true;
    auto notifier = MakeNotifier();
    notifier->Refresh();
    Messages();
    Run(2);
    // The reload waits for a check in progress: READY=1 comes when it has run, not before.
    State.ReloadPending = true;
    const std::int64_t reloadAtUsec = Loop.NowMs() * 1000;
    notifier->Reloading();
    Run(3);
    EXPECT_THAT(Messages(), ElementsAre("RELOADING=1\nMONOTONIC_USEC=" + std::to_string(reloadAtUsec)));
    State.ReloadPending = false;
    Run(1);
    EXPECT_THAT(Messages(), ElementsAre("READY=1\nSTATUS=" + State.Status));
    // A reload done at once is answered at once.
    notifier->Reloading();
    EXPECT_EQ(Messages().back(), "READY=1\nSTATUS=" + State.Status);
}

TEST_F(ServiceNotifierTest, StoppingIsSentOnceAndNothingFollowsIt) {
    State.Started = true;
    auto notifier = MakeNotifier();
    notifier->Refresh();
    Messages();
    notifier->Stopping();
    notifier->Stopping();
    State.Status = "changed";
    notifier->Reloading();
    Run(3);
    EXPECT_THAT(Messages(), ElementsAre("STOPPING=1"));
}

TEST(ServiceNotifierOutsideTest, WithoutNotifySocketNothingIsArmedOrSent) {
    test::TEnvGuard socket("NOTIFY_SOCKET", std::nullopt);
    test::TEnvGuard watchdog("WATCHDOG_USEC", "10000000");
    TManualClock clock;
    TManualEventLoop loop(clock);
    int asked = 0;
    TServiceNotifier notifier(loop, [&] {
        ++asked;
        return TServiceState{true, false, "x"};
    });
    EXPECT_FALSE(notifier.Active());
    EXPECT_EQ(notifier.WatchdogIntervalMs(), 0);
    notifier.Refresh();
    notifier.Reloading();
    loop.AdvanceSecs(60);
    EXPECT_EQ(asked, 0);
}

class ServiceWatchdogTest : public ServiceNotifierTest {
protected:
    ServiceWatchdogTest() : ServiceNotifierTest("10000000") {}

    std::vector<std::int64_t> PingTimes() {
        Collect();
        std::vector<std::int64_t> out;
        for (const TArrival& a : Arrivals)
            if (a.Message == "WATCHDOG=1")
                out.push_back(a.AtSecs);
        return out;
    }
};

TEST_F(ServiceWatchdogTest, PingsAtHalfTheIntervalFromTheLoop) {
    auto notifier = MakeNotifier();
    EXPECT_EQ(notifier->WatchdogIntervalMs(), 5000);
    Run(21);
    EXPECT_THAT(PingTimes(), ElementsAre(5, 10, 15, 20));
}

TEST_F(ServiceWatchdogTest, ALoopThatHangsStopsThePings) {
    auto notifier = MakeNotifier();
    Run(12);
    // The loop hangs for two minutes: time passes and nothing is served.
    Clock.AdvanceSecs(120);
    Run(8);
    const std::vector<std::int64_t> pings = PingTimes();
    ASSERT_GE(pings.size(), 3u);
    EXPECT_EQ(pings[0], 5);
    EXPECT_EQ(pings[1], 10);
    // Nothing between 10 s and the end of the hang at 132 s: the manager's 10 s passed unpinged.
    EXPECT_GE(pings[2], 132);
}

TEST_F(ServiceWatchdogTest, AWatchdogMeantForAnotherProcessIsNotPinged) {
    test::TEnvGuard pid("WATCHDOG_PID", std::to_string(::getpid() + 1));
    auto notifier = MakeNotifier();
    EXPECT_EQ(notifier->WatchdogIntervalMs(), 0);
    Run(12);
    EXPECT_THAT(PingTimes(), IsEmpty());
}

TEST(ServiceStatusLineTest, OneLineFromTheEngineState) {
    const TDateTime last = TDateTime::FromParts(2026, 12, 7, 12, 1, 5);
    const TDateTime next = TDateTime::FromParts(2026, 12, 7, 12, 6, 0);
    struct TCase {
        std::string Address;
        std::optional<TDateTime> Last;
        int Class;
        std::optional<TDateTime> Next;
        bool Checking;
        std::string Line;
    };
    const TCase cases[] = {
        {"203.0.113.7", last, 1, next, false,
         "Current IP 203.0.113.7; last update 12:01 good; next check 12:06"},
        {"203.0.113.7", last, 0, next, false,
         "Current IP 203.0.113.7; last update 12:01 good; next check 12:06"},
        {"203.0.113.7", last, 2, next, false,
         "Current IP 203.0.113.7; last update 12:01 warning; next check 12:06"},
        {"203.0.113.7", last, 3, next, false,
         "Current IP 203.0.113.7; last update 12:01 failed; next check 12:06"},
        {"203.0.113.7", last, 4, std::nullopt, false,
         "Current IP 203.0.113.7; last update 12:01 blocked; checks off"},
        {"", std::nullopt, -1, next, false, "Current IP none yet; last update none yet; next check 12:06"},
        {"203.0.113.7", last, -1, next, true, "Current IP 203.0.113.7; last update 12:01; checking now"},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(ServiceStatusLine(c.Address, c.Last, c.Class, c.Next, c.Checking), c.Line);
}

} // namespace
} // namespace hostaq
