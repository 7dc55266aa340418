// The update report mail and the test mail as the program sends them: settings from the
// configuration file (or the dialog), the report text, the log lines and MailSent.
#include "net/MailReport.h"
#include "LoopbackServer.h"
#include "MailRunner.h"
#include "SmtpTestServer.h"
#include "config/Clock.h"
#include "config/IniFile.h"
#include "config/Scramble.h"
#include "config/Version.h"

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

    // [Options] for a mail to port on loopback, with the extra lines given.
    void Configure(int port, const std::string& extra) {
        config.Write("[Options]\nSMTPHost=127.0.0.1\nSMTPPort=" + std::to_string(port) + "\n" + extra);
    }

    // Sends the report and waits until it is finished; the code it finished with.
    int SendReport(const std::string& report) {
        int code = -1;
        SendReportMail(report, "1.2.3.4", "5.6.7.8", [&](int c) { code = c; });
        EXPECT_TRUE(runner.Loop.PumpUntil([&] { return code != -1 && LiveWorkers() == 0; }, 20000));
        return code;
    }

    // Sends the test mail and waits; the code and the message for the dialog.
    std::pair<int, std::string> SendTest(const TMailSettings& settings) {
        std::pair<int, std::string> result{-1, ""};
        SendTestMail(settings, "9.9.9.9", [&](int code, const std::string& message) {
            result = {code, message};
        });
        EXPECT_TRUE(runner.Loop.PumpUntil([&] { return result.first != -1 && LiveWorkers() == 0; }, 20000));
        return result;
    }
};

TEST_F(MailReport, StartAndEndBlocks) {
    const TDateTime when = Now();
    EXPECT_EQ(
        ReportStartText(when, "5.6.7.8", "1.2.3.4", false),
        "Update process starts on 01/07/2008 at 09:05:03\r\nIP address: 5.6.7.8 > 1.2.3.4 [automatic]\r\n"
        "Update Result(s):\r\n\r\n\r\n");
    EXPECT_EQ(ReportEndText(when),
              "\r\n\r\nUpdate process ends on 01/07/2008 at 09:05:03\r\n\r\n-- \r\n" + BuildUserAgent());
    // Date and time follow the display formats of the settings.
    config.Write("[Options]\nDateFormat=yyyy-mm-dd\nTimeFormat=hh:nn\n");
    EXPECT_EQ(ReportStartText(when, "5.6.7.8", "5.6.7.8", true),
              "Update process starts on 2008-01-07 at 09:05\r\nIP address: 5.6.7.8 > 5.6.7.8 [manual]\r\n"
              "Update Result(s):\r\n\r\n\r\n");
}

TEST_F(MailReport, ReportMailUsesTheSettings) {
    TSmtpTestServer server;
    Configure(server.Port(), "MailRcpt=a@x.test; b@x.test\nMailFrom=Updater <updater@x.test>\n"
                             "MailSubject=  IP %CURRENT_IP% was %UPDATED_IP%  \nSmtpAuth=1\nSMTPUser=user\n"
                             "SMTPPass=" +
                                 ScramblePassword("secret") + "\nMailSent=0\n");
    EXPECT_EQ(SendReport("Hostname: host.example.test\r\n\r\n" + ReportEndText(Now())), 0);
    ASSERT_TRUE(server.WaitSessions(1, 5000));

    // The greeting names the machine; the credentials come unscrambled from the file.
    const TLines commands = server.Commands();
    EXPECT_EQ(commands.front(), "EHLO " + HostName());
    EXPECT_EQ(server.AuthenticatedUser(), "user");
    EXPECT_TRUE(Contains(commands, "RCPT TO:<a@x.test>"));
    EXPECT_TRUE(Contains(commands, "RCPT TO:<b@x.test>"));
    const TLines data = server.DataLines();
    for (const std::string& line : {std::string("From: Updater <updater@x.test>"),
                                    std::string("Subject: [Hostaq Updater] IP 1.2.3.4 was 5.6.7.8"),
                                    std::string("To: a@x.test, b@x.test"), "X-Mailer: " + BuildUserAgent(),
                                    std::string("Hostname: host.example.test")})
        EXPECT_TRUE(Contains(data, line)) << line;
    EXPECT_EQ(data.back(), BuildUserAgent());
    EXPECT_EQ(log.Lines(), (TLines{"3 Update result successfully mailed"}));
    EXPECT_EQ(IniReadString(config.Path(), "Options", "MailSent", ""), "1");
}

TEST_F(MailReport, DefaultsForSenderAndSubjectAndNoAuthWhenOff) {
    TSmtpTestServer server;
    Configure(server.Port(),
              "MailRcpt=a@x.test\nSMTPUser=user\nSMTPPass=" + ScramblePassword("secret") + "\n");
    EXPECT_EQ(SendReport("body\r\n"), 0);
    ASSERT_TRUE(server.WaitSessions(1, 5000));
    EXPECT_TRUE(Contains(server.DataLines(), "From: root@localhost"));
    EXPECT_TRUE(Contains(server.DataLines(), "Subject: [Hostaq Updater] Update Result"));
    EXPECT_TRUE(server.AuthenticatedUser().empty());
    EXPECT_FALSE(Contains(server.Commands(), "AUTH CRAM-MD5"));
}

