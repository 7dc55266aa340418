#include "platform/SessionEnd.h"
#include "FakeLogind.h"
#include "PrivateBus.h"
#include "config/Clock.h"
#include "engine/Engine.h"
#include "engine/ManualEventLoop.h"
#include "platform/ExitWin.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace hostaq {
namespace {

using test::TFakeLogind;
using test::TPrivateBus;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

class SessionEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!bus_.Available())
            GTEST_SKIP() << "no private D-Bus daemon: " << bus_.Problem();
    }
    // Runs one action against a fresh stand-in for logind; returns its calls.
    std::vector<std::string> Run(TExitWinType type, bool unconditional, TFakeLogind::TOptions options = {},
                                 bool* accepted = nullptr, std::string* lastError = nullptr) {
        TFakeLogind logind(bus_.Address(), options);
        EXPECT_TRUE(logind.Ready());
        TVemoExitWin exitWin(bus_.Address());
        exitWin.ExitWinType = type;
        exitWin.Unconditional = unconditional;
        const bool ok = exitWin.Execute();
        if (accepted != nullptr)
            *accepted = ok;
        if (lastError != nullptr)
            *lastError = exitWin.LastError;
        return logind.Calls();
    }

    TPrivateBus bus_;
};

TEST_F(SessionEndTest, EachActionCallsItsLogindMethodWithTheForceFlag) {
    // Unconditional ignores inhibitors (flags 0); otherwise even root respects them (flag 1).
    EXPECT_THAT(Run(ewReboot, false), ElementsAre("RebootWithFlags 1"));
    EXPECT_THAT(Run(ewReboot, true), ElementsAre("RebootWithFlags 0"));
    EXPECT_THAT(Run(ewPowerOff, true), ElementsAre("PowerOffWithFlags 0"));
    EXPECT_THAT(Run(ewShutDown, false), ElementsAre("PowerOffWithFlags 1"));
    EXPECT_THAT(Run(ewStandBy, false), ElementsAre("CanSuspend", "SuspendWithFlags 1"));
    EXPECT_THAT(Run(ewHibernate, true), ElementsAre("CanHibernate", "HibernateWithFlags 0"));
}

TEST_F(SessionEndTest, LogOffTerminatesThisProcessSessionWhateverTheForceFlag) {
    const std::string expected = "GetSessionByPID " + std::to_string(::getpid());
    const std::string terminate = std::string("Terminate ") + TFakeLogind::SessionPath();
    EXPECT_THAT(Run(ewLogoff, false), ElementsAre(expected, terminate));
    EXPECT_THAT(Run(ewLogoff, true), ElementsAre(expected, terminate));
}

TEST_F(SessionEndTest, OlderLogindGetsThePlainMethodWithoutInteraction) {
    TFakeLogind::TOptions old;
    old.WithoutFlags = true;
    bool accepted = false;
    EXPECT_THAT(Run(ewPowerOff, true, old, &accepted), ElementsAre("PowerOff false"));
    EXPECT_TRUE(accepted);
}

TEST_F(SessionEndTest, RefusalLeavesItsReasonInLastError) {
    TFakeLogind::TOptions refuse;
    refuse.RefuseName = "org.freedesktop.DBus.Error.AccessDenied";
    refuse.RefuseMessage = "Operation not permitted by policy";
    bool accepted = true;
    std::string lastError;
    Run(ewReboot, false, refuse, &accepted, &lastError);
    EXPECT_FALSE(accepted);
    EXPECT_EQ(lastError,
              "Error: Operation not permitted by policy (org.freedesktop.DBus.Error.AccessDenied)");

    Run(ewLogoff, false, refuse, &accepted, &lastError);
    EXPECT_FALSE(accepted);
    EXPECT_THAT(lastError, HasSubstr("Operation not permitted by policy"));
}

TEST_F(SessionEndTest, StandByAndHibernateAreNotRequestedWhereNotAllowed) {
    TFakeLogind::TOptions noPower;
    noPower.CanSuspend = "no";
    noPower.CanHibernate = "na";
    bool accepted = true;
    std::string lastError;
    EXPECT_THAT(Run(ewStandBy, true, noPower, &accepted, &lastError), ElementsAre("CanSuspend"));
    EXPECT_FALSE(accepted);
    EXPECT_THAT(lastError, HasSubstr("Error: "));
    EXPECT_THAT(Run(ewHibernate, true, noPower, &accepted), ElementsAre("CanHibernate"));
    EXPECT_FALSE(accepted);
}

TEST_F(SessionEndTest, AfterOfflineListOffersOnlyWhatTheMachineAllows) {
    // The engine builds "After offline:" from the answers of logind: Suspend at index 5 only when
    // the machine can suspend, Hibernate at 6 only when it can also hibernate.
    auto offered = [&](const char* canSuspend, const char* canHibernate, int index) {
        TFakeLogind::TOptions options;
        options.CanSuspend = canSuspend;
        options.CanHibernate = canHibernate;
        TFakeLogind logind(bus_.Address(), options);
        TManualClock clock;
        TClockGuard guard(&clock);
        TManualEventLoop loop(clock);
        TPresenter presenter;
        TLogindSessionEnd sessionEnd(bus_.Address());
        TEngineServices services;
        services.SessionEnd = &sessionEnd;
        TEngine engine(loop, presenter, services);
        engine.SetAfterOfflineIndex(index);
        return engine.AfterOfflineIndex() == index;
    };
    EXPECT_TRUE(offered("yes", "no", 5));
    EXPECT_FALSE(offered("yes", "no", 6)) << "no Hibernate when hibernation is not allowed";
    EXPECT_TRUE(offered("yes", "yes", 6));
    EXPECT_FALSE(offered("no", "yes", 5));
    EXPECT_FALSE(offered("no", "yes", 6));
    EXPECT_TRUE(offered("no", "no", 4)) << "Shut down is always there";
}

TEST(SessionEndWithoutBusTest, MissingBusIsAFailureWithAReason) {
    TVemoExitWin exitWin("unix:path=/nonexistent/hostaq-test-bus");
    exitWin.ExitWinType = ewReboot;
    EXPECT_FALSE(exitWin.Execute());
    EXPECT_THAT(exitWin.LastError, HasSubstr("Error: "));
    EXPECT_FALSE(exitWin.CanSuspend());
    EXPECT_FALSE(exitWin.CanHibernate());
}

} // namespace
} // namespace hostaq
