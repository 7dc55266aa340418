#include "MainWindowFixture.h"

#include "config/Scramble.h"
#include "ui/main/DisplayWindow.h"
#include "ui/tray/VemoHotKey.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QLineEdit>

namespace hostaq::test {
namespace {

class DisplayWindowTest : public TMainWindowFixture {
protected:
    // The dialog over a stand-in for the main window's hot key: a key is registered unless the
    // test refuses it.
    std::unique_ptr<TFormDisplayWindow> Open() {
        TFormDisplayWindow::TTarget target;
        target.ApplyHotKey = [this](const QKeySequence& key) {
            Applied.push_back(key);
            return !key.isEmpty() && !RefuseHotKey;
        };
        target.SetHideTray = [this](bool hide) { HideTray.push_back(hide); };
        return std::make_unique<TFormDisplayWindow>(std::move(target));
    }
    std::vector<QKeySequence> Applied;
    std::vector<bool> HideTray;
    bool RefuseHotKey = false;
};

TEST(DisplayPasswordCheckTest, PasswordAndConfirmationInOrder) {
    EXPECT_EQ(CheckDisplayPassword(false, {}, {}), TDisplayPasswordCheck::Ok);
    EXPECT_EQ(CheckDisplayPassword(true, {}, QStringLiteral("x")), TDisplayPasswordCheck::EmptyPassword);
    EXPECT_EQ(CheckDisplayPassword(true, QStringLiteral("a"), QStringLiteral("A")),
              TDisplayPasswordCheck::ConfirmDiffers);
    EXPECT_EQ(CheckDisplayPassword(true, QStringLiteral("a"), QStringLiteral("a")),
              TDisplayPasswordCheck::Ok);
}

TEST_F(DisplayWindowTest, LoadsTheStoredSettings) {
    Set("Options", "DisplayNeedPass", "1");
    Set("Options", "DisplayPassword", ScramblePassword("pw"));
    Set("Options", "UseSingleClick", "1");
    Set("Options", "HideTray", "1");
    auto dialog = Open();
    EXPECT_TRUE(dialog->NeedPass()->isChecked());
    EXPECT_EQ(dialog->Password()->text(), QStringLiteral("pw"));
    EXPECT_EQ(dialog->Confirm()->text(), QStringLiteral("pw"));
    EXPECT_TRUE(dialog->SingleClick()->isChecked());
    // Without a hot key the icon cannot be hidden.
    EXPECT_FALSE(dialog->HideTray()->isChecked());
    EXPECT_FALSE(dialog->HideTray()->isEnabled());
}

TEST_F(DisplayWindowTest, EmptyPasswordKeepsTheDialogOpenAndSavesNothing) {
    auto dialog = Open();
    dialog->show();
    dialog->NeedPass()->setChecked(true);
    dialog->findChild<QPushButton*>(QStringLiteral("ButtonOK"))->click();
    EXPECT_TRUE(dialog->isVisible());
    ASSERT_EQ(TPrompt::Asked().size(), 1u);
    EXPECT_EQ(TPrompt::Asked()[0].Text, QStringLiteral("Please enter your password."));
    EXPECT_EQ(Get("Options", "DisplayNeedPass"), "<none>");

    dialog->Password()->setText(QStringLiteral("pw"));
    dialog->Confirm()->setText(QStringLiteral("px"));
    dialog->accept();
    EXPECT_EQ(TPrompt::Asked().back().Text, QStringLiteral("Please confirm your password."));
    EXPECT_TRUE(dialog->Confirm()->text().isEmpty());
}

TEST_F(DisplayWindowTest, SavesPasswordClickAndHotKeyAndHidesTheIconOnlyWithAHotKey) {
    auto dialog = Open();
    dialog->NeedPass()->setChecked(true);
    dialog->Password()->setText(QStringLiteral("pw"));
    dialog->Confirm()->setText(QStringLiteral("pw"));
    dialog->SingleClick()->setChecked(true);
    dialog->HotKeyEdit()->setKeySequence(QKeySequence(QStringLiteral("Ctrl+Shift+D")));
    EXPECT_TRUE(dialog->HideTray()->isEnabled());
    dialog->HideTray()->setChecked(true);
    dialog->accept();
    EXPECT_EQ(Get("Options", "DisplayNeedPass"), "1");
    EXPECT_EQ(UnscramblePassword(Get("Options", "DisplayPassword")), "pw");
    EXPECT_EQ(Get("Options", "UseSingleClick"), "1");
    ASSERT_EQ(Applied.size(), 1u);
    EXPECT_EQ(Applied[0], QKeySequence(QStringLiteral("Ctrl+Shift+D")));
    EXPECT_EQ(HideTray, std::vector<bool>{true});

    // A hot key the grab refuses leaves the icon shown.
    RefuseHotKey = true;
    auto again = Open();
    again->HotKeyEdit()->setKeySequence(QKeySequence(QStringLiteral("Ctrl+Shift+E")));
    again->HideTray()->setChecked(true);
    again->accept();
    EXPECT_EQ(HideTray.back(), false);
}

void Press(QWidget* widget, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, mods);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods);
    QApplication::sendEvent(widget, &release);
}

// The hot key is grabbed on the whole desktop: it needs Ctrl or Alt, and Enter and Esc in its
// field act on the dialog.
TEST_F(DisplayWindowTest, HotKeyFieldRefusesKeysWithoutCtrlOrAltAndLetsEnterAndEscClose) {
    auto dialog = Open();
    dialog->show();
    QKeySequenceEdit* field = dialog->HotKeyEdit();
    struct TCase {
        int Key;
        Qt::KeyboardModifiers Mods;
        const char* Shown; // what the field holds afterwards
        bool Refused;
    };
    for (const TCase& c :
         std::vector<TCase>{{Qt::Key_A, Qt::NoModifier, "", true},
                            {Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier, "Ctrl+Shift+D", false},
                            {Qt::Key_A, Qt::ShiftModifier, "Ctrl+Shift+D", true},
                            {Qt::Key_F5, Qt::AltModifier, "Alt+F5", false}}) {
        Press(field, c.Key, c.Mods);
        EXPECT_EQ(field->keySequence().toString(QKeySequence::PortableText), QString::fromLatin1(c.Shown));
        EXPECT_EQ(dialog->HotKeyProblemLabel()->isVisibleTo(dialog.get()), c.Refused) << c.Shown;
        EXPECT_EQ(dialog->HotKeyProblemLabel()->text().contains(QLatin1String("Ctrl or Alt")), c.Refused);
    }
    Press(field, Qt::Key_Return);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    ASSERT_EQ(Applied.size(), 1u);
    EXPECT_EQ(Applied[0], QKeySequence(QStringLiteral("Alt+F5")));

    auto other = Open();
    other->show();
    Press(other->HotKeyEdit(), Qt::Key_Escape);
    EXPECT_EQ(other->result(), QDialog::Rejected);
    EXPECT_FALSE(other->isVisible());
    EXPECT_EQ(Applied.size(), 1u);
}

TEST_F(DisplayWindowTest, MainWindowRereadsSingleClickAfterTheDialog) {
    StartWindow();
    Window->DisplayWindowCommand();
    auto* dialog = Window->findChild<TFormDisplayWindow*>(QStringLiteral("FormDisplayWindow"));
    ASSERT_NE(dialog, nullptr);
    dialog->SingleClick()->setChecked(true);
    dialog->accept();
    Window->TrayClicked();
    EXPECT_TRUE(Window->isVisible());
}

} // namespace
} // namespace hostaq::test
