// TLS: verification against the store named by SSL_CERT_FILE and the host name or address, the
// switch that turns it off, a system without TLS, CONNECT tunnels and an upgrade of an open
// socket. Servers are reached by 127.0.0.1, or by a name through a tunnel whose proxy routes it
// to loopback, so no test depends on how the machine resolves names.
#include "CaptureServer.h"
#include "NetTestSupport.h"
#include "TempDir.h"
#include "TestCerts.h"
#include "net/HttpSend.h"
#include "net/NetErrors.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <openssl/pem.h>
#include <openssl/x509.h>

namespace hostaq {
namespace {

using test::TCaptureServer;
using ::testing::HasSubstr;
using ::testing::Not;

class Tls : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        pki_ = std::make_unique<test::TTestPki>();
        dir_ = std::make_unique<test::TTempDir>();
        test::WriteFileText(dir_->File("ca.pem"), pki_->CA.CertPem);
    }
    static void TearDownTestSuite() {
        dir_.reset();
        pki_.reset();
    }

    // A capture server with the given certificate; the test CA is the whole trusted store.
    std::unique_ptr<TCaptureServer> Server(const test::TTestCert& cert) {
        SSL_CTX* ctx = test::MakeServerContext(cert);
        auto server = std::make_unique<TCaptureServer>(ctx);
        SSL_CTX_free(ctx);
        return server;
    }

    static std::unique_ptr<test::TTestPki> pki_;
    static std::unique_ptr<test::TTempDir> dir_;
    test::TEnvGuard certFile_{"SSL_CERT_FILE", dir_->File("ca.pem")};
    test::TEnvGuard certDir_{"SSL_CERT_DIR", dir_->Path()};
    THTTPSend http;
};

std::unique_ptr<test::TTestPki> Tls::pki_;
std::unique_ptr<test::TTempDir> Tls::dir_;

TEST_F(Tls, TrustedServerByAddress) {
    auto server = Server(pki_->Localhost);
    ASSERT_TRUE(http.DoRequest("GET", server->Url("/nic/update?x=1", "https"))) << http.LastErrorDesc();
    EXPECT_EQ(http.Document, "ok");
    EXPECT_TRUE(http.Sock.SSL() != nullptr);
    EXPECT_EQ(server->Requests()[0], "GET /nic/update?x=1 HTTP/1.0\r\nHost: 127.0.0.1:" +
                                         std::to_string(server->Port()) + "\r\n\r\n");
    http.Clear();
    ASSERT_TRUE(http.DoRequest("GET", server->Url("/", "HTTPS"))) << http.LastErrorDesc();
}

// An address is checked against the certificate's IP entries only: a certificate that names the
// host but not its address does not do.
TEST_F(Tls, AnAddressNeedsTheCertificatesIpEntry) {
    auto nameOnly = Server(test::MakeServerCert(pki_->CA, {"localhost", "127.0.0.1"}));
    EXPECT_FALSE(http.DoRequest("GET", nameOnly->Url("/", "https")));
    EXPECT_THAT(http.LastErrorDesc(), HasSubstr("IP address mismatch"));
    EXPECT_TRUE(nameOnly->Requests().empty());
    auto addressOnly = Server(test::MakeServerCert(pki_->CA, {}, {"127.0.0.1"}));
    http.Clear();
    ASSERT_TRUE(http.DoRequest("GET", addressOnly->Url("/", "https"))) << http.LastErrorDesc();
}

TEST_F(Tls, UntrustedOrMisnamedCertificatesFailWithTheReason) {
    auto selfSigned = Server(pki_->SelfSigned);
    http.UserName = "user";
    http.Password = "topsecret";
    EXPECT_FALSE(http.DoRequest("GET", selfSigned->Url("/", "https")));
    EXPECT_EQ(http.LastError(), WsaSysNotReady);
    EXPECT_THAT(http.LastErrorDesc(), HasSubstr("Network subsystem is unavailable"));
    EXPECT_THAT(http.LastErrorDesc(), HasSubstr("certificate verify failed: self-signed certificate"));
    EXPECT_THAT(http.LastErrorDesc(), Not(HasSubstr("topsecret")));
    EXPECT_TRUE(selfSigned->Requests().empty());

    // A certificate for another name, reached by name through a tunnel.
    auto wrongHost = Server(pki_->WrongHost);
    test::TConnectProxy proxy;
    http.ProxyHost = "127.0.0.1";
    http.ProxyPort = std::to_string(proxy.Port());
    EXPECT_FALSE(http.DoRequest("GET", wrongHost->Url("/", "https", "localhost")));
    EXPECT_EQ(http.LastError(), WsaSysNotReady);
    EXPECT_THAT(http.LastErrorDesc(), HasSubstr("hostname mismatch"));
    EXPECT_TRUE(wrongHost->Requests().empty());
}

