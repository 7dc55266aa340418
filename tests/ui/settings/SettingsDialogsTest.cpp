// The group buttons, the Misc page's boxes and the sub-dialogs, driven by object name.
#include "SettingsFixture.h"
#include "config/ConfigKeys.h"
#include "config/IniFile.h"
#include "config/Messages.h"
#include "engine/ProgramList.h"
#include "ui/common/IPAddressDialog.h"
#include "ui/settings/EmailSettingsDialog.h"
#include "ui/settings/GroupsPage.h"
#include "ui/settings/IPDetectDialog.h"
#include "ui/settings/MiscPage.h"
#include "ui/settings/ProgramListDialog.h"
#include "ui/settings/ServUDialog.h"
#include "ui/settings/SettingsMessages.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QUrl>
#include <gmock/gmock.h>

namespace hostaq::test {
namespace {

using ::testing::ElementsAre;

std::string Group(const std::string& name, bool enabled = true) {
    return "[" + name + "]\nType=0\nUserID=u\nPassword=00\nNumOfHosts=1\nHost1=h.example\nEnable=" +
           (enabled ? "1" : "0") + "\n";
}

class SettingsDialogs : public SettingsFixture {};

TEST_F(SettingsDialogs, AddingATakenNameOffersToEditThatGroup) {
    WriteFile(Group("Home") + Group("Office (statdns)"));
    TSettingsGroupsPage page;
    page.Load();
    std::vector<std::string> names{"Home", "Office", "Home", "Garden"};
    std::vector<std::string> edited;
    page.AskName = [&](QWidget*) -> std::optional<std::string> {
        if (names.empty())
            return std::nullopt;
        std::string n = names.front();
        names.erase(names.begin());
        return n;
    };
    page.Edit = [&](QWidget*, const std::string& name) -> std::optional<std::string> {
        edited.push_back(name);
        IniWriteString(Path(), name, "UserID", "u"); // the editor saves a whole group
        for (const char* key : {"Password", "Type", "NumOfHosts"})
            IniWriteString(Path(), name, key, "0");
        return name;
    };
    // "Home": Yes edits it.
    TPrompt::QueueAnswer(TPromptButton::Yes);
    page.AddGroup();
    // "Office" is taken by its split name: No asks again, "Home" again: Cancel ends.
    TPrompt::QueueAnswer(TPromptButton::No);
    TPrompt::QueueAnswer(TPromptButton::Cancel);
    page.AddGroup();
    // A free name goes to the editor and shows up in the list.
    page.AddGroup();
    EXPECT_THAT(Asked(), ElementsAre(FormatMsg(MsgGroupExistsEdit, {"Home"}),
                                     FormatMsg(MsgGroupExistsEdit, {"Office"}),
                                     FormatMsg(MsgGroupExistsEdit, {"Home"})));
    EXPECT_THAT(edited, ElementsAre("Home", "Garden"));
    EXPECT_EQ(page.List()->topLevelItemCount(), 3);
    EXPECT_EQ(page.SelectedName(), "Garden");
}

// A box cleared in the list survives the editor's OK, which writes the group enabled; after a
// rename the list selects the new name.
TEST_F(SettingsDialogs, EditingAGroupKeepsItsClearedBoxAndSelectsItsNewName) {
    for (const std::string& newName : {std::string("B"), std::string("Garden")}) {
        SCOPED_TRACE(newName);
        WriteFile(Group("A") + Group("B") + Group("C"));
        TSettingsGroupsPage page;
        page.Load();
        page.Edit = [&](QWidget*, const std::string& name) -> std::optional<std::string> {
            IniEraseSection(Path(), name);
            IniUpdate(Path(), [&](TIniDocument& doc) { // the editor writes the group enabled
                for (const auto& [key, value] :
                     std::vector<std::pair<const char*, const char*>>{{"Type", "0"},
                                                                      {"UserID", "u"},
                                                                      {"Password", "00"},
                                                                      {"NumOfHosts", "1"},
                                                                      {"Enable", "1"}})
                    doc.WriteString(newName, key, value);
                return true;
            });
            return newName;
        };
        QTreeWidget* list = page.List();
        list->topLevelItem(0)->setCheckState(0, Qt::Unchecked); // A, not edited
        list->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
        list->setCurrentItem(list->topLevelItem(1));
        page.EditGroup();
        EXPECT_EQ(page.SelectedName(), newName);
        auto changes = page.EnableChanges();
        std::sort(changes.begin(), changes.end());
        EXPECT_EQ(changes, (std::vector<std::pair<std::string, bool>>{{"A", false}, {newName, false}}));
    }
}

TEST_F(SettingsDialogs, RowsShowTheGroupAndDeleteSelectsTheNewLastRow) {
    WriteFile(Group("A") + "LastUpdate=20071231235900\nUpdateResult=1\n" + Group("B", false) + Group("C"));
    TSettingsGroupsPage page;
    page.Load();
    QTreeWidget* list = page.List();
    ASSERT_EQ(list->topLevelItemCount(), 3);
    EXPECT_EQ(list->topLevelItem(0)->text(2), "12/31/2007 23:59:00");
    EXPECT_EQ(list->topLevelItem(0)->text(3), "Good");
    EXPECT_EQ(list->topLevelItem(1)->text(2), "unknown");
    EXPECT_EQ(list->topLevelItem(1)->checkState(0), Qt::Unchecked);

    list->topLevelItem(1)->setCheckState(0, Qt::Checked);
    EXPECT_EQ(page.EnableChanges(), (std::vector<std::pair<std::string, bool>>{{"B", true}}));

    list->setCurrentItem(list->topLevelItem(2));
    TPrompt::QueueAnswer(TPromptButton::Yes);
    page.DeleteGroup();
    EXPECT_THAT(Asked(), ElementsAre(FormatMsg(MsgDeleteGroup, {"C"})));
    EXPECT_EQ(TPrompt::Beeps(), 1);
    EXPECT_FALSE(IniSectionExists(Path(), "C"));
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(page.SelectedName(), "B");

    // No keeps the group.
    TPrompt::QueueAnswer(TPromptButton::No);
    page.DeleteGroup();
    EXPECT_TRUE(IniSectionExists(Path(), "B"));
    EXPECT_EQ(list->topLevelItemCount(), 2);
}

TEST_F(SettingsDialogs, CheckingABoxWithoutItsSettingsOpensThem) {
    TSettingsMiscPage page;
    page.Load({});
    Child<QCheckBox>(&page, "CheckBoxSendMail")->click();
    EXPECT_EQ(opened["TFormEmailSettings"], 1);
    EXPECT_TRUE(Child<QPushButton>(&page, "ButtonSendMail")->isEnabled());

    // ServU left without a location: the box is unchecked again.
    Child<QCheckBox>(&page, "CheckBoxUpdateServU")->click();
    EXPECT_EQ(opened["TFormServU"], 1);
    EXPECT_FALSE(Child<QCheckBox>(&page, "CheckBoxUpdateServU")->isChecked());
    // Given one, it stays checked.
    OnDialog("TFormServU", [](QDialog& d) {
        QueueOpenFileName("/srv/ServUDaemon.ini");
        d.findChild<QPushButton*>("ButtonBrowse")->click();
        d.accept();
        return d.result();
    });
    Child<QCheckBox>(&page, "CheckBoxUpdateServU")->click();
    EXPECT_TRUE(Child<QCheckBox>(&page, "CheckBoxUpdateServU")->isChecked());
    EXPECT_EQ(ReadString(Keys::ServUIniLoc), "/srv/ServUDaemon.ini");

    Child<QCheckBox>(&page, "CheckBoxRunPrograms")->click();
    Child<QCheckBox>(&page, "CheckBoxDiscRunPrograms")->click();
    EXPECT_EQ(opened["TFormProgramListRun"], 1);
    EXPECT_EQ(opened["TFormProgramListDisconnect"], 1);

    // With their settings present nothing opens.
    WriteFile("[Options]\nSMTPHost=mail.test\n[Run]\n1=/bin/true\n");
    Child<QCheckBox>(&page, "CheckBoxSendMail")->click();
    Child<QCheckBox>(&page, "CheckBoxSendMail")->click();
    Child<QCheckBox>(&page, "CheckBoxRunPrograms")->click();
    Child<QCheckBox>(&page, "CheckBoxRunPrograms")->click();
    EXPECT_EQ(opened["TFormEmailSettings"], 1);
    EXPECT_EQ(opened["TFormProgramListRun"], 1);
}

TEST_F(SettingsDialogs, ServUOKNeedsALocation) {
    TFormServU dialog;
    auto* ok = Child<QPushButton>(&dialog, "ButtonOK");
    EXPECT_FALSE(ok->isEnabled());
    Child<QLineEdit>(&dialog, "EditServUIniLoc")->setText("/srv/a.ini");
    EXPECT_TRUE(ok->isEnabled());
    EXPECT_EQ(Child<QLineEdit>(&dialog, "EditServUIniLoc")->toolTip(), "/srv/a.ini");
}

TEST_F(SettingsDialogs, EmailSettingsCheckTheLoginBeforeSaving) {
    WriteFile("[Options]\nSMTPHost=mail.test\n");
    TFormEmailSettings dialog;
    Child<QCheckBox>(&dialog, "CheckBoxAuth")->setChecked(true);
    auto* user = Child<QLineEdit>(&dialog, "EditSMTPUser");
    auto* password = Child<QLineEdit>(&dialog, "EditSMTPPass");
    auto* confirm = Child<QLineEdit>(&dialog, "EditSMTPConfirm");
    dialog.accept();
    EXPECT_EQ(dialog.focusWidget(), user);
    user->setText("mailer");
    dialog.accept();
    EXPECT_EQ(dialog.focusWidget(), password);
    password->setText("secret");
    dialog.accept();
    EXPECT_EQ(dialog.focusWidget(), confirm);
    confirm->setText("other");
    dialog.accept();
    EXPECT_TRUE(confirm->text().isEmpty());
    EXPECT_THAT(Asked(),
                ElementsAre("Username is needed.", "Password is needed.", "Please retype your password.",
                            "The password you entered is different."));
    EXPECT_EQ(TPrompt::Beeps(), 4);
    EXPECT_FALSE(IniValueExists(Path(), "Options", "SmtpAuth"));

    confirm->setText("secret");
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const TMailSettings saved = LoadMailSettings();
    EXPECT_TRUE(saved.Auth);
    EXPECT_EQ(saved.UserName, "mailer");
    EXPECT_EQ(saved.Password, "secret");
    EXPECT_EQ(saved.Subject, "Update Result");
    EXPECT_EQ(LoadHistory("SMTPHostList"), (std::vector<std::string>{"mail.test"}));
}

class IPDetect : public SettingsFixture {
protected:
    TIPDetectValues values{false, "", "http://checkip.hostaq.example/", {"192.168.1.1"}};
    TFormIPDetect dialog{nullptr, values, {}};
    void AddRange(const QString& from, const QString& to) {
        OnDialog("TIPAddressDialog", [from, to](QDialog& d) {
            auto& a = static_cast<TIPAddressDialog&>(d);
            a.EditFrom()->setText(from);
            a.EditTo()->setText(to);
            a.accept();
            return a.result();
        });
        Child<QPushButton>(&dialog, "ButtonAddIP")->click();
    }
};

TEST_F(IPDetect, OKChecksTheChoiceInOrder) {
    Child<QRadioButton>(&dialog, "RadioManual")->setChecked(true);
    dialog.accept();
    EXPECT_EQ(dialog.focusWidget(), Child<QLineEdit>(&dialog, "EditManualIP"));
    Child<QRadioButton>(&dialog, "RadioWebsite")->setChecked(true);
    Child<QComboBox>(&dialog, "ComboServerURL")->setEditText("  ");
    dialog.accept();
    Child<QComboBox>(&dialog, "ComboServerURL")->setEditText("http://ip.test/");
    Child<QListWidget>(&dialog, "ListLocalIP")->setCurrentRow(0);
    Child<QPushButton>(&dialog, "ButtonRemoveIP")->click();
    dialog.accept();
    EXPECT_EQ(dialog.focusWidget(), Child<QPushButton>(&dialog, "ButtonAddIP"));
    EXPECT_THAT(Asked(), ElementsAre("Please provide the manual IP address.",
                                     "Please provide website address to detect your IP address.",
                                     "Please provide IP address that is not be suitable for update."));
    EXPECT_EQ(TPrompt::Beeps(), 3);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(Child<QLineEdit>(&dialog, "EditManualIP")->isEnabled()) << "website choice";
}

TEST_F(IPDetect, AddedEntriesAreKeptOnce) {
    AddRange("10.0.0.1", "10.0.0.9");
    AddRange("10.0.0.1", "10.0.0.9");
    AddRange("172.16.0.5", "0.0.0.0");
    AddRange("172.16.0.6", "");
    AddRange("300.1.1.1", ""); // refused by the address dialog
    EXPECT_THAT(Asked(), ElementsAre("Please enter a valid IP address."));
    EXPECT_THAT(dialog.Values().LocalList,
                ElementsAre("192.168.1.1", "10.0.0.1-10.0.0.9", "172.16.0.5", "172.16.0.6"));
}

TEST_F(IPDetect, AddressDialogStartsWithCancelAsDefault) {
    TIPAddressDialog a;
    auto* ok = Child<QPushButton>(&a, "ButtonOK");
    auto* cancel = Child<QPushButton>(&a, "ButtonCancel");
    EXPECT_TRUE(cancel->isDefault());
    QKeyEvent key(QEvent::KeyPress, Qt::Key_1, Qt::NoModifier, QStringLiteral("1"));
    QCoreApplication::sendEvent(a.EditFrom(), &key);
    EXPECT_EQ(a.EditFrom()->text(), "1");
    EXPECT_TRUE(ok->isDefault());
    EXPECT_FALSE(cancel->isDefault());
}

TEST_F(SettingsDialogs, ProgramListKeepsOrderAndDelay) {
    WriteFile(
        "[Options]\nDelay=3\n[Run]\n1=/bin/one\nEnb1=1\nIP1=0\n2=/bin/two\nEnb2=0\nIP2=1\n3=/bin/three\n");
    TFormProgramList editor(nullptr, true);
    auto* list = Child<QListWidget>(&editor, "ListPrograms");
    ASSERT_EQ(list->count(), 3);
    EXPECT_FALSE(list->item(1)->icon().isNull()) << "marked: only when the address changed";
    // The buttons beside the list and its context menu move entries alike.
    list->setCurrentRow(2);
    Child<QPushButton>(&editor, "ButtonTop")->click();
    list->setCurrentRow(1);
    Child<QAction>(list, "ActionBottom")->trigger();
    list->setCurrentRow(0);
    Child<QPushButton>(&editor, "ButtonDown")->click();
    Child<QAction>(list, "ActionUp")->trigger();

    // A dropped file and an added program join the list.
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile("/usr/bin/env")});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list->viewport(), &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list->viewport(), &drop);
    OnDialog("TFormProgramItem", [](QDialog& d) {
        d.findChild<QComboBox*>("ComboProgram")->setEditText("/bin/four %CURRENT_IP%");
        d.findChild<QCheckBox*>("CheckBoxOnlyWhenIPChanges")->setChecked(true);
        d.accept();
        return d.result();
    });
    Child<QPushButton>(&editor, "ButtonAdd")->click();
    Child<QComboBox>(&editor, "ComboDelay")->setCurrentIndex(7);
    editor.accept();

    EXPECT_EQ(ReadProgramList(Path(), RunSection, true),
              (std::vector<TProgramEntry>{{"/bin/three", true, false},
                                          {"/bin/two", false, true},
                                          {"/bin/one", true, false},
                                          {"/usr/bin/env", true, false},
                                          {"/bin/four %CURRENT_IP%", true, true}}));
    EXPECT_EQ(IniReadString(Path(), "Options", "Delay", ""), "7");
    EXPECT_EQ(IniReadString(Path(), "Run", "Enb2", ""), "0");
    EXPECT_EQ(LoadHistory("RunProgList"), (std::vector<std::string>{"/bin/four %CURRENT_IP%"}));
}

