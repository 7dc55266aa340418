#include "UiConfigFixture.h"

#include "config/Messages.h"
#include "groups/DynAcc.h"
#include "ui/editor/AccountLogic.h"
#include "ui/editor/FormAccount.h"
#include "ui/editor/FormAskAccName.h"
#include "ui/editor/FormHostName.h"
#include "ui/editor/HostListPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <filesystem>

namespace hostaq::test {
namespace {

std::vector<THostRow> HostRows(std::initializer_list<std::pair<const char*, const char*>> hosts) {
    std::vector<THostRow> rows;
    for (const auto& [host, system] : hosts)
        rows.push_back(THostRow{host, system, {}, true});
    return rows;
}

std::vector<std::string> Names(const TGroupSavePlan& plan) {
    std::vector<std::string> names;
    for (const auto& g : plan.Groups)
        names.push_back(g.first);
    return names;
}

class EditorTest : public TUiConfigTest {
protected:
    // A stored group "Home" of two hosts with results from an earlier update.
    void StoreHome() {
        StoreGroup("Home", {"a.example", "b.example"});
        IniWriteString(Path, "Home", "NewConfig", "0");
        IniWriteString(Path, "Home", "a.example", "good 1.2.3.4");
        IniWriteString(Path, "Home", "UpdateResult", "1");
    }

    static void Type(QLineEdit* edit, const QString& text) {
        edit->setText(text);
        emit edit->textEdited(text);
    }