TEST_F(MailReport, FailedMailIsLoggedAndRemembered) {
    TSmtpScript script;
    script.Overrides = {{"RCPT TO:<a@", "550 5.1.1 no such user"},
                        {"RCPT TO:<p@", "550 5.1.1 hunter2 is wrong"}};
    TSmtpTestServer server(script);
    const std::string auth = "SmtpAuth=1\nSMTPUser=user\nSMTPPass=" + ScramblePassword("hunter2") + "\n";
    struct TCase {
        std::string Options;
        int Code;
        std::string Line;
    };
    const TCase cases[] = {
        {"SMTPHost=127.0.0.1\nSMTPPort=" + std::to_string(server.Port()) + "\nMailRcpt=a@x.test\n", 550,
         "0 Error sending email: 550 (5.1.1 no such user)."},
        // The password stays out of the log even when the server repeats it.
        {"SMTPHost=127.0.0.1\nSMTPPort=" + std::to_string(server.Port()) + "\nMailRcpt=p@x.test\n", 550,
         "0 Error sending email: 550 (5.1.1 *** is wrong)."},
        // Without a text from the server the error table speaks.
        {"SMTPHost=127.0.0.1\nSMTPPort=" + std::to_string(test::FreeLoopbackPort()) + "\nMailRcpt=a@x.test\n",
         10061, "0 Error sending email: 10061 (Connection refused)."},
        {"SMTPHost=\nMailRcpt=a@x.test\n", 501,
         "0 Error sending email: 501 (Syntax error in parameters or arguments)."},
    };
    for (const TCase& c : cases) {
        test::TLogCapture lines;
        config.Write("[Options]\nMailSent=1\n" + auth + c.Options);
        EXPECT_EQ(SendReport("body\r\n"), c.Code);
        EXPECT_EQ(lines.Lines(), TLines{c.Line});
        EXPECT_EQ(IniReadString(config.Path(), "Options", "MailSent", ""), "0");
    }
    EXPECT_EQ(server.Connections(), 2);
}

TEST_F(MailReport, TestMailUsesTheDialogFields) {
    TSmtpTestServer server;
    config.Write("[Options]\nSMTPHost=elsewhere.invalid\n");
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
    EXPECT_EQ(SendTest(s), std::make_pair(0, std::string("Test mail was sent successfully.")));
    ASSERT_TRUE(server.WaitSessions(1, 5000));
    EXPECT_EQ(server.Commands().front(), "EHLO desk.example.test");
    EXPECT_EQ(server.AuthenticatedUser(), "user");
    const TLines data = server.DataLines();
    EXPECT_TRUE(Contains(data, "Subject: [Hostaq Updater] Check 9.9.9.9 / 9.9.9.9"));
    EXPECT_EQ(TLines(data.end() - 4, data.end()),
              (TLines{BuildUserAgent() + " Email Test", "", "-- ", BuildUserAgent()}));
    EXPECT_TRUE(log.Lines().empty()) << "the test mail is not logged";

    s.Port = std::to_string(test::FreeLoopbackPort());
    EXPECT_EQ(SendTest(s),
              std::make_pair(10061, std::string("Error sending email: 10061 (Connection refused).")));
}

TEST_F(MailReport, SettingsValidation) {
    TMailSettings s;
    EXPECT_TRUE(ValidateMailSettings(s, "").Ok()) << "nothing to check without authentication";
    s.Auth = true;
    const std::vector<
        std::tuple<std::string, std::string, std::string, TMailValidation::TField, std::string, bool>>
        cases = {
            {"", "", "", TMailValidation::UserName, "Username is needed.", false},
            {"user", "", "", TMailValidation::Password, "Password is needed.", false},
            {"user", "secret", "", TMailValidation::Confirm, "Please retype your password.", false},
            {"user", "secret", "secreT", TMailValidation::Confirm, "The password you entered is different.",
             true},
            {"user", "secret", "secret", TMailValidation::None, "", false},
        };
    for (const auto& [user, password, confirm, field, message, clear] : cases) {
        s.UserName = user;
        s.Password = password;
        const TMailValidation v = ValidateMailSettings(s, confirm);
        EXPECT_EQ(v.Field, field);
        EXPECT_EQ(v.Message, message);
        EXPECT_EQ(v.ClearConfirm, clear);
    }
}

TEST_F(MailReport, SettingsLoadAndSave) {
    TMailSettings s = LoadMailSettings(); // sender and subject defaults: see the report mail
    EXPECT_EQ(s.Port, "25");
    EXPECT_EQ(s.LocalHost, HostName());

    s.Host = "smtp.x.test";
    s.UseSSL = true;
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
}

} // namespace
} // namespace hostaq