TEST_F(Tls, SystemStoreWithoutTheTestCaRejectsIt) {
    test::TEnvGuard noFile("SSL_CERT_FILE", "/nonexistent/ca.pem");
    test::TEnvGuard noDir("SSL_CERT_DIR", "/nonexistent");
    auto server = Server(pki_->Localhost);
    EXPECT_FALSE(http.DoRequest("GET", server->Url("/", "https")));
    EXPECT_THAT(http.LastErrorDesc(), HasSubstr("unable to get local issuer certificate"));
}

TEST_F(Tls, HashedCertificateFolderAloneIsTrusted) {
    // A store made like the system's: one file per certificate, named by its subject hash.
    test::TTempDir hashed;
    BIO* bio = BIO_new_mem_buf(pki_->CA.CertPem.data(), static_cast<int>(pki_->CA.CertPem.size()));
    X509* ca = PEM_read_bio_X509(bio, nullptr, nullptr, nullptr);
    BIO_free(bio);
    ASSERT_NE(ca, nullptr);
    char name[16];
    std::snprintf(name, sizeof name, "%08lx.0", X509_subject_name_hash(ca));
    X509_free(ca);
    test::WriteFileText(hashed.File(name), pki_->CA.CertPem);
    test::TEnvGuard noFile("SSL_CERT_FILE", "");
    test::TEnvGuard dir("SSL_CERT_DIR", hashed.Path());
    auto server = Server(pki_->Localhost);
    ASSERT_TRUE(http.DoRequest("GET", server->Url("/", "https"))) << http.LastErrorDesc();
}

TEST_F(Tls, VerificationOffAcceptsASelfSignedServer) {
    auto server = Server(pki_->SelfSigned);
    http.VerifyCertificate = false;
    ASSERT_TRUE(http.DoRequest("GET", server->Url("/", "https"))) << http.LastErrorDesc();
    EXPECT_EQ(http.Document, "ok");
}

TEST_F(Tls, WithoutTlsSupportHttpsFails) {
    SetSSLImplementation(TSSLImplementation::None);
    auto server = Server(pki_->Localhost);
    bool ok = http.DoRequest("GET", server->Url("/", "https"));
    SetSSLImplementation(TSSLImplementation::OpenSSL);
    EXPECT_FALSE(ok);
    EXPECT_EQ(http.LastError(), WsaSysNotReady);
    EXPECT_EQ(GetNetErrorDesc(http.LastError()), "Network subsystem is unavailable");
    ASSERT_NE(http.Sock.SSL(), nullptr);
    EXPECT_EQ(http.Sock.SSL()->LibName(), "Without SSL support");
    EXPECT_EQ(http.Sock.SSL()->LastErrorDesc(), "SLL is not implemented!");
    EXPECT_THAT(http.LastErrorDesc(), HasSubstr("SLL is not implemented!"));
    // Plain requests keep working.
    TCaptureServer plain;
    http.Clear();
    EXPECT_TRUE(http.DoRequest("GET", plain.Url("/")));
}