    // Fills a new group's login and gives its panel a prompt that answers with the queued hosts.
    void FillLogin(TFormAccount& form) {
        Type(Find<QLineEdit>(form, "EditUsername"), "joe");
        Type(Find<QLineEdit>(form, "EditPassword"), "secret");
        Type(Find<QLineEdit>(form, "EditConfirm"), "secret");
    }
    void AnswerHosts(TFormAccount& form, std::vector<std::pair<QString, int>> answers) {
        auto queue = std::make_shared<std::vector<std::pair<QString, int>>>(std::move(answers));
        form.findChild<THostListPanel*>()->HostPrompt = [queue](QWidget*, QString& host, int& system) {
            if (queue->empty())
                return false;
            host = queue->front().first;
            system = queue->front().second;
            queue->erase(queue->begin());
            return true;
        };
    }
    static int RowCount(TFormAccount& form) {
        return Find<QTreeWidget>(form, "ListViewHost")->topLevelItemCount();
    }
};

TEST(AccountLogicTest, HostsAreSplitBySystemUnderTheNamesOfTheCombination) {
    TDynAcc common;
    InitGroup(common);
    const auto all = PlanGroupSave(
        "Home", HostRows({{"a.ex", "custom"}, {"b.ex", "hostaq"}, {"c.ex", "statdns"}, {"d.ex", "hostaq"}}),
        common);
    EXPECT_EQ(Names(all), (std::vector<std::string>{"Home", "Home (statdns)", "Home (custom)"}));
    EXPECT_TRUE(all.MixedSystems);
    EXPECT_EQ(all.Groups[0].second.NumOfHosts, 2);
    EXPECT_EQ(all.Groups[0].second.Hosts[1], "d.ex");
    EXPECT_EQ(all.Groups[2].second.Type, SystemCustom);

    EXPECT_EQ(Names(PlanGroupSave("Home", HostRows({{"c.ex", "statdns"}, {"a.ex", "custom"}}), common)),
              (std::vector<std::string>{"Home", "Home (custom)"}));
    EXPECT_EQ(Names(PlanGroupSave("Home", HostRows({{"a.ex", "custom"}}), common)),
              (std::vector<std::string>{"Home"}));

    // Unchecked entries and unknown systems are never saved; 25 checked keep the first 20.
    std::vector<THostRow> many;
    for (int i = 0; i < 25; ++i)
        many.push_back(THostRow{"h" + std::to_string(i) + ".ex", "hostaq", {}, true});
    many.push_back(THostRow{"off.ex", "hostaq", {}, false});
    many.push_back(THostRow{"odd.ex", "other", {}, true});
    const auto plan = PlanGroupSave("Home", many, common);
    EXPECT_TRUE(plan.TooManyHosts);
    ASSERT_EQ(plan.Groups.size(), 1u);
    EXPECT_EQ(plan.Groups[0].second.NumOfHosts, 20);
    EXPECT_EQ(plan.Groups[0].second.Hosts[19], "h19.ex");
}

TEST(AccountLogicTest, GroupNamesTheFileCannotHoldAreRefused) {
    for (const char* bad : {"Home]", "Options", "options", "LOCALIP", "SvcProvider", " Home", "Home ",
                            "[Home", ";Home", "Ho\nme", ""})
        EXPECT_FALSE(CheckGroupName(bad).empty()) << bad;
    for (const char* good : {"Home", "My home (2)", "Home (statdns)", "Options 2"})
        EXPECT_TRUE(CheckGroupName(good).empty()) << good;
}

TEST_F(EditorTest, ValidationRunsInItsOrderWithPageAndFocus) {
    IniWriteString(Path, "Work", "UserID", "x");
    TAccountValues v;
    auto step = [&] {
        auto p = ValidateAccount(Path, "", v, false);
        return p ? p->Step : 0;
    };
    EXPECT_EQ(step(), 1);
    v.Name = "Work";
    EXPECT_EQ(step(), 2);
    v.Name = "Options";
    EXPECT_EQ(step(), 2);
    v.Name = "  Home  "; // trimmed before the checks
    EXPECT_EQ(step(), 3);
    v.UserName = "joe";
    EXPECT_EQ(step(), 4);
    v.Password = "pw";
    EXPECT_EQ(step(), 5);
    v.Confirm = "other";
    const auto differ = ValidateAccount(Path, "", v, false);
    EXPECT_EQ(differ->Step, 6);
    EXPECT_TRUE(differ->ClearConfirm);
    EXPECT_EQ(differ->Focus, TAccountField::Confirm);
    v.Confirm = "pw";
    v.Provider = "Other.Example";
    EXPECT_EQ(step(), 7);
    EXPECT_EQ(ValidateAccount(Path, "", v, true)->Step, 8); // the provider edition has no profile
    v.Provider = "HOSTAQ.example";
    EXPECT_EQ(step(), 8);
    v.Hosts = HostRows({{"a.ex", "hostaq"}});
    v.Hosts[0].Checked = false; // nothing would be saved: the group would vanish
    EXPECT_EQ(step(), 8);
    v.Hosts[0].Checked = true;
    v.BackupMX = true;
    const auto mx = ValidateAccount(Path, "", v, false);
    EXPECT_EQ(mx->Step, 9);
    EXPECT_EQ(mx->Page, TAccountPage::Options);
    EXPECT_TRUE(mx->UncheckBackupMX);
    v.MailEx = "mx.example";
    EXPECT_EQ(step(), 0);
    // The group's own name (in any case) is no clash.
    v.Name = "WORK";
    EXPECT_FALSE(ValidateAccount(Path, "Work", v, false));
}

TEST_F(EditorTest, AGroupEditedWithoutChangeWritesNothingAndKeepsItsResults) {
    StoreHome();
    const std::string before = ReadFileText(Path);
    TFormAccount form(nullptr, "Home");
    EXPECT_EQ(form.windowTitle(), "Home - Properties");
    auto* list = Find<QTreeWidget>(form, "ListViewHost");
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->topLevelItem(0)->text(2), "good 1.2.3.4");
    EXPECT_EQ(list->topLevelItem(0)->checkState(0), Qt::Checked);
    EXPECT_FALSE(form.Modified());
    form.accept();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(ReadFileText(Path), before);
}

TEST_F(EditorTest, ARenameErasesTheOldSectionAndStartsTheNewOneWithoutResults) {
    StoreHome();
    TFormAccount form(nullptr, "Home");
    Find<QLineEdit>(form, "EditAccountName")->setText("Office");
    form.accept();
    ASSERT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(form.WrittenNames(), QStringList{"Office"});
    EXPECT_FALSE(IniSectionExists(Path, "Home"));
    EXPECT_EQ(IniReadString(Path, "Office", "NewConfig", ""), "1");
    EXPECT_EQ(IniReadString(Path, "Office", "Host2", ""), "b.example");
    EXPECT_FALSE(IniValueExists(Path, "Office", "a.example"));
    EXPECT_FALSE(IniValueExists(Path, "Office", "UpdateResult"));
}

TEST_F(EditorTest, RefusedNamesKeepTheDialogOpenOnTheOptionsPage) {
    StoreHome();
    for (const char* name : {"Home]", "Options"}) {
        TPrompt::Reset();
        TFormAccount form(nullptr, "Home");
        Find<QLineEdit>(form, "EditAccountName")->setText(name);
        form.accept();
        EXPECT_NE(form.result(), QDialog::Accepted) << name;
        ASSERT_EQ(TPrompt::Asked().size(), 1u);
        EXPECT_EQ(TPrompt::Asked()[0].Kind, TPromptKind::Error);
        EXPECT_NE(TPrompt::Asked()[0].Text.indexOf(name), -1);
        EXPECT_EQ(Find<QTabWidget>(form, "PageControl")->currentIndex(), 1);
        EXPECT_TRUE(IniSectionExists(Path, "Home"));
    }
}

TEST_F(EditorTest, BackupMXWithoutAMailExchangerFailsAndIsUnchecked) {
    StoreHome();
    TFormAccount form(nullptr, "Home");
    auto* mailEx = Find<QLineEdit>(form, "MailEx");
    auto* backup = Find<QCheckBox>(form, "CheckBoxAccFormBackupMX");
    EXPECT_FALSE(backup->isEnabled());
    mailEx->setText("mx.example");
    EXPECT_TRUE(backup->isEnabled());
    backup->setChecked(true);
    mailEx->clear();
    form.accept();
    EXPECT_NE(form.result(), QDialog::Accepted);
    ASSERT_EQ(TPrompt::Asked().size(), 1u);
    EXPECT_EQ(TPrompt::Asked()[0].Text, "You do not specify the mail exchange server.");
    EXPECT_FALSE(backup->isChecked());
}

TEST_F(EditorTest, ANewGroupOfMixedSystemsIsSavedAsOneGroupPerSystem) {
    IniWriteString(Path, "Options", "Editor", "x");
    TFormAccount form(nullptr, "Home");
    EXPECT_EQ(form.windowTitle(), "Home - Properties");
    FillLogin(form);
    AnswerHosts(form, {{"a.example", 0}, {"b.example", 1}, {"c.example", 2}, {"a.example", 2}});
    auto* add = Find<QPushButton>(form, "ButtonAccFormAdd");
    for (int i = 0; i < 4; ++i)
        add->click();
    EXPECT_EQ(RowCount(form), 3); // the same caption twice adds nothing
    EXPECT_EQ(Find<QTreeWidget>(form, "ListViewHost")->toolTip(),
              "Right click for more functions\nTotal: 3 hostname(s)");
    form.accept();
    ASSERT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(form.WrittenNames(), (QStringList{"Home", "Home (statdns)", "Home (custom)"}));
    EXPECT_EQ(IniReadString(Path, "Home (custom)", "Host1", ""), "c.example");
    EXPECT_EQ(IniReadString(Path, "Home (statdns)", "Type", ""), "1");
    ASSERT_EQ(TPrompt::Asked().size(), 1u);
    EXPECT_EQ(TPrompt::Asked()[0].Kind, TPromptKind::Information);
    EXPECT_EQ(TPrompt::Asked()[0].Text.toStdString(), MixedSystemsMessage());
    // The file was tidied: one blank line before each section but the first.
    EXPECT_EQ(ReadFileText(Path).find("\n\n\n"), std::string::npos);
}

// Editing "Home" and adding a statdns host saves "Home (statdns)": refused while another group
// holds that name, a plain split otherwise.
TEST_F(EditorTest, ASplitThatWouldReplaceAnotherGroupIsRefused) {
    for (const bool taken : {true, false}) {
        SCOPED_TRACE(taken ? "taken" : "free");
        TPrompt::Reset();
        IniEraseSection(Path, "Home (statdns)");
        StoreHome();
        if (taken) {
            IniWriteString(Path, "Home (statdns)", "UserID", "ann");
            IniWriteString(Path, "Home (statdns)", "Host1", "ann.example");
        }
        TFormAccount form(nullptr, "Home");
        AnswerHosts(form, {{"s.example", 1}});
        Find<QPushButton>(form, "ButtonAccFormAdd")->click();
        form.accept();
        if (taken) {
            EXPECT_NE(form.result(), QDialog::Accepted);
            ASSERT_EQ(TPrompt::Asked().size(), 1u);
            EXPECT_EQ(TPrompt::Asked()[0].Kind, TPromptKind::Error);
            EXPECT_NE(TPrompt::Asked()[0].Text.indexOf("Home (statdns)"), -1);
            EXPECT_EQ(IniReadString(Path, "Home (statdns)", "UserID", ""), "ann");
            EXPECT_EQ(IniReadString(Path, "Home", "NumOfHosts", ""), "2");
        } else {
            ASSERT_EQ(form.result(), QDialog::Accepted);
            EXPECT_EQ(form.WrittenNames(), (QStringList{"Home", "Home (statdns)"}));
            EXPECT_EQ(IniReadString(Path, "Home (statdns)", "UserID", ""), "joe");
            EXPECT_EQ(IniReadString(Path, "Home (statdns)", "Host1", ""), "s.example");
        }
    }
}

// A profile whose name begins with "-" or "+" reaches the editor as a file, never as an option.
TEST_F(EditorTest, ProfileEditorGetsTheProfileAsAFileNeverAsAnOption) {
    const std::string cwd = std::filesystem::current_path().string();
    EXPECT_EQ(ProfileEditorArguments("-n \"a b\"", "-rf"),
              (std::vector<std::string>{"-n", "a b", cwd + "/-rf"}));
    EXPECT_EQ(ProfileEditorArguments("", "+10"), (std::vector<std::string>{cwd + "/+10"}));
    EXPECT_EQ(ProfileEditorArguments("", "/etc/x/../p.ini"), (std::vector<std::string>{"/etc/p.ini"}));

    // Through the window: Options/Editor names the program, the profile is typed as "-R".
    const std::string profile = cwd + "/-R";
    WriteFileText(profile, "[Profile]\n");
    IniWriteString(Path, "Options", "Editor", "/usr/bin/vi -n");
    TDesktop::Started().clear();
    {
        TFormAccount form(nullptr, "Home");
        Find<QLineEdit>(form, "EditCfgFile")->setText("-R");
        auto* edit = Find<QPushButton>(form, "ButtonEdit");
        edit->setEnabled(true);
        edit->click();
    }
    std::filesystem::remove(profile);
    ASSERT_EQ(TDesktop::Started().size(), 1);
    EXPECT_EQ(TDesktop::Started()[0], (QStringList{"/usr/bin/vi", "-n", QString::fromStdString(profile)}));
}

TEST_F(EditorTest, TwentyFiveCheckedHostsSaveTheFirstTwentyAfterTheWarning) {
    TFormAccount form(nullptr, "Many");
    FillLogin(form);
    std::vector<THostRow> rows;
    for (int i = 1; i <= 25; ++i)
        rows.push_back(THostRow{"h" + std::to_string(i) + ".example", "hostaq", {}, true});
    form.findChild<THostListPanel*>()->SetRows(rows);
    // A 21st checked host cannot be added by hand.
    AnswerHosts(form, {{"x.example", 0}});
    Find<QPushButton>(form, "ButtonAccFormAdd")->click();
    EXPECT_EQ(RowCount(form), 25);
    ASSERT_EQ(TPrompt::Asked().size(), 1u);
    EXPECT_EQ(TPrompt::Asked()[0].Kind, TPromptKind::Warning);
    TPrompt::Reset();
    Find<QLineEdit>(form, "EditConfirm")->setText("secret"); // any change marks the group modified
    form.accept();
    ASSERT_EQ(form.result(), QDialog::Accepted);
    ASSERT_EQ(TPrompt::Asked().size(), 1u);
    EXPECT_EQ(TPrompt::Asked()[0].Kind, TPromptKind::Warning);
    EXPECT_NE(TPrompt::Asked()[0].Text.indexOf("Only the first 20 hosts"), -1);
    EXPECT_EQ(IniReadString(Path, "Many", "NumOfHosts", ""), "20");
    EXPECT_EQ(IniReadString(Path, "Many", "Host20", ""), "h20.example");
}

TEST_F(EditorTest, EditingOnlyTheSystemChangesTheColumnAndDeleteAsksFirst) {
    StoreHome();
    TFormAccount form(nullptr, "Home");
    auto* list = Find<QTreeWidget>(form, "ListViewHost");
    auto* edit = Find<QPushButton>(form, "ButtonAccFormEdit");
    auto* del = Find<QPushButton>(form, "ButtonAccFormDelete");
    EXPECT_FALSE(edit->isEnabled());
    list->topLevelItem(1)->setSelected(true);
    list->setCurrentItem(list->topLevelItem(1));
    EXPECT_TRUE(edit->isEnabled());
    AnswerHosts(form, {{"b.example", 1}, {"a.example", 2}});
    edit->click();
    EXPECT_EQ(list->topLevelItem(1)->text(1), "statdns");
    EXPECT_TRUE(form.Modified());
    edit->click(); // another entry's name: nothing changes
    EXPECT_EQ(list->topLevelItem(1)->text(0), "b.example");

    TPrompt::QueueAnswer(TPromptButton::No);
    del->click();
    EXPECT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(TPrompt::Asked().back().Text.toStdString(), FormatMsg(10140, {"\r", "b.example"}));
    list->selectAll();
    TPrompt::QueueAnswer(TPromptButton::Yes);
    del->click();
    EXPECT_EQ(TPrompt::Asked().back().Text.toStdString(), Msg(10141));
    EXPECT_EQ(list->topLevelItemCount(), 0);
    EXPECT_FALSE(del->isEnabled());
    EXPECT_EQ(list->toolTip(), "");
}

TEST_F(EditorTest, ProviderControlsFollowTheEditionAndTheProvider) {
    SetHostaqEdition(false);
    TFormAccount form(nullptr, "Home");
    auto* provider = Find<QComboBox>(form, "VemoComboListProvider");
    auto* profile = Find<QLineEdit>(form, "EditCfgFile");
    auto* download = Find<QPushButton>(form, "ButtonDownload");
    EXPECT_EQ(provider->currentText(), "hostaq.example");
    EXPECT_FALSE(profile->isEnabled());
    FillLogin(form);
    EXPECT_TRUE(download->isEnabled());
    provider->setEditText("other.example");
    EXPECT_TRUE(profile->isEnabled());
    EXPECT_FALSE(download->isEnabled());

    // Saved with a profile, the provider goes to the front of the history.
    profile->setText(QString::fromStdString(Dir.File("other.ini")));
    IniWriteString(Path, "SvcProvider", "Item0", "first.example");
    AnswerHosts(form, {{"a.example", 0}});
    Find<QPushButton>(form, "ButtonAccFormAdd")->click();
    form.accept();
    ASSERT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(LoadProviderHistory(Path), (std::vector<std::string>{"other.example", "first.example"}));
    EXPECT_EQ(IniReadString(Path, "Home", "Provider", ""), "other.example");

    SetHostaqEdition(true);
    TFormAccount edition(nullptr, "Home");
    EXPECT_TRUE(Find<QComboBox>(edition, "VemoComboListProvider")->isHidden());
    EXPECT_EQ(edition.Values().Provider, "hostaq.example");
    EXPECT_EQ(edition.Values().Profile, "");
}

TEST_F(EditorTest, DownloadFillsTheListUncheckedWithTheirSystems) {
    StartAccountServer("hostaq:a.example,b.example\nstatdns:c.example\ncustom:d.example\n");
    StoreHome();
    TFormAccount form(nullptr, "Home");
    int rejected = 0;
    QObject::connect(&form, &QDialog::rejected, [&] { ++rejected; });
    auto* download = Find<QPushButton>(form, "ButtonDownload");
    TPrompt::QueueAnswer(TPromptButton::No);
    download->click(); // the list is not empty: asked first, No keeps it
    EXPECT_FALSE(form.Downloading());
    EXPECT_EQ(TPrompt::Asked().back().Text.toStdString(), Msg(10253));

    TPrompt::QueueAnswer(TPromptButton::Yes);
    download->click();
    EXPECT_TRUE(form.Downloading());
    EXPECT_FALSE(Find<QPushButton>(form, "ButtonOK")->isEnabled());
    // Closing is refused while it runs.
    form.reject();
    EXPECT_EQ(TPrompt::Asked().back().Kind, TPromptKind::Information);
    EXPECT_EQ(TPrompt::Asked().back().Text.toStdString(),
              FormatMsg(10389, {"Hostaq Updater Wizard", "\r\n"}));
    ASSERT_TRUE(ProcessUntil([&] { return !form.Downloading(); }));
    EXPECT_EQ(rejected, 0);

    const std::vector<THostRow> rows = form.Values().Hosts;
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[2].Host, "c.example");
    EXPECT_EQ(rows[2].System, "statdns");
    EXPECT_EQ(rows[3].System, "custom");
    for (const THostRow& r : rows)
        EXPECT_FALSE(r.Checked);
    EXPECT_TRUE(form.Modified());
    EXPECT_TRUE(Find<QPushButton>(form, "ButtonOK")->isEnabled());
}

