#include "platform/NetworkWatcher.h"

#include "engine/PollEventLoop.h"

#include "FakeLogind.h"
#include "PrivateBus.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <sched.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace hostaq::test {
namespace {

// The calling thread in a network namespace of its own for the scope, so interfaces, addresses
// and routes can be made and dropped; back in the old one at the end.
class TNetNamespace {
public:
    TNetNamespace() {
        old_ = ::open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
        if (old_ >= 0 && ::unshare(CLONE_NEWNET) == 0)
            entered_ = true;
    }
    ~TNetNamespace() {
        if (entered_) {
            EXPECT_EQ(::setns(old_, CLONE_NEWNET), 0);
        }
        if (old_ >= 0)
            ::close(old_);
    }
    TNetNamespace(const TNetNamespace&) = delete;
    TNetNamespace& operator=(const TNetNamespace&) = delete;
    bool Entered() const { return entered_; }

private:
    int old_ = -1;
    bool entered_ = false;
};

std::string Describe(const TNetworkEvent& e) {
    static const char* kinds[] = {"unknown", "added", "removed", "route", "link-up", "resume"};
    return std::string(kinds[e.Kind]) + (e.Interface.empty() ? "" : " " + e.Interface);
}

class TNetworkWatcherTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0)
            GTEST_SKIP() << "making a network namespace needs root";
        ns_ = std::make_unique<TNetNamespace>();
        if (!ns_->Entered())
            GTEST_SKIP() << "no network namespace can be made here";
        Ip("link set lo up");
        Ip("link add v0 type veth peer name v1");
        // The carrier comes a moment after "up": the pair is ready when the watcher says so.
        Watch();
        Ip("link set v0 up");
        Ip("link set v1 up");
        ASSERT_TRUE(WaitFor("link-up v0"));
        ASSERT_TRUE(WaitFor("link-up v1"));
        Ip("addr add 198.51.100.2/24 dev v0");
        watcher_.reset();
        Events.clear();
    }
    void TearDown() override {
        if (watcher_)
            watcher_->Stop();
        watcher_.reset();
        ns_.reset();
    }
    void Ip(const std::string& args) {
        const std::string command = "ip " + args + " >/dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
    // A watcher on a bus nobody listens on: only the kernel's news.
    void Watch(const std::string& bus = "unix:path=/nonexistent/bus") {
        watcher_ = std::make_unique<TNetworkWatcher>(loop_, bus);
        watcher_->Start([this](const TNetworkEvent& e) { Events.push_back(Describe(e)); });
    }
    // Serves the loop until the event arrives (the kernel's news come at once; the bound only
    // ends a failing test).
    bool WaitFor(const std::string& event) {
        for (int i = 0; i < 100; ++i) {
            for (const std::string& e : Events)
                if (e == event)
                    return true;
            loop_.RunOnce(100);
        }
        return false;
    }
    // Something that is news for sure, after the step under test: the events before it are
    // all the step made.
    std::vector<std::string> EventsUntilMarker() {
        Ip("addr add 192.0.2.77/32 dev v1");
        EXPECT_TRUE(WaitFor("added v1"));
        std::vector<std::string> before;
        for (const std::string& e : Events) {
            if (e == "added v1")
                break;
            before.push_back(e);
        }
        Ip("addr del 192.0.2.77/32 dev v1");
        EXPECT_TRUE(WaitFor("removed v1"));
        Events.clear();
        return before;
    }

    TPollEventLoop loop_;
    std::unique_ptr<TNetNamespace> ns_;
    std::unique_ptr<TNetworkWatcher> watcher_;
    std::vector<std::string> Events;
};

using TStrings = std::vector<std::string>;

TEST_F(TNetworkWatcherTest, AddressesAddedAndRemovedOnAnInterfaceAreNews) {
    Watch();
    ASSERT_TRUE(watcher_->Listening());
    EXPECT_EQ(EventsUntilMarker(), TStrings{}) << "what was there before is no news";
    Ip("addr add 198.51.100.3/24 dev v0");
    EXPECT_TRUE(WaitFor("added v0"));
    EventsUntilMarker();
    Ip("addr del 198.51.100.3/24 dev v0");
    EXPECT_TRUE(WaitFor("removed v0"));
    EventsUntilMarker();
    Ip("-6 addr add 2001:db8::2/64 dev v0 nodad");
    EXPECT_TRUE(WaitFor("added v0"));
}

