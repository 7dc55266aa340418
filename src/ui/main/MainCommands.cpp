#include "ui/main/MainWindow.h"

#include "config/ConfigKeys.h"
#include "config/ConfigPath.h"
#include "config/Version.h"
#include "engine/Engine.h"
#include "log/Log.h"
#include "ui/common/Desktop.h"
#include "ui/common/PasswordDlg.h"
#include "ui/common/Prompt.h"
#include "ui/common/UiMessages.h"
#include "ui/main/AboutBox.h"
#include "ui/main/DisplayWindow.h"
#include "ui/main/LogListView.h"
#include "ui/main/MainPages.h"
#include "ui/main/MainRules.h"
#include "ui/main/MainText.h"
#include "ui/settings/SettingsEntry.h"
#include "ui/tray/VemoTrayIcon.h"

#include <QAction>
#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>

// The commands of the window's buttons, the tray menu and the log list's menu, and what opening
// a menu enables.
namespace hostaq {

using namespace main_text;

namespace {
QAction* NamedAction(QObject* parent, const QString& text, const char* name) {
    auto* action = new QAction(text, parent);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}
} // namespace

void THostaqFormMain::BuildActions() {
    actShowHide_ = NamedAction(this, M(MsgShowMainWindow), "ActionShowHide");
    actSettings_ = NamedAction(this, M(MsgSettingsCmd), "ActionSettings");
    actUpdateNow_ = NamedAction(this, M(MsgUpdateNow), "ActionUpdateNow");
    actOfflineNow_ = NamedAction(this, M(MsgOfflineNowCmd), "ActionOfflineNow");
    actStartWithWindows_ = NamedAction(this, M(MsgStartWithWindows), "ActionStartWithWindows");
    actStartWithWindows_->setCheckable(true);
    actAutoCheck_ = NamedAction(this, M(MsgEnableAutoUpdate), "ActionAutoCheck");
    actAutoCheck_->setCheckable(true);
    actAbout_ =
        NamedAction(this, M(MsgAboutCmd) + QLatin1Char(' ') + QString::fromLatin1(AppTitle), "ActionAbout");
    actHelp_ = NamedAction(this, M(MsgHelpCmd), "ActionHelp");
    actExit_ = NamedAction(this, M(MsgExitCmd), "ActionExit");
    actUndock_ = NamedAction(this, M(MsgUndock), "ActionUndock");

    // The tray menu can open over a dialog of the program (StatusNotifierItem panels do not block
    // it): every command then brings that dialog to the front and does nothing else, Exit too,
    // which would otherwise end the event loop under the dialog.
    auto command = [this](QAction* action, auto run) {
        connect(action, &QAction::triggered, this, [this, action, run](bool checked) {
            if (!MainWindowIsTop()) {
                if (action->isCheckable())
                    action->setChecked(!checked);
                BringTopToFront();
                return;
            }
            run(checked);
        });
    };
    command(actShowHide_, [this](bool) { Showing(); });
    command(actSettings_, [this](bool) { SettingsCommand(); });
    // The two menu items act as clicks on their buttons.
    command(actUpdateNow_, [this](bool) { info_->ForceUpdate->click(); });
    command(actOfflineNow_, [this](bool) { offline_->OfflineNow->click(); });
    command(actStartWithWindows_, [this](bool checked) { SetStartWithWindows(checked); });
    command(actAutoCheck_, [this](bool checked) {
        if (engine_)
            engine_->ApplyAutoCheck(checked);
    });
    command(actAbout_, [this](bool) { AboutCommand(); });
    command(actHelp_, [this](bool) { HelpCommand(); });
    command(actExit_, [this](bool) { ExitCommand(); });
    connect(actUndock_, &QAction::triggered, this, [this] { LogUndocked() ? Dock() : Undock(); });
}

void THostaqFormMain::BuildMenus() {
    // The menus have no parent window: the tray shows its menu while the window is hidden.
    trayMenu_ = new QMenu;
    trayMenu_->setObjectName(QStringLiteral("PopupMenuTray"));
    trayMenu_->addAction(actShowHide_);
    trayMenu_->addSeparator();
    trayMenu_->addAction(actSettings_);
    trayMenu_->addAction(actUpdateNow_);
    trayMenu_->addAction(actOfflineNow_);
    trayMenu_->addSeparator();
    trayMenu_->addAction(actStartWithWindows_);
    trayMenu_->addAction(actAutoCheck_);
    trayMenu_->addSeparator();
    trayMenu_->addAction(actAbout_);
    trayMenu_->addAction(actHelp_);
    trayMenu_->addSeparator();
    trayMenu_->addAction(actExit_);
    connect(trayMenu_, &QMenu::aboutToShow, this, &THostaqFormMain::UpdateMenuState);
    tray_->SetMenu(trayMenu_);

    logMenu_ = new QMenu;
    logMenu_->setObjectName(QStringLiteral("PopupMenuLog"));
    logMenu_->addAction(actUndock_);
    logMenu_->addSeparator();
    logMenu_->addAction(actUpdateNow_);
    logMenu_->addAction(actSettings_);
    logMenu_->addAction(actShowHide_);
    connect(logMenu_, &QMenu::aboutToShow, this, &THostaqFormMain::UpdateMenuState);
    connect(logView_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { logMenu_->popup(logView_->viewport()->mapToGlobal(at)); });
}

// ---- commands -----------------------------------------------------------------------------

void THostaqFormMain::SettingsCommand() {
    if (floatingLog_)
        Dock();
    if (!MainWindowIsTop()) {
        BringTopToFront();
        return;
    }
    if (!engine_)
        return;
    if (!WindowShown() && !AskDisplayPassword(this))
        return;
    engine_->BeginSettings();
    const bool ok = ExecSettingsDialog(this, *engine_);
    // The program stopped while the dialog was open: nothing starts again.
    if (forceClose_)
        return;
    engine_->EndSettings(ok);
    LoadWindowOptions();
}

void THostaqFormMain::HelpCommand() {
    TDesktop::OpenHelpTopic(this, HelpTopicForPage(pages_->currentIndex(), WindowShown()));
}

void THostaqFormMain::AboutCommand() {
    if (!MainWindowIsTop()) {
        BringTopToFront();
        return;
    }
    auto* box = new TAboutBox(OnAboutCheck, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(true);
    box->show();
    box->raise();
    box->activateWindow();
}

void THostaqFormMain::ExitCommand() {
    if (!MainWindowIsTop()) {
        BringTopToFront();
        return;
    }
    if (!WindowShown() && !AskDisplayPassword(this))
        return;
    if (ExitNeedsConfirmation()) {
        TPrompt::Beep();
        TPromptRequest request;
        request.Kind = TPromptKind::Question;
        request.Text = Q(FormatMsg(MsgExitAsk, {AppTitle}));
        request.Buttons = {TPromptButton::Yes, TPromptButton::No};
        request.Default = TPromptButton::Yes;
        request.CheckBoxText = M(MsgDoNotAskAgain);
        const TPromptAnswer answer = TPrompt::Ask(this, request);
        WriteBool(Keys::DialogsExitDialog, answer.CheckBoxChecked);
        if (answer.CheckBoxChecked) {
            const QSignalBlocker block(options_->ExitDialog);
            options_->ExitDialog->setChecked(true);
        }
        if (answer.Button != TPromptButton::Yes)
            return;
    }
    OkCommand();
    if (engine_)
        engine_->RequestStop();
}

void THostaqFormMain::OkCommand() {
    if (engine_)
        engine_->SaveIntervalFields(options_->CheckingInt->text().toStdString(),
                                    options_->ForceUpdateInt->text().toStdString());
    if (floatingLog_)
        Dock();
    if (isVisible())
        HideToTray();
}

void THostaqFormMain::DisplayWindowCommand() {
    if (!MainWindowIsTop()) {
        BringTopToFront();
        return;
    }
    TFormDisplayWindow::TTarget target;
    target.ApplyHotKey = [this](const QKeySequence& key) { return ApplyHotKey(key); };
    target.SetHideTray = [this](bool hide) { SetHideTray(hide); };
    auto* dialog = new TFormDisplayWindow(std::move(target), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this] { useSingleClick_ = ReadBool(Keys::UseSingleClick); });
    dialog->open();
}

void THostaqFormMain::SetStartWithWindows(bool checked) {
    {
        const QSignalBlocker block(options_->StartWithWindows);
        options_->StartWithWindows->setChecked(checked);
    }
    hostaq::SetStartWithWindows(checked, env_.Autostart, env_.ProgramPath);
    ShowStartWithWindows();
}

void THostaqFormMain::ServiceCommand() {
    if (serviceBusy_ || !env_.RunElevated)
        return;
    SetStartWithWindows(false);
    const bool installing = !serviceInstalled_;
    QStringList arguments{Q(env_.ProgramPath), QString::fromLatin1(installing ? "install" : "uninstall")};
    if (installing)
        arguments << Q(ConfigPath());
    serviceBusy_ = true;
    options_->Service->setEnabled(false);
    QPointer<THostaqFormMain> self(this);
    env_.RunElevated(arguments, [self, arguments](int status, const QString& output) {
        if (!self)
            return;
        self->serviceBusy_ = false;
        if (status < 0 || status == 126 || status == 127) {
            // No pkexec, or no administrator rights granted: the user can still do it by hand.
            QStringList quoted;
            for (const QString& a : arguments)
                quoted << (a.contains(QLatin1Char(' ')) ? QLatin1Char('"') + a + QLatin1Char('"') : a);
            TPrompt::Warning(self, Q(FormatMsg(MsgElevationRefused,
                                               {"\n", "\n\n", quoted.join(QLatin1Char(' ')).toStdString()})));
        } else if (status == 0) {
            TPrompt::Information(self, output);
        } else {
            TPrompt::Error(self, output);
        }
        self->ShowServiceState();
    });
}

void THostaqFormMain::DumpConfigCommand() {
    if (!MainWindowIsTop()) {
        BringTopToFront();
        return;
    }
    if (!engine_ || !env_.AskDumpFileName)
        return;
    QString file = env_.AskDumpFileName(this);
    if (file.isEmpty())
        return;
    if (QFileInfo(file).suffix().isEmpty())
        file += QStringLiteral(".txt");
    // A file that cannot be written has been reported by the engine.
    if (engine_->DumpConfig(file.toStdString()))
        TDesktop::OpenFile(this, file);
}

void THostaqFormMain::ShowLogFileCommand() {
    std::string file;
    {
        TLogLock lock;
        file = LogList().LogFileName();
    }
    if (!file.empty())
        TDesktop::OpenFile(this, Q(file));
}

void THostaqFormMain::ClearLogCommand() {
    TLogLock lock;
    LogList().ClearLog();
}

// ---- menus and command enabling -----------------------------------------------------------

void THostaqFormMain::UpdateMenuState() {
    TCommandInputs in;
    in.GroupCount = engine_ ? static_cast<int>(engine_->GroupNames().size()) : 0;
    in.Cycle = engine_ ? engine_->CycleState() : CycleStarting;
    in.DisplayNeedPass = ReadBool(Keys::DisplayNeedPass);
    in.WindowVisible = WindowShown();
    in.StartWithWindowsAllowed = startWithWindowsAllowed_;
    const TCommandState s = CommandState(in);

    actShowHide_->setText(M(s.OffersHide ? MsgHideMainWindow : MsgShowMainWindow));
    actUndock_->setText(M(LogUndocked() ? MsgDock : MsgUndock));
    {
        const QSignalBlocker block(options_->StartWithWindows);
        options_->StartWithWindows->setChecked(startWithWindowsAllowed_ && env_.Autostart.Exists());
    }
    ShowStartWithWindows();
    updateEnabled_ = s.UpdateCommands;
    ApplyUpdateCommands();
    actUpdateNow_->setEnabled(s.MenuUpdate);
    actOfflineNow_->setEnabled(s.MenuUpdate);
    actStartWithWindows_->setEnabled(s.MenuStartWithWindows);
    actAutoCheck_->setEnabled(s.MenuAutoCheck);
}

void THostaqFormMain::ApplyUpdateCommands() {
    const bool groups = engine_ && !engine_->GroupNames().empty();
    const bool update = updateEnabled_ && groups;
    info_->ForceUpdate->setEnabled(update);
    offline_->OfflineNow->setEnabled(update);
    offline_->ScheduleOffline->setEnabled(update);
    const bool needPass = ReadBool(Keys::DisplayNeedPass);
    actUpdateNow_->setEnabled(update && !needPass);
    actOfflineNow_->setEnabled(update && !needPass);
    info_->Settings->setEnabled(settingsEnabled_);
    actSettings_->setEnabled(settingsEnabled_);
}

} // namespace hostaq