TEST_F(SettingsDialogs, OnlyWhenIPChangesIsOfferedForTheRunListOnly) {
    TFormProgramItem run(nullptr, true, {"/bin/a", true, true});
    auto* only = Child<QCheckBox>(&run, "CheckBoxOnlyWhenIPChanges");
    EXPECT_FALSE(only->isHidden());
    EXPECT_TRUE(only->isChecked());
    Child<QCheckBox>(&run, "CheckBoxEnabled")->setChecked(false);
    EXPECT_FALSE(only->isEnabled());

    TFormProgramItem disconnect(nullptr, false, {"/bin/a", true, true});
    EXPECT_TRUE(Child<QCheckBox>(&disconnect, "CheckBoxOnlyWhenIPChanges")->isHidden());
    EXPECT_FALSE(disconnect.Entry().OnlyWhenIPChanges);

    // The disconnect list never stores the mark.
    WriteFile("[DisconnectRun]\n1=/bin/a\nIP1=1\n");
    TFormProgramList editor(nullptr, false);
    editor.accept();
    EXPECT_FALSE(IniValueExists(Path(), "DisconnectRun", "IP1"));
    EXPECT_EQ(IniReadString(Path(), "Options", "DisconnectDelay", ""), "0");

    // An empty program is refused.
    TFormProgramItem empty(nullptr, true, {});
    empty.accept();
    EXPECT_EQ(empty.result(), QDialog::Rejected);
    EXPECT_THAT(Asked(), ElementsAre("Please enter the program to run."));
}

} // namespace
} // namespace hostaq::test
