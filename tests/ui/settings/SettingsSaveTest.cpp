// The settings dialog's OK and Cancel: the checks in their order with their messages, and the
// file the dialog leaves behind, compared key by key.
#include "SettingsFixture.h"
#include "config/IniFile.h"
#include "config/Messages.h"
#include "config/Scramble.h"
#include "ipdetect/AddressList.h"
#include "ipdetect/LocalList.h"
#include "ui/settings/SettingsDialog.h"
#include "ui/settings/SettingsMessages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <gmock/gmock.h>

namespace hostaq::test {
namespace {

using ::testing::ElementsAreArray;

// Every key of the file as "Section/Key=value" in file order, passwords unscrambled, without the
// sections named in skip.
std::vector<std::string> KeyLines(const std::string& path, const std::vector<std::string>& skip = {}) {
    std::vector<std::string> out;
    for (const std::string& section : IniReadSections(path)) {
        if (std::find(skip.begin(), skip.end(), section) != skip.end())
            continue;
        for (const std::string& line : IniReadSectionValues(path, section)) {
            std::string shown = line;
            const std::size_t eq = line.find('=');
            const std::string key = line.substr(0, eq);
            if (key.find("Password") != std::string::npos && eq + 1 < line.size())
                shown = key + "=" + UnscramblePassword(line.substr(eq + 1));
            out.push_back(section + "/" + shown);
        }
    }
    return out;
}

// The file text without the named sections (header to the next header).
std::string WithoutSections(const std::string& text, const std::vector<std::string>& names) {
    std::string out;
    bool skipping = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        end = end == std::string::npos ? text.size() : end + 1;
        const std::string line = text.substr(pos, end - pos);
        if (!line.empty() && line[0] == '[') {
            skipping = false;
            for (const std::string& n : names)
                skipping = skipping || line.rfind("[" + n + "]", 0) == 0;
        }
        if (!skipping)
            out += line;
        pos = end;
    }
    return out;
}

class SettingsSave : public SettingsFixture {
protected:
    template <typename T> T* W(const char* name) { return Child<T>(&dialog(), name); }
    THostaqFormSetting& dialog() {
        if (!dialog_)
            dialog_ = std::make_unique<THostaqFormSetting>();
        return *dialog_;
    }
    std::vector<std::string> LocalIPLines(const std::string& list) {
        std::vector<std::string> lines;
        int n = 0;
        for (const std::string& line : SplitLines(list))
            lines.push_back("LocalIP/IP" + std::to_string(n++) + "=" + line);
        return lines;
    }
    std::vector<std::string> Tail() {
        return {"Logging/LogToScreen=1",    "Logging/MaxLogLines=500",   "Logging/LogToFile=1",
                "Logging/ChangeLogInt=0",   "Logging/LogKept=6",         "CustomIcons/NormalFile=",
                "CustomIcons/NormalIdx=1",  "CustomIcons/WarningFile=",  "CustomIcons/WarningIdx=2",
                "CustomIcons/ErrorFile=",   "CustomIcons/ErrorIdx=3",    "CustomIcons/DisableFile=",
                "CustomIcons/DisableIdx=4", "CustomIcons/DialerFile=",   "CustomIcons/DialerIdx=5",
                "Options/RunPrograms=0",    "Options/DiscRunPrograms=0", "Options/SendMail=0",
                "Options/UpdateServU=0",    "Options/EventCheck=1",      "CheckUpdate/SoftAutoUpdate=1"};
    }
    static std::vector<std::string> Join(std::vector<std::vector<std::string>> parts) {
        std::vector<std::string> all;
        for (auto& p : parts)
            all.insert(all.end(), p.begin(), p.end());
        return all;
    }
    std::unique_ptr<THostaqFormSetting> dialog_;
};

TEST_F(SettingsSave, CancelWritesOnlyTheDialogState) {
    const std::string before = "; kept as it is\n[Options]\nSendMail=0\nLogToScreen = 1\n\n[Connection]\n"
                               "DirectConnect=0\nUseProxy=1\nProxyHost=old.proxy\nProxyPort=8080\n";
    WriteFile(before);
    W<QRadioButton>("RadioDialUp")->setChecked(true);
    W<QCheckBox>("CheckBoxUseProxy")->setChecked(false);
    W<QLineEdit>("EditProxyHost")->setText("new.proxy");
    W<QSpinBox>("SpinMaxLogLines")->setValue(42);
    W<QCheckBox>("CheckBoxCheckUpdate")->setChecked(false);
    W<QTabWidget>("PageControl")->setCurrentIndex(PageLogging);
    dialog().reject();

    EXPECT_EQ(WithoutSections(ReadFile(), {"SettingForm", "FormWindow"}), before);
    EXPECT_EQ(IniReadInteger(Path(), "SettingForm", "ActivePage", -1), PageLogging);
    EXPECT_TRUE(IniValueExists(Path(), "FormWindow", "OptAccListCol1"));
    EXPECT_TRUE(Asked().empty());

    // Opened again: the remembered page is shown.
    THostaqFormSetting again;
    EXPECT_EQ(Child<QTabWidget>(&again, "PageControl")->currentIndex(), PageLogging);
}

TEST_F(SettingsSave, ProxyChecksStopOKOnTheConnectionPage) {
    W<QRadioButton>("RadioLAN")->setChecked(true);
    W<QCheckBox>("CheckBoxUseProxy")->setChecked(true);
    dialog().accept();
    EXPECT_THAT(Asked(), ElementsAreArray({FormatMsg(MsgProxyNoHost, {"\n"})}));
    EXPECT_EQ(TPrompt::Asked()[0].Kind, TPromptKind::Error);
    EXPECT_EQ(TPrompt::Beeps(), 1);
    EXPECT_EQ(W<QTabWidget>("PageControl")->currentIndex(), PageConnection);
    EXPECT_EQ(dialog().focusWidget(), W<QLineEdit>("EditProxyHost"));
    EXPECT_FALSE(IniSectionExists(Path(), "Connection")) << "nothing saved";

    TPrompt::Reset();
    W<QLineEdit>("EditProxyHost")->setText("proxy.test");
    dialog().accept();
    EXPECT_THAT(Asked(), ElementsAreArray({FormatMsg(MsgProxyNoPort, {"\n"})}));
    EXPECT_EQ(dialog().focusWidget(), W<QLineEdit>("EditProxyPort"));

    TPrompt::Reset();
    W<QLineEdit>("EditProxyPort")->setText("3128");
    W<QLineEdit>("EditProxyPassword")->setText("one");
    W<QLineEdit>("EditProxyConfirm")->setText("two");
    dialog().accept();
    EXPECT_THAT(Asked(), ElementsAreArray({Msg(MsgProxyConfirm)}));
    EXPECT_TRUE(W<QLineEdit>("EditProxyConfirm")->text().isEmpty());
    EXPECT_EQ(dialog().focusWidget(), W<QLineEdit>("EditProxyConfirm"));
    EXPECT_EQ(dialog().result(), QDialog::Rejected);
}

TEST_F(SettingsSave, DialerChecksComeInOrder) {
    TSettingsValues v;
    v.Connection.DialUp = true;
    v.Connection.UseProxy = true; // never looked at with "Dial-up"
    v.Dialer.NeedDial = true;
    std::vector<std::string> messages;
    const std::vector<std::function<void()>> fill = {
        [&] { v.Dialer.Account = "isp"; },
        [&] { v.Dialer.UserName = "user"; },
        [&] { v.Dialer.Password = "secret"; },
        [&] { v.Dialer.Confirm = "secret"; },
    };
    for (const auto& step : fill) {
        const TSettingsProblem p = CheckSettingsValues(v, "\n");
        EXPECT_EQ(p.Page, PageDialer);
        messages.push_back(p.Message);
        step();
    }
    EXPECT_TRUE(CheckSettingsValues(v, "\n").Ok());
    v.Dialer.Confirm = "other";
    EXPECT_TRUE(CheckSettingsValues(v, "\n").ClearConfirm);
    EXPECT_THAT(messages,
                ElementsAreArray({FormatMsg(MsgDialNoAccount, {"\n"}), FormatMsg(MsgDialNoUser, {"\n"}),
                                  FormatMsg(MsgDialNoPassword, {"\n"}), Msg(MsgDialConfirm)}));
    v.Dialer.NeedDial = false;
    EXPECT_TRUE(CheckSettingsValues(v, "\n").Ok()) << "no dialling: nothing to check";

    // In the dialog: the Dialer page comes up with the confirmation cleared and focused.
    W<QRadioButton>("RadioDialUp")->setChecked(true);
    W<QCheckBox>("CheckBoxNeedDial")->setChecked(true);
    W<QLineEdit>("EditDialUserName")->setText("user");
    W<QLineEdit>("EditDialPassword")->setText("a");
    W<QLineEdit>("EditDialConfirm")->setText("b");
    dialog().accept();
    EXPECT_THAT(Asked(), ElementsAreArray({Msg(MsgDialConfirm)}));
    EXPECT_EQ(W<QTabWidget>("PageControl")->currentIndex(), PageDialer);
    EXPECT_TRUE(W<QLineEdit>("EditDialConfirm")->text().isEmpty());
    EXPECT_EQ(dialog().focusWidget(), W<QLineEdit>("EditDialConfirm"));
}

TEST_F(SettingsSave, OKWithLanAndTheDefaultIPSetting) {
    W<QRadioButton>("RadioLAN")->setChecked(true);
    W<QComboBox>("ComboServerPort")->setCurrentIndex(1);
    dialog().accept();
    ASSERT_TRUE(Asked().empty()) << Asked()[0];
    EXPECT_EQ(dialog().result(), QDialog::Accepted);
    EXPECT_THAT(
        KeyLines(Path(), {"SettingForm", "FormWindow"}),
        ElementsAreArray(Join(
            {{"Connection/DirectConnect=0", "Connection/UseProxy=0", "Connection/ServerPort=1",
              "Connection/ServerIP=http://checkip.hostaq.example/", "Connection/ProxyHost=",
              "Connection/ProxyPort=", "Connection/ProxyUserName=", "IPAddress/SetIPManual=0",
              "IPAddress/ManualIP=", "IPAddress/DefIPSetting=1"},
             LocalIPLines(BuildLocalList()),
             {"Dialer/DialDelay=5", "Dialer/NeedDial=1", "Dialer/DialAccount=isp", "Dialer/DialUserName="},
             Tail()})));
    // Tidied, and the dialog state follows at the end.
    const std::string text = ReadFile();
    EXPECT_EQ(text.rfind("[Connection]\n", 0), 0u);
    EXPECT_NE(text.find("\n\n[IPAddress]\n"), std::string::npos);
    EXPECT_LT(text.find("[CheckUpdate]"), text.find("[SettingForm]"));
}

TEST_F(SettingsSave, OKWithTheManualSettingAndThreeLocalEntries) {
    WriteFile("[LocalIP]\nIP0=10.9.9.9\n");
    W<QRadioButton>("RadioLAN")->setChecked(true);
    W<QCheckBox>("CheckBoxUseProxy")->setChecked(true);
    W<QLineEdit>("EditProxyHost")->setText("proxy.test");
    W<QLineEdit>("EditProxyPort")->setText("3128");
    W<QLineEdit>("EditProxyUserName")->setText("pu");
    W<QLineEdit>("EditProxyPassword")->setText("pp");
    W<QLineEdit>("EditProxyConfirm")->setText("pp");
    W<QRadioButton>("RadioManualIPSetting")->setChecked(true);
    OnDialog("TFormIPDetect", [](QDialog& d) {
        d.findChild<QRadioButton*>("RadioManual")->setChecked(true);
        d.findChild<QLineEdit*>("EditManualIP")->setText("198.51.100.20");
        d.findChild<QComboBox*>("ComboServerURL")->setEditText("http://ip.example.test/");
        auto* list = d.findChild<QListWidget*>("ListLocalIP");
        list->clear();
        list->addItems({"10.0.0.1", "10.1.0.0-10.1.255.255", "172.16.0.9"});
        d.accept();
        return d.result();
    });
    Child<QPushButton>(&dialog(), "ButtonConfigure")->click();
    // Configure takes the page over at once.
    EXPECT_EQ(IniReadString(Path(), "Connection", "ServerIP", ""), "http://ip.example.test/");
    dialog().accept();
    ASSERT_TRUE(Asked().empty()) << Asked()[0];
    EXPECT_THAT(KeyLines(Path(), {"SettingForm", "FormWindow"}),
                ElementsAreArray({"Connection/CustomizedIPServer=http://ip.example.test/",
                                  "Connection/ServerIP=http://ip.example.test/",
                                  "Connection/DirectConnect=0",
                                  "Connection/UseProxy=1",
                                  "Connection/ServerPort=0",
                                  "Connection/ProxyHost=proxy.test",
                                  "Connection/ProxyPort=3128",
                                  "Connection/ProxyUserName=pu",
                                  "Connection/ProxyPassword=pp",
                                  "IPAddress/SetIPManual=1",
                                  "IPAddress/ManualIP=198.51.100.20",
                                  "IPAddress/DefIPSetting=0",
                                  "LocalIP/IP0=10.0.0.1",
                                  "LocalIP/IP1=10.1.0.0-10.1.255.255",
                                  "LocalIP/IP2=172.16.0.9",
                                  "Dialer/DialDelay=5",
                                  "Dialer/NeedDial=1",
                                  "Dialer/DialAccount=isp",
                                  "Dialer/DialUserName=",
                                  "Logging/LogToScreen=1",
                                  "Logging/MaxLogLines=500",
                                  "Logging/LogToFile=1",
                                  "Logging/ChangeLogInt=0",
                                  "Logging/LogKept=6",
                                  "CustomIcons/NormalFile=",
                                  "CustomIcons/NormalIdx=1",
                                  "CustomIcons/WarningFile=",
                                  "CustomIcons/WarningIdx=2",
                                  "CustomIcons/ErrorFile=",
                                  "CustomIcons/ErrorIdx=3",
                                  "CustomIcons/DisableFile=",
                                  "CustomIcons/DisableIdx=4",
                                  "CustomIcons/DialerFile=",
                                  "CustomIcons/DialerIdx=5",
                                  "Options/RunPrograms=0",
                                  "Options/DiscRunPrograms=0",
                                  "Options/SendMail=0",
                                  "Options/UpdateServU=0",
                                  "Options/EventCheck=1",
                                  "CheckUpdate/SoftAutoUpdate=1"}));
}

TEST_F(SettingsSave, TheNetworkChangeCheckIsShownAndSavedWithTheOthers) {
    WriteFile("[Options]\nEventCheck=0\n");
    EXPECT_FALSE(W<QCheckBox>("CheckBoxEventCheck")->isChecked());
    W<QRadioButton>("RadioLAN")->setChecked(true);
    W<QCheckBox>("CheckBoxEventCheck")->setChecked(true);
    dialog().accept();
    ASSERT_TRUE(Asked().empty()) << Asked()[0];
    EXPECT_EQ(IniReadString(Path(), "Options", "EventCheck", ""), "1");
    dialog_.reset();
    W<QCheckBox>("CheckBoxEventCheck")->setChecked(false);
    dialog().accept();
    EXPECT_EQ(IniReadString(Path(), "Options", "EventCheck", ""), "0");
}

TEST_F(SettingsSave, OKWithDialUpNeverChecksTheProxyAndSavesItOff) {
    W<QRadioButton>("RadioDialUp")->setChecked(true);
    W<QCheckBox>("CheckBoxUseProxy")->setChecked(true); // host empty: not checked with "Dial-up"
    W<QCheckBox>("CheckBoxNeedDial")->setChecked(true);
    W<QComboBox>("ComboDialAccount")->setCurrentIndex(1);
    W<QSpinBox>("SpinDialDelay")->setValue(9);
    W<QLineEdit>("EditDialUserName")->setText("du");
    W<QLineEdit>("EditDialPassword")->setText("dp");
    W<QLineEdit>("EditDialConfirm")->setText("dp");
    dialog().accept();
    ASSERT_TRUE(Asked().empty()) << Asked()[0];
    EXPECT_THAT(KeyLines(Path(), {"SettingForm", "FormWindow"}),
                ElementsAreArray(
                    Join({{"Connection/DirectConnect=1", "Connection/UseProxy=0", "Connection/ServerPort=0",
                           "Connection/ServerIP=http://checkip.hostaq.example/", "Connection/ProxyHost=",
                           "Connection/ProxyPort=", "Connection/ProxyUserName=", "IPAddress/SetIPManual=0",
                           "IPAddress/ManualIP=", "IPAddress/DefIPSetting=1"},
                          LocalIPLines(BuildLocalList()),
                          {"Dialer/DialDelay=9", "Dialer/NeedDial=1", "Dialer/DialAccount=work",
                           "Dialer/DialUserName=du", "Dialer/DialPassword=dp"},
                          Tail()})));

    // Opened again, the dialog shows what was saved.
    THostaqFormSetting again;
    EXPECT_TRUE(Child<QRadioButton>(&again, "RadioDialUp")->isChecked());
    EXPECT_EQ(Child<QComboBox>(&again, "ComboDialAccount")->currentText(), "work");
    EXPECT_EQ(Child<QLineEdit>(&again, "EditDialConfirm")->text(), "dp");
    EXPECT_FALSE(Child<QLineEdit>(&again, "EditProxyHost")->isEnabled());
}

TEST_F(SettingsSave, EnablingFollowsTheChoices) {
    W<QRadioButton>("RadioLAN")->setChecked(true);
    W<QCheckBox>("CheckBoxUseProxy")->setChecked(false);
    EXPECT_FALSE(W<QLineEdit>("EditProxyHost")->isEnabled());
    EXPECT_FALSE(W<QCheckBox>("CheckBoxNeedDial")->isEnabled());
    W<QCheckBox>("CheckBoxUseProxy")->setChecked(true);
    EXPECT_TRUE(W<QLineEdit>("EditProxyConfirm")->isEnabled());
    W<QRadioButton>("RadioDialUp")->setChecked(true);
    EXPECT_FALSE(W<QCheckBox>("CheckBoxUseProxy")->isEnabled());
    EXPECT_TRUE(W<QCheckBox>("CheckBoxNeedDial")->isEnabled());
    W<QCheckBox>("CheckBoxNeedDial")->setChecked(false);
    EXPECT_FALSE(W<QLineEdit>("EditDialUserName")->isEnabled());
    W<QRadioButton>("RadioDefIPSetting")->setChecked(true);
    EXPECT_FALSE(W<QPushButton>("ButtonConfigure")->isEnabled());
    W<QRadioButton>("RadioManualIPSetting")->setChecked(true);
    EXPECT_TRUE(W<QPushButton>("ButtonConfigure")->isEnabled());
}

} // namespace
} // namespace hostaq::test