TEST_F(EditorTest, DownloadFailuresTellWhyAndKeepTheList) {
    StartAccountServer("hostaq:a.example\n");
    TFormAccount form(nullptr, "New");
    Type(Find<QLineEdit>(form, "EditUsername"), "joe");
    Type(Find<QLineEdit>(form, "EditPassword"), "wrong");
    Type(Find<QLineEdit>(form, "EditConfirm"), "wrong");
    form.Download();
    ASSERT_TRUE(ProcessUntil([&] { return !form.Downloading(); }));
    ASSERT_FALSE(TPrompt::Asked().empty());
    EXPECT_EQ(TPrompt::Asked().back().Kind, TPromptKind::Error);
    EXPECT_EQ(TPrompt::Asked().back().Text.toStdString(), Msg(10416));

    // An empty answer.
    Provider->SetHostList("joe", "wrong", "");
    form.Download();
    ASSERT_TRUE(ProcessUntil([&] { return !form.Downloading(); }));
    EXPECT_NE(TPrompt::Asked().back().Text.indexOf("cannot detect hostname"), -1);
    EXPECT_EQ(RowCount(form), 0);

    // A confirmation that differs is caught before anything is sent.
    const std::size_t sent = Provider->Requests().size();
    Type(Find<QLineEdit>(form, "EditConfirm"), "other");
    form.Download();
    EXPECT_FALSE(form.Downloading());
    EXPECT_EQ(TPrompt::Asked().back().Text.toStdString(), Msg(10102));
    EXPECT_EQ(Find<QLineEdit>(form, "EditConfirm")->text(), "");
    EXPECT_EQ(Provider->Requests().size(), sent);
}

