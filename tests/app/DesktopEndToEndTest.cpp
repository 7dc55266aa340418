// The tray program run for real: an X server (Xvfb), a notification area (trayer) and the
// program found and driven with xdotool and xwininfo, as a person on a desktop would meet it.
#include "EnvGuard.h"
#include "ProgramRunner.h"
#include "XDesktop.h"

#include "config/IniFile.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <sys/stat.h>

namespace hostaq::test {
namespace {

class TDesktopEndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"Xvfb", "trayer", "xdotool", "xwininfo"})
            if (!OnPath(tool))
                GTEST_SKIP() << tool << " is not installed (the test command installs it)";
        X = std::make_unique<TXServer>();
        ASSERT_FALSE(X->Display().empty()) << "Xvfb did not start";
        Display.emplace("DISPLAY", X->Display());
        Wayland.emplace("WAYLAND_DISPLAY", std::nullopt);
        Platform.emplace("QT_QPA_PLATFORM", "xcb");
        Runtime.emplace("XDG_RUNTIME_DIR", Dir.Path());
        Home.emplace("XDG_CONFIG_HOME", Dir.Path() + "/config");
        Ini = Dir.File("hostaq.ini");
    }

    // A configuration with one group whose checks go nowhere (a closed loopback port), so the
    // program starts straight into the tray.
    void WriteGroupConfig() {
        ASSERT_EQ(RunHostaq(Dir.Path(),
                            {"--group-add", "Home", "--user", "joe", "--hosts", "a.example", "--insecure",
                             "./hostaq.ini"},
                            "secret\n"),
                  0);
        IniWriteString(Ini, "Options", "UpdateHost", "127.0.0.1:9");
        IniWriteString(Ini, "Connection", "ServerIP", "http://127.0.0.1:9/");
        IniWriteString(Ini, "Options", "FirstCheckDelay", "600");
    }

    void StartTray() { Tray = std::make_unique<TChild>(TrayerCommand()); }

    std::string Tree() const { return WindowTree(); }
    bool VisibleWindow(const std::string& caption) const {
        return !Capture("xdotool search --onlyvisible --name '^" + caption + "$' 2>/dev/null").empty();
    }
    std::string LogFiles() const {
        std::string text;
        for (const auto& e : std::filesystem::directory_iterator(Dir.Path()))
            if (e.path().extension() == ".log")
                text += ReadFileText(e.path().string());
        return text;
    }

    TTempDir Dir;
    std::string Ini;
    std::unique_ptr<TXServer> X;
    std::unique_ptr<TChild> Tray;
    std::optional<TEnvGuard> Display, Wayland, Platform, Runtime, Home;
};

TEST_F(TDesktopEndToEndTest, LivesInTheTrayAndLaterStartsShowAndHideItsWindow) {
    WriteGroupConfig();
    StartTray();
    ASSERT_TRUE(WaitUntil(TrayerRuns));
    THostaqProcess program(Dir.Path(), {"./hostaq.ini"});
    ASSERT_TRUE(WaitUntil(IconInTray)) << Tree() << program.Err();
    EXPECT_FALSE(VisibleWindow("Hostaq Updater")) << "the window is hidden at start";

    // A second start brings the running window up and ends at once.
    EXPECT_EQ(RunHostaq(Dir.Path(), {"./hostaq.ini"}), 0);
    EXPECT_TRUE(WaitUntil([&] { return VisibleWindow("Hostaq Updater"); }));
    // A third start hides it again; the program keeps running in the tray.
    EXPECT_EQ(RunHostaq(Dir.Path(), {"./hostaq.ini"}), 0);
    EXPECT_TRUE(WaitUntil([&] { return !VisibleWindow("Hostaq Updater"); }));
    EXPECT_TRUE(IconInTray());

    program.Signal(SIGTERM);
    EXPECT_EQ(program.Wait(15000), 0);
    EXPECT_NE(LogFiles().find("Hostaq Updater stopped..."), std::string::npos) << LogFiles();
    EXPECT_TRUE(WaitUntil([] { return !IconInTray(); })) << "the icon leaves with the program";
}

