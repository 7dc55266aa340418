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
using test::TSmtpScript;
using test::TSmtpTestServer;
using TLines = std::vector<std::string>;

constexpr const char* NoAuthEhlo = "250-scripted.test\r\n250-PIPELINING\r\n250 SIZE 1000000";

bool Contains(const TLines& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class SmtpDialogue : public ::testing::Test {
protected:
    test::TMailRunner runner;

    // Sends to server and waits until the server has seen the session end.
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
    const TLines data = server.DataLines();
    const std::size_t size =
        std::accumulate(data.begin(), data.end(), std::size_t{0},
                        [](std::size_t n, const std::string& l) { return n + l.size() + 2; });
    EXPECT_EQ(server.Commands(),
              (TLines{"EHLO client.test", "MAIL FROM:<updater@example.test> SIZE=" + std::to_string(size),
                      "RCPT TO:<admin@example.test>", "DATA", "QUIT"}));
    ASSERT_GE(data.size(), 3u);
    EXPECT_EQ(data[0], "From: Updater <updater@example.test>");
    EXPECT_EQ(TLines(data.end() - 2, data.end()),
              (TLines{"Update process starts", "Hostname: host.example.test"}));
    // Every event on the main thread: one status per stage, the progress, then the end.
    EXPECT_TRUE(out.AllOnMainThread);
    ASSERT_GE(out.Events.size(), 6u);
    EXPECT_EQ(TLines(out.Events.begin(), out.Events.begin() + 4),
              (TLines{"status 1 0 ", "status 2 0 ", "status 3 0 ", "status 4 0 "}));
    EXPECT_EQ(out.Percents.back(), 100);
    EXPECT_EQ(out.Events.back(), "done 0 2.0.0 queued as 42");
}

TEST_F(SmtpDialogue, AuthenticationFollowsTheCapabilities) {
    struct TCase {
        std::string Ehlo;
        std::vector<std::pair<std::string, std::string>> Overrides;
        TLines Expected; // the commands between the greeting names and MAIL FROM
        std::string User;
    };
    const TCase cases[] = {
        {NoAuthEhlo, {}, {}, ""},
        {"250-scripted.test\r\n250 AUTH PLAIN", {}, {}, ""},
        {"502 5.5.1 no EHLO", {}, {}, ""}, // HELO gives no capabilities
        {"250-scripted.test\r\n250-AUTH PLAIN LOGIN\r\n250 8BITMIME",
         {},
         {"AUTH LOGIN", "dXNlcg==", "c2VjcmV0"},
         "user"},
        {"250-scripted.test\r\n250-AUTH=LOGIN CRAM-MD5\r\n250 HELP",
         {},
         {"AUTH CRAM-MD5", "dXNlciA1NThhY2RiN2E3NmJjMmE5MmY4MTA0YmYyMzI2NTZjMg=="},
         "user"},
        {"250-scripted.test\r\n250 AUTH CRAM-MD5 LOGIN",
         {{"AUTH CRAM-MD5", "504 5.5.4 not today"}},
         {"AUTH CRAM-MD5", "AUTH LOGIN", "dXNlcg==", "c2VjcmV0"},
         "user"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Ehlo);
        TSmtpScript script;
        script.EhloReply = c.Ehlo;
        script.Overrides = c.Overrides;
        TSmtpTestServer server(script);
        const TMailOutcome out = Send(server, [](TVemoSmtp& mail) {
            mail.UserName = "user";
            mail.Password = "secret";
        });
        EXPECT_EQ(out.Code, 0);
        TLines commands = server.Commands();
        auto greet =
            std::find_if(commands.begin(), commands.end(), [](const auto& l) { return l[0] == 'H'; });
        auto first = greet != commands.end() ? greet + 1 : commands.begin() + 1;
        auto mailFrom =
            std::find_if(commands.begin(), commands.end(), [](const auto& l) { return l[0] == 'M'; });
        EXPECT_EQ(TLines(first, mailFrom), c.Expected);
        EXPECT_EQ(server.AuthenticatedUser(), c.User);
    }
}

TEST_F(SmtpDialogue, RefusalsEndWithTheServersCodeAndText) {
    struct TCase {
        std::function<void(TSmtpScript&)> Script;
        int Stage;
        int Code;
        std::string Text;
        bool Quit; // refusals after the sender stage still say goodbye
    };
    const TCase cases[] = {
        {[](TSmtpScript& s) { s.Greeting = "554 5.3.2 too busy"; }, 1, 554, "5.3.2 too busy", false},
        // A reply without a number is a failure too, never a success.
        {[](TSmtpScript& s) { s.Greeting = "hello there"; }, 1, 554, "hello there", false},
        {[](TSmtpScript& s) {
             s.EhloReply = "500 5.5.2 what";
             s.HeloReply = "501 5.5.4 go away";
         },
         1, 501, "5.5.4 go away", false},
        // The password never shows in a text, even when the server repeats it.
        {[](TSmtpScript& s) {
             s.Overrides = {{"MAIL FROM:", "530 5.7.0 bad password secret"}};
         },
         2, 530, "5.7.0 bad password ***", false},
        {[](TSmtpScript& s) {
             s.Overrides = {{"RCPT TO:<admin@", "550 5.1.1 <admin@example.test>: rejected"}};
         },
         3, 550, "5.1.1 <admin@example.test>: rejected", true},
        {[](TSmtpScript& s) { s.DataReply = "554 5.5.1 no valid recipients"; }, 4, 554,
         "5.5.1 no valid recipients", true},
        {[](TSmtpScript& s) { s.DataEndReply = "552 5.3.4 Message too big"; }, 4, 552,
         "5.3.4 Message too big", true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Text);
        TSmtpScript script;
        c.Script(script);
        TSmtpTestServer server(script);
        const TMailOutcome out = Send(server, [](TVemoSmtp& mail) {
            mail.Recipients = "admin@example.test, other@example.test";
            mail.Password = "secret";
        });
        const std::string reply = std::to_string(c.Code) + " " + c.Text;
        ASSERT_GE(out.Events.size(), 2u);
        EXPECT_EQ(TLines(out.Events.end() - 2, out.Events.end()),
                  (TLines{"status " + std::to_string(c.Stage) + " " + reply, "done " + reply}));
        const TLines commands = server.Commands();
        EXPECT_EQ(Contains(commands, "QUIT"), c.Quit);
        if (c.Stage <= 3) {
            EXPECT_FALSE(Contains(commands, "RCPT TO:<other@example.test>"))
                << "the first refusal ends the mail";
        }
    }
}

TEST_F(SmtpDialogue, TwoRecipientsGiveTwoRcptCommandsAndOneToLine) {
    TSmtpTestServer server;
    const TMailOutcome out = Send(server, [](TVemoSmtp& mail) {
        mail.Recipients = "a@x.test; Bob <b@y.test>";
        mail.CC = "c@z.test";
        mail.BCC = "hidden@z.test";
    });
    EXPECT_EQ(out.Code, 0);
    const TLines commands = server.Commands();
    ASSERT_GE(commands.size(), 6u);
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
        EXPECT_EQ(line.find("hidden"), std::string::npos) << line;
}

TEST_F(SmtpDialogue, DotsAreStuffedAndProgressRisesToAHundred) {
    TSmtpTestServer server;
    const TMailOutcome out = Send(server, [](TVemoSmtp& mail) {
        mail.Body.assign(500, "a line of the report");
        mail.Body.insert(mail.Body.end(), {".", ".hidden", "a.b", "..", ""});
    });
    EXPECT_EQ(out.Code, 0);
    const TLines data = server.DataLines();
    EXPECT_EQ(TLines(data.end() - 5, data.end()), (TLines{"..", "..hidden", "a.b", "...", ""}));
    EXPECT_TRUE(std::is_sorted(out.Percents.begin(), out.Percents.end()));
    EXPECT_EQ(out.Percents.back(), 100);
    EXPECT_LE(out.Percents.size(), 101u);
}

TEST_F(SmtpDialogue, ImplicitTlsStartsAtOnceAndChecksTheServer) {
    test::TTestPki pki;
    const std::string caFile = ::testing::TempDir() + "/mail-ca.pem";
    std::ofstream(caFile) << pki.CA.CertPem;
    test::TEnvGuard ca("SSL_CERT_FILE", caFile);
    auto tlsTo = [](const TSmtpTestServer& server, bool verify) {
        return [&server, verify](TVemoSmtp& mail) {
            mail.Host = "127.0.0.1:" + std::to_string(server.Port());
            mail.FullSSL = true;
            mail.VerifyCertificate = verify;
        };
    };

    TSmtpScript script;
    script.TlsCert = std::make_shared<test::TTestCert>(pki.Localhost);
    TSmtpTestServer trusted(script);
    TMailOutcome out = runner.Send(tlsTo(trusted, true));
    EXPECT_EQ(out.Code, 0) << out.Text;
    ASSERT_TRUE(trusted.WaitSessions(1, 5000));
    EXPECT_EQ(trusted.Commands().front(), "EHLO client.test");

    // Whatever the port, FullSSL speaks TLS first: a plain server sees a ClientHello, not EHLO.
    TSmtpTestServer plain;
    out = runner.Send(tlsTo(plain, true));
    EXPECT_EQ(out.Code, WsaSysNotReady);
    EXPECT_FALSE(Contains(plain.Commands(), "EHLO client.test"));

    // A certificate nobody vouches for fails with its reason, unless the check is turned off.
    script.TlsCert = std::make_shared<test::TTestCert>(pki.SelfSigned);
    TSmtpTestServer selfSigned(script);
    out = runner.Send(tlsTo(selfSigned, true));
    EXPECT_EQ(out.Code, WsaSysNotReady);
    EXPECT_NE(out.Text.find("certificate"), std::string::npos) << out.Text;
    EXPECT_EQ(runner.Send(tlsTo(selfSigned, false)).Code, 0);
}

TEST_F(SmtpDialogue, MissingHostSenderOrRecipientEndsWith501WithoutConnecting) {
    TSmtpTestServer server;
    const std::string hostPort = server.HostPort();
    const std::vector<std::function<void(TVemoSmtp&)>> cases = {
        [](TVemoSmtp& mail) { mail.Host = ""; },
        [&](TVemoSmtp& mail) { mail.Host = " :" + std::to_string(server.Port()); },
        [&](TVemoSmtp& mail) {
            mail.Host = hostPort;
            mail.From = "";
        },
        [&](TVemoSmtp& mail) {
            mail.Host = hostPort;
            mail.Recipients = " ; , ";
        },
    };
    for (const auto& setup : cases) {
        const TMailOutcome out = runner.Send(setup);
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
    const TMailOutcome out = runner.Send(
        [&](TVemoSmtp& mail) {
            mail.Host = server.HostPort();
            mail.Timeout = 30000;
        },
        [&](TVemoSmtp& mail) {
            // Once the sender stage is reached the main thread gives the mail up.
            cancel = mail.Cancel();
            mail.OnStatus = [&cancel](TVemoSmtp&, int stage, const std::string&, int) {
                if (stage == TVemoSmtp::StageSender)
                    cancel->Abort();
            };
        });
    EXPECT_TRUE(cancel->Aborted());
    EXPECT_FALSE(out.Done) << "no event reaches a main thread that gave the mail up";
}

} // namespace
} // namespace hostaq