TEST_F(EditorTest, SmallDialogsShowTheirTexts) {
    TFormHostName host;
    EXPECT_EQ(host.windowTitle(), "Hostname - Properties");
    Find<QLineEdit>(host, "EditHostname")->setText("www.example");
    EXPECT_EQ(host.windowTitle(), "www.example - Properties");
    Find<QLineEdit>(host, "EditHostname")->setText("  ");
    host.accept();
    EXPECT_NE(host.result(), QDialog::Accepted);
    ASSERT_EQ(TPrompt::Asked().size(), 1u);
    EXPECT_EQ(TPrompt::Asked()[0].Text, "Hostname cannot be empty");
    host.SetHost("x.example", 7); // an unknown system shows as hostaq
    EXPECT_EQ(host.System(), 0);

    TFormAskAccName ask;
    QStringList texts;
    for (const QLabel* l : ask.findChildren<QLabel*>())
        texts << l->text();
    EXPECT_TRUE(texts.contains("What do you want this group to be called?"));
    EXPECT_TRUE(texts.contains("You can name the group as you want. It can also contain spaces."));
    EXPECT_TRUE(texts.contains("Group Name:"));
    Find<QLineEdit>(ask, "EditAccountName")->setText("Home");
    EXPECT_EQ(ask.Name(), ""); // not closed with OK
    ask.accept();
    EXPECT_EQ(ask.Name(), "Home");
}

TEST_F(EditorTest, HelpOpensTheEditorPage) {
    TFormAccount form(nullptr, "");
    EXPECT_EQ(form.windowTitle(), "Hostnames Group - Properties");
    Find<QPushButton>(form, "ButtonHelp")->click();
    ASSERT_EQ(TDesktop::Opened().size(), 1);
    EXPECT_TRUE(TDesktop::Opened()[0].toLocalFile().endsWith("/editaccount.html"));
}

} // namespace
} // namespace hostaq::test
