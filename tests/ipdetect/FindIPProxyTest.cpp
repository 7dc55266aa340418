#include "ipdetect/FindIPProxy.h"

#include "TempConfig.h"
#include "config/Version.h"
#include "ipdetect/CheckSettings.h"
#include "log/Log.h"
#include "net/MainThread.h"
#include "net/WorkerThread.h"
#include "support/CaptureServer.h"
#include "support/TestCerts.h"
#include "support/TinyProxy.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <thread>

namespace hostaq {
namespace {

using test::TCaptureServer;

// A check-ip page on loopback answering every request with the given status and body.
std::unique_ptr<TCaptureServer> CheckIpPage(const std::string& body, const std::string& status = "200 OK",
                                            SSL_CTX* tls = nullptr) {
    auto page = std::make_unique<TCaptureServer>(tls);
    page->Answer("HTTP/1.0 " + status + "\r\nContent-Type: text/html\r\nContent-Length: " +
                 std::to_string(body.size()) + "\r\n\r\n" + body);
    return page;
}

// What the events of one check delivered, and on which thread.
struct TCheckOutcome {
    int Done = 0;
    int Terminated = 0;
    bool TerminatedAfterDone = false;
    bool OnMainThread = true;
    std::string Address;
};

class FindIPProxyTest : public ::testing::Test {
protected:
    // Starts the check and pumps the main thread until it has ended and freed itself.
    TCheckOutcome Run(TFindIPProxy* check) {
        TCheckOutcome outcome;
        const auto mainThread = std::this_thread::get_id();
        check->OnDone = [&](TFindIPProxy&, const std::string& address) {
            ++outcome.Done;
            outcome.Address = address;
            outcome.OnMainThread = outcome.OnMainThread && std::this_thread::get_id() == mainThread;
        };
        check->OnTerminate = [&](TFindIPProxy&) {
            ++outcome.Terminated;
            outcome.TerminatedAfterDone = outcome.Done == 1;
            outcome.OnMainThread = outcome.OnMainThread && std::this_thread::get_id() == mainThread;
        };
        check->Start();
        EXPECT_TRUE(loop_.PumpUntil([&] { return outcome.Terminated > 0 && LiveWorkers() == 0; }, 10000));
        return outcome;
    }

    static TFindIPProxy* NewCheck(const std::string& url, const std::string& localList = "") {
        auto* check = new TFindIPProxy;
        check->ServerURL = url;
        check->LocalList = localList;
        check->UserAgent = "Hostaq test agent";
        return check;
    }

    test::TTempConfig config_;
    TPumpedDispatcher loop_;
};

TEST_F(FindIPProxyTest, ReportsTheAddressOfThePageOnTheMainThread) {
    auto page = CheckIpPage("<html><body>Current IP Address: 203.0.113.7</body></html>\r\n");
    const TCheckOutcome outcome = Run(NewCheck(page->Url("/ip")));
    EXPECT_EQ(outcome.Address, "203.0.113.7");
    EXPECT_EQ(outcome.Done, 1);
    EXPECT_EQ(outcome.Terminated, 1);
    EXPECT_TRUE(outcome.TerminatedAfterDone);
    EXPECT_TRUE(outcome.OnMainThread);
    ASSERT_EQ(page->Requests().size(), 1u);
    EXPECT_EQ(page->Requests()[0].rfind("GET /ip HTTP/1.0\r\n", 0), 0u);
    EXPECT_NE(page->Requests()[0].find("\r\nUser-Agent: Hostaq test agent\r\n"), std::string::npos);
}

TEST_F(FindIPProxyTest, SkipsLocalAddressesOfThePage) {
    auto page = CheckIpPage("Router: 10.1.2.3\r\nPublic: 203.0.113.7\r\n");
    EXPECT_EQ(Run(NewCheck(page->Url("/ip"), "10.0.0.0-10.255.255.255\r\n127.0.0.1")).Address, "203.0.113.7");
}

TEST_F(FindIPProxyTest, AnyStatusWithABodyIsScanned) {
    auto page = CheckIpPage("Not found, but you are 198.51.100.20", "404 Not Found");
    EXPECT_EQ(Run(NewCheck(page->Url("/ip"))).Address, "198.51.100.20");
}

TEST_F(FindIPProxyTest, UnreachablePageGivesTheEmptyAddress) {
    const int closedPort = test::FreeLoopbackPort();
    const TCheckOutcome outcome = Run(NewCheck("http://127.0.0.1:" + std::to_string(closedPort) + "/"));
    EXPECT_EQ(outcome.Address, "");
    EXPECT_EQ(outcome.Done, 1);
    EXPECT_TRUE(outcome.TerminatedAfterDone);
}

TEST_F(FindIPProxyTest, MalformedLocalListLineLeavesTheCheckWorkingAndIsLoggedOnce) {
    ResetLogger();
    InstallLogWarningReporter();
    std::vector<std::pair<int, std::string>> entries;
    const int sink = AddLogSink([&](int kind, const std::string& text) { entries.emplace_back(kind, text); });

    auto page = CheckIpPage("10.1.2.3\r\n203.0.113.7\r\n");
    const std::string list = "10.0.0.0-10.255.255.255\r\n10.0.0.1 to 10.0.0.9\r\n127.0.0.1";
    for (int i = 0; i < 2; ++i) {
        const TCheckOutcome outcome = Run(NewCheck(page->Url("/ip"), list));
        EXPECT_EQ(outcome.Address, "203.0.113.7");
        EXPECT_EQ(outcome.Done, 1);
    }
    RemoveLogSink(sink);
    ResetLogger();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].first, LogWarning);
    EXPECT_NE(entries[0].second.find("\"10.0.0.1 to 10.0.0.9\""), std::string::npos);
}

