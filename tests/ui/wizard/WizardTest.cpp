#include "../editor/UiConfigFixture.h"

#include "EnvGuard.h"
#include "FakePppd.h"
#include "config/ConfigPath.h"
#include "config/Messages.h"
#include "config/Scramble.h"
#include "ipdetect/HostNetwork.h"
#include "ui/common/IPAddressDialog.h"
#include "ui/common/ModalDialog.h"
#include "ui/editor/HostListPanel.h"
#include "ui/wizard/FormWizard.h"
#include "ui/wizard/WizardSteps.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <filesystem>

namespace hostaq::test {
namespace {

using TKeys = std::vector<std::pair<std::string, std::string>>;

class WizardTest : public TUiConfigTest {
protected:
    // A machine on a private network without a desktop proxy.
    TFixedHostNetwork Network{{{"192.168.1.10", "255.255.255.0"}}, {"192.168.1.1"}};
    THostNetworkGuard NetworkGuard{&Network};
    TEnvGuard NoProxy1{"http_proxy", std::nullopt};
    TEnvGuard NoProxy2{"HTTP_PROXY", std::nullopt};

    static void Fill(TFormWizard& w, const char* name, const QString& text) {
        auto* edit = Find<QLineEdit>(w, name);
        edit->setText(text);
        emit edit->textEdited(text);
    }
    static void Click(TFormWizard& w, const char* name) { Find<QAbstractButton>(w, name)->click(); }

    // Next until the wizard stands on the step, expecting each step on the way.
    static void Walk(TFormWizard& w, std::initializer_list<int> steps) {
        for (int step : steps) {
            w.Next();
            ASSERT_EQ(w.CurrentStep(), step) << "expected step " << step;
        }
    }

