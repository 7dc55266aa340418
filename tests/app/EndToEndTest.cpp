#include "ProgramRunner.h"

#include "CaptureServer.h"
#include "ProviderServer.h"
#include "config/IniFile.h"
#include "log/LogFileName.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <string>

namespace hostaq::test {
namespace {

std::string Page(const std::string& address) {
    return "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nCurrent IP Address: " + address + "\r\n";
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

TEST_F(TEndToEndTest, HeadlessPicksUpAnAddressChangeAndStopsCleanlyOnSigterm) {
    ShowAddress("10.0.0.9");
    Set("LocalIP", "IP0", "10.0.0.0-10.255.255.255");
    Set("Options", "CheckIntErr", "0"); // check again at the next heartbeat
    THostaqProcess p(Dir.Path(), {"--headless", "./hostaq.ini"});
    ASSERT_TRUE(p.WaitForOutput("Current IP address (10.0.0.9) is not public IP")) << p.Out();
    ShowAddress("203.0.113.8");
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

} // namespace
} // namespace hostaq::test
