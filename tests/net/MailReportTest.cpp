// The update report mail and the test mail as the program sends them: settings from the
// configuration file (or the dialog), the report text, the log lines and MailSent.
#include "net/MailReport.h"
#include "LoopbackServer.h"
#include "MailRunner.h"
#include "SmtpTestServer.h"
#include "config/Clock.h"
#include "config/ConfigKeys.h"
#include "config/IniFile.h"
#include "config/Scramble.h"
#include "config/Version.h"
#include "net/VemoSmtp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <unistd.h>

namespace hostaq {
namespace {

using test::TSmtpScript;
using test::TSmtpTestServer;
using TLines = std::vector<std::string>;

bool Contains(const TLines& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::string HostName() {
    char name[256] = {};
    ::gethostname(name, sizeof name - 1);
    return name;
}

class MailReport : public ::testing::Test {
protected:
    TManualClock clock{TDateTime::FromParts(2008, 1, 7, 9, 5, 3)};
    TClockGuard clockGuard{&clock};
    test::TMailConfig config;
    test::TLogCapture log;
    test::TMailRunner runner;

    // The [Options] section of a mail to server, with the extra lines given.
    void Configure(const TSmtpTestServer* server, const std::string& extra) {
        std::string text = "[Options]\n";
        if (server)
            text += "SMTPHost=127.0.0.1\nSMTPPort=" + std::to_string(server->Port()) + "\n";
        config.Write(text + extra);
    }

    // Sends the report and waits until it is finished; the code it finished with.
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

    std::string MailSentValue() { return IniReadString(config.Path(), "Options", "MailSent", "missing"); }
};

TEST_F(MailReport, StartAndEndBlocks) {
    Configure(nullptr, "");
    const TDateTime when = Now();
    EXPECT_EQ(
        ReportStartText(when, "5.6.7.8", "1.2.3.4", false),
        "Update process starts on 01/07/2008 at 09:05:03\r\nIP address: 5.6.7.8 > 1.2.3.4 [automatic]\r\n"
        "Update Result(s):\r\n\r\n\r\n");
    EXPECT_EQ(ReportEndText(when),
              "\r\n\r\nUpdate process ends on 01/07/2008 at 09:05:03\r\n\r\n-- \r\n" + BuildUserAgent());
    // Date and time follow the display formats of the settings.
    Configure(nullptr, "DateFormat=yyyy-mm-dd\nTimeFormat=hh:nn\n");
    EXPECT_EQ(ReportStartText(when, "5.6.7.8", "5.6.7.8", true),
              "Update process starts on 2008-01-07 at 09:05\r\nIP address: 5.6.7.8 > 5.6.7.8 [manual]\r\n"
              "Update Result(s):\r\n\r\n\r\n");
}

TEST_F(MailReport, ReportMailUsesTheSettings) {
    TSmtpTestServer server;
    Configure(&server,
              "MailRcpt=a@x.test; b@x.test\nMailFrom=Updater <updater@x.test>\n"
              "MailSubject=  IP %CURRENT_IP% was %UPDATED_IP%  \nSmtpAuth=1\nSMTPUser=user\nSMTPPass=" +
                  ScramblePassword("secret") + "\n");
    const std::string report = ReportStartText(Now(), "5.6.7.8", "1.2.3.4", false) +
                               "Hostname: host.example.test\r\n\r\n" + ReportEndText(Now());
    EXPECT_EQ(SendReport(report), 0);
    ASSERT_TRUE(server.WaitSessions(1, 5000));

    const TLines commands = server.Commands();
    EXPECT_EQ(commands.front(), "EHLO " + HostName());
    EXPECT_EQ(server.AuthenticatedUser(), "user");
    EXPECT_TRUE(Contains(commands, "RCPT TO:<a@x.test>"));
    EXPECT_TRUE(Contains(commands, "RCPT TO:<b@x.test>"));
    const TLines data = server.DataLines();
    EXPECT_TRUE(Contains(data, "From: Updater <updater@x.test>"));
    EXPECT_TRUE(Contains(data, "Subject: [Hostaq Updater] IP 1.2.3.4 was 5.6.7.8"));
    EXPECT_TRUE(Contains(data, "To: a@x.test, b@x.test"));
    EXPECT_TRUE(Contains(data, "X-Mailer: " + BuildUserAgent()));
    EXPECT_TRUE(Contains(data, "Hostname: host.example.test"));
    EXPECT_EQ(data.back(), BuildUserAgent());

    EXPECT_EQ(log.Lines(), (TLines{"3 Update result successfully mailed"}));
    EXPECT_EQ(MailSentValue(), "1");
}

TEST_F(MailReport, DefaultsForSenderAndSubjectAndNoAuthWhenOff) {
    TSmtpTestServer server;
    Configure(&server, "MailRcpt=a@x.test\nSMTPUser=user\nSMTPPass=" + ScramblePassword("secret") + "\n");
    EXPECT_EQ(SendReport("body\r\n"), 0);
    ASSERT_TRUE(server.WaitSessions(1, 5000));
    const TLines data = server.DataLines();
    EXPECT_TRUE(Contains(data, "From: root@localhost"));
    EXPECT_TRUE(Contains(data, "Subject: [Hostaq Updater] Update Result"));
    for (const std::string& command : server.Commands())
        EXPECT_NE(command.rfind("AUTH", 0), 0u) << command;
}

TEST_F(MailReport, FailedMailIsLoggedAndRemembered) {
    TSmtpScript script;
    script.Overrides = {{"RCPT TO:", "550 5.1.1 no such user"}};
    TSmtpTestServer server(script);
    Configure(&server, "MailRcpt=a@x.test\nSmtpAuth=1\nSMTPUser=user\nSMTPPass=" +
                           ScramblePassword("secret") + "\nMailSent=1\n");
    EXPECT_EQ(SendReport("body\r\n"), 550);
    EXPECT_EQ(log.Lines(), (TLines{"0 Error sending email: 550 (5.1.1 no such user)."}));
    EXPECT_EQ(MailSentValue(), "0");
}

TEST_F(MailReport, FailureWithoutServerTextUsesTheErrorTable) {
    const int closedPort = test::FreeLoopbackPort();
    config.Write("[Options]\nSMTPHost=127.0.0.1\nSMTPPort=" + std::to_string(closedPort) +
                 "\nMailRcpt=a@x.test\n");
    EXPECT_EQ(SendReport("body\r\n"), 10061);
    EXPECT_EQ(log.Lines(), (TLines{"0 Error sending email: 10061 (Connection refused)."}));
    EXPECT_EQ(MailSentValue(), "0");
}

TEST_F(MailReport, EmptyServerEndsWith501WithoutConnecting) {
    config.Write("[Options]\nSMTPHost=\nMailRcpt=a@x.test\n");
    EXPECT_EQ(SendReport("body\r\n"), 501);
    EXPECT_EQ(log.Lines(), (TLines{"0 Error sending email: 501 (Syntax error in parameters or arguments)."}));
}

TEST_F(MailReport, PasswordNeverReachesTheLog) {
    TSmtpScript script;
    script.Overrides = {{"MAIL FROM:", "535 5.7.8 password hunter2 is wrong"}};
    TSmtpTestServer server(script);
    Configure(&server,
              "MailRcpt=a@x.test\nSmtpAuth=1\nSMTPUser=user\nSMTPPass=" + ScramblePassword("hunter2") + "\n");
    EXPECT_EQ(SendReport("body\r\n"), 535);
    const TLines lines = log.Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "0 Error sending email: 535 (5.7.8 password *** is wrong).");
}

TEST_F(MailReport, TestMailUsesTheDialogFields) {
    TSmtpTestServer server;
    Configure(nullptr, "SMTPHost=elsewhere.invalid\n");
    TMailSettings s;
    s.Recipients = "a@x.test";
    s.From = "me@x.test";
    s.Subject = "Check %CURRENT_IP% / %UPDATED_IP%";
    s.Host = "127.0.0.1";
    s.Port = std::to_string(server.Port());
    s.Auth = true;
    s.UserName = "user";
    s.Password = "secret";
    s.LocalHost = "desk.example.test";
    int code = -1;
    std::string message;
    SendTestMail(s, "9.9.9.9", [&](int c, const std::string& m) {
        code = c;
        message = m;
    });
    ASSERT_TRUE(runner.Loop.PumpUntil([&] { return code != -1 && LiveWorkers() == 0; }, 20000));
    EXPECT_EQ(code, 0);
    EXPECT_EQ(message, "Test mail was sent successfully.");
    ASSERT_TRUE(server.WaitSessions(1, 5000));
    EXPECT_EQ(server.Commands().front(), "EHLO desk.example.test");
    EXPECT_EQ(server.AuthenticatedUser(), "user");
    const TLines data = server.DataLines();
    EXPECT_TRUE(Contains(data, "Subject: [Hostaq Updater] Check 9.9.9.9 / 9.9.9.9"));
    ASSERT_GE(data.size(), 4u);
    EXPECT_EQ(TLines(data.end() - 4, data.end()),
              (TLines{BuildUserAgent() + " Email Test", "", "-- ", BuildUserAgent()}));
    EXPECT_TRUE(log.Lines().empty()) << "the test mail is not logged";
}

TEST_F(MailReport, FailedTestMailGivesTheErrorText) {
    Configure(nullptr, "");
    TMailSettings s;
    s.Recipients = "a@x.test";
    s.From = "me@x.test";
    s.Host = "127.0.0.1";
    s.Port = std::to_string(test::FreeLoopbackPort());
    int code = -1;
    std::string message;
    SendTestMail(s, "9.9.9.9", [&](int c, const std::string& m) {
        code = c;
        message = m;
    });
    ASSERT_TRUE(runner.Loop.PumpUntil([&] { return code != -1 && LiveWorkers() == 0; }, 20000));
    EXPECT_EQ(code, 10061);
    EXPECT_EQ(message, "Error sending email: 10061 (Connection refused).");
}

TEST_F(MailReport, SettingsValidation) {
    TMailSettings s;
    EXPECT_TRUE(ValidateMailSettings(s, "").Ok()) << "nothing to check without authentication";
    s.Auth = true;
    TMailValidation v = ValidateMailSettings(s, "");
    EXPECT_EQ(v.Field, TMailValidation::UserName);
    EXPECT_EQ(v.Message, "Username is needed.");
    s.UserName = "user";
    v = ValidateMailSettings(s, "");
    EXPECT_EQ(v.Field, TMailValidation::Password);
    EXPECT_EQ(v.Message, "Password is needed.");
    s.Password = "secret";
    v = ValidateMailSettings(s, "");
    EXPECT_EQ(v.Field, TMailValidation::Confirm);
    EXPECT_EQ(v.Message, "Please retype your password.");
    EXPECT_FALSE(v.ClearConfirm);
    v = ValidateMailSettings(s, "secreT");
    EXPECT_EQ(v.Field, TMailValidation::Confirm);
    EXPECT_EQ(v.Message, "The password you entered is different.");
    EXPECT_TRUE(v.ClearConfirm);
    EXPECT_TRUE(ValidateMailSettings(s, "secret").Ok());
}

TEST_F(MailReport, SettingsLoadAndSave) {
    Configure(nullptr, "");
    TMailSettings s = LoadMailSettings();
    EXPECT_EQ(s.From, "root@localhost");
    EXPECT_EQ(s.Subject, "Update Result");
    EXPECT_EQ(s.Port, "25");
    EXPECT_EQ(s.LocalHost, HostName());
    EXPECT_FALSE(s.UseSSL);
    EXPECT_FALSE(s.Auth);

    s.Recipients = "a@x.test";
    s.Host = "smtp.x.test";
    s.UseSSL = true;
    s.Auth = true;
    s.UserName = "user";
    s.Password = "secret";
    ASSERT_TRUE(SaveMailSettings(s));
    const std::string stored = IniReadString(config.Path(), "Options", "SMTPPass", "");
    EXPECT_FALSE(stored.empty());
    EXPECT_EQ(stored.find("secret"), std::string::npos);

    // An empty password field keeps the stored password.
    s.Password.clear();
    s.Host = "smtp2.x.test";
    ASSERT_TRUE(SaveMailSettings(s));
    const TMailSettings back = LoadMailSettings();
    EXPECT_EQ(back.Host, "smtp2.x.test");
    EXPECT_EQ(back.Password, "secret");
    EXPECT_TRUE(back.UseSSL);
    EXPECT_EQ(back.Recipients, "a@x.test");
}

} // namespace
} // namespace hostaq
