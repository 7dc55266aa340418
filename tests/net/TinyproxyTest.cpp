// Against a real proxy from Debian: a plain request through tinyproxy and an https request
// tunnelled through it.
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

TEST_F(Tinyproxy, PlainRequestGoesThroughTheProxy) {
    test::TCaptureServer server;
    server.Answer(
        "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 14\r\n\r\ngood 1.2.3.4\r\n");
    http_.UserName = "user";
    http_.Password = "pass";
    ASSERT_TRUE(http_.DoRequest("GET", server.Url("/nic/update?hostname=a&myip=1.2.3.4")))
        << http_.LastErrorDesc();
    EXPECT_EQ(http_.ResultCode, 200);
    EXPECT_EQ(http_.Document, "good 1.2.3.4\r\n");
    ASSERT_EQ(server.Requests().size(), 1u);
    // The proxy turned the absolute target back into the origin form and kept the credentials.
    const std::string seen = server.Requests()[0];
    EXPECT_EQ(seen.substr(0, seen.find(" HTTP/")), "GET /nic/update?hostname=a&myip=1.2.3.4");
    EXPECT_NE(seen.find(std::string("Authorization: Basic ") + test::UserPassBase64), std::string::npos);
}

TEST_F(Tinyproxy, HttpsIsTunnelled) {
    test::TTestPki pki;
    test::WriteFileText(dir_.File("ca.pem"), pki.CA.CertPem);
    test::TEnvGuard certFile("SSL_CERT_FILE", dir_.File("ca.pem"));
    SSL_CTX* ctx = test::MakeServerContext(pki.Localhost);
    test::TCaptureServer server(ctx);
    SSL_CTX_free(ctx);
    ASSERT_TRUE(http_.DoRequest("GET", server.Url("/secure?x=1", "https", "localhost")))
        << http_.LastErrorDesc();
    EXPECT_EQ(http_.Document, "ok");
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0],
              "GET /secure?x=1 HTTP/1.0\r\nHost: localhost:" + std::to_string(server.Port()) + "\r\n\r\n");
}

} // namespace
} // namespace hostaq
