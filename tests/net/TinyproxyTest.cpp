// Against a real proxy from Debian: an https request tunnelled through tinyproxy (plain requests
// through it are checked by the address check).
#include "TinyProxy.h"
#include "CaptureServer.h"
#include "NetTestSupport.h"
#include "TempDir.h"
#include "TestCerts.h"
#include "net/HttpSend.h"

#include <gtest/gtest.h>

#include <memory>

namespace hostaq {
namespace {

class Tinyproxy : public ::testing::Test {
protected:
    void SetUp() override {
        proxy_ = std::make_unique<test::TTinyProxy>(dir_.Path());
        if (!proxy_->Running())
            GTEST_SKIP() << "tinyproxy suite skipped: " << proxy_->Problem();
        http_.ProxyHost = "127.0.0.1";
        http_.ProxyPort = std::to_string(proxy_->Port());
        http_.Timeout = 10000;
    }

    test::TTempDir dir_;
    std::unique_ptr<test::TTinyProxy> proxy_;
    THTTPSend http_;
};

TEST_F(Tinyproxy, HttpsIsTunnelled) {
    test::TTestPki pki;
    test::WriteFileText(dir_.File("ca.pem"), pki.CA.CertPem);
    test::TEnvGuard certFile("SSL_CERT_FILE", dir_.File("ca.pem"));
    SSL_CTX* ctx = test::MakeServerContext(pki.Localhost);
    test::TCaptureServer server(ctx);
    SSL_CTX_free(ctx);
    ASSERT_TRUE(http_.DoRequest("GET", server.Url("/secure?x=1", "https"))) << http_.LastErrorDesc();
    EXPECT_EQ(http_.Document, "ok");
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0],
              "GET /secure?x=1 HTTP/1.0\r\nHost: 127.0.0.1:" + std::to_string(server.Port()) + "\r\n\r\n");
}

} // namespace
} // namespace hostaq
