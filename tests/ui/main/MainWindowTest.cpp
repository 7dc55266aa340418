#include "MainWindowFixture.h"

#include "config/Scramble.h"
#include "ui/common/ModalDialog.h"
#include "ui/main/LogListView.h"
#include "ui/tray/VemoHotKey.h"
#include "ui/tray/VemoTrayIcon.h"

#include <QCheckBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTabWidget>
#include <csignal>
#include <cstdlib>
#include <thread>
#include <unistd.h>

namespace hostaq::test {
namespace {

class MainWindowTest : public TMainWindowFixture {};

TEST_F(MainWindowTest, TrayShowsTheRunWithTheAnimationAndTheAddressAfterwards) {
    AddGroup("home", {"a.example"});
    StartWindow();
    TVemoTrayIcon* tray = Window->TrayIcon();
    EXPECT_TRUE(tray->Visible());

    Updater.Hold = true;
    const std::int64_t wait = Clock.Now().MsecsTo(Engine->NextCheckTime());
    Loop.AdvanceMsecs(wait + 1000);
    Loop.AdvanceSecs(1);
    ASSERT_TRUE(Engine->RunInProgress());
    EXPECT_EQ(tray->Hint(), QStringLiteral("Hostaq Updater\nUpdating"));
    std::vector<int> frames;
    for (int i = 0; i < 4; ++i) {
        Loop.AdvanceMsecs(250);
        frames.push_back(tray->TrayState());
    }
    EXPECT_EQ(frames, (std::vector<int>{7, 6, 5, 0}));
    // The buttons of the update commands wait for the run.
    EXPECT_FALSE(Find<QPushButton>("ButtonForceUpdate")->isEnabled());

    Updater.ReleaseHeld();
    FinishRun();
    EXPECT_FALSE(Engine->RunInProgress());
    EXPECT_EQ(tray->TrayState(), 0);
    EXPECT_EQ(tray->Hint(), QStringLiteral("Update result: No error"));
    EXPECT_EQ(Find<QLineEdit>("EditUpdatedIP")->text(), QStringLiteral("203.0.113.7"));
    EXPECT_TRUE(Find<QPushButton>("ButtonForceUpdate")->isEnabled());
    // The next check shows the address and the time since the update.
    RunCheck();
    EXPECT_TRUE(tray->Hint().startsWith(QStringLiteral("Hostaq Updater\nIP: 203.0.113.7\nUpdated: ")))
        << tray->Hint().toStdString();
}

TEST_F(MainWindowTest, WithoutGroupsTheIconIsDisabledAndTheUpdateCommandsAreOff) {
    StartWindow();
    EXPECT_EQ(Window->TrayIcon()->TrayState(), 3);
    EXPECT_EQ(Window->TrayIcon()->Hint(), QStringLiteral("Hostaq Updater\nNo account is detected"));
    Window->UpdateMenuState();
    EXPECT_FALSE(Action("ActionUpdateNow")->isEnabled());
    EXPECT_FALSE(Action("ActionOfflineNow")->isEnabled());
    EXPECT_FALSE(Find<QPushButton>("ButtonForceUpdate")->isEnabled());
    EXPECT_FALSE(Find<QPushButton>("ButtonOfflineNow")->isEnabled());
    EXPECT_TRUE(Action("ActionSettings")->isEnabled());
}

TEST_F(MainWindowTest, MenuEnablingFollowsGroupsAndTheDisplayPassword) {
    AddGroup("home", {"a.example"});
    StartWindow();
    // Once started, the update commands are there without opening a menu first.
    EXPECT_TRUE(Find<QPushButton>("ButtonForceUpdate")->isEnabled());
    EXPECT_TRUE(Action("ActionUpdateNow")->isEnabled());
    EXPECT_TRUE(Action("ActionOfflineNow")->isEnabled());
    EXPECT_TRUE(Action("ActionStartWithWindows")->isEnabled());
    EXPECT_TRUE(Action("ActionAutoCheck")->isEnabled());
    EXPECT_EQ(Action("ActionShowHide")->text(), QStringLiteral("Show main &window"));

    Set("Options", "DisplayNeedPass", "1");
    Window->UpdateMenuState();
    EXPECT_FALSE(Action("ActionUpdateNow")->isEnabled());
    EXPECT_FALSE(Action("ActionOfflineNow")->isEnabled());
    EXPECT_FALSE(Action("ActionStartWithWindows")->isEnabled());
    EXPECT_FALSE(Action("ActionAutoCheck")->isEnabled());
    // Whoever opened the window gave the password: its own buttons and the log list's menu stay
    // usable.
    EXPECT_TRUE(Find<QPushButton>("ButtonForceUpdate")->isEnabled());
    EXPECT_TRUE(Action("ActionLogUpdateNow")->isEnabled());
    EXPECT_TRUE(Action("ActionExit")->isEnabled());
}

TEST_F(MainWindowTest, CloseBoxHidesTheWindowAndTheProgramKeepsRunning) {
    AddGroup("home", {"a.example"});
    StartWindow();
    EXPECT_FALSE(Window->isVisible());
    Action("ActionShowHide")->trigger();
    ASSERT_TRUE(Window->isVisible());
    Window->UpdateMenuState();
    EXPECT_EQ(Action("ActionShowHide")->text(), QStringLiteral("Hide main &window"));

    Window->close();
    QApplication::processEvents();
    EXPECT_FALSE(Window->isVisible());
    EXPECT_EQ(Terminated, 0);
    EXPECT_TRUE(Engine->TimerUpdate.Enabled());
    EXPECT_TRUE(Window->TrayIcon()->Visible());
}

TEST_F(MainWindowTest, WithoutNotificationAreaTheWindowShowsAndTheCloseBoxMinimises) {
    TrayPresent = false;
    StartWindow();
    EXPECT_TRUE(Window->isVisible());
    EXPECT_FALSE(Window->TrayIcon()->Visible());
    EXPECT_TRUE(Logged("No notification area was found: the window stays on the task bar, and its close box "
                       "minimises it."));
    Window->close();
    QApplication::processEvents();
    EXPECT_TRUE(Window->isMinimized());
    EXPECT_EQ(Terminated, 0);
}

TEST_F(MainWindowTest, HelpFollowsThePageShownAndEveryTopicExists) {
    StartWindow();
    Window->Showing();
    auto* pages = Find<QTabWidget>("PageControl");
    pages->setCurrentIndex(2);
    Click("ButtonHelp");
    ASSERT_EQ(TDesktop::Opened().size(), 1);
    EXPECT_TRUE(TDesktop::Opened().back().toLocalFile().endsWith(QStringLiteral("/offlinepage.html")));

    for (int page = 0; page < pages->count(); ++page) {
        pages->setCurrentIndex(page);
        Window->HelpCommand();
    }
    Window->Showing(); // hidden: the help's front page
    Window->HelpCommand();
    ASSERT_EQ(TDesktop::Opened().size(), 6);
    EXPECT_TRUE(TDesktop::Opened().back().toLocalFile().endsWith(QStringLiteral("/index.html")));
    for (const QUrl& url : TDesktop::Opened())
        EXPECT_TRUE(QFile::exists(url.toLocalFile())) << url.toString().toStdString();
}

TEST_F(MainWindowTest, SettingsWhileHiddenAskTheDisplayPasswordFirst) {
    AddGroup("home", {"a.example"});
    Set("Options", "DisplayNeedPass", "1");
    Set("Options", "DisplayPassword", ScramblePassword("s3cret"));
    StartWindow();

    TPasswordDlg::QueueTestEntry(QStringLiteral("S3CRET"));
    Action("ActionSettings")->trigger();
    EXPECT_EQ(TPasswordDlg::TestAsks(), 1);
    EXPECT_TRUE(TPrompt::Asked().empty()); // no dialog, no message
    EXPECT_EQ(Engine->CycleState(), CycleIdle);
    EXPECT_TRUE(Engine->TimerUpdate.Enabled());

    // The settings dialog is handed to the test instead of being shown, and left with Cancel.
    int settingsRuns = 0;
    SetModalHandler([&](QDialog& dialog) {
        settingsRuns += dialog.objectName() == QStringLiteral("THostaqFormSetting");
        return static_cast<int>(QDialog::Rejected);
    });
    TPasswordDlg::QueueTestEntry(QStringLiteral("s3cret"));
    Action("ActionSettings")->trigger();
    SetModalHandler({});
    EXPECT_EQ(TPasswordDlg::TestAsks(), 2);
    EXPECT_EQ(settingsRuns, 1);
    EXPECT_EQ(Engine->CycleState(), CycleIdle);
    EXPECT_TRUE(Engine->TimerUpdate.Enabled());

    // Showing the window asks the same way; a wrong entry leaves it hidden.
    Window->Showing();
    EXPECT_FALSE(Window->isVisible());
    TPasswordDlg::QueueTestEntry(QStringLiteral("s3cret"));
    Window->Showing();
    EXPECT_TRUE(Window->isVisible());
}

TEST_F(MainWindowTest, ExitAsksUnlessToldNotToAndWritesTheBox) {
    StartWindow();
    TPrompt::QueueAnswer(TPromptButton::No, true);
    Action("ActionExit")->trigger();
    ASSERT_EQ(TPrompt::Asked().size(), 1u);
    EXPECT_EQ(TPrompt::Asked()[0].Text, QStringLiteral("Do you really want to close Hostaq Updater?"));
    EXPECT_FALSE(TPrompt::Asked()[0].CheckBoxText.isEmpty());
    EXPECT_EQ(Get("Dialogs", "ExitDialog"), "1");
    EXPECT_EQ(Terminated, 0);
    EXPECT_TRUE(Find<QCheckBox>("CheckBoxExitDialog")->isChecked());

    Action("ActionExit")->trigger();
    EXPECT_EQ(TPrompt::Asked().size(), 1u);
    EXPECT_EQ(Terminated, 1);
    EXPECT_TRUE(Logged("Hostaq Updater stopped..."));
}

TEST_F(MainWindowTest, ClearingNoConfirmationBringsTheQuestionBack) {
    Set("Dialogs", "ExitDialog", "1");
    StartWindow();
    auto* box = Find<QCheckBox>("CheckBoxExitDialog");
    EXPECT_TRUE(box->isChecked());
    box->click();
    EXPECT_EQ(Get("Options", "ExitDialog"), "0");
    EXPECT_EQ(Get("Dialogs", "ExitDialog"), "0");
    TPrompt::QueueAnswer(TPromptButton::No);
    Window->ExitCommand();
    EXPECT_EQ(TPrompt::Asked().size(), 1u);
    EXPECT_EQ(Get("Dialogs", "ExitDialog"), "0");
}

TEST_F(MainWindowTest, OkWritesTheIntervalFieldsAndHides) {
    AddGroup("home", {"a.example"});
    StartWindow();
    Window->Showing();
    Find<QLineEdit>("EditCheckingInt")->setText(QStringLiteral("7"));
    Find<QLineEdit>("EditForceUpdateInt")->setText(QStringLiteral("30"));
    Click("ButtonOK");
    EXPECT_EQ(Get("Options", "CheckingInt"), "7");
    EXPECT_EQ(Get("Options", "ForceUpdateInt"), "30");
    EXPECT_FALSE(Window->isVisible());
}

TEST_F(MainWindowTest, IntervalFieldsFollowAutomaticUpdate) {
    AddGroup("home", {"a.example"});
    StartWindow();
    auto* box = Find<QCheckBox>("CheckBoxAutoCheck");
    for (const bool on : {false, true, false}) {
        if (box->isChecked() != on)
            box->click();
        EXPECT_EQ(Find<QLineEdit>("EditCheckingInt")->isEnabled(), on);
        EXPECT_EQ(Find<QLineEdit>("EditForceUpdateInt")->isEnabled(), on);
    }
    Action("ActionAutoCheck")->trigger();
    EXPECT_TRUE(Find<QLineEdit>("EditForceUpdateInt")->isEnabled()) << "the tray item too";
}

TEST_F(MainWindowTest, UndockAndDockKeepTheLogWindowPlace) {
    StartWindow();
    auto* list = Find<TLogListView>("ListBoxLog");
    Window->Undock();
    ASSERT_TRUE(Window->LogUndocked());
    QWidget* floating = Window->FloatingLog();
    EXPECT_EQ(list->window(), floating);
    EXPECT_EQ(floating->geometry(), QRect(100, 50, 308, 226));
    EXPECT_EQ(Action("ActionUndock")->text(), QStringLiteral("&Dock"));

    floating->setGeometry(140, 70, 420, 330);
    Action("ActionUndock")->trigger();
    EXPECT_FALSE(Window->LogUndocked());
    EXPECT_EQ(list->window(), Window.get());
    EXPECT_EQ(Get("LogWindow", "left"), "140");
    EXPECT_EQ(Get("LogWindow", "top"), "70");
    EXPECT_EQ(Get("LogWindow", "width"), "412");
    EXPECT_EQ(Get("LogWindow", "height"), "304");

    // The next undock comes back at the same place and size.
    Window->Undock();
    EXPECT_EQ(Window->FloatingLog()->geometry(), QRect(140, 70, 420, 330));
    Window->Showing();
    Window->Showing(); // hiding the window docks the list first
    EXPECT_FALSE(Window->LogUndocked());
}

TEST_F(MainWindowTest, HotKeyThatCannotBeRegisteredKeepsTheIconReachable) {
    Set("Options", "PopUpMod", "6");
    Set("Options", "PopUpKey", "68");
    Set("Options", "HideTray", "1");
    StartWindow();
    Window->HotKeyRegisterFailed(0, 0);
    EXPECT_EQ(Get("Options", "PopUpMod"), "0");
    EXPECT_EQ(Get("Options", "PopUpKey"), "0");
    EXPECT_EQ(Get("Options", "HideTray"), "0");
    EXPECT_TRUE(Window->TrayIcon()->Visible());
}

TEST_F(MainWindowTest, HideTrayHidesTheNormalIconOnlyWhileAHotKeyIsSet) {
    AddGroup("home", {"a.example"});
    StartWindow();
    Window->SetTrayState(0);
    Window->SetHideTray(true);
    EXPECT_EQ(Get("Options", "HideTray"), "1");
    EXPECT_TRUE(Window->TrayIcon()->Visible()); // no hot key: the icon stays

    Window->HotKey()->SetHotKey(QKeySequence(QStringLiteral("Ctrl+Shift+D")));
    Window->HotKeyRegistered(6, 68);
    EXPECT_EQ(Get("Options", "PopUpMod"), "6");
    EXPECT_EQ(Get("Options", "PopUpKey"), "68");
    EXPECT_FALSE(Window->TrayIcon()->Visible());
    // Each heartbeat's state 0 leaves the hidden icon hidden: it never shows for a moment.
    int shown = 0;
    QObject watcher;
    QObject::connect(Window->TrayIcon(), &TVemoTrayIcon::VisibilityChanged, &watcher,
                     [&shown](bool visible) { shown += visible ? 1 : 0; });
    for (int i = 0; i < 3; ++i)
        Window->SetTrayState(0);
    EXPECT_EQ(shown, 0);
    Window->SetTrayState(2); // an error shows itself all the same
    EXPECT_TRUE(Window->TrayIcon()->Visible());

    // Clearing the hot key clears it in the file as well.
    EXPECT_FALSE(Window->ApplyHotKey({}));
    EXPECT_EQ(Get("Options", "PopUpKey"), "0");
}

TEST_F(MainWindowTest, StartWithWindowsKeepsTheEntryTheBoxAndTheTrayItemInStep) {
    StartWindow();
    auto* box = Find<QCheckBox>("CheckBoxStartWithWindows");
    box->click();
    EXPECT_TRUE(Env.Autostart.Exists());
    EXPECT_EQ(Get("Options", "AutoStart"), "1");
    EXPECT_TRUE(Action("ActionStartWithWindows")->isChecked());
    EXPECT_FALSE(Find<QPushButton>("ButtonService")->isEnabled());

    Action("ActionStartWithWindows")->trigger();
    EXPECT_FALSE(Env.Autostart.Exists());
    EXPECT_FALSE(box->isChecked());
    EXPECT_TRUE(Find<QPushButton>("ButtonService")->isEnabled());
}

TEST_F(MainWindowTest, ServiceButtonRunsPkexecAndShowsTheCommandWhenRefused) {
    StartWindow();
    auto* button = Find<QPushButton>("ButtonService");
    EXPECT_EQ(button->text(), QStringLiteral("Install service"));
    ElevatedStatus = 126;
    button->click();
    ASSERT_EQ(Elevated.size(), 1u);
    EXPECT_EQ(Elevated[0], (QStringList{QStringLiteral("/opt/hostaq/bin/hostaq"), QStringLiteral("install"),
                                        QString::fromStdString(Path)}));
    ASSERT_EQ(TPrompt::Asked().size(), 1u);
    EXPECT_TRUE(TPrompt::Asked()[0].Text.contains(QStringLiteral("/opt/hostaq/bin/hostaq install ")));

    ElevatedStatus = 0;
    ElevatedOutput = QStringLiteral("The service has been installed successfully.");
    ServiceInstalled = true;
    button->click();
    EXPECT_EQ(TPrompt::Asked().back().Text, ElevatedOutput);
    EXPECT_EQ(button->text(), QStringLiteral("Uninstall service"));
    EXPECT_FALSE(Find<QCheckBox>("CheckBoxStartWithWindows")->isEnabled());
}

// The window's thread blocks the stop signals; pkexec (here a stand-in that reports what it got)
// begins with none blocked or ignored and only its standard descriptors.
TEST(PkexecLaunchTest, PkexecStartsWithTheDefaultSignalStateAndOnlyItsStandardDescriptors) {
    TTempDir dir;
    ASSERT_EQ(::symlink(HOSTAQ_CHILD_PROBE, dir.File("pkexec").c_str()), 0);
    const char* oldPath = std::getenv("PATH");
    const std::string saved = oldPath != nullptr ? oldPath : "";
    ::setenv("PATH", (dir.Path() + ":" + saved).c_str(), 1);
    sigset_t stop, old;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTERM);
    sigaddset(&stop, SIGINT);
    ::pthread_sigmask(SIG_BLOCK, &stop, &old);

