// The parts of the settings windows that go on the network, against loopback servers: Detect My
// IP, the IP detection dialog's Test, the test mail (Debian's aiosmtpd) and Check Now.
#include "AioSmtpServer.h"
#include "CaptureServer.h"
#include "SettingsFixture.h"
#include "config/ConfigKeys.h"
#include "config/IniFile.h"
#include "config/Messages.h"
#include "config/Scramble.h"
#include "config/Version.h"
#include "engine/EventLoop.h"
#include "net/WorkerThread.h"
#include "ui/common/Desktop.h"
#include "ui/loop/QtEventLoop.h"
#include "ui/settings/AutoUpdateDialog.h"
#include "ui/settings/EmailSettingsDialog.h"
#include "ui/settings/IPDetectDialog.h"
#include "ui/settings/SettingsDialog.h"
#include "ui/settings/SettingsMessages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <gmock/gmock.h>

namespace hostaq::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

std::string Page(const std::string& body) {
    return "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\n\r\n" + body;
}

class SettingsNetwork : public SettingsFixture {
protected:
    void SetUp() override {
        SettingsFixture::SetUp();
        InstallMainThreadLoop(&loop);
    }
    void TearDown() override {
        EXPECT_TRUE(ProcessUntil([] { return LiveWorkers() == 0; }));
        InstallMainThreadLoop(nullptr);
        SettingsFixture::TearDown();
    }
    TQtEventLoop loop;
};

TEST_F(SettingsNetwork, DetectMyIPShowsTheAddressAndHoldsTheDialogMeanwhile) {
    // The answer reaches the dialog only when the test lets Qt's loop run, so the running state
    // can be seen first.
    auto page = std::make_unique<TCaptureServer>();
    page->Answer(Page("Current IP Address: 203.0.113.9"));
    WriteFile("[Connection]\nServerIP=" + page->Url("/ip") + "\n");
    THostaqFormSetting dialog;
    auto* result = Child<QLabel>(&dialog, "LabelDetectResult");
    Child<QPushButton>(&dialog, "ButtonDetectIP")->click();
    EXPECT_EQ(result->text(), "Please wait...");
    EXPECT_FALSE(Child<QTabWidget>(&dialog, "PageControl")->isEnabled());
    EXPECT_FALSE(Child<QPushButton>(&dialog, "ButtonOK")->isEnabled());

    dialog.reject();
    EXPECT_THAT(Asked(), ElementsAre(FormatMsg(MsgCheckingAddressBusy, {"Hostaq Updater Wizard", "\n"})));
    EXPECT_EQ(TPrompt::Asked()[0].Kind, TPromptKind::Information);
    EXPECT_FALSE(IniSectionExists(Path(), "SettingForm")) << "not closed";

    ASSERT_TRUE(page->WaitForRequests(1, 10000));
    EXPECT_THAT(page->Requests()[0], HasSubstr("User-Agent: " + BuildUserAgent()));
    ASSERT_TRUE(ProcessUntil([&] { return result->text() != "Please wait..."; }));
    EXPECT_EQ(result->text(), "Your public IP address is 203.0.113.9.");
    EXPECT_TRUE(Child<QTabWidget>(&dialog, "PageControl")->isEnabled());
    EXPECT_TRUE(Child<QPushButton>(&dialog, "ButtonOK")->isEnabled());

    // Compare opens the default check-ip page.
    TDesktop::Opened().clear();
    Child<QPushButton>(&dialog, "ButtonCompare")->click();
    EXPECT_THAT(TDesktop::Opened(), ElementsAre(QUrl("http://checkip.hostaq.example/")));
    dialog.reject();
    EXPECT_TRUE(IniSectionExists(Path(), "SettingForm"));
}

TEST_F(SettingsNetwork, TestOfTheIPDetectionDialogCannotBeLeftWhileItRuns) {
    auto page = std::make_unique<TCaptureServer>();
    page->Answer(Page("192.168.1.1 198.51.100.3"));
    TFormIPDetect dialog(nullptr, {false, "", page->Url("/"), {"192.168.1.1"}}, {});
    Child<QPushButton>(&dialog, "ButtonTest")->click();
    EXPECT_FALSE(Child<QPushButton>(&dialog, "ButtonOK")->isEnabled());
    EXPECT_FALSE(Child<QComboBox>(&dialog, "ComboServerURL")->isEnabled());
    dialog.reject();
    EXPECT_THAT(Asked(), ElementsAre(FormatMsg(MsgCheckingAddressBusy, {"Hostaq Updater Wizard", "\n"})));
    EXPECT_EQ(TPrompt::Asked()[0].Kind, TPromptKind::Error);
    auto* result = Child<QLabel>(&dialog, "LabelTestResult");
    ASSERT_TRUE(ProcessUntil([&] { return !dialog.Testing(); }));
    // The listed local address is passed over.
    EXPECT_EQ(result->text(), "Your public IP address is 198.51.100.3.");
    EXPECT_TRUE(Child<QPushButton>(&dialog, "ButtonOK")->isEnabled());

    // A page without an address.
    TCaptureServer empty;
    empty.Answer(Page("nothing here"));
    Child<QComboBox>(&dialog, "ComboServerURL")->setEditText(QString::fromStdString(empty.Url("/")));
    Child<QPushButton>(&dialog, "ButtonTest")->click();
    ASSERT_TRUE(ProcessUntil([&] { return !dialog.Testing(); }));
    EXPECT_EQ(result->text(), "Cannot detect your public IP address");
}