TEST_F(TDesktopEndToEndTest, WithoutANotificationAreaTheWindowShowsAtStart) {
    WriteGroupConfig();
    THostaqProcess program(Dir.Path(), {"./hostaq.ini"});
    EXPECT_TRUE(WaitUntil([&] { return VisibleWindow("Hostaq Updater"); })) << program.Err();
    program.Signal(SIGTERM);
    EXPECT_EQ(program.Wait(15000), 0);
}

TEST_F(TDesktopEndToEndTest, FirstStartWithoutAConfigurationOpensTheWizard) {
    StartTray();
    THostaqProcess program(Dir.Path(), {"./hostaq.ini"});
    EXPECT_TRUE(WaitUntil([&] { return VisibleWindow("Hostaq Updater Wizard"); })) << program.Err() << Tree();
    // Stopping the program while the wizard asks its first questions ends it at once.
    program.Signal(SIGTERM);
    EXPECT_EQ(program.Wait(15000), 0);
}

// A configuration that cannot be used: the tray program says why in a box and ends with status 1
// once it is closed, having written nothing.
TEST_F(TDesktopEndToEndTest, AConfigurationThatCannotBeUsedIsSaidInABox) {
    WriteFileText(Ini, "[Options]\nFirstCheckDelay=600\n");
    ASSERT_EQ(::chmod(Ini.c_str(), 0444), 0);
    THostaqProcess program(Dir.Path(), {Ini});
    ASSERT_TRUE(WaitUntil([&] { return VisibleWindow("Hostaq Updater"); })) << program.Err() << Tree();
    EXPECT_NE(program.Err().find("hostaq: cannot use " + Ini + ": it is read-only"), std::string::npos);
    std::string box = Capture("xdotool search --onlyvisible --name '^Hostaq Updater$' | head -1");
    while (!box.empty() && box.back() == '\n')
        box.pop_back();
    const std::string close = "xdotool windowfocus --sync " + box + " key Return >/dev/null 2>&1";
    EXPECT_EQ(std::system(close.c_str()), 0);
    EXPECT_EQ(program.Wait(15000), 1);
    EXPECT_EQ(ReadFileText(Ini), "[Options]\nFirstCheckDelay=600\n");
}

// A DISPLAY that names no X server (a stale one over ssh, or inherited by a service): the
// program says so and runs the monitor headless instead of aborting in the toolkit.
TEST(DesktopStartTest, ADisplayThatCannotBeOpenedRunsTheMonitorHeadless) {
    TTempDir dir;
    const std::string sockets = ReadFileText("/proc/net/unix");
    int number = 4711;
    while (sockets.find("/tmp/.X11-unix/X" + std::to_string(number)) != std::string::npos)
        ++number;
    const TEnvGuard display("DISPLAY", ":" + std::to_string(number));
    const TEnvGuard wayland("WAYLAND_DISPLAY", std::nullopt);
    const TEnvGuard platform("QT_QPA_PLATFORM", std::nullopt);
    const TEnvGuard runtime("XDG_RUNTIME_DIR", dir.Path());
    const TEnvGuard home("XDG_CONFIG_HOME", dir.Path() + "/config");
    ASSERT_EQ(RunHostaq(dir.Path(),
                        {"--group-add", "Home", "--user", "joe", "--hosts", "a.example", "--insecure",
                         "./hostaq.ini"},
                        "secret\n"),
              0);
    IniWriteString(dir.File("hostaq.ini"), "Connection", "ServerIP", "http://127.0.0.1:9/");
    IniWriteString(dir.File("hostaq.ini"), "Options", "FirstCheckDelay", "600");

    THostaqProcess program(dir.Path(), {"./hostaq.ini"});
    ASSERT_TRUE(program.WaitForOutput("Hostaq Updater started...")) << program.Err();
    EXPECT_NE(program.Err().find("the display cannot be opened (DISPLAY :" + std::to_string(number) + ")"),
              std::string::npos)
        << program.Err();
    program.Signal(SIGTERM);
    EXPECT_EQ(program.Wait(15000), 0) << program.Err();
}

} // namespace
} // namespace hostaq::test
