// The tray icon's clicks and menu as other desktops deliver them: StatusNotifierItem panels
// report every click as one activation and open the menu while a dialog of the program is up.
#include "MainWindowFixture.h"

#include "ui/common/ModalDialog.h"
#include "ui/tray/VemoHotKey.h"
#include "ui/tray/VemoTrayIcon.h"

#include <QDialog>

namespace hostaq::test {
namespace {

// A grab that always succeeds: the hot key is held until released.
class TGrabbingBackend : public THotKeyBackend {
public:
    int Grab(int, int, std::function<void()>, QString&) override { return ++held_; }
    void Release(int) override { --held_; }
    int Held() const { return held_; }

private:
    int held_ = 0;
};

class TrayMenuTest : public TMainWindowFixture {
protected:
    TrayMenuTest() { TVemoHotKey::SetBackend(&Grabs); }
    ~TrayMenuTest() override {
        Engine.reset();
        Window.reset();
        TVemoHotKey::SetBackend(nullptr);
        TVemoTrayIcon::SetDoubleClickReportedForTest(true);
        SetModalHandler({});
    }
    void Activate(QSystemTrayIcon::ActivationReason reason) {
        emit Window->TrayIcon()->Icon()->activated(reason);
    }

    TGrabbingBackend Grabs;
};

TEST_F(TrayMenuTest, ATrayHostWithoutDoubleClicksOpensTheWindowOnEveryActivation) {
    StartWindow();
    Window->TrayIcon()->SetClickDelay(0);
    // An X notification area: without UseSingleClick only a double click opens the window.
    Activate(QSystemTrayIcon::Trigger);
    EXPECT_FALSE(Window->WindowShown());
    Activate(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(Window->WindowShown());
    Window->Showing();

    // A StatusNotifierItem host reports each click as Trigger and never DoubleClick.
    TVemoTrayIcon::SetDoubleClickReportedForTest(false);
    Window->TrayIcon()->SetClickDelay(500);
    Activate(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(Window->WindowShown());
    Activate(QSystemTrayIcon::Trigger);
    EXPECT_FALSE(Window->WindowShown());
}

TEST_F(TrayMenuTest, MenuCommandsUnderADialogBringItToTheFrontAndAStopThenStaysStopped) {
    AddGroup("home", {"a.example"});
    Set("Options", "PopUpMod", "6");
    Set("Options", "PopUpKey", "68");
    StartWindow();
    ASSERT_EQ(Grabs.Held(), 1);
    ASSERT_TRUE(Window->TrayIcon()->Visible());

    const std::string autoCheck = Get("Options", "AutoCheck");
    int dialogs = 0;
    SetModalHandler([&](QDialog& dialog) {
        ++dialogs;
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.show();
        QApplication::processEvents();
        EXPECT_EQ(QApplication::activeModalWidget(), &dialog);
        for (const char* name :
             {"ActionExit", "ActionShowHide", "ActionSettings", "ActionHelp", "ActionAbout",
              "ActionStartWithWindows", "ActionAutoCheck", "ActionUpdateNow"})
            Action(name)->trigger();
        EXPECT_EQ(Terminated, 0) << "Exit under the dialog";
        EXPECT_TRUE(TPrompt::Asked().empty());
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_FALSE(Window->WindowShown());
        EXPECT_TRUE(TDesktop::Opened().empty());
        EXPECT_FALSE(Action("ActionStartWithWindows")->isChecked());
        EXPECT_NE(Get("Options", "AutoStart"), "1");
        EXPECT_EQ(Get("Options", "AutoCheck"), autoCheck);

        // A stop signal while the dialog is open ends the program under it.
        Engine->RequestStop();
        EXPECT_EQ(Terminated, 1);
        dialog.hide();
        return static_cast<int>(QDialog::Rejected);
    });
    Window->SettingsCommand();
    EXPECT_EQ(dialogs, 1);
    // The end of the dialog starts nothing again on the stopping program.
    EXPECT_FALSE(Window->TrayIcon()->Visible());
    EXPECT_EQ(Grabs.Held(), 0);
    EXPECT_FALSE(Engine->TimerUpdate.Enabled());
}

} // namespace
} // namespace hostaq::test