TEST_F(SettingsNetwork, TestMailArrivesAndAFailureIsShown) {
    if (TAioSmtpServer::FindPython().empty())
        GTEST_SKIP() << "python3-aiosmtpd is not installed (apt-get install python3-aiosmtpd)";
    auto owned = std::make_unique<TAioSmtpServer>(TAioSmtpServer::TOptions{});
    TAioSmtpServer& server = *owned;
    ASSERT_TRUE(server.Running()) << server.Error();
    WriteFile("[IPAddress]\nCurrentIP=203.0.113.4\n");
    TFormEmailSettings dialog;
    Child<QLineEdit>(&dialog, "EditMailRcpt")->setText("admin@example.test");
    Child<QLineEdit>(&dialog, "EditMailFrom")->setText("updater@example.test");
    Child<QLineEdit>(&dialog, "EditMailSubject")->setText("Test from %CURRENT_IP%");
    Child<QComboBox>(&dialog, "ComboSMTPHost")->setEditText("127.0.0.1");
    Child<QLineEdit>(&dialog, "EditSMTPPort")->setText(QString::number(server.Port()));
    Child<QCheckBox>(&dialog, "CheckBoxAuth")->setChecked(true);
    Child<QLineEdit>(&dialog, "EditSMTPUser")->setText("mailer");
    Child<QLineEdit>(&dialog, "EditSMTPPass")->setText("secret");
    auto* test = Child<QPushButton>(&dialog, "ButtonTest");
    test->click();
    EXPECT_FALSE(test->isEnabled());
    ASSERT_TRUE(ProcessUntil([&] { return !dialog.TestRunning(); }, 20000));
    EXPECT_TRUE(test->isEnabled());
    EXPECT_THAT(Asked(), ElementsAre("Test mail was sent successfully."));
    const auto messages = server.Messages();
    ASSERT_EQ(messages.size(), 1u);
    const std::string& mail = messages[0].Message;
    EXPECT_THAT(mail, HasSubstr("Subject: [Hostaq Updater] Test from 203.0.113.4\r\n"));
    EXPECT_THAT(mail,
                HasSubstr("\r\n\r\n" + BuildUserAgent() + " Email Test\r\n\r\n-- \r\n" + BuildUserAgent()));
    EXPECT_FALSE(IniValueExists(Path(), "Options", "SMTPHost")) << "the test uses the fields, not the file";

    // Nobody listens on the port any more.
    const int port = server.Port();
    TPrompt::Reset();
    owned.reset();
    Child<QLineEdit>(&dialog, "EditSMTPPort")->setText(QString::number(port));
    test->click();
    ASSERT_TRUE(ProcessUntil([&] { return !dialog.TestRunning(); }, 20000));
    ASSERT_EQ(TPrompt::Asked().size(), 1u);
    EXPECT_EQ(TPrompt::Asked()[0].Kind, TPromptKind::Error);
    EXPECT_THAT(Asked()[0], ::testing::MatchesRegex("Error sending email: [0-9]+ \\(.+\\)\\."));
}

TEST_F(SettingsNetwork, CheckNowStoresWhatTheVersionPageSays) {
    TCaptureServer page;
    page.Answer(Page("\r\n9.1.2.3\r\n"));
    page.Answer(Page("not a version"));
    WriteFile("[CheckUpdate]\nSoftAutoUpdateURL=" + page.Url("/version.txt") +
              "\nSoftAutoUpdateWeb=http://download.example.test/\nSoftAutoUpdateInt=2\n");
    TFormAutoUpdate dialog;
    EXPECT_EQ(Child<QComboBox>(&dialog, "ComboPeriod")->currentIndex(), 2);
    EXPECT_EQ(Child<QLabel>(&dialog, "LabelThisVersion")->text().toStdString(), VersionText());
    TDesktop::Opened().clear();
    TPrompt::QueueAnswer(TPromptButton::Yes);
    Child<QPushButton>(&dialog, "ButtonCheckNow")->click();
    // The page is read on a worker: the dialog stays live, its button off until the answer.
    EXPECT_TRUE(dialog.Checking());
    EXPECT_FALSE(Child<QPushButton>(&dialog, "ButtonCheckNow")->isEnabled());
    ASSERT_TRUE(ProcessUntil([&] { return !dialog.Checking(); }));
    EXPECT_TRUE(Child<QPushButton>(&dialog, "ButtonCheckNow")->isEnabled());
    EXPECT_THAT(Asked(), ElementsAre(FormatMsg(10410, {"9.1.2 (Build 3)", "Hostaq Updater", "\r\n"})));
    EXPECT_THAT(TDesktop::Opened(), ElementsAre(QUrl("http://download.example.test/")));
    EXPECT_EQ(Child<QLabel>(&dialog, "LabelCurrentVersion")->text(), "9.1.2 (Build 3)");
    EXPECT_EQ(ReadString(Keys::CurrentVersion), "9.1.2 (Build 3)");
    EXPECT_TRUE(ReadStamp(Keys::SoftAutoUpdateLastCheck).has_value());

    Child<QPushButton>(&dialog, "ButtonCheckNow")->click();
    ASSERT_TRUE(ProcessUntil([&] { return !dialog.Checking(); }));
    EXPECT_EQ(ReadString(Keys::CurrentVersion), "Unknown");
    EXPECT_EQ(page.Requests().size(), 2u);

    Child<QComboBox>(&dialog, "ComboPeriod")->setCurrentIndex(3);
    dialog.accept();
    EXPECT_EQ(ReadInteger(Keys::SoftAutoUpdateInt), 3);
}

} // namespace
} // namespace hostaq::test