TEST_F(FindIPProxyTest, EngineSettingsUseTheProxyOnlyWhenSwitchedOn) {
    const std::string folder = std::filesystem::path(config_.Path()).parent_path().string();
    test::TTinyProxy tinyproxy(folder);
    ASSERT_TRUE(tinyproxy.Running()) << tinyproxy.Problem();
    auto page = CheckIpPage("Current IP Address: 203.0.113.1\r\n");
    const std::string common = "[Connection]\nServerIP=" + page->Url("/ip") +
                               "\nProxyHost=127.0.0.1\nProxyPort=" + std::to_string(tinyproxy.Port()) + "\n";

    // No UseProxy key: straight to the page.
    config_.Write(common);
    auto* check = new TFindIPProxy;
    ApplyCheckSettings(*check, EngineCheckSettings("127.0.0.1"));
    EXPECT_EQ(Run(check).Address, "203.0.113.1");
    ASSERT_EQ(page->Requests().size(), 1u);
    EXPECT_EQ(page->Requests()[0].find("Via:"), std::string::npos);
    EXPECT_EQ(page->Requests()[0].rfind("GET /ip HTTP/1.0\r\n", 0), 0u);

    // With UseProxy the request travels through the proxy, which forwards it to the page.
    config_.Write(common + "UseProxy=1\n");
    check = new TFindIPProxy;
    ApplyCheckSettings(*check, EngineCheckSettings("127.0.0.1"));
    EXPECT_EQ(check->ProxyPort, std::to_string(tinyproxy.Port()));
    EXPECT_EQ(Run(check).Address, "203.0.113.1");
    ASSERT_EQ(page->Requests().size(), 2u);
    EXPECT_NE(page->Requests()[1].find("User-Agent: " + BuildUserAgent()), std::string::npos);
}

TEST_F(FindIPProxyTest, CertificateCheckFollowsTheConfiguration) {
    const test::TTestCert cert = test::MakeSelfSignedCert({"localhost"}, {"127.0.0.1"});
    SSL_CTX* tls = test::MakeServerContext(cert);
    auto page = CheckIpPage("Current IP Address: 203.0.113.5\r\n", "200 OK", tls);
    SSL_CTX_free(tls);
    const std::string server = "[Connection]\nServerIP=" + page->Url("/ip", "https") + "\n";

    // A self-signed page fails the check by default: no address.
    config_.Write(server);
    auto* check = new TFindIPProxy;
    ApplyCheckSettings(*check, EngineCheckSettings(""));
    EXPECT_EQ(Run(check).Address, "");

    config_.Write(server + "VerifyCertificate=0\n");
    check = new TFindIPProxy;
    ApplyCheckSettings(*check, EngineCheckSettings(""));
    EXPECT_EQ(Run(check).Address, "203.0.113.5");
}

} // namespace
} // namespace hostaq

namespace hostaq {
namespace {

// The IPv6 check page: read over an IPv6 connection to a literal "[::1]:port", directly even
// when a proxy is set, and only an IPv6 address of the page counts.
TEST_F(FindIPProxyTest, TheIPv6PageIsReadOverIPv6ForAnIPv6Address) {
    test::TCaptureServer page(nullptr, true);
    const std::string body = "IPv4 203.0.113.7, IPv6 fe80::1 and 2001:db8:0:0::5\r\n";
    page.Answer("HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
    TFindIPProxy* check = NewCheck(page.Url("/ip6", "http", "[::1]"));
    check->IPv6 = true;
    check->ProxyHost = "127.0.0.1";
    check->ProxyPort = std::to_string(test::FreeLoopbackPort());
    EXPECT_EQ(Run(check).Address, "2001:db8::5");
    ASSERT_EQ(page.Requests().size(), 1u);
    EXPECT_EQ(page.Requests()[0].rfind("GET /ip6 HTTP/1.0\r\n", 0), 0u) << page.Requests()[0];
    EXPECT_NE(page.Requests()[0].find("\r\nHost: [::1]:"), std::string::npos);

    // The IPv4 page of the same text gives its IPv4 address, as before.
    auto four = CheckIpPage(body);
    EXPECT_EQ(Run(NewCheck(four->Url("/ip"))).Address, "203.0.113.7");
    // Over IPv6 only: a name or literal without an IPv6 address is no connection.
    TFindIPProxy* v4only = NewCheck(four->Url("/ip"));
    v4only->IPv6 = true;
    EXPECT_EQ(Run(v4only).Address, "");
}

} // namespace
} // namespace hostaq
