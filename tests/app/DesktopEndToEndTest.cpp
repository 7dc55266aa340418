// The tray program run for real: an X server (Xvfb), a notification area (trayer) and the
// program found and driven with xdotool and xwininfo, as a person on a desktop would meet it.
#include "EnvGuard.h"
#include "ProgramRunner.h"

#include "config/IniFile.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace hostaq::test {
namespace {

bool OnPath(const std::string& program) {
    return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

std::string Capture(const std::string& command) {
    std::string text;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    if (!pipe)
        return text;
    std::array<char, 4096> buffer{};
    std::size_t n = 0;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0)
        text.append(buffer.data(), n);
    return text;
}

// Polls cond every 20 ms for at most timeoutMs: windows appear when the X server says so.
bool WaitUntil(const std::function<bool()>& cond, int timeoutMs = 15000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!cond()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// A helper program of the desktop (Xvfb, trayer) that ends with the test.
class TChild {
public:
    explicit TChild(std::vector<std::string> argv) {
        pid_ = ::fork();
        if (pid_ == 0) {
            const int null = ::open("/dev/null", O_RDWR);
            ::dup2(null, 0);
            ::dup2(null, 1);
            ::dup2(null, 2);
            std::vector<char*> args;
            for (std::string& s : argv)
                args.push_back(s.data());
            args.push_back(nullptr);
            ::execvp(args[0], args.data());
            ::_exit(127);
        }
    }
    ~TChild() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    TChild(const TChild&) = delete;
    TChild& operator=(const TChild&) = delete;

private:
    pid_t pid_ = -1;
};

// An X server on a display number of its own choosing (Xvfb -displayfd).
class TXServer {
public:
    TXServer() {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(fds[0]);
            const int null = ::open("/dev/null", O_RDWR);
            ::dup2(null, 0);
            ::dup2(null, 1);
            ::dup2(null, 2);
            const std::string fd = std::to_string(fds[1]);
            ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x800x24", "-nolisten",
                     "tcp", nullptr);
            ::_exit(127);
        }
        ::close(fds[1]);
        std::string number;
        char c = 0;
        while (::read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        ::close(fds[0]);
        if (!number.empty())
            display_ = ":" + number;
    }
    ~TXServer() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    TXServer(const TXServer&) = delete;
    TXServer& operator=(const TXServer&) = delete;

    const std::string& Display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};

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

    void StartTray() {
        Tray = std::make_unique<TChild>(std::vector<std::string>{"trayer", "--edge", "top", "--align",
                                                                 "right", "--widthtype", "request",
                                                                 "--height", "24", "--SetDockType", "true"});
    }

    std::string Tree() const { return Capture("xwininfo -root -tree 2>/dev/null"); }
    // The program's icon is a window of class "hostaq" embedded in trayer's panel.
    bool IconInTray() const {
        const std::string tree = Tree();
        const std::size_t panel = tree.find("(\"panel\" \"trayer\")");
        return panel != std::string::npos && tree.find("(\"hostaq\" ", panel) != std::string::npos;
    }
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
    ASSERT_TRUE(WaitUntil([&] { return Tree().find("(\"panel\" \"trayer\")") != std::string::npos; }));
    THostaqProcess program(Dir.Path(), {"./hostaq.ini"});
    ASSERT_TRUE(WaitUntil([&] { return IconInTray(); })) << Tree() << program.Err();
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
    EXPECT_TRUE(WaitUntil([&] { return !IconInTray(); })) << "the icon leaves with the program";
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

} // namespace
} // namespace hostaq::test
