// The report mail against a real SMTP server: Debian's aiosmtpd on loopback, with AUTH LOGIN and
// with TLS from the first byte. The test reads what the server stored.
#include "AioSmtpServer.h"
#include "MailRunner.h"
#include "NetTestSupport.h"
#include "TestCerts.h"
#include "config/Clock.h"
#include "config/Scramble.h"
#include "config/Version.h"
#include "net/MailReport.h"

#include <gtest/gtest.h>

#include <fstream>

namespace hostaq {
namespace {

using test::TAioSmtpServer;

class MailServer : public ::testing::Test {
protected:
    void SetUp() override {
        if (TAioSmtpServer::FindPython().empty())
            GTEST_SKIP() << "python3-aiosmtpd is not installed (apt-get install python3-aiosmtpd)";
    }

    TManualClock clock{TDateTime::FromParts(2008, 1, 7, 9, 5, 3)};
    TClockGuard clockGuard{&clock};
    test::TMailConfig config;
    test::TLogCapture log;
    test::TMailRunner runner;

    int SendReport(const std::string& report) {
        int code = -1;
        bool finished = false;
        SendReportMail(report, "1.2.3.4", "5.6.7.8", [&](int c) {
            code = c;
            finished = true;
        });
        EXPECT_TRUE(runner.Loop.PumpUntil([&] { return finished && LiveWorkers() == 0; }, 20000));
        return code;
    }

    std::string Report() {
        return ReportStartText(Now(), "5.6.7.8", "1.2.3.4", false) +
               "Hostname: host.example.test\r\nService provider: Dyn\xC3\xA9\r\nReturn string: good "
               "5.6.7.8\r\n"
               "\r\n.\r\n" +
               ReportEndText(Now());
    }
};

TEST_F(MailServer, ReportMailWithAuthLogin) {
    TAioSmtpServer server({});
    ASSERT_TRUE(server.Running()) << server.Error();
    config.Write("[Options]\nSMTPHost=127.0.0.1\nSMTPPort=" + std::to_string(server.Port()) +
                 "\nMailRcpt=a@x.test; Second <b@y.test>\nMailFrom=Updater <updater@x.test>\n"
                 "SmtpAuth=1\nSMTPUser=mailer\nSMTPPass=" +
                 ScramblePassword("secret") + "\n");
    ASSERT_EQ(SendReport(Report()), 0) << ::testing::PrintToString(log.Lines());

    const auto messages = server.Messages();
    ASSERT_EQ(messages.size(), 1u);
    const std::string& envelope = messages[0].Envelope;
    EXPECT_NE(envelope.find("\"mail_from\": \"updater@x.test\""), std::string::npos) << envelope;
    EXPECT_NE(envelope.find("\"rcpt_tos\": [\"a@x.test\", \"b@y.test\"]"), std::string::npos) << envelope;
    EXPECT_NE(envelope.find("\"login\": \"mailer\""), std::string::npos) << envelope;
    EXPECT_NE(envelope.find("\"mechanism\": \"LOGIN\""), std::string::npos) << envelope;
    EXPECT_NE(envelope.find("\"tls\": false"), std::string::npos) << envelope;

    const std::string& mail = messages[0].Message;
    EXPECT_NE(mail.find("From: Updater <updater@x.test>\r\n"), std::string::npos);
    EXPECT_NE(mail.find("Subject: [Hostaq Updater] Update Result\r\n"), std::string::npos);
    EXPECT_NE(mail.find("To: a@x.test, Second <b@y.test>\r\n"), std::string::npos);
    EXPECT_NE(mail.find("X-Mailer: " + BuildUserAgent() + "\r\n"), std::string::npos);
    EXPECT_NE(mail.find("Content-type: text/plain; charset=UTF-8\r\n"), std::string::npos);
    EXPECT_NE(mail.find("Content-Transfer-Encoding: quoted-printable\r\n"), std::string::npos);
    // The body as it arrived: quoted-printable, the lone "." restored by the server.
    EXPECT_NE(mail.find("\r\n\r\nUpdate process starts on 01/07/2008 at 09:05:03\r\n"), std::string::npos);
    EXPECT_NE(mail.find("Service provider: Dyn=C3=A9\r\n"), std::string::npos);
    EXPECT_NE(mail.find("\r\n.\r\n"), std::string::npos);
    // The signature's trailing blank is encoded, as quoted-printable wants.
    EXPECT_NE(mail.find("--=20\r\n" + BuildUserAgent()), std::string::npos);
    EXPECT_EQ(mail.find("secret"), std::string::npos);
}

TEST_F(MailServer, ReportMailOverImplicitTls) {
    test::TTestPki pki;
    const std::string caFile = ::testing::TempDir() + "/mail-server-ca.pem";
    std::ofstream(caFile) << pki.CA.CertPem;
    test::TEnvGuard ca("SSL_CERT_FILE", caFile);
    TAioSmtpServer::TOptions options;
    options.TlsCert = std::make_shared<test::TTestCert>(pki.Localhost);
    TAioSmtpServer server(options);
    ASSERT_TRUE(server.Running()) << server.Error();
    config.Write("[Options]\nSMTPHost=127.0.0.1\nSMTPPort=" + std::to_string(server.Port()) +
                 "\nSmtpUseSSL=1\nMailRcpt=a@x.test\nSmtpAuth=1\nSMTPUser=mailer\nSMTPPass=" +
                 ScramblePassword("secret") + "\nMailSubject=Address %CURRENT_IP%\n");
    ASSERT_EQ(SendReport(Report()), 0) << ::testing::PrintToString(log.Lines());

    const auto messages = server.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].Envelope.find("\"tls\": true"), std::string::npos) << messages[0].Envelope;
    EXPECT_NE(messages[0].Envelope.find("\"login\": \"mailer\""), std::string::npos);
    EXPECT_NE(messages[0].Message.find("Subject: [Hostaq Updater] Address 1.2.3.4\r\n"), std::string::npos);
}

} // namespace
} // namespace hostaq