    bool finished = false;
    int status = -2;
    QString output;
    THostaqFormMain::DefaultEnvironment().RunElevated({}, [&](int code, const QString& text) {
        finished = true;
        status = code;
        output = text;
    });
    QElapsedTimer t;
    t.start();
    while (!finished && t.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    ::pthread_sigmask(SIG_SETMASK, &old, nullptr);
    ::setenv("PATH", saved.c_str(), 1);
    ASSERT_TRUE(finished);
    EXPECT_EQ(status, 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("SigBlk:\t0000000000000000"))) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("SigIgn:\t0000000000000000"))) << output.toStdString();
    EXPECT_TRUE(output.endsWith(QStringLiteral("fds: 0 1 2"))) << output.toStdString();
}

TEST_F(MainWindowTest, DumpConfigWritesTheFileAndOpensIt) {
    AddGroup("home", {"a.example"});
    StartWindow();
    DumpFile = QString::fromStdString(Dir.File("dump"));
    Click("ButtonDumpConfig");
    ASSERT_TRUE(QFile::exists(DumpFile + QStringLiteral(".txt")));
    ASSERT_EQ(TDesktop::Opened().size(), 1);
    EXPECT_EQ(TDesktop::Opened()[0].toLocalFile(), DumpFile + QStringLiteral(".txt"));

    DumpFile = QString::fromStdString(Dir.File("missing/dump.txt"));
    Click("ButtonDumpConfig");
    ASSERT_EQ(TPrompt::Asked().size(), 1u);
    EXPECT_EQ(TPrompt::Asked()[0].Kind, TPromptKind::Error);
}

