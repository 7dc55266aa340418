#include "EnvGuard.h"
#include "ProgramRunner.h"

#include "CaptureServer.h"
#include "DatagramListener.h"
#include "EnvGuard.h"
#include "FakePppd.h"
#include "ProviderServer.h"
#include "config/IniFile.h"
#include "log/LogFileName.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <thread>

namespace hostaq::test {
namespace {

std::string Page(const std::string& address) {
    return "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nCurrent IP Address: " + address + "\r\n";
}

// Waits (bounded) until the file holds at least n lines; returns its lines.
std::vector<std::string> WaitForLines(const std::string& path, std::size_t n) {
    std::vector<std::string> lines;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (;;) {
        lines.clear();
        std::string text = ReadFileText(path);
        std::size_t start = 0, nl;
        while ((nl = text.find('\n', start)) != std::string::npos) {
            lines.push_back(text.substr(start, nl - start));
            start = nl + 1;
        }
        if (lines.size() >= n || std::chrono::steady_clock::now() > deadline)
            return lines;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// A new user's set-up: a group made with --group-add, then a few keys edited by hand to point
// the program at the loopback provider and check-ip page.
class TEndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(RunHostaq(Dir.Path(),
                            {"--group-add", "Home", "--user", "joe", "--hosts", "a.example,b.example",
                             "--insecure", "./hostaq.ini"},
                            "secret\n"),
                  0);
        Set("Options", "UpdateHost", Provider.HostPort());
        Set("Connection", "ServerIP", CheckPage.Url("/"));
        Set("Options", "FirstCheckDelay", "1");
        Set("Update", "IP", "198.51.100.1");
    }
    void Set(const std::string& section, const std::string& key, const std::string& value) {
        ASSERT_TRUE(IniWriteString(Ini, section, key, value));
    }
    std::string Get(const std::string& section, const std::string& key) {
        return IniReadString(Ini, section, key, "<none>");
    }
    // The log files of the folder, joined.
    std::string LogFiles() const {
        std::string text;
        for (const auto& e : std::filesystem::directory_iterator(Dir.Path()))
            if (e.path().extension() == ".log")
                text += ReadFileText(e.path().string());
        return text;
    }
    // What the check-ip page shows from the next request on.
    void ShowAddress(const std::string& address) { CheckPage.Answer(Page(address)); }
    int Once(const std::vector<std::string>& extra = {}, std::string* out = nullptr) {
        std::vector<std::string> args{"--once"};
        args.insert(args.end(), extra.begin(), extra.end());
        args.push_back("./hostaq.ini");
        return RunHostaq(Dir.Path(), args, "", out);
    }

    TTempDir Dir;
    std::string Ini = Dir.File("hostaq.ini");
    TProviderServer Provider;
    TCaptureServer CheckPage;
};

TEST_F(TEndToEndTest, OnceSendsTheChangedAddressAndStoresTheOutcome) {
    ShowAddress("203.0.113.7");
    std::string out;
    EXPECT_EQ(Once({}, &out), 0) << out;
    ASSERT_EQ(Provider.Requests().size(), 1u);
    const TProviderRequest r = Provider.Requests()[0];
    EXPECT_EQ(r.Path, "/nic/update");
    EXPECT_EQ(r.Query.at("hostname"), "a.example,b.example");
    EXPECT_EQ(r.Query.at("myip"), "203.0.113.7");
    EXPECT_EQ(r.Authorization, BasicAuthorization("joe", "secret"));
    EXPECT_EQ(Get("Update", "IP"), "203.0.113.7");
    EXPECT_EQ(Get("Update", "LastStatus"), "0");
    EXPECT_EQ(Get("IPAddress", "CurrentIP"), "203.0.113.7");
    EXPECT_EQ(Get("Home", "IP"), "203.0.113.7");
    EXPECT_EQ(Get("Home", "UpdateResult"), "0");
    EXPECT_EQ(Get("Home", "a.example"), "good");
    const std::string log = LogFiles();
    EXPECT_NE(log.find("[001] - "), std::string::npos);
    EXPECT_NE(log.find(" - Hostaq Updater started..."), std::string::npos);
    EXPECT_NE(log.find("[003] - "), std::string::npos);
    EXPECT_NE(log.find(" - IP changes (198.51.100.1 > 203.0.113.7 [automatic])"), std::string::npos);
    EXPECT_NE(log.find(" - Update process starts"), std::string::npos);
    EXPECT_NE(log.find(" - Update result: No error"), std::string::npos);
    EXPECT_NE(log.find(" - Hostaq Updater stopped..."), std::string::npos);
    // Standard output carries the same entries and the status changes.
    EXPECT_NE(out.find(" - Update result: No error"), std::string::npos);
    EXPECT_NE(out.find("-- hint: Update result: No error"), std::string::npos);
    EXPECT_EQ(out.find("secret"), std::string::npos);
    // Nothing left to do: the next run sends nothing and succeeds.
    EXPECT_EQ(Once(), 0);
    EXPECT_EQ(Provider.Requests().size(), 1u);
    // --force sends all the same.
    EXPECT_EQ(Once({"--force"}), 0);
    EXPECT_EQ(Provider.Requests().size(), 2u);
}

TEST_F(TEndToEndTest, ProviderRefusalBlocksTheGroupUntilItIsSavedAgain) {
    ShowAddress("203.0.113.7");
    Provider.SetLogin("joe", "other");
    EXPECT_EQ(Once(), 1);
    EXPECT_EQ(Get("Home", "UpdateResult"), "4");
    EXPECT_EQ(Get("Home", "Home"), "badauth");
    EXPECT_EQ(Get("Update", "LastStatus"), "2");
    EXPECT_EQ(Get("Update", "IP"), "198.51.100.1");
    // The next check does not send the blocked group again.
    EXPECT_EQ(Once(), 1);
    EXPECT_EQ(Provider.Requests().size(), 1u);
    const std::string log = LogFiles();
    EXPECT_NE(log.find("[004] - "), std::string::npos);
    EXPECT_NE(log.find(" - Group Home cannot be updated again"), std::string::npos);
    EXPECT_NE(log.find(" - Update result: Error, the update is disabled until the configuration changed"),
              std::string::npos);
}

TEST_F(TEndToEndTest, TransportFailureIsAWinsockErrorAndTheGroupIsTriedAgain) {
    ShowAddress("203.0.113.7");
    Set("Options", "UpdateHost", "127.0.0.1:" + std::to_string(FreeLoopbackPort()));
    EXPECT_EQ(Once(), 1);
    EXPECT_EQ(Get("Home", "UpdateResult"), "6");
    EXPECT_EQ(Get("Home", "IP"), "<none>");
    const std::string log = LogFiles();
    EXPECT_NE(log.find(" - Home [hostaq.example]: 10061 (Connection refused)"), std::string::npos);
    EXPECT_NE(log.find(" - Update result: Winsock error"), std::string::npos);
    EXPECT_NE(log.find(" - Will try to check again within 1 minutes"), std::string::npos);
    Set("Options", "UpdateHost", Provider.HostPort());
    EXPECT_EQ(Once(), 0);
    EXPECT_EQ(Get("Home", "UpdateResult"), "0");
}

TEST_F(TEndToEndTest, OnceWithoutAPublicAddressFails) {
    ShowAddress("10.0.0.9");
    Set("LocalIP", "IP0", "10.0.0.0-10.255.255.255");
    EXPECT_EQ(Once(), 1);
    EXPECT_TRUE(Provider.Requests().empty());
    EXPECT_NE(LogFiles().find(" - Current IP address (10.0.0.9) is not public IP"), std::string::npos);
}

// The retry after a failed check is at least a minute away, so the change is there at the
// first check; the engine's own tests step through a change between checks.
TEST_F(TEndToEndTest, HeadlessSendsAChangedAddressAndStopsCleanlyOnSigterm) {
    ShowAddress("203.0.113.8");
    THostaqProcess p(Dir.Path(), {"--headless", Ini});
    ASSERT_TRUE(p.WaitForOutput("Update result: No error")) << p.Out();
    p.Signal(SIGTERM);
    EXPECT_EQ(p.Wait(), 0);
    const std::string out = p.Out();
    EXPECT_NE(out.find("IP changes (198.51.100.1 > 203.0.113.8 [automatic])"), std::string::npos);
    const std::string last = "Hostaq Updater stopped...\n";
    ASSERT_GE(out.size(), last.size());
    EXPECT_EQ(out.substr(out.size() - last.size()), last) << out;
    EXPECT_EQ(Get("Update", "IP"), "203.0.113.8");
    EXPECT_EQ(Provider.Requests().size(), 1u);
}

// The version check reads its page on a worker: a page that answers slowly neither holds the
// monitor's loop nor its stop.
TEST_F(TEndToEndTest, SigtermDuringASlowVersionCheckStopsWithinTwoSeconds) {
    ShowAddress("198.51.100.1");
    TCaptureServer versionPage;
    versionPage.Answer(TScriptedAnswer{"HTTP/1.0 200 OK\r\n\r\n3", true});
    Set("CheckUpdate", "SoftAutoUpdate", "1");
    Set("CheckUpdate", "SoftAutoUpdateURL", versionPage.Url("/version.txt"));
    Set("CheckUpdate", "SoftAutoUpdateLastCheck", "20000101000000");
    THostaqProcess p(Dir.Path(), {"--headless", Ini});
    ASSERT_TRUE(versionPage.WaitForRequests(1, 20000)) << p.Out();
    p.Signal(SIGTERM);
    EXPECT_EQ(p.Wait(2000), 0) << p.Out();
}

// Run from another folder, every command finds the configuration by its absolute path.
TEST_F(TEndToEndTest, AbsolutePathsNameTheFilesFromAnyFolder) {
    const std::string elsewhere = Dir.File("elsewhere");
    std::filesystem::create_directory(elsewhere);
    ShowAddress("203.0.113.7");
    EXPECT_EQ(RunHostaq(elsewhere, {"--once", Ini}), 0);
    EXPECT_EQ(Provider.Requests().size(), 1u);
    EXPECT_EQ(Get("Home", "UpdateResult"), "0");
    EXPECT_EQ(RunHostaq(elsewhere,
                        {"--group-add", "Work", "--user", "ann", "--hosts", "c.example", "--insecure", Ini},
                        "pw\n"),
              0);
    EXPECT_EQ(IniReadString(Ini, "Work", "UserID", ""), "ann");
    const std::string dump = Dir.File("dump.txt");
    EXPECT_EQ(RunHostaq(elsewhere, {"--dump-config", dump, Ini}), 0);
    EXPECT_NE(ReadFileText(dump).find("\tGroup Work:\n"), std::string::npos);
    // The current folder holds only what the runs printed: no configuration, no log.
    for (const auto& e : std::filesystem::directory_iterator(elsewhere))
        EXPECT_EQ(e.path().filename().string().rfind("run", 0), 0u) << e.path();
}

// Without a display the tray application says so and runs the monitor headless.
TEST_F(TEndToEndTest, WithoutADisplayTheMonitorRunsHeadless) {
    ShowAddress("203.0.113.7");
    TEnvGuard noX("DISPLAY", std::nullopt);
    TEnvGuard noWayland("WAYLAND_DISPLAY", "");
    THostaqProcess p(Dir.Path(), {Ini});
    ASSERT_TRUE(p.WaitForOutput("Update result: No error")) << p.Out() << p.Err();
    p.Signal(SIGTERM);
    EXPECT_EQ(p.Wait(), 0);
    EXPECT_NE(p.Err().find("hostaq: no display (neither DISPLAY nor WAYLAND_DISPLAY is set)"),
              std::string::npos)
        << p.Err();
}

TEST_F(TEndToEndTest, SigtermDuringARunLetsTheRunFinish) {
    ShowAddress("203.0.113.7");
    Provider.HoldAnswersUntil(2, 1500); // one group: the answer comes after 1.5 s
    THostaqProcess p(Dir.Path(), {"--headless", "./hostaq.ini"});
    ASSERT_TRUE(p.WaitForOutput("Update process starts")) << p.Out();
    p.Signal(SIGTERM);
    EXPECT_EQ(p.Wait(), 0);
    const std::string out = p.Out();
    const std::size_t result = out.find("Update result: No error");
    const std::size_t stopped = out.find("Hostaq Updater stopped...");
    ASSERT_NE(result, std::string::npos) << out;
    ASSERT_NE(stopped, std::string::npos);
    EXPECT_LT(result, stopped);
    EXPECT_EQ(Get("Update", "IP"), "203.0.113.7");
}

TEST_F(TEndToEndTest, FailedCheckSendsNothingNamesTheCheckAndOnceFails) {
    Set("IPAddress", "CurrentIP", "198.51.100.1"); // what an earlier run found
    const std::string page = CheckPage.Url("/");
    struct TCase {
        std::string Url;
        std::string Answer;
        std::string Reason;
    };
    const std::string refused = "http://127.0.0.1:" + std::to_string(FreeLoopbackPort()) + "/";
    const TCase cases[] = {
        {refused, "", "the page could not be read: 10061 (Connection refused)"},
        {page, "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n", "the page is empty"},
        {page, "HTTP/1.0 200 OK\r\n\r\n<html>No address today, version 1.0</html>\r\n",
         "the page shows no IP address"},
    };
    for (const TCase& c : cases) {
        Set("Connection", "ServerIP", c.Url);
        if (!c.Answer.empty())
            CheckPage.Answer(c.Answer);
        std::string out;
        EXPECT_EQ(Once({}, &out), 1) << out;
        EXPECT_NE(out.find("The IP address check of " + c.Url + " failed: " + c.Reason), std::string::npos)
            << out;
        EXPECT_NE(out.find("Current IP address () is not public IP"), std::string::npos);
    }
    EXPECT_TRUE(Provider.Requests().empty());
    EXPECT_EQ(Get("IPAddress", "CurrentIP"), "198.51.100.1");
    EXPECT_EQ(Get("Update", "IP"), "198.51.100.1");
}

TEST_F(TEndToEndTest, NonPublicAddressOfThePageIsRefusedWithoutALocalList) {
    for (const char* address : {"10.1.2.3", "100.64.1.1", "224.0.0.1"}) {
        ShowAddress(address);
        std::string out;
        EXPECT_EQ(Once({}, &out), 1) << out;
        EXPECT_NE(out.find(std::string("Current IP address (") + address + ") is not public IP"),
                  std::string::npos)
            << out;
    }
    EXPECT_TRUE(Provider.Requests().empty());
}

TEST_F(TEndToEndTest, OnceDoesTheNewAddressWorkOnceAndStartsTheProgramsOfItsRun) {
    const std::string ran = Dir.File("ran.txt");
    const std::string script = Dir.File("record.sh");
    WriteFileText(script, "#!/bin/sh\necho \"$@\" >> '" + ran + "'\n");
    ::chmod(script.c_str(), 0755);
    Set("Options", "RunPrograms", "1");
    Set("Run", "1", script + " %CURRENT_IP% seen");
    const std::string servu = Dir.File("ServUDaemon.ini");
    WriteFileText(servu, "[Domains]\n1=ftp|0.0.0.0|21\n");
    Set("Options", "UpdateServU", "1");
    Set("Options", "ServUIniLoc", servu);
    ShowAddress("203.0.113.7");
    EXPECT_EQ(Once(), 0);
    EXPECT_EQ(IniReadString(servu, "Domains", "1", ""), "ftp|203.0.113.7|21");
    // The program was started before --once ended (one second after the new address).
    EXPECT_EQ(WaitForLines(ran, 1), std::vector<std::string>{"203.0.113.7 seen"});
    // The server has taken the address; the next call finds nothing new and leaves it alone.
    ASSERT_TRUE(IniWriteString(servu, "Global", "ReloadSettings", "FALSE"));
    EXPECT_EQ(Once(), 0);
    EXPECT_EQ(IniReadString(servu, "Global", "ReloadSettings", ""), "FALSE");
    EXPECT_EQ(WaitForLines(ran, 1).size(), 1u);
    EXPECT_EQ(Provider.Requests().size(), 1u);
}

TEST_F(TEndToEndTest, GroupAddedWhileHeadlessRunsIsUpdatedAfterItsReload) {
    ShowAddress("203.0.113.7");
    THostaqProcess p(Dir.Path(), {"--headless", "./hostaq.ini"});
    ASSERT_TRUE(p.WaitForOutput("Update result: No error")) << p.Out();
    ShowAddress("203.0.113.8");
    std::string out;
    ASSERT_EQ(RunHostaq(Dir.Path(),
                        {"--group-add", "Work", "--user", "ann", "--hosts", "c.example", "--insecure",
                         "./hostaq.ini"},
                        "pw\n", &out),
              0);
    EXPECT_NE(out.find(") reloads its settings"), std::string::npos) << out;
    ASSERT_TRUE(p.WaitForOutput("Hostaq Updater reloaded its settings")) << p.Out();
    ASSERT_TRUE(Provider.WaitForRequests(3, 10000)) << p.Out();
    bool workSent = false;
    for (const TProviderRequest& r : Provider.Requests())
        if (r.Query.at("hostname") == "c.example" && r.Query.at("myip") == "203.0.113.8")
            workSent = true;
    EXPECT_TRUE(workSent) << p.Out();
    p.Signal(SIGTERM);
    EXPECT_EQ(p.Wait(), 0);
}

TEST_F(TEndToEndTest, SighupReloadsTheCheckingInterval) {
    ShowAddress("203.0.113.7");
    THostaqProcess p(Dir.Path(), {"--headless", "./hostaq.ini"});
    ASSERT_TRUE(p.WaitForOutput("Checking interval: 5 minutes")) << p.Out();
    ASSERT_TRUE(p.WaitForOutput("Update result: No error")) << p.Out();
    Set("Options", "CheckingInt", "17");
    p.Signal(SIGHUP);
    ASSERT_TRUE(p.WaitForOutput("Checking interval: 17 minutes")) << p.Out();
    EXPECT_NE(p.Out().find("Hostaq Updater reloaded its settings"), std::string::npos);
    p.Signal(SIGTERM);
    EXPECT_EQ(p.Wait(), 0);
}

// Under a service manager the monitor says when it is ready, reloading and stopping, with the
// status line, and pings the watchdog; the manager's socket is the test's own.
TEST_F(TEndToEndTest, HeadlessTellsTheServiceManagerReadyReloadStopAndStatus) {
    ShowAddress("203.0.113.8");
    TDatagramListener manager(Dir.File("notify"));
    std::vector<std::string> got;
    {
        TEnvGuard socket("NOTIFY_SOCKET", manager.Path());
        TEnvGuard watchdog("WATCHDOG_USEC", "2000000");
        THostaqProcess p(Dir.Path(), {"--headless", "./hostaq.ini"});
        ASSERT_TRUE(p.WaitForOutput("Update result: No error")) << p.Out();
        got = manager.WaitFor("WATCHDOG=1");
        p.Signal(SIGHUP);
        ASSERT_TRUE(p.WaitForOutput("reloaded its settings")) << p.Out();
        p.Signal(SIGTERM);
        EXPECT_EQ(p.Wait(), 0);
        const std::vector<std::string> more = manager.WaitFor("STOPPING=1");
        got.insert(got.end(), more.begin(), more.end());
    }
    auto index = [&](const std::string& prefix, const std::string& part = "") {
        for (std::size_t i = 0; i < got.size(); ++i)
            if (got[i].rfind(prefix, 0) == 0 && got[i].find(part) != std::string::npos)
                return static_cast<long>(i);
        return -1L;
    };
    const long ready = index("READY=1\nSTATUS=Current IP ");
    const long reloading = index("RELOADING=1\nMONOTONIC_USEC=");
    const long readyAgain = index("READY=1\nSTATUS=Current IP 203.0.113.8; last update ");
    const long stopping = index("STOPPING=1");
    ASSERT_GE(ready, 0);
    EXPECT_GT(reloading, ready);
    EXPECT_GT(readyAgain, reloading);
    EXPECT_GT(stopping, readyAgain);
    EXPECT_GE(index("STATUS=Current IP 203.0.113.8; last update ", " good; next check "), 0);
    EXPECT_GE(index("WATCHDOG=1"), 0);
}

// A dial-up line whose pppd always fails.
class TDialUpEndToEndTest : public TEndToEndTest {
protected:
    void SetUp() override {
        TEndToEndTest::SetUp();
        Set("Connection", "DirectConnect", "1");
        Set("Dialer", "DialAccount", "work");
        Set("Dialer", "DialDelay", "1");
        Pppd.Behave("work", "fail 8");
    }
    TFakePppd Pppd;
    const std::string pppdFolder_ = std::filesystem::path(Pppd.System().PppdPath).parent_path().string();
    TEnvGuard path_{"PATH",
                    pppdFolder_ + ":" + (std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin")};
};

TEST_F(TDialUpEndToEndTest, SigtermStopsAFailingRedialSequenceWithinFiveSeconds) {
    THostaqProcess p(Dir.Path(), {"--headless", "./hostaq.ini"});
    ASSERT_TRUE(p.WaitForOutput("Schedule to dial again within 1 second(s)")) << p.Out();
    const auto start = std::chrono::steady_clock::now();
    p.Signal(SIGTERM);
    EXPECT_EQ(p.Wait(5000), 0) << p.Out();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_NE(p.Out().find("Hostaq Updater stopped..."), std::string::npos) << p.Out();
}

TEST_F(TDialUpEndToEndTest, OnceGivesUpAfterOneFailedDial) {
    std::string out;
    EXPECT_EQ(Once({}, &out), 1) << out;
    EXPECT_EQ(Pppd.Calls().size(), 1u) << out;
    EXPECT_NE(out.find("Dialer error - The connect script failed"), std::string::npos) << out;
    EXPECT_EQ(out.find("Schedule to dial again"), std::string::npos) << out;
    EXPECT_TRUE(Provider.Requests().empty());
}

} // namespace
} // namespace hostaq::test
