#include "groups/HostDownload.h"
#include "config/ConfigPath.h"
#include "config/IniFile.h"
#include "config/Scramble.h"
#include "config/Version.h"
#include "groups/HostList.h"
#include "net/MainThread.h"
#include "net/WorkerThread.h"

#include "ProviderServer.h"
#include "TempDir.h"
#include "TestCerts.h"

#include <gtest/gtest.h>
#include <optional>

using namespace hostaq;

namespace {

class HostDownloadTest : public ::testing::Test {
protected:
    HostDownloadTest() {
        test::TTestPki pki;
        SSL_CTX* tls = test::MakeServerContext(pki.SelfSigned);
        Provider.emplace(tls);
        SSL_CTX_free(tls);
        IniWriteString(Path, "Options", "AccountHost", Provider->HostPort());
        IniWriteString(Path, "Connection", "VerifyCertificate", "0");
        Provider->SetHostList("joe", "secret", "hostaq:a.example,b.example\nstatdns:c.example\n");
    }
    ~HostDownloadTest() override {
        EXPECT_TRUE(Loop.PumpUntil([] { return LiveWorkers() == 0; }, 10000));
    }

    std::optional<std::string> Download(const std::string& user, const std::string& password) {
        std::optional<std::string> text;
        StartHostDownload(Path, user, password, false, [&](const std::string& t) { text = t; });
        EXPECT_TRUE(Loop.PumpUntil([&] { return text.has_value(); }, 10000));
        return text;
    }

    test::TTempDir Dir;
    std::string Path = Dir.File("hostaq.ini");
    TPumpedDispatcher Loop;
    std::optional<test::TProviderServer> Provider;
};

TEST_F(HostDownloadTest, KnownLoginGetsItsHosts) {
    const auto text = Download("joe", "secret");
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, "hostaq:a.example,b.example\r\nstatdns:c.example\r\n");
    const auto requests = Provider->Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].Path, "/text/gethostlist");
    EXPECT_EQ(requests[0].UserAgent, BuildUserAgent());
    const THostListOutcome o = InterpretHostList(*text);
    EXPECT_EQ(o.Kind, THostListOutcome::Hosts);
    EXPECT_EQ(o.Entries.size(), 3u);
}

TEST_F(HostDownloadTest, WrongLoginAndFailures) {
    auto text = Download("joe", "wrong");
    ASSERT_TRUE(text);
    EXPECT_EQ(InterpretHostList(*text).Kind, THostListOutcome::WrongLogin);

    // The certificate is checked unless the configuration turns the check off.
    IniWriteString(Path, "Connection", "VerifyCertificate", "1");
    text = Download("joe", "secret");
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, "");
    EXPECT_EQ(InterpretHostList(*text).Kind, THostListOutcome::CannotDetect);
}

TEST(HostDownloadConnectionTest, ProxyOnlyOnALocalNetworkWithUseProxy) {
    test::TTempDir dir;
    const std::string path = dir.File("hostaq.ini");
    IniWriteString(path, "Connection", "ProxyHost", "proxy.lan");
    IniWriteString(path, "Connection", "ProxyPort", "3128");
    IniWriteString(path, "Connection", "ProxyUserName", "pu");
    IniWriteString(path, "Connection", "ProxyPassword", ScramblePassword("pp"));
    EXPECT_FALSE(HostDownloadConnection(path, false).UseProxy);
    IniWriteString(path, "Connection", "UseProxy", "1");
    TConnectionSettings s = HostDownloadConnection(path, false);
    EXPECT_TRUE(s.UseProxy);
    EXPECT_EQ(s.ProxyHost, "proxy.lan");
    EXPECT_EQ(s.ProxyPort, "3128");
    EXPECT_EQ(s.ProxyUser, "pu");
    EXPECT_EQ(s.ProxyPass, "pp");
    EXPECT_TRUE(s.VerifyCertificate);
    // The dial-up connection type never uses the proxy.
    EXPECT_FALSE(HostDownloadConnection(path, true).UseProxy);
}

} // namespace
