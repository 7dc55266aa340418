// The SMTP dialogue of the mail worker against a scripted loopback server: the exact commands,
// the choice of authentication, refusals at every stage, implicit TLS and the events.
#include "LoopbackServer.h"
#include "MailRunner.h"
#include "NetTestSupport.h"
#include "SmtpTestServer.h"
#include "TestCerts.h"
#include "net/NetErrors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <numeric>

namespace hostaq {
namespace {

using test::TMailOutcome;
using test::TMailRunner;
using test::TSmtpScript;
using test::TSmtpTestServer;
using TLines = std::vector<std::string>;

constexpr const char* NoAuthEhlo = "250-scripted.test\r\n250-PIPELINING\r\n250 SIZE 1000000";

bool Contains(const TLines& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

bool AnyStartsWith(const TLines& lines, const std::string& prefix) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
}

std::size_t SizeOf(const TLines& lines) {
    return std::accumulate(lines.begin(), lines.end(), std::size_t{0},
                           [](std::size_t n, const std::string& l) { return n + l.size() + 2; });
}

class SmtpDialogue : public ::testing::Test {
protected:
    TMailRunner runner;

    TMailOutcome Send(TSmtpTestServer& server, const std::function<void(TVemoSmtp&)>& setup = {}) {
        TMailOutcome out = runner.Send([&](TVemoSmtp& mail) {
            mail.Host = server.HostPort();
            if (setup)
                setup(mail);
        });
        EXPECT_TRUE(server.WaitSessions(1, 5000));
        return out;
    }
};

TEST_F(SmtpDialogue, PlainMailRunsTheWholeDialogue) {
    TSmtpScript script;
    script.EhloReply = NoAuthEhlo;
    TSmtpTestServer server(script);
    const TMailOutcome out = Send(server);

    EXPECT_EQ(out.Code, 0);
    EXPECT_EQ(out.Text, "2.0.0 queued as 42");
    const TLines data = server.DataLines();
    EXPECT_EQ(
        server.Commands(),
        (TLines{"EHLO client.test", "MAIL FROM:<updater@example.test> SIZE=" + std::to_string(SizeOf(data)),
                "RCPT TO:<admin@example.test>", "DATA", "QUIT"}));
    ASSERT_FALSE(data.empty());
    EXPECT_EQ(data[0], "From: Updater <updater@example.test>");
    EXPECT_EQ(data[data.size() - 2], "Update process starts");
    EXPECT_EQ(data.back(), "Hostname: host.example.test");
    EXPECT_TRUE(out.AllOnMainThread);
    // One status per stage, then the progress, then the end.
    ASSERT_GE(out.Events.size(), 6u);
    EXPECT_EQ(TLines(out.Events.begin(), out.Events.begin() + 4),
              (TLines{"status 1 0 ", "status 2 0 ", "status 3 0 ", "status 4 0 "}));
    EXPECT_EQ(out.Percents.back(), 100);
    EXPECT_EQ(out.Events.back(), "done 0 2.0.0 queued as 42");
}

TEST_F(SmtpDialogue, RefusedEhloFallsBackToHelo) {
    TSmtpScript script;
    script.EhloReply = "502 5.5.1 EHLO not implemented";
    TSmtpTestServer server(script);
    const TMailOutcome out = Send(server, [](TVemoSmtp& mail) {
        mail.UserName = "user";
        mail.Password = "secret";
    });
    EXPECT_EQ(out.Code, 0);
    // No capabilities after HELO: no authentication and no SIZE.
    EXPECT_EQ(server.Commands(),
              (TLines{"EHLO client.test", "HELO client.test", "MAIL FROM:<updater@example.test>",
                      "RCPT TO:<admin@example.test>", "DATA", "QUIT"}));
}

TEST_F(SmtpDialogue, RefusedHeloEndsWithTheServersReplyAndNoQuit) {
    TSmtpScript script;
    script.EhloReply = "500 5.5.2 what";
    script.HeloReply = "501 5.5.4 go away";
    TSmtpTestServer server(script);
    const TMailOutcome out = Send(server);
    EXPECT_EQ(out.Code, 501);
    EXPECT_EQ(out.Text, "5.5.4 go away");
    EXPECT_EQ(server.Commands(), (TLines{"EHLO client.test", "HELO client.test"}));
    EXPECT_EQ(out.Events, (TLines{"status 1 0 ", "status 1 501 5.5.4 go away", "done 501 5.5.4 go away"}));
}

TEST_F(SmtpDialogue, GreetingOtherThan220EndsAtOnce) {
    TSmtpScript script;
    script.Greeting = "554 5.3.2 too busy";
    TSmtpTestServer server(script);
    const TMailOutcome out = Send(server);
    EXPECT_EQ(out.Code, 554);
    EXPECT_EQ(out.Text, "5.3.2 too busy");
    EXPECT_TRUE(server.Commands().empty());
}

TEST_F(SmtpDialogue, GreetingWithoutACodeIsAFailure) {
    TSmtpScript script;
    script.Greeting = "hello there";
    TSmtpTestServer server(script);
    const TMailOutcome out = Send(server);
    EXPECT_NE(out.Code, 0);
    EXPECT_EQ(out.Text, "hello there");
}

TEST_F(SmtpDialogue, ServerWithoutAuthGetsNoAuthentication) {
    TSmtpScript script;
    script.EhloReply = NoAuthEhlo;
    TSmtpTestServer server(script);
    const TMailOutcome out = Send(server, [](TVemoSmtp& mail) {
        mail.UserName = "user";
        mail.Password = "secret";
    });
    EXPECT_EQ(out.Code, 0);
    EXPECT_FALSE(AnyStartsWith(server.Commands(), "AUTH"));
}

TEST_F(SmtpDialogue, LoginIsChosenOverPlain) {
    TSmtpScript script;
    script.EhloReply = "250-scripted.test\r\n250-AUTH PLAIN LOGIN\r\n250 8BITMIME";
    TSmtpTestServer server(script);
    const TMailOutcome out = Send(server, [](TVemoSmtp& mail) {
        mail.UserName = "user";
        mail.Password = "secret";
    });
    EXPECT_EQ(out.Code, 0);
    const TLines commands = server.Commands();
    ASSERT_GE(commands.size(), 4u);
    // "user" and "secret" in Base64.
    EXPECT_EQ(TLines(commands.begin(), commands.begin() + 4),
              (TLines{"EHLO client.test", "AUTH LOGIN", "dXNlcg==", "c2VjcmV0"}));
    EXPECT_EQ(server.AuthenticatedUser(), "user");
    EXPECT_EQ(commands[4], "MAIL FROM:<updater@example.test>");
}

TEST_F(SmtpDialogue, CramMd5IsChosenFromAnAuthEqualsLine) {
    TSmtpScript script;
    script.EhloReply = "250-scripted.test\r\n250-AUTH=LOGIN CRAM-MD5\r\n250 HELP";
    TSmtpTestServer server(script);
    const TMailOutcome out = Send(server, [](TVemoSmtp& mail) {
        mail.UserName = "user";
        mail.Password = "secret";
    });
    EXPECT_EQ(out.Code, 0);
    const TLines commands = server.Commands();
    ASSERT_GE(commands.size(), 3u);
    EXPECT_EQ(commands[1], "AUTH CRAM-MD5");
    // The server checked the HMAC-MD5 answer itself.
    EXPECT_EQ(server.AuthenticatedUser(), "user");
    EXPECT_FALSE(Contains(commands, "AUTH LOGIN"));
}

TEST_F(SmtpDialogue, RefusedCramMd5FallsBackToLogin) {
    TSmtpScript script;
    script.EhloReply = "250-scripted.test\r\n250 AUTH CRAM-MD5 LOGIN";
    script.Overrides = {{"AUTH CRAM-MD5", "504 5.5.4 not today"}};
    TSmtpTestServer server(script);
    const TMailOutcome out = Send(server, [](TVemoSmtp& mail) {
        mail.UserName = "user";
        mail.Password = "secret";
    });
    EXPECT_EQ(out.Code, 0);
    const TLines commands = server.Commands();
    ASSERT_GE(commands.size(), 3u);
    EXPECT_EQ(commands[1], "AUTH CRAM-MD5");
    EXPECT_EQ(commands[2], "AUTH LOGIN");
    EXPECT_EQ(server.AuthenticatedUser(), "user");
}

TEST_F(SmtpDialogue, PlainOnlyGetsNoAuthentication) {
    TSmtpScript script;
    script.EhloReply = "250-scripted.test\r\n250 AUTH PLAIN";
    TSmtpTestServer server(script);
    Send(server, [](TVemoSmtp& mail) {
        mail.UserName = "user";
        mail.Password = "secret";
    });
    EXPECT_FALSE(AnyStartsWith(server.Commands(), "AUTH"));
}

TEST_F(SmtpDialogue, FailedLoginLeavesTheVerdictToTheServer) {
    TSmtpScript script;
    script.Overrides = {{"MAIL FROM:", "530 5.7.0 Authentication required for secret-pass"}};
    TSmtpTestServer server(script);
    const TMailOutcome out = Send(server, [](TVemoSmtp& mail) {
        mail.UserName = "user";
        mail.Password = "secret-pass";
    });
    const TLines commands = server.Commands();
    EXPECT_TRUE(Contains(commands, "AUTH CRAM-MD5"));
    EXPECT_TRUE(Contains(commands, "AUTH LOGIN"));
    EXPECT_TRUE(server.AuthenticatedUser().empty());
    EXPECT_EQ(out.Code, 530);
    // Refused sender: no QUIT; and the password never shows in a text.
    EXPECT_FALSE(Contains(commands, "QUIT"));
    EXPECT_EQ(out.Text, "5.7.0 Authentication required for ***");
    for (const std::string& event : out.Events)
        EXPECT_EQ(event.find("secret-pass"), std::string::npos) << event;
}

TEST_F(SmtpDialogue, TwoRecipientsGiveTwoRcptCommandsAndOneToLine) {
    TSmtpScript script;
    script.EhloReply = NoAuthEhlo;
    TSmtpTestServer server(script);
    const TMailOutcome out = Send(server, [](TVemoSmtp& mail) {
        mail.Recipients = "a@x.test; Bob <b@y.test>";
        mail.CC = "c@z.test";
        mail.BCC = "hidden@z.test";
    });
    EXPECT_EQ(out.Code, 0);
    const TLines commands = server.Commands();
    EXPECT_EQ(TLines(commands.begin() + 2, commands.begin() + 6),
              (TLines{"RCPT TO:<a@x.test>", "RCPT TO:<b@y.test>", "RCPT TO:<c@z.test>",
                      "RCPT TO:<hidden@z.test>"}));
    const TLines data = server.DataLines();
    EXPECT_EQ(
        std::count_if(data.begin(), data.end(), [](const std::string& l) { return l.rfind("To:", 0) == 0; }),
        1);
    EXPECT_TRUE(Contains(data, "To: a@x.test, Bob <b@y.test>"));
    EXPECT_TRUE(Contains(data, "Cc: c@z.test"));
    for (const std::string& line : data)
        EXPECT_EQ(line.find("hidden@z.test"), std::string::npos) << line;
}

TEST_F(SmtpDialogue, RefusedRecipientEndsWithItsReplyAndQuit) {
    TSmtpScript script;
    script.Overrides = {{"RCPT TO:<bad@", "550 5.1.1 <bad@x.test>: Recipient address rejected"}};
    TSmtpTestServer server(script);
    const TMailOutcome out =
        Send(server, [](TVemoSmtp& mail) { mail.Recipients = "bad@x.test, good@x.test"; });
    EXPECT_EQ(out.Code, 550);
    EXPECT_EQ(out.Text, "5.1.1 <bad@x.test>: Recipient address rejected");
    const TLines commands = server.Commands();
    EXPECT_FALSE(Contains(commands, "RCPT TO:<good@x.test>"));
    EXPECT_FALSE(Contains(commands, "DATA"));
    EXPECT_EQ(commands.back(), "QUIT");
    ASSERT_GE(out.Events.size(), 2u);
    EXPECT_EQ(out.Events[out.Events.size() - 2],
              "status 3 550 5.1.1 <bad@x.test>: Recipient address rejected");
}

TEST_F(SmtpDialogue, RefusedDataEndsWithItsReplyAndQuit) {
    TSmtpScript script;
    script.DataReply = "554 5.5.1 Error: no valid recipients";
    TSmtpTestServer server(script);
    const TMailOutcome out = Send(server);
    EXPECT_EQ(out.Code, 554);
    EXPECT_EQ(out.Text, "5.5.1 Error: no valid recipients");
    EXPECT_TRUE(server.DataLines().empty());
    EXPECT_EQ(server.Commands().back(), "QUIT");
}

TEST_F(SmtpDialogue, RefusedMessageEndsWithTheFinalReplyAndQuit) {
    TSmtpScript script;
    script.DataEndReply = "552 5.3.4 Message too big";
    TSmtpTestServer server(script);
    const TMailOutcome out = Send(server);
    EXPECT_EQ(out.Code, 552);
    EXPECT_EQ(out.Text, "5.3.4 Message too big");
    EXPECT_EQ(server.Commands().back(), "QUIT");
}

TEST_F(SmtpDialogue, LinesStartingWithADotAreStuffed) {
    TSmtpTestServer server;
    const TMailOutcome out = Send(server, [](TVemoSmtp& mail) {
        mail.Body = {".", ".hidden", "a.b", "..", ""};
    });
    EXPECT_EQ(out.Code, 0);
    const TLines data = server.DataLines();
    ASSERT_GE(data.size(), 5u);
    EXPECT_EQ(TLines(data.end() - 5, data.end()), (TLines{"..", "..hidden", "a.b", "...", ""}));
}

TEST_F(SmtpDialogue, ProgressRisesToAHundred) {
    TSmtpTestServer server;
    const TMailOutcome out =
        Send(server, [](TVemoSmtp& mail) { mail.Body.assign(500, "a line of the report"); });
    EXPECT_EQ(out.Code, 0);
    ASSERT_FALSE(out.Percents.empty());
    EXPECT_TRUE(std::is_sorted(out.Percents.begin(), out.Percents.end()));
    EXPECT_EQ(out.Percents.back(), 100);
    EXPECT_LE(out.Percents.size(), 101u);
}

TEST_F(SmtpDialogue, ImplicitTlsStartsAtOnce) {
    test::TTestPki pki;
    const std::string caFile = ::testing::TempDir() + "/mail-ca.pem";
    std::ofstream(caFile) << pki.CA.CertPem;
    test::TEnvGuard ca("SSL_CERT_FILE", caFile);
    TSmtpScript script;
    script.TlsCert = std::make_shared<test::TTestCert>(pki.Localhost);
    TSmtpTestServer server(script);
    const TMailOutcome out = Send(server, [&](TVemoSmtp& mail) {
        mail.Host = "localhost:" + std::to_string(server.Port());
        mail.FullSSL = true;
    });
    EXPECT_EQ(out.Code, 0) << out.Text;
    EXPECT_EQ(server.Commands().front(), "EHLO client.test");
    EXPECT_EQ(server.Commands().back(), "QUIT");
}

TEST_F(SmtpDialogue, SslAgainstAPlainServerStillStartsWithTheHandshake) {
    // Whatever the port, FullSSL speaks TLS first: a plain server sees a ClientHello, not EHLO.
    TSmtpTestServer server;
    const TMailOutcome out = Send(server, [](TVemoSmtp& mail) { mail.FullSSL = true; });
    EXPECT_EQ(out.Code, WsaSysNotReady);
    EXPECT_FALSE(AnyStartsWith(server.Commands(), "EHLO"));
}

TEST_F(SmtpDialogue, UntrustedCertificateFailsWithItsReason) {
    test::TTestPki pki;
    TSmtpScript script;
    script.TlsCert = std::make_shared<test::TTestCert>(pki.SelfSigned);
    TSmtpTestServer server(script);
    // The handshake fails, so the server never starts a session.
    const TMailOutcome out = runner.Send([&](TVemoSmtp& mail) {
        mail.Host = "localhost:" + std::to_string(server.Port());
        mail.FullSSL = true;
    });
    EXPECT_EQ(out.Code, WsaSysNotReady);
    EXPECT_NE(out.Text.find("certificate"), std::string::npos) << out.Text;

    // The read-only switch for a private server turns the check off.
    const TMailOutcome unchecked = runner.Send([&](TVemoSmtp& mail) {
        mail.Host = "localhost:" + std::to_string(server.Port());
        mail.FullSSL = true;
        mail.VerifyCertificate = false;
    });
    EXPECT_EQ(unchecked.Code, 0) << unchecked.Text;
}

TEST_F(SmtpDialogue, MissingHostSenderOrRecipientEndsWith501WithoutConnecting) {
    TSmtpTestServer server;
    const std::string port = std::to_string(server.Port());
    const std::vector<std::function<void(TVemoSmtp&)>> cases = {
        [](TVemoSmtp& mail) { mail.Host = ""; },
        [&](TVemoSmtp& mail) { mail.Host = " :" + port; },
        [&](TVemoSmtp& mail) {
            mail.Host = "127.0.0.1:" + port;
            mail.From = "";
        },
        [&](TVemoSmtp& mail) {
            mail.Host = "127.0.0.1:" + port;
            mail.Recipients = " ; , ";
        },
    };
    for (const auto& setup : cases) {
        const TMailOutcome out = runner.Send(setup);
        EXPECT_EQ(out.Code, 501);
        EXPECT_EQ(out.Text, "Syntax error in parameters or arguments");
        EXPECT_EQ(out.Events, (TLines{"status 0 501 Syntax error in parameters or arguments",
                                      "done 501 Syntax error in parameters or arguments"}));
    }
    EXPECT_EQ(server.Connections(), 0);
}

TEST_F(SmtpDialogue, SocketFailuresGiveTheSocketCodeAndNoText) {
    const int closedPort = test::FreeLoopbackPort();
    TMailOutcome out =
        runner.Send([&](TVemoSmtp& mail) { mail.Host = "127.0.0.1:" + std::to_string(closedPort); });
    EXPECT_EQ(out.Code, WsaEConnRefused);
    EXPECT_EQ(out.Text, "");

    // A server that stops answering runs into the reply time-out.
    TSmtpScript script;
    script.Overrides = {{"MAIL FROM:", ""}};
    TSmtpTestServer server(script);
    out = runner.Send([&](TVemoSmtp& mail) {
        mail.Host = server.HostPort();
        mail.Timeout = 300;
    });
    EXPECT_EQ(out.Code, WsaETimedOut);
    EXPECT_EQ(out.Text, "");
}

TEST_F(SmtpDialogue, AbortEndsTheMailWithoutFurtherEvents) {
    TSmtpScript script;
    script.Overrides = {{"MAIL FROM:", ""}};
    TSmtpTestServer server(script);
    std::shared_ptr<TSmtpCancel> cancel;
    bool aborted = false;
    const TMailOutcome out = runner.Send(
        [&](TVemoSmtp& mail) {
            mail.Host = server.HostPort();
            mail.Timeout = 30000;
        },
        [&](TVemoSmtp& mail) {
            // Once the sender stage is reached the main thread gives up on the mail.
            cancel = mail.Cancel();
            auto record = mail.OnStatus;
            mail.OnStatus = [record, &cancel, &aborted](TVemoSmtp& m, int stage, const std::string& t,
                                                        int c) {
                record(m, stage, t, c);
                if (stage == TVemoSmtp::StageSender && !aborted) {
                    aborted = true;
                    cancel->Abort();
                }
            };
        });
    EXPECT_TRUE(aborted);
    EXPECT_TRUE(cancel->Aborted());
    EXPECT_FALSE(out.Done) << "no event reaches a main thread that gave the mail up";
}

} // namespace
} // namespace hostaq
