#include "app/StatusCommand.h"

#include "ProgramRunner.h"
#include "TempDir.h"
#include "config/ConfigPath.h"
#include "config/IniFile.h"
#include "platform/SingleInstance.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace hostaq::test {
namespace {

class StatusCommandTest : public ::testing::Test {
protected:
    StatusCommandTest() { SetConfigPath(Ini); }
    ~StatusCommandTest() override { SetConfigPath(""); }
    void Write(const std::string& text) { WriteFileText(Ini, text); }

    TTempDir Dir;
    std::string Ini = Dir.File("hostaq.ini");
};

const char* const Home =
    "[home]\nUserID=u\nPassword=00\nType=0\nNumOfHosts=2\nHost1=a.example\nHost2=b.example\n";

TEST_F(StatusCommandTest, ExitStatusSaysWhetherEveryEnabledGroupIsUpToDate) {
    struct TCase {
        const char* Name;
        std::string File;
        int Exit;
    };
    const std::string current = "[IPAddress]\nCurrentIP=203.0.113.7\n";
    const TCase cases[] = {
        {"up to date", current + Home + "IP=203.0.113.7\nUpdateResult=1\n", 0},
        {"warning still counts as sent", current + Home + "IP=203.0.113.7\nUpdateResult=2\n", 0},
        {"another address sent", current + Home + "IP=203.0.113.1\nUpdateResult=1\n", 1},
        {"failing", current + Home + "IP=203.0.113.7\nUpdateResult=3\n", 1},
        {"blocked", current + Home + "IP=203.0.113.7\nUpdateResult=4\n", 1},
        {"a disabled group does not count",
         current + Home +
             "IP=203.0.113.7\n[off]\nUserID=v\nPassword=00\nType=0\nEnable=0\nNumOfHosts=1\nHost1=c."
             "example\nIP=198.51.100.1\n",
         0},
        {"no address known", std::string(Home) + "IP=203.0.113.7\n", 1},
        {"a private address is no public one",
         "[IPAddress]\nCurrentIP=192.168.1.5\n" + std::string(Home) + "IP=192.168.1.5\n", 1},
        {"no group, but an address", current, 0},
    };
    for (const TCase& c : cases) {
        Write(c.File);
        EXPECT_EQ(StatusExitCode(ReadMonitorStatus(Ini)), c.Exit) << c.Name;
    }
}

TEST_F(StatusCommandTest, JsonHasStableFieldsAndNamesTheRunningMonitor) {
    Write(
        "[Options]\nCheckingInt=10\n[IPAddress]\nCurrentIP=203.0.113.7\nLastChecked=20261207120100\n" +
        std::string(Home) +
        "IP=203.0.113.7\nLastUpdate=20261207120105\nUpdateResult=1\nReturnStr=good 203.0.113.7\n"
        "IPv6=1\nIP6=2001:db8:1::10\n"
        "[Lab "
        "\"x\"]\nUserID=v\nPassword=00\nType=0\nEnable=0\nNumOfHosts=1\nHost1=lab.example\nUpdateResult=4\n");
    EXPECT_EQ(StatusJson(ReadMonitorStatus(Ini)),
              "{\"config\":\"" + Ini +
                  "\",\"current_ip\":\"203.0.113.7\",\"current_ip_public\":true,"
                  "\"last_checked\":\"2026-12-07T12:01:00\",\"next_check\":null,\"auto_check\":true,"
                  "\"monitor\":null,\"groups\":["
                  "{\"name\":\"home\",\"enabled\":true,\"hosts\":[\"a.example\",\"b.example\"],"
                  "\"ip\":\"203.0.113.7\",\"ipv6\":true,\"ip6\":\"2001:db8:1::10\",\"last_update\":\"2026-12-"
                  "07T12:01:05\",\"result\":\"good\","
                  "\"result_class\":1,\"answer\":\"good 203.0.113.7\",\"blocked\":false,\"up_to_date\":true},"
                  "{\"name\":\"Lab \\\"x\\\"\",\"enabled\":false,\"hosts\":[\"lab.example\"],\"ip\":null,"
                  "\"ipv6\":false,\"ip6\":null,"
                  "\"last_update\":null,\"result\":\"blocked\",\"result_class\":4,\"answer\":\"\","
                  "\"blocked\":true,\"up_to_date\":false}]}\n");

    // With a monitor on the file, its pid, and its next check one interval after the last.
    TMonitorLock lock(Ini);
    ASSERT_TRUE(lock.Acquire());
    const TMonitorStatus status = ReadMonitorStatus(Ini);
    EXPECT_EQ(status.MonitorPid, ::getpid());
    const std::string json = StatusJson(status);
    EXPECT_NE(json.find("\"next_check\":\"2026-12-07T12:11:00\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"monitor\":{\"pid\":" + std::to_string(::getpid()) + "}"), std::string::npos);
    const std::string text = StatusText(status);
    EXPECT_NE(text.find("Monitor:        running (pid " + std::to_string(::getpid()) + ")"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Next check:     2026-12-07 12:11:00"), std::string::npos) << text;
}

TEST_F(StatusCommandTest, TextShowsOneBlockPerGroup) {
    Write("[IPAddress]\nCurrentIP=203.0.113.7\n" + std::string(Home) +
          "IP=203.0.113.1\nLastUpdate=20261207120105\nUpdateResult=4\nReturnStr=badauth\n");
    EXPECT_EQ(StatusText(ReadMonitorStatus(Ini)),
              "Configuration:  " + Ini +
                  "\n"
                  "Current IP:     203.0.113.7\n"
                  "Next check:     none (no monitor runs)\n"
                  "Monitor:        not running\n"
                  "\n"
                  "Group home\n"
                  "  Hosts:        a.example, b.example\n"
                  "  Address sent: 203.0.113.1\n"
                  "  Last update:  2026-12-07 12:01:05\n"
                  "  Result:       blocked (badauth)\n"
                  "  Blocked:      yes, until its settings are saved again\n"
                  "  Up to date:   no\n");

    // A group that also keeps AAAA records shows the IPv6 address it last sent.
    Write("[IPAddress]\nCurrentIP=203.0.113.7\n" + std::string(Home) + "IP=203.0.113.7\nIPv6=1\n");
    EXPECT_NE(StatusText(ReadMonitorStatus(Ini)).find("  IPv6 sent:    none yet\n"), std::string::npos);
    IniWriteString(Ini, "home", "IP6", "2001:db8:1::10");
    EXPECT_NE(StatusText(ReadMonitorStatus(Ini)).find("  IPv6 sent:    2001:db8:1::10\n"), std::string::npos);
}

TEST_F(StatusCommandTest, TheProgramPrintsTheStatusAndExitsWithItsVerdict) {
    Write("[IPAddress]\nCurrentIP=203.0.113.7\n" + std::string(Home) + "IP=203.0.113.7\nUpdateResult=1\n");
    std::string out;
    std::string err;
    EXPECT_EQ(RunHostaq(Dir.Path(), {"--status", "--json", "./hostaq.ini"}, "", &out, &err), 0) << err;
    EXPECT_EQ(out.rfind("{\"config\":", 0), 0u) << out;
    EXPECT_NE(out.find("\"monitor\":null"), std::string::npos);
    EXPECT_EQ(RunHostaq(Dir.Path(), {"--status", "./hostaq.ini"}, "", &out, &err), 0) << err;
    EXPECT_NE(out.find("Group home\n"), std::string::npos) << out;

    EXPECT_EQ(RunHostaq(Dir.Path(), {"--json", "./hostaq.ini"}, "", &out, &err), 2);
    EXPECT_NE(err.find("--json goes with --status"), std::string::npos) << err;
    EXPECT_EQ(RunHostaq(Dir.Path(), {"--status", "./missing.ini"}, "", &out, &err), 1);
    EXPECT_NE(err.find("missing.ini does not exist"), std::string::npos) << err;
    EXPECT_FALSE(std::filesystem::exists(Dir.File("missing.ini")));
}

} // namespace
} // namespace hostaq::test