TEST_F(TNetworkWatcherTest, ALifetimeRefreshIsNoNewsButADeprecatedAddressIs) {
    Ip("-6 addr add 2001:db8::5/64 dev v0 nodad valid_lft 600 preferred_lft 600");
    Watch();
    Ip("-6 addr change 2001:db8::5/64 dev v0 valid_lft 900 preferred_lft 900");
    EXPECT_EQ(EventsUntilMarker(), TStrings{});
    Ip("-6 addr change 2001:db8::5/64 dev v0 valid_lft 900 preferred_lft 0");
    EXPECT_EQ(EventsUntilMarker(), TStrings{"added v0"});
}

TEST_F(TNetworkWatcherTest, TheLoopbackIsNoNews) {
    Watch();
    Ip("addr add 127.0.0.2/8 dev lo");
    EXPECT_EQ(EventsUntilMarker(), TStrings{});
}

TEST_F(TNetworkWatcherTest, ADefaultRouteAddedOrRemovedIsNewsOtherRoutesAreNot) {
    Watch();
    Ip("route add 203.0.113.0/24 via 198.51.100.1 dev v0");
    EXPECT_EQ(EventsUntilMarker(), TStrings{});
    Ip("route add default via 198.51.100.1 dev v0");
    EXPECT_EQ(EventsUntilMarker(), TStrings{"route v0"});
    Ip("route del default via 198.51.100.1 dev v0");
    EXPECT_EQ(EventsUntilMarker(), TStrings{"route v0"});
}

TEST_F(TNetworkWatcherTest, ALinkComingUpIsNewsGoingDownIsNot) {
    Ip("link add v2 type veth peer name v3");
    Ip("link set v3 up");
    Watch();
    Ip("link set v2 up");
    EXPECT_TRUE(WaitFor("link-up v2"));
    EventsUntilMarker();
    Ip("link set v2 down");
    for (const std::string& e : EventsUntilMarker())
        EXPECT_NE(e.rfind("link-up", 0), 0u) << e;
}

TEST_F(TNetworkWatcherTest, StoppedItHearsNothing) {
    Watch();
    watcher_->Stop();
    EXPECT_FALSE(watcher_->Listening());
    Ip("addr add 198.51.100.9/24 dev v0");
    loop_.RunOnce(0);
    EXPECT_TRUE(Events.empty());
}

// logind's PrepareForSleep(false) on a private bus is a resume; (true), the way to sleep, is not.
TEST(TResumeTest, PrepareForSleepFalseIsAResume) {
    TPrivateBus bus;
    if (!bus.Available())
        GTEST_SKIP() << bus.Problem();
    TFakeLogind logind(bus.Address(), {});
    ASSERT_TRUE(logind.Ready());
    TPollEventLoop loop;
    TNetworkWatcher watcher(loop, bus.Address());
    std::vector<std::string> events;
    watcher.Start([&](const TNetworkEvent& e) {
        if (e.Kind == TNetworkEvent::Resume)
            events.push_back(Describe(e));
    });
    ASSERT_TRUE(watcher.WatchingResume());
    for (int i = 0; i < 100 && !watcher.ResumeReady(); ++i)
        loop.RunOnce(100);
    ASSERT_TRUE(watcher.ResumeReady());
    logind.EmitPrepareForSleep(true);
    logind.EmitPrepareForSleep(false);
    for (int i = 0; i < 100 && events.empty(); ++i)
        loop.RunOnce(100);
    logind.EmitPrepareForSleep(true);
    logind.EmitPrepareForSleep(false);
    for (int i = 0; i < 100 && events.size() < 2; ++i)
        loop.RunOnce(100);
    EXPECT_EQ(events, (TStrings{"resume", "resume"}));
    watcher.Stop();
}

} // namespace
} // namespace hostaq::test