    // Welcome to the Login page on a local network without a proxy, group name home.
    void ToLogin(TFormWizard& w, const char* group = "home") {
        Walk(w, {StepConnection, StepPublicAddress});
        w.Next();
        Fill(w, "EditAccountName", group);
        Walk(w, {StepLogin});
    }
    void EnterLogin(TFormWizard& w, const char* user, const char* password) {
        Fill(w, "EditUsername", user);
        Fill(w, "EditPassword", password);
        Fill(w, "EditConfirm", password);
    }
    static void AnswerHosts(TFormWizard& w, std::vector<std::pair<QString, int>> answers) {
        auto queue = std::make_shared<std::vector<std::pair<QString, int>>>(std::move(answers));
        w.findChild<THostListPanel*>()->HostPrompt = [queue](QWidget*, QString& host, int& system) {
            if (queue->empty())
                return false;
            std::tie(host, system) = queue->front();
            queue->erase(queue->begin());
            return true;
        };
    }
};

// Only checked hosts of a known system are saved: Next on the Hostnames page and Finish refuse a
// list without one, as the editor does.
TEST(WizardFlowTest, HostnamesNeedACheckedHostOfAKnownSystem) {
    struct TCase {
        std::vector<THostRow> Hosts;
        bool Refused;
    };
    for (const TCase& c : std::vector<TCase>{
             {{}, true},
             {{{"a.example", "otherdns", {}, true}}, true},
             {{{"a.example", "hostaq", {}, false}}, true},
             {{{"a.example", "otherdns", {}, true}, {"b.example", "custom", {}, true}}, false}}) {
        TWizardValues v;
        v.Hosts = c.Hosts;
        for (int step : {StepHostnames, StepFinish}) {
            const auto problem = CheckWizardStep(step, "/nonexistent/hostaq.ini", v);
            EXPECT_EQ(problem.has_value(), c.Refused) << step;
            EXPECT_EQ(problem.value_or(TWizardProblem{}).Message,
                      c.Refused ? FormatMsg(10103, {"Hostaq Updater"}) : std::string());
        }
    }
}

TEST(WizardFlowTest, BackFollowsTheConnectionType) {
    TWizardValues lan, proxy, dial;
    proxy.UseProxy = true;
    dial.DialUp = true;
    EXPECT_EQ(BackStep(StepConnection, lan), StepWelcome);
    EXPECT_EQ(BackStep(StepFinish, lan), StepStartOptions);
    EXPECT_EQ(BackStep(StepProxy, proxy), StepConnection);
    EXPECT_EQ(BackStep(StepDialer, dial), StepConnection);
    EXPECT_EQ(BackStep(StepPublicAddress, lan), StepConnection);
    EXPECT_EQ(BackStep(StepPublicAddress, proxy), StepProxy);
    EXPECT_EQ(BackStep(StepPublicAddress, dial), StepDialer);
    EXPECT_EQ(BackStep(StepPrivateAddresses, lan), StepPublicAddress);
    EXPECT_EQ(BackStep(StepGroupName, proxy), StepPublicAddress);
    EXPECT_EQ(BackStep(StepGroupName, dial), StepDialer);
    EXPECT_EQ(BackStep(StepHostnames, dial), StepHostnameEntry);
    EXPECT_EQ(NextStep(StepConnection, proxy), StepProxy);
    EXPECT_EQ(NextStep(StepPrivateAddresses, lan), StepGroupName);
}

TEST(WizardFlowTest, ProxyAndDialerChecksRunInTheirOrder) {
    TWizardValues v;
    auto message = [&](int step) {
        auto p = CheckWizardStep(step, "/nonexistent/hostaq.ini", v);
        return p ? p->Message : std::string();
    };
    v.ProxyPort = "";
    EXPECT_EQ(message(StepProxy), FormatMsg(10090, {"\r"}));
    v.ProxyHost = "proxy.lan";
    EXPECT_EQ(message(StepProxy), FormatMsg(10091, {"\r"}));
    for (const char* port : {"70000", "65536", "-1", "80x"}) {
        v.ProxyPort = port;
        EXPECT_EQ(message(StepProxy), FormatMsg(10503, {"\r"})) << port;
    }
    for (const char* port : {"0", "65535", " 3128 "}) {
        v.ProxyPort = port;
        EXPECT_EQ(message(StepProxy), "") << port;
    }
    v.ProxyPort = "3128";
    v.ProxyPassword = "a";
    EXPECT_EQ(message(StepProxy), Msg(10093));
    EXPECT_TRUE(CheckWizardStep(StepProxy, "", v)->ClearField);
    v.ProxyConfirm = "a";
    EXPECT_EQ(message(StepProxy), "");

    EXPECT_EQ(message(StepDialer), FormatMsg(10094, {"\r"}));
    v.DialAccount = "isp";
    EXPECT_EQ(message(StepDialer), FormatMsg(10095, {"\r"}));
    v.DialUser = "u";
    EXPECT_EQ(message(StepDialer), FormatMsg(10096, {"\r"}));
    v.DialPassword = "p";
    EXPECT_EQ(message(StepDialer), Msg(10097));
    v.NeedDial = false;
    EXPECT_EQ(message(StepDialer), "");
}

TEST_F(WizardTest, DialUpGoesFromDialerToGroupNameAndNeverShowsTheAddressPages) {
    SetHostaqEdition(false);
    TFixedHostNetwork publicOnly{{{"93.184.216.34", "255.255.255.0"}}};
    THostNetworkGuard guard(&publicOnly);
    TFormWizard w;
    EXPECT_EQ(w.windowTitle(), "Hostaq Updater Wizard");
    EXPECT_EQ(w.CurrentStep(), StepWelcome);
    EXPECT_FALSE(Find<QPushButton>(w, "ButtonBack")->isEnabled());
    Walk(w, {StepConnection});
    EXPECT_TRUE(Find<QRadioButton>(w, "RadioButtonDialUp")->isChecked()); // no private address here
    Walk(w, {StepDialer});
    w.Next(); // dialling is on and no entry is chosen
    EXPECT_EQ(w.CurrentStep(), StepDialer);
    EXPECT_EQ(TPrompt::Asked().back().Text.toStdString(), FormatMsg(10094, {"\r"}));
    Find<QCheckBox>(w, "CheckBoxNeedDial")->setChecked(false);
    Walk(w, {StepGroupName});
    w.Back();
    EXPECT_EQ(w.CurrentStep(), StepDialer);
    w.Back();
    EXPECT_EQ(w.CurrentStep(), StepConnection);
    w.Back();
    EXPECT_EQ(w.CurrentStep(), StepWelcome);
}

TEST_F(WizardTest, ANameOfAnExistingSectionIsRefused) {
    IniWriteString(Path, "home", "UserID", "x");
    IniWriteString(Path, "work (custom)", "UserID", "x");
    TFormWizard w;
    Walk(w, {StepConnection});
    EXPECT_TRUE(Find<QRadioButton>(w, "RadioButtonLAN")->isChecked());
    Walk(w, {StepPublicAddress, StepGroupName});
    w.Next();
    EXPECT_EQ(TPrompt::Asked().back().Text.toStdString(), FormatMsg(10098, {"Hostaq Updater", "\r"}));
    for (const char* name : {"home", "HOME", "work"}) {
        Fill(w, "EditAccountName", name);
        w.Next();
        EXPECT_EQ(w.CurrentStep(), StepGroupName);
        EXPECT_EQ(TPrompt::Asked().back().Kind, TPromptKind::Error);
        EXPECT_EQ(TPrompt::Asked().back().Text.toStdString(), FormatMsg(10122, {name}));
    }
    Fill(w, "EditAccountName", "Options");
    w.Next();
    EXPECT_EQ(w.CurrentStep(), StepGroupName);
    Fill(w, "EditAccountName", "office");
    Walk(w, {StepLogin});
    w.Next();
    EXPECT_EQ(TPrompt::Asked().back().Text.toStdString(), FormatMsg(10099, {"\r"}));
    Fill(w, "EditUsername", "joe");
    Fill(w, "EditPassword", "a");
    Fill(w, "EditConfirm", "b");
    w.Next();
    EXPECT_EQ(TPrompt::Asked().back().Text.toStdString(), Msg(10102));
    EXPECT_EQ(Find<QLineEdit>(w, "EditConfirm")->text(), "");
}

TEST_F(WizardTest, AWrongPasswordShowsTheMessageAndGoesOnToManualEntry) {
    StartAccountServer("hostaq:a.example\n");
    TFormWizard w;
    ToLogin(w);
    EnterLogin(w, "joe", "wrong");
    Walk(w, {StepHostnameEntry});
    w.Next();
    EXPECT_TRUE(w.Downloading());
    EXPECT_EQ(w.CurrentStep(), StepHostnameEntry);
    // Neither Cancel nor another Next act while the download runs.
    w.reject();
    EXPECT_EQ(TPrompt::Asked().back().Text.toStdString(),
              FormatMsg(10389, {"Hostaq Updater Wizard", "\r\n"}));
    w.Next();
    ASSERT_TRUE(ProcessUntil([&] { return !w.Downloading(); }));
    EXPECT_EQ(TPrompt::Asked().back().Text.toStdString(), Msg(10416));
    EXPECT_EQ(w.CurrentStep(), StepHostnames);
    EXPECT_EQ(w.HeaderText(), "Please enter your hostname.");
    EXPECT_FALSE(w.Downloaded());
    w.Next(); // no hostname
    EXPECT_EQ(TPrompt::Asked().back().Text.toStdString(), FormatMsg(10103, {"Hostaq Updater"}));
    EXPECT_EQ(w.CurrentStep(), StepHostnames);
}

// On dial-up the hostname download dials first: the list comes once the line is up; a dial that
// fails says why and leads to manual entry.
TEST_F(WizardTest, OnDialUpTheDownloadDialsFirst) {
    TFixedHostNetwork publicOnly{{{"93.184.216.34", "255.255.255.0"}}};
    THostNetworkGuard guard(&publicOnly);
    StartAccountServer("hostaq:a.example\n");
    for (const bool lineComesUp : {true, false}) {
        SCOPED_TRACE(lineComesUp ? "dial succeeds" : "dial fails");
        TPrompt::Reset();
        TFakePppd pppd;
        pppd.Behave("work", lineComesUp ? "ok 203.0.113.50 203.0.113.1" : "fail 19");
        TFormWizard w;
        w.PppSystem = pppd.System();
        Walk(w, {StepConnection});
        Click(w, "RadioButtonDialUp");
        Walk(w, {StepDialer});
        Find<QComboBox>(w, "ComboBoxDialAccount")->setEditText("work");
        Fill(w, "EditDialUserName", "isp");
        Fill(w, "EditDialPassword", "pw");
        Fill(w, "EditDialConfirm", "pw");
        Walk(w, {StepGroupName});
        Fill(w, "EditAccountName", "home");
        Walk(w, {StepLogin});
        EnterLogin(w, "joe", "secret");
        Walk(w, {StepHostnameEntry});
        w.Next();
        EXPECT_TRUE(w.Downloading());
        ASSERT_TRUE(ProcessUntil([&] { return !w.Downloading(); }));
        EXPECT_EQ(pppd.Calls().size(), 1u);
        EXPECT_EQ(w.CurrentStep(), StepHostnames);
        EXPECT_EQ(w.Downloaded(), lineComesUp);
        if (lineComesUp) {
            EXPECT_EQ(w.Values().Hosts.size(), 1u);
        } else {
            ASSERT_FALSE(TPrompt::Asked().empty());
            EXPECT_NE(TPrompt::Asked().back().Text.indexOf("dialing work failed"), -1);
            EXPECT_EQ(w.HeaderText(), "Please enter your hostname.");
        }
    }
}

TEST_F(WizardTest, DownloadedHostnamesComeUncheckedAndAreSavedBySystem) {
    StartAccountServer("hostaq:a.example\nstatdns:b.example\ncustom:c.example\n");
    TFormWizard w;
    w.AutostartFolder = Dir.File("autostart");
    ToLogin(w);
    EnterLogin(w, "joe", "secret");
    Walk(w, {StepHostnameEntry});
    w.Next();
    ASSERT_TRUE(ProcessUntil([&] { return !w.Downloading(); }));
    ASSERT_EQ(w.CurrentStep(), StepHostnames);
    EXPECT_TRUE(w.Downloaded());
    EXPECT_EQ(w.HeaderText().toStdString(), FormatMsg(10061, {"Hostaq Updater"}));
    std::vector<THostRow> rows = w.Values().Hosts;
    ASSERT_EQ(rows.size(), 3u);
    for (const THostRow& r : rows)
        EXPECT_FALSE(r.Checked);
    EXPECT_EQ(rows[1].System, "statdns");
    // Back and Next again does not download a second time.
    w.Back();
    Walk(w, {StepHostnames});
    EXPECT_EQ(Provider->Requests().size(), 1u);
    w.findChild<THostListPanel*>()->SetAllChecked(true);
    Walk(w, {StepAutoUpdate, StepStartOptions, StepFinish});
    EXPECT_EQ(Find<QPushButton>(w, "ButtonNext")->text(), "&Finish");
    w.Next();
    ASSERT_EQ(w.result(), QDialog::Accepted);
    EXPECT_EQ(IniReadString(Path, "home", "Host1", ""), "a.example");
    EXPECT_EQ(IniReadString(Path, "home (statdns)", "Host1", ""), "b.example");
    EXPECT_EQ(IniReadString(Path, "home (custom)", "Host1", ""), "c.example");
}

TEST_F(WizardTest, FinishWritesTheSettingsAndGroupsInTheirOrder) {
    TFormWizard w;
    w.AutostartFolder = Dir.File("autostart");
    ToLogin(w);
    EnterLogin(w, "joe", "secret");
    Walk(w, {StepHostnameEntry});
    Click(w, "RadioButtonManual");
    Walk(w, {StepHostnames});
    AnswerHosts(w, {{"a.example", SystemHostaq}, {"c.example", SystemCustom}});
    Click(w, "ButtonAccFormAdd");
    Click(w, "ButtonAccFormAdd");
    Walk(w, {StepAutoUpdate, StepStartOptions});
    Click(w, "CheckBoxStartWithWindows");
    Walk(w, {StepFinish});
    w.Back();
    EXPECT_EQ(w.CurrentStep(), StepStartOptions);
    Walk(w, {StepFinish});
    EXPECT_FALSE(std::filesystem::exists(Path)); // nothing before Finish
    const std::size_t localEntries = w.Values().LocalList.size();
    ASSERT_GE(localEntries, 2u);
    w.Next();
    ASSERT_EQ(w.result(), QDialog::Accepted);

    TKeys expected{
        {"Connection", "DirectConnect"}, {"Connection", "UseProxy"},   {"Connection", "ServerPort"},
        {"Connection", "ServerIP"},      {"Connection", "ProxyHost"},  {"Connection", "ProxyPort"},
        {"Connection", "ProxyUserName"}, {"IPAddress", "SetIPManual"}, {"IPAddress", "ManualIP"}};
    for (std::size_t i = 0; i < localEntries; ++i)
        expected.emplace_back("LocalIP", "IP" + std::to_string(i));
    for (const char* key : {"NeedDial", "DialAccount", "DialUserName"})
        expected.emplace_back("Dialer", key);
    for (const char* group : {"home", "home (custom)"})
        for (const char* key : {"NewConfig", "Type", "UserID", "Provider", "Profile", "Password",
                                "NumOfHosts", "Host1", "Wildcard", "MailEx", "BackupMX", "Enable", "Secure"})
            expected.emplace_back(group, key);
    expected.emplace_back("Options", "AutoCheck");
    expected.emplace_back("Options", "AutoStart");
    EXPECT_EQ(FileKeys(), expected);

    EXPECT_EQ(IniReadString(Path, "Connection", "DirectConnect", ""), "0");
    EXPECT_EQ(IniReadString(Path, "Connection", "ServerIP", ""), "http://checkip.hostaq.example/");
    EXPECT_EQ(IniReadString(Path, "Connection", "ProxyPort", ""), "80");
    EXPECT_EQ(UnscramblePassword(IniReadString(Path, "home", "Password", "")), "secret");
    EXPECT_EQ(IniReadString(Path, "home (custom)", "Type", ""), "2");
    EXPECT_EQ(IniReadString(Path, "Options", "AutoStart", ""), "1");
    EXPECT_TRUE(std::filesystem::exists(Dir.File("autostart/hostaq.desktop")));
}

TEST_F(WizardTest, CancelAsksAndWritesNothing) {
    TFormWizard w;
    int rejected = 0;
    QObject::connect(&w, &QDialog::rejected, [&] { ++rejected; });
    ToLogin(w);
    TPrompt::QueueAnswer(TPromptButton::No);
    w.reject();
    EXPECT_EQ(TPrompt::Asked().back().Text.toStdString(), FormatMsg(10080, {"Hostaq Updater Wizard"}));
    EXPECT_EQ(rejected, 0);
    TPrompt::QueueAnswer(TPromptButton::Yes);
    w.reject();
    EXPECT_EQ(rejected, 1);
    EXPECT_FALSE(std::filesystem::exists(Path));
}

TEST_F(WizardTest, DetectMyIpReadsTheCheckPageAndRefusesClosingMeanwhile) {
    TProviderServer page;
    page.SetBody("<html>Current IP Address: 93.184.216.34</html>\r\n");
    TFormWizard w;
    w.CheckIpPage = "http://" + page.HostPort() + "/";
    Walk(w, {StepConnection, StepPublicAddress});
    Click(w, "ButtonDetectIP");
    EXPECT_TRUE(w.Checking());
    EXPECT_EQ(Find<QLabel>(w, "LabelIPResult")->text(), "Please wait...");
    w.reject();
    EXPECT_EQ(TPrompt::Asked().back().Text.toStdString(),
              FormatMsg(10388, {"Hostaq Updater Wizard", "\r\n"}));
    ASSERT_TRUE(ProcessUntil([&] { return !w.Checking(); }));
    EXPECT_EQ(Find<QLabel>(w, "LabelIPResult")->text(), "Your public IP address is 93.184.216.34.");

    // Configure leads to the private addresses; Next from there to the group name.
    Click(w, "ButtonConfigure");
    EXPECT_EQ(w.CurrentStep(), StepPrivateAddresses);
    page.SetBody("nothing here\r\n");
    Click(w, "ButtonTestIP");
    ASSERT_TRUE(ProcessUntil([&] { return !w.Checking(); }));
    EXPECT_EQ(Find<QLabel>(w, "LabelTestResult")->text(), "Cannot detect your public IP address");
    Click(w, "ButtonCompare");
    ASSERT_EQ(TDesktop::Opened().size(), 1);
    EXPECT_EQ(TDesktop::Opened()[0].toString(), "http://checkip.hostaq.example/");
    Walk(w, {StepGroupName});
}

// Add uses the settings dialog's address dialog, which refuses what is not an address.
TEST_F(WizardTest, PrivateAddressesAreEnteredInTheAddressDialog) {
    TFormWizard w;
    const std::size_t before = w.Values().LocalList.size();
    struct TCase {
        const char* From;
        const char* To;
        const char* Added; // nothing for a refused entry
    };
    for (const TCase& c : std::vector<TCase>{{"1.2", "", nullptr},
                                             {"999.1.1.1", "", nullptr},
                                             {"0.0.0.0", "", nullptr},
                                             {"10.0.0.1", "0.0.0.0", "10.0.0.1"},
                                             {"10.1.0.1", "10.1.0.9", "10.1.0.1-10.1.0.9"}}) {
        SCOPED_TRACE(c.From);
        QString opened;
        const TModalHandler previous = SetModalHandler([&](QDialog& d) {
            opened = d.objectName();
            auto& a = static_cast<TIPAddressDialog&>(d);
            a.EditFrom()->setText(QString::fromLatin1(c.From));
            a.EditTo()->setText(QString::fromLatin1(c.To));
            a.accept();
            return d.result();
        });
        const std::size_t count = w.Values().LocalList.size();
        Click(w, "ButtonAddIP");
        SetModalHandler(previous);
        EXPECT_EQ(opened, "TIPAddressDialog");
        if (c.Added) {
            ASSERT_EQ(w.Values().LocalList.size(), count + 1);
            EXPECT_EQ(w.Values().LocalList.back(), c.Added);
        } else {
            EXPECT_EQ(w.Values().LocalList.size(), count);
        }
    }
    EXPECT_EQ(w.Values().LocalList.size(), before + 2);
}

TEST_F(WizardTest, PrivateAddressesAddOnceAndRemove) {
    TFormWizard w;
    auto* page = w.findChild<TWizardStepPrivateAddresses*>();
    ASSERT_NE(page, nullptr);
    page->AskEntry = [](QWidget*) { return QStringLiteral("10.0.0.1-10.0.0.9"); };
    const std::size_t before = w.Values().LocalList.size();
    Click(w, "ButtonAddIP");
    Click(w, "ButtonAddIP");
    EXPECT_EQ(w.Values().LocalList.size(), before + 1);
    EXPECT_EQ(w.Values().LocalList.back(), "10.0.0.1-10.0.0.9");
    auto* list = Find<QListWidget>(w, "ListBoxLocalIP");
    list->item(list->count() - 1)->setSelected(true);
    Click(w, "ButtonRemoveIP");
    EXPECT_EQ(w.Values().LocalList.size(), before);
}

TEST_F(WizardTest, InstallAsServiceRunsPkexecOrShowsTheCommand) {
    for (int status : {-1, 0}) {
        TPrompt::Reset();
        std::filesystem::remove(Path);
        QStringList ran;
        TElevatedDone answer;
        TFormWizard w;
        w.AutostartFolder = Dir.File("autostart");
        w.ServiceRunner = [&](const QStringList& arguments, TElevatedDone done) {
            ran = arguments;
            answer = std::move(done);
        };
        ToLogin(w, status == 0 ? "home" : "other");
        EnterLogin(w, "joe", "secret");
        Walk(w, {StepHostnameEntry});
        Click(w, "RadioButtonManual");
        Walk(w, {StepHostnames});
        AnswerHosts(w, {{"a.example", SystemHostaq}});
        Click(w, "ButtonAccFormAdd");
        Walk(w, {StepAutoUpdate, StepStartOptions});
        Click(w, "CheckBoxInstallService");
        Walk(w, {StepFinish});
        w.Next();
        // The wizard waits for pkexec without blocking: it is still open, and cannot be closed.
        ASSERT_TRUE(answer);
        EXPECT_TRUE(w.Installing());
        EXPECT_NE(w.result(), QDialog::Accepted);
        EXPECT_FALSE(Find<QPushButton>(w, "ButtonNext")->isEnabled());
        w.reject();
        EXPECT_TRUE(w.Installing());
        answer(status, {});
        ASSERT_EQ(w.result(), QDialog::Accepted);
        EXPECT_EQ(ran, (QStringList{QString::fromStdString(ProgramPath()), "install",
                                    QString::fromStdString(Path)}));
        EXPECT_EQ(IniReadString(Path, "Options", "AutoStart", ""), "0");
        ASSERT_FALSE(TPrompt::Asked().empty());
        const TPromptRequest& last = TPrompt::Asked().back();
        if (status == 0) {
            EXPECT_EQ(last.Kind, TPromptKind::Information);
        } else {
            EXPECT_EQ(last.Kind, TPromptKind::Warning);
            EXPECT_NE(last.Text.indexOf(QString::fromStdString(ProgramPath() + " install " + Path)), -1);
        }
    }
}

} // namespace
} // namespace hostaq::test