TEST_F(Tls, HttpsThroughAProxyTunnel) {
    auto server = Server(pki_->Localhost);
    test::TConnectProxy proxy;
    http.ProxyHost = "127.0.0.1";
    http.ProxyPort = std::to_string(proxy.Port());
    http.ProxyUser = "puser";
    http.ProxyPass = "ppass";
    http.UserName = "user";
    http.Password = "pass";
    ASSERT_TRUE(http.DoRequest("GET", server->Url("/nic/update?a=b", "https", "localhost")))
        << http.LastErrorDesc();
    std::string port = std::to_string(server->Port());
    ASSERT_EQ(proxy.Requests().size(), 1u);
    EXPECT_EQ(proxy.Requests()[0], "CONNECT localhost:" + port +
                                       " HTTP/1.0\r\nProxy-Authorization: Basic cHVzZXI6cHBhc3M=\r\n\r\n");
    // Inside the tunnel: origin-form target, no proxy credentials.
    EXPECT_EQ(server->Requests()[0], "GET /nic/update?a=b HTTP/1.0\r\nHost: localhost:" + port +
                                         "\r\nAuthorization: Basic " + test::UserPassBase64 + "\r\n\r\n");
}

TEST_F(Tls, DefaultPortIsNamedInHost) {
    auto server = Server(pki_->Localhost);
    test::TConnectProxy proxy;
    proxy.RouteAllTo(server->Port());
    http.ProxyHost = "127.0.0.1";
    http.ProxyPort = std::to_string(proxy.Port());
    ASSERT_TRUE(http.DoRequest("GET", "https://localhost/nic/update")) << http.LastErrorDesc();
    EXPECT_EQ(proxy.Requests()[0], "CONNECT localhost:443 HTTP/1.0\r\n\r\n");
    EXPECT_EQ(server->Requests()[0], "GET /nic/update HTTP/1.0\r\nHost: localhost:443\r\n\r\n");
}

TEST_F(Tls, RefusedTunnelFails) {
    test::TConnectProxy proxy;
    proxy.Refuse("HTTP/1.0 407 Proxy Authentication Required");
    http.ProxyHost = "127.0.0.1";
    http.ProxyPort = std::to_string(proxy.Port());
    http.ProxyPass = "ppass";
    EXPECT_FALSE(http.DoRequest("GET", "https://localhost:1/"));
    EXPECT_EQ(http.LastError(), WsaSysNotReady);
    EXPECT_THAT(http.LastErrorDesc(), HasSubstr("407"));
    EXPECT_THAT(http.LastErrorDesc(), Not(HasSubstr("ppass")));
}

// The mail client's way: a line dialogue in the clear, then TLS on the same connection.
TEST_F(Tls, OpenSocketUpgradesToTls) {
    std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)> context(test::MakeServerContext(pki_->Localhost),
                                                              SSL_CTX_free);
    SSL_CTX* ctx = context.get();
    test::TLoopbackServer server([ctx](test::TServerConnection& c) {
        std::string line;
        if (!c.Write("220 ready\r\n") || !c.ReadUntil(line, "\r\n") || line != "STARTTLS\r\n" ||
            !c.Write("220 go ahead\r\n"))
            return;
        SSL* ssl = SSL_new(ctx);
        SSL_set_fd(ssl, c.Fd());
        if (SSL_accept(ssl) == 1) {
            test::TServerConnection secure(c.Fd(), ssl);
            std::string hello;
            if (secure.ReadUntil(hello, "\r\n"))
                secure.Write("250 " + hello);
            secure.Close();
        }
        SSL_free(ssl);
    });
    TTCPBlockSocket sock;
    std::string line;
    ASSERT_TRUE(sock.Connect("127.0.0.1", std::to_string(server.Port())));
    ASSERT_TRUE(sock.RecvString(line, 5000));
    EXPECT_EQ(line, "220 ready");
    ASSERT_TRUE(sock.SendString("STARTTLS\r\n"));
    ASSERT_TRUE(sock.RecvString(line, 5000));
    ASSERT_TRUE(sock.SSLDoConnect("127.0.0.1", 5000)) << sock.LastErrorDesc();
    EXPECT_TRUE(sock.SSLActive());
    ASSERT_TRUE(sock.SendString("EHLO me\r\n"));
    ASSERT_TRUE(sock.RecvString(line, 5000));
    EXPECT_EQ(line, "250 EHLO me");
    EXPECT_FALSE(sock.RecvString(line, 5000));
    EXPECT_TRUE(sock.PeerClosed());
}

} // namespace
} // namespace hostaq
