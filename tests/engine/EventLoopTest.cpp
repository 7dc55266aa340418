#include "engine/ManualEventLoop.h"
#include "engine/PollEventLoop.h"
#include "net/MainThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace hostaq::test {
namespace {

class TManualLoopTest : public ::testing::Test {
protected:
    TManualClock Clock{TDateTime::FromParts(2008, 1, 1, 0, 0, 0)};
    TClockGuard Guard{&Clock};
    TManualEventLoop Loop{Clock};
    std::vector<std::string> Fired;
    std::int64_t Elapsed() const { return TDateTime::FromParts(2008, 1, 1).MsecsTo(Clock.Now()); }
};

TEST_F(TManualLoopTest, TimersFireInOrderOfTheirMomentsWithTheClockSetToEach) {
    TTimer slow(Loop, 1000), fast(Loop, 250);
    slow.OnTimer = [&] { Fired.push_back("slow@" + std::to_string(Elapsed())); };
    fast.OnTimer = [&] { Fired.push_back("fast@" + std::to_string(Elapsed())); };
    slow.SetEnabled(true);
    fast.SetEnabled(true);
    Loop.AdvanceMsecs(1000);
    EXPECT_EQ(Fired,
              (std::vector<std::string>{"fast@250", "fast@500", "fast@750", "slow@1000", "fast@1000"}));
    EXPECT_EQ(Elapsed(), 1000);
}

TEST_F(TManualLoopTest, EnablingOrChangingTheIntervalStartsANewIntervalAndZeroNeverFires) {
    TTimer t(Loop, 1000);
    t.OnTimer = [&] { Fired.push_back(std::to_string(Elapsed())); };
    t.SetEnabled(true);
    Loop.AdvanceMsecs(600);
    t.SetInterval(500); // from 600: next at 1100
    Loop.AdvanceMsecs(600);
    t.SetEnabled(false);
    Loop.AdvanceMsecs(5000);
    t.SetEnabled(true); // from 6200: next at 6700
    t.SetEnabled(true); // already on: no restart
    Loop.AdvanceMsecs(500);
    t.SetInterval(0);
    Loop.AdvanceMsecs(5000);
    EXPECT_EQ(Fired, (std::vector<std::string>{"1100", "6700"}));
}

TEST_F(TManualLoopTest, HandlerMayDisableOrDeleteTimers) {
    TTimer killer(Loop, 100); // due at the same moment, and created first: it fires first
    auto victim = std::make_unique<TTimer>(Loop, 100);
    int victimRuns = 0;
    victim->OnTimer = [&] { ++victimRuns; };
    killer.OnTimer = [&] {
        victim.reset();
        killer.SetEnabled(false);
        Fired.push_back("killed");
    };
    killer.SetEnabled(true);
    victim->SetEnabled(true);
    Loop.AdvanceMsecs(1000);
    EXPECT_EQ(Fired, std::vector<std::string>{"killed"});
    EXPECT_EQ(victimRuns, 0);
}

TEST_F(TManualLoopTest, ClosingTheLoopReleasesAWaitingWorkerWithoutRunningItsEvent) {
    auto loop = std::make_unique<TManualEventLoop>(Clock);
    std::atomic<bool> ran{false}, released{false};
    const TEventLoop::TInvokeWait wait = loop->Enqueue([&] { ran = true; });
    std::thread worker([&] {
        TEventLoop::Wait(wait);
        released = true;
    });
    loop.reset();
    worker.join();
    EXPECT_TRUE(released);
    EXPECT_FALSE(ran);
}

TEST_F(TManualLoopTest, WatchedDescriptorsAreServedOnTheWayAndCanWaitForNews) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    std::string read;
    Loop.WatchReadable(fds[0], [&] {
        char c = 0;
        if (::read(fds[0], &c, 1) == 1)
            read += c;
    });
    EXPECT_EQ(Loop.ServeReadable(0), 0);
    ASSERT_EQ(::write(fds[1], "a", 1), 1);
    Loop.AdvanceSecs(1);
    EXPECT_EQ(read, "a");
    std::thread writer([&] { ASSERT_EQ(::write(fds[1], "b", 1), 1); });
    EXPECT_EQ(Loop.ServeReadable(5000), 1);
    writer.join();
    EXPECT_EQ(read, "ab");
    Loop.Unwatch(fds[0]);
    ASSERT_EQ(::write(fds[1], "c", 1), 1);
    Loop.RunPending();
    EXPECT_EQ(read, "ab");
    ::close(fds[0]);
    ::close(fds[1]);
}

TEST(PollEventLoopTest, RunsTimersAndWorkerEventsUntilQuit) {
    TPollEventLoop loop;
    InstallMainThreadLoop(&loop);
    TTimer tick(loop, 10);
    int ticks = 0;
    bool event = false;
    auto maybeQuit = [&] {
        if (ticks >= 3 && event)
            loop.Quit(7);
    };
    tick.OnTimer = [&] {
        ++ticks;
        maybeQuit();
    };
    tick.SetEnabled(true);
    std::thread worker([&] {
        Synchronize([&] {
            event = true;
            maybeQuit();
        });
    });
    const int code = loop.Run();
    worker.join();
    EXPECT_EQ(code, 7);
    EXPECT_GE(ticks, 3);
    // A worker that ends without posting is noticed by the bounded exit wait.
    std::atomic<bool> busy{true};
    std::thread slow([&] { busy = false; });
    EXPECT_FALSE(loop.WaitWhile([&] { return busy.load(); }, 2000));
    slow.join();
    InstallMainThreadLoop(nullptr);
}

} // namespace
} // namespace hostaq::test
