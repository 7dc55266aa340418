#include "platform/ServiceMode.h"
#include "engine/EngineFixture.h"
#include "platform/Platform.h"

#include <cstdio>
#include <gmock/gmock.h>

namespace hostaq {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class ServiceModeTest : public test::TEngineFixture {
protected:
    ServiceModeTest() { AddGroup("home", {"a.hostaq.example"}); }

    // The program as the service: the platform in front of the engine, its start armed.
    void StartService() {
        Platform = std::make_unique<TPlatform>(Loop, Presenter, true);
        Services.Broadcaster = &Broadcaster; // the recording seams stay in place
        Services.SessionEnd = &SessionEnd;
        Engine = std::make_unique<TEngine>(Loop, Platform->Presenter(), Services);
        Platform->Attach(*Engine);
        Platform->StartService();
        Loop.RunPending();
    }
    ~ServiceModeTest() override {
        Engine.reset();
        Platform.reset();
    }

    std::unique_ptr<TPlatform> Platform;
};

TEST_F(ServiceModeTest, ServiceStartsAfterTheConfiguredDelayWithTheGateClosed) {
    Set("Options", "DelayStartServiceInt", "30");
    StartService();
    EXPECT_FALSE(Logged("Hostaq Updater ready..."));
    EXPECT_FALSE(Platform->Gate().GateOpen());
    // While the gate is closed no status or tray change reaches the screen.
    Platform->Presenter().SetTrayState(TrayError);
    Platform->Presenter().ShowStatus("hidden");
    EXPECT_TRUE(Presenter.TrayStates.empty());
    EXPECT_TRUE(Presenter.Statuses.empty());

    Loop.AdvanceSecs(29);
    EXPECT_FALSE(Logged("Hostaq Updater ready..."));
    Loop.AdvanceSecs(2);
    EXPECT_EQ(LoggedKind("Hostaq Updater ready..."), LogNormal);
    EXPECT_TRUE(Platform->Gate().GateOpen());
    EXPECT_FALSE(Engine->TimerStartService.Enabled());
    Platform->Presenter().ShowStatus("shown");
    EXPECT_THAT(Presenter.Statuses, ElementsAre("shown"));
}

TEST_F(ServiceModeTest, ZeroDelayStartsAtOnceAndLargeDelaysAreCapped) {
    Set("Options", "DelayStartServiceInt", "0");
    StartService();
    EXPECT_TRUE(Logged("Hostaq Updater ready..."));
    EXPECT_TRUE(Platform->Gate().GateOpen());

    Engine.reset();
    Platform.reset();
    Log.clear();
    Set("Options", "DelayStartServiceInt", "99999");
    StartService();
    EXPECT_EQ(Engine->TimerStartService.Interval(), 600000);
}

TEST_F(ServiceModeTest, StopRequestDuringARunWaitsForTheRun) {
    Set("Options", "DelayStartServiceInt", "0");
    Updater.Hold = true;
    StartService();
    RunCheck();
    ASSERT_TRUE(Engine->RunInProgress());

    Engine->RequestStop();
    EXPECT_TRUE(Engine->ExitPending());
    EXPECT_FALSE(Logged("Hostaq Updater stopped..."));
    EXPECT_EQ(Presenter.Terminated, 0);

    Updater.Hold = false;
    Updater.ReleaseHeld();
    FinishRun();
    const std::vector<std::string> log = LogTexts();
    const auto finished = std::find(log.begin(), log.end(), "Update process finished");
    const auto stopped = std::find(log.begin(), log.end(), "Hostaq Updater stopped...");
    ASSERT_NE(stopped, log.end());
    EXPECT_LT(finished, stopped) << "the run's result comes first";
    EXPECT_EQ(LoggedKind("Hostaq Updater stopped..."), LogProgram);
    EXPECT_EQ(Presenter.Terminated, 1);
}

TEST_F(ServiceModeTest, ShowRequestBringsTheWindowOrTheOpenDialogToTheFront) {
    struct TWindow : TPresenter {
        bool MainWindowIsTop() override { return !dialogOpen; }
        void ShowMainWindow() override { ++shown; }
        void BringTopToFront() override { ++fronted; }
        bool dialogOpen = false;
        int shown = 0;
        int fronted = 0;
    } window;
    Start();
    test::TTempDir runtime;
    TSingleInstance instance(runtime.Path());
    ASSERT_TRUE(ApplySingleInstanceRule(instance));
    ListenForShowRequests(instance, Loop, *Engine, window);

    ASSERT_TRUE(TSingleInstance::SendShowRequest(instance.SocketPath()));
    ASSERT_TRUE(Loop.PumpUntil([&] { return window.shown == 1; }));
    window.dialogOpen = true;
    ASSERT_TRUE(TSingleInstance::SendShowRequest(instance.SocketPath()));
    ASSERT_TRUE(Loop.PumpUntil([&] { return window.fronted == 1; }));
    EXPECT_EQ(window.shown, 1);
}

TEST_F(ServiceModeTest, AllowMultiRunSkipsTheRule) {
    test::TTempDir runtime;
    TSingleInstance first(runtime.Path());
    ASSERT_TRUE(first.Acquire());
    TSingleInstance second(runtime.Path());
    Set("Options", "AllowMultiRun", "1");
    EXPECT_TRUE(ApplySingleInstanceRule(second));
    Set("Options", "AllowMultiRun", "0");
    EXPECT_FALSE(ApplySingleInstanceRule(second));
}

TEST_F(ServiceModeTest, RunningServiceIsWarnedAbout) {
    test::TTempDir units;
    TServiceEnvironment env;
    env.UnitFolder = units.Path();
    int active = 0;
    env.Runner = [&](const std::vector<std::string>&) { return active; };
    env.IsAdministrator = [] { return true; };
    const TServiceControl control(env);
    EXPECT_FALSE(WarnIfServiceRunning(Presenter, control)) << "not installed";
    ASSERT_TRUE(control.Install("/bin/sh", units.File("hostaq.ini")).Ok);
    active = 3;
    EXPECT_FALSE(WarnIfServiceRunning(Presenter, control)) << "installed, stopped";
    active = 0;
    EXPECT_TRUE(WarnIfServiceRunning(Presenter, control));
    ASSERT_EQ(Presenter.Notices.size(), 1u);
    EXPECT_EQ(Presenter.Notices[0].first, TNoticeKind::Warning);
    EXPECT_EQ(Presenter.Notices[0].second, "Hostaq Updater is currently running as service.\nRunning other "
                                           "instance as regular application is not recommended.");
}

TEST(ServiceSwitchTest, MessagesGoToTheTerminal) {
    test::TTempDir units;
    TServiceEnvironment env;
    env.UnitFolder = units.Path();
    env.Runner = [](const std::vector<std::string>&) { return 0; };
    bool root = false;
    env.IsAdministrator = [&] { return root; };
    const TServiceControl control(env);
    auto run = [&](bool install, std::string& out, std::string& err) {
        std::FILE* o = std::tmpfile();
        std::FILE* e = std::tmpfile();
        const int rc = RunServiceSwitch(install, control, "/bin/sh", units.File("hostaq.ini"), o, e);
        for (auto [file, text] : {std::pair{o, &out}, std::pair{e, &err}}) {
            std::rewind(file);
            text->clear();
            char buffer[512];
            while (std::fgets(buffer, sizeof(buffer), file) != nullptr)
                *text += buffer;
            std::fclose(file);
        }
        return rc;
    };
    std::string out, err;
    EXPECT_EQ(run(true, out, err), 1);
    EXPECT_THAT(err, HasSubstr("administrator rights"));
    root = true;
    EXPECT_EQ(run(true, out, err), 0);
    EXPECT_THAT(out, HasSubstr("The service has been installed successfully."));
    EXPECT_EQ(err, "");
    EXPECT_EQ(run(false, out, err), 0);
    EXPECT_THAT(out, HasSubstr("The service has been uninstalled successfully."));
    EXPECT_EQ(run(false, out, err), 1);
    EXPECT_EQ(err, "An error occured while uninstalling the service (Error code: 2).\n");
}

} // namespace
} // namespace hostaq