TEST_F(MainWindowTest, LogListShowsEntriesInTheColoursOfTheirKind) {
    StartWindow();
    auto* list = Find<TLogListView>("ListBoxLog");
    const int before = list->model()->rowCount();
    AddLog(LogError, "failed");
    AddLog(LogProgram, "started");
    ASSERT_EQ(list->model()->rowCount(), before + 2);
    const QModelIndex error = list->model()->index(before, 0);
    EXPECT_EQ(error.data(Qt::BackgroundRole).value<QColor>(), QColor(255, 0, 0));
    EXPECT_EQ(error.data(Qt::ForegroundRole).value<QColor>(), QColor(255, 255, 255));
    EXPECT_TRUE(error.data().toString().endsWith(QStringLiteral(" - failed")));
    EXPECT_TRUE(error.data().toString().startsWith(QLatin1Char(' ')));
    EXPECT_EQ(list->model()->index(before + 1, 0).data(Qt::BackgroundRole).value<QColor>(),
              QColor(0, 128, 0));
    EXPECT_EQ(list->currentIndex().row(), before + 1); // the newest entry is selected

    Click("ButtonClearLog");
    EXPECT_EQ(list->model()->rowCount(), 0);

    // An entry logged by another thread reaches the list through the main thread.
    std::thread worker([] { AddLog(LogNormal, "from a worker"); });
    worker.join();
    EXPECT_EQ(list->model()->rowCount(), 0);
    QApplication::processEvents();
    ASSERT_EQ(list->model()->rowCount(), 1);
    EXPECT_TRUE(list->model()->index(0, 0).data().toString().endsWith(QStringLiteral("from a worker")));
}

} // namespace
} // namespace hostaq::test
