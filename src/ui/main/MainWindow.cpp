#include "ui/main/MainWindow.h"

#include "config/ConfigKeys.h"
#include "config/ConfigPath.h"
#include "config/IniFile.h"
#include "config/Messages.h"
#include "config/Version.h"
#include "engine/Engine.h"
#include "log/Log.h"
#include "net/ChildProcess.h"
#include "platform/ServiceControl.h"
#include "ui/common/Desktop.h"
#include "ui/common/PasswordDlg.h"
#include "ui/common/Prompt.h"
#include "ui/common/UiMessages.h"
#include "ui/main/AboutBox.h"
#include "ui/main/DisplayWindow.h"
#include "ui/main/LogListView.h"
#include "ui/main/MainPages.h"
#include "ui/main/MainRules.h"
#include "ui/main/OfflineCountdown.h"
#include "ui/settings/SettingsEntry.h"
#include "ui/tray/VemoHotKey.h"
#include "ui/tray/VemoTrayIcon.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QDateEdit>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace hostaq {

namespace {
QString M(int id) {
    return QString::fromStdString(Msg(id));
}
QString Q(const std::string& text) {
    return QString::fromStdString(text);
}
// Texts made for Windows separate lines with CR LF.
QString Lines(const std::string& text) {
    return Q(text)
        .replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

QAction* NamedAction(QObject* parent, const QString& text, const char* name) {
    auto* action = new QAction(text, parent);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

QDateTime ToQt(const TDateTime& t) {
    return {QDate(t.Year(), t.Month(), t.Day()), QTime(t.Hour(), t.Minute(), t.Second())};
}

void RunWithPkexec(const QStringList& arguments, std::function<void(int, const QString&)> done) {
    if (QStandardPaths::findExecutable(QStringLiteral("pkexec")).isEmpty()) {
        done(-1, {});
        return;
    }
    auto* process = new QProcess;
    process->setProcessChannelMode(QProcess::MergedChannels);
    // pkexec begins as every program the system starts: the default signal mask and
    // dispositions (the window's thread blocks the stop signals) and only its standard
    // descriptors.
    process->setChildProcessModifier([] { ResetChildState(); });
    QObject::connect(process, &QProcess::finished, process,
                     [process, done](int code, QProcess::ExitStatus status) {
                         done(status == QProcess::NormalExit ? code : -1,
                              QString::fromLocal8Bit(process->readAll()).trimmed());
                         process->deleteLater();
                     });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, done](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return;
                         done(-1, {});
                         process->deleteLater();
                     });
    process->start(QStringLiteral("pkexec"), arguments);
}
} // namespace

THostaqFormMain::TEnvironment THostaqFormMain::DefaultEnvironment() {
    TEnvironment env;
    env.ProgramPath = ProgramPath();
    env.ServiceInstalled = [] { return TServiceControl().IsInstalled(); };
    env.RunElevated = RunWithPkexec;
    env.AskDumpFileName = [](QWidget* parent) {
        QFileDialog dialog(parent);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilter(M(MsgTextFileFilter));
        dialog.setDefaultSuffix(QStringLiteral("txt"));
        return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()
                   ? dialog.selectedFiles().front()
                   : QString();
    };
    env.NotificationArea = [] { return TVemoTrayIcon::Available(); };
    return env;
}

THostaqFormMain::THostaqFormMain(TEnvironment env, QWidget* parent)
    : QWidget(parent), env_(std::move(env)), pages_(new QTabWidget(this)), info_(new TInfoPage),
      options_(new TOptionsPage), offline_(new TOfflinePage), logPage_(new TLogPage),
      logView_(new TLogListView), status_(new QLabel(this)), ok_(new QPushButton(M(MsgOkCmd), this)),
      help_(new QPushButton(M(MsgHelpCmd), this)), about_(new QPushButton(M(MsgAboutCmd), this)),
      tray_(new TVemoTrayIcon(this)), hotKey_(new TVemoHotKey(this)) {
    if (!env_.NotificationArea)
        env_.NotificationArea = [] { return TVemoTrayIcon::Available(); };
    setObjectName(QStringLiteral("HostaqFormMain"));
    setWindowTitle(QString::fromLatin1(AppTitle));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);

    pages_->setObjectName(QStringLiteral("PageControl"));
    pages_->addTab(info_, M(MsgPageInfo));
    pages_->addTab(options_, M(MsgPageOptions));
    pages_->addTab(offline_, M(MsgPageOffline));
    pages_->addTab(logPage_, M(MsgPageLog));
    logPage_->ListHost->addWidget(logView_);
    status_->setObjectName(QStringLiteral("LabelStatus"));
    ok_->setObjectName(QStringLiteral("ButtonOK"));
    ok_->setDefault(true);
    help_->setObjectName(QStringLiteral("ButtonHelp"));
    about_->setObjectName(QStringLiteral("ButtonAbout"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(status_, 1);
    buttons->addWidget(ok_);
    buttons->addWidget(help_);
    buttons->addWidget(about_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_, 1);
    layout->addLayout(buttons);

    BuildActions();
    BuildMenus();
    WireControls();

    // One size for every page, wide enough for the longest texts, and never resized.
    pages_->setMinimumSize(500, 330);
    setFixedSize(sizeHint());

    trayWatch_.setInterval(5000);
    connect(&trayWatch_, &QTimer::timeout, this, &THostaqFormMain::WatchForNotificationArea);
}

THostaqFormMain::~THostaqFormMain() {
    if (floatingLog_) {
        // The list belongs to the window, whatever holds it now.
        logView_->setParent(nullptr);
        delete floatingLog_;
        delete logView_;
    }
    hotKey_->SetActive(false);
    tray_->SetVisible(false);
    delete trayMenu_;
    delete logMenu_;
}

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

    connect(actShowHide_, &QAction::triggered, this, &THostaqFormMain::Showing);
    connect(actSettings_, &QAction::triggered, this, &THostaqFormMain::SettingsCommand);
    // The two menu items act as clicks on their buttons.
    connect(actUpdateNow_, &QAction::triggered, info_->ForceUpdate, &QPushButton::click);
    connect(actOfflineNow_, &QAction::triggered, offline_->OfflineNow, &QPushButton::click);
    connect(actStartWithWindows_, &QAction::triggered, this, &THostaqFormMain::SetStartWithWindows);
    connect(actAutoCheck_, &QAction::triggered, this, [this](bool checked) {
        if (engine_)
            engine_->ApplyAutoCheck(checked);
    });
    connect(actAbout_, &QAction::triggered, this, &THostaqFormMain::AboutCommand);
    connect(actHelp_, &QAction::triggered, this, &THostaqFormMain::HelpCommand);
    connect(actExit_, &QAction::triggered, this, &THostaqFormMain::ExitCommand);
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

void THostaqFormMain::WireControls() {
    connect(info_->Settings, &QPushButton::clicked, this, &THostaqFormMain::SettingsCommand);
    connect(info_->ForceUpdate, &QPushButton::clicked, this, [this] {
        if (engine_)
            engine_->ForceUpdate();
    });
    connect(ok_, &QPushButton::clicked, this, &THostaqFormMain::OkCommand);
    connect(help_, &QPushButton::clicked, this, &THostaqFormMain::HelpCommand);
    connect(about_, &QPushButton::clicked, this, &THostaqFormMain::AboutCommand);

    // Options page.
    connect(options_->StartWithWindows, &QCheckBox::clicked, this, &THostaqFormMain::SetStartWithWindows);
    connect(options_->ExitDialog, &QCheckBox::clicked, this, [](bool checked) {
        WriteBool(Keys::ExitDialog, checked);
        // Clearing the box brings the question back, also after "Do not ask me again".
        if (!checked)
            WriteBool(Keys::DialogsExitDialog, false);
    });
    connect(options_->NoBeep, &QCheckBox::clicked, this,
            [](bool checked) { WriteBool(Keys::NoBeep, checked); });
    connect(options_->AutoCheck, &QCheckBox::clicked, this, [this](bool checked) {
        if (engine_)
            engine_->ApplyAutoCheck(checked);
    });
    connect(options_->CheckingInt, &QLineEdit::editingFinished, this, [this] {
        if (engine_)
            options_->CheckingInt->setText(
                Q(engine_->ChangeCheckInterval(options_->CheckingInt->text().toStdString())));
    });
    connect(options_->ForceUpdateInt, &QLineEdit::editingFinished, this, [this] {
        if (engine_ && !engine_->ChangeForceUpdateDays(options_->ForceUpdateInt->text().toStdString()))
            options_->ForceUpdateInt->setFocus();
    });
    connect(options_->Service, &QPushButton::clicked, this, &THostaqFormMain::ServiceCommand);
    connect(options_->DisplayWindow, &QPushButton::clicked, this, &THostaqFormMain::DisplayWindowCommand);

    // Offline page: its values are the engine's for this session.
    connect(offline_->OfflineURL, &QComboBox::editTextChanged, this, [this](const QString& text) {
        if (engine_)
            engine_->SetOfflineURL(text.trimmed().toStdString());
    });
    connect(offline_->OfflineIP, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (engine_)
            engine_->SetOfflineIP(text.trimmed().toStdString());
    });
    connect(offline_->AfterOffline, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (engine_ && index >= 0)
            engine_->SetAfterOfflineIndex(index);
        ApplyOfflineVisibility();
    });
    connect(offline_->Forced, &QCheckBox::toggled, this, [this](bool on) {
        if (engine_)
            engine_->SetOfflineForced(on);
    });
    connect(offline_->Disconnect, &QCheckBox::toggled, this, [this](bool on) {
        if (engine_)
            engine_->SetOfflineDisconnect(on);
    });
    connect(offline_->ScheduleOffline, &QCheckBox::clicked, this, [this](bool checked) {
        if (engine_)
            engine_->SetScheduleOffline(checked);
    });
    auto pickerChanged = [this] {
        if (!engine_)
            return;
        const QDate d = offline_->OffDate->date();
        const QTime t = offline_->OffTime->time();
        engine_->SetOffTime(
            TDateTime::FromParts(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()));
    };
    connect(offline_->OffDate, &QDateEdit::dateChanged, this, pickerChanged);
    connect(offline_->OffTime, &QTimeEdit::timeChanged, this, pickerChanged);
    connect(offline_->OfflineNow, &QPushButton::clicked, this, [this] {
        if (engine_)
            engine_->OfflineNow();
    });

    // Log page.
    connect(logPage_->ShowLogFile, &QPushButton::clicked, this, &THostaqFormMain::ShowLogFileCommand);
    connect(logPage_->ClearLog, &QPushButton::clicked, this, &THostaqFormMain::ClearLogCommand);
    connect(logPage_->CancelDial, &QPushButton::clicked, this, [this] {
        if (OnCancelDial)
            OnCancelDial();
    });
    connect(logPage_->DumpConfig, &QPushButton::clicked, this, &THostaqFormMain::DumpConfigCommand);

    // Tray and hot key.
    connect(tray_, &TVemoTrayIcon::OnClick, this, &THostaqFormMain::TrayClicked);
    connect(tray_, &TVemoTrayIcon::OnDblClick, this, &THostaqFormMain::TrayDoubleClicked);
    connect(tray_, &TVemoTrayIcon::OnMenuRequested, this, [this] {
        if (engine_)
            engine_->RebuildTrayHint();
    });
    connect(hotKey_, &TVemoHotKey::OnHotKey, this, &THostaqFormMain::HotKeyPressed);
    connect(hotKey_, &TVemoHotKey::OnHotKeyRegisterSuccess, this, &THostaqFormMain::HotKeyRegistered);
    connect(hotKey_, &TVemoHotKey::OnHotKeyRegisterFailed, this, &THostaqFormMain::HotKeyRegisterFailed);
}

// ---- start-up ---------------------------------------------------------------------------

void THostaqFormMain::Attach(TEngine& engine) {
    engine_ = &engine;
    offline_->AfterOffline->clear();
    static constexpr int afterTexts[] = {MsgAfterDisableAuto, MsgAfterExit,     MsgAfterLogOff,
                                         MsgAfterRestart,     MsgAfterShutDown, MsgAfterSuspend,
                                         MsgAfterHibernate};
    const int items = engine.AfterOfflineItems();
    const QSignalBlocker block(offline_->AfterOffline);
    for (int i = 0; i < items && i < 7; ++i)
        offline_->AfterOffline->addItem(M(afterTexts[i]));
}

void THostaqFormMain::LoadWindowOptions() {
    useSingleClick_ = ReadBool(Keys::UseSingleClick);
    hideTray_ = ReadBool(Keys::HideTray);
    {
        const QSignalBlocker b1(options_->ExitDialog);
        const QSignalBlocker b2(options_->NoBeep);
        options_->ExitDialog->setChecked(ReadBool(Keys::ExitDialog) || ReadBool(Keys::DialogsExitDialog));
        options_->NoBeep->setChecked(ReadBool(Keys::NoBeep));
    }
    ShowServiceState();
    if (engine_) {
        options_->CheckingInt->setText(QString::number(engine_->CheckInterval()));
        options_->ForceUpdateInt->setText(QString::number(engine_->ForceUpdateDays()));
        LoadOfflinePage();
    }
    const QKeySequence key = HotKeyFromWindows(ReadInteger(Keys::PopUpMod), ReadInteger(Keys::PopUpKey));
    if (key != hotKey_->HotKey() || (!key.isEmpty() && !hotKey_->Active()))
        ApplyHotKey(key);
    RefreshTrayVisibility();
    // The start-up leaves the update commands off until something enables them; once the
    // engine is idle they follow the same rules as when a menu opens.
    UpdateMenuState();
}

void THostaqFormMain::ShowServiceState() {
    serviceInstalled_ = env_.ServiceInstalled && env_.ServiceInstalled();
    options_->Service->setText(M(serviceInstalled_ ? MsgUninstallService : MsgInstallService));
    const TStartWithWindows sww =
        LoadStartWithWindows(false, serviceInstalled_, env_.Autostart, env_.ProgramPath);
    startWithWindowsAllowed_ = sww.Enabled;
    const QSignalBlocker block(options_->StartWithWindows);
    options_->StartWithWindows->setChecked(sww.Checked);
    ShowStartWithWindows();
}

void THostaqFormMain::ShowStartWithWindows() {
    const bool checked = options_->StartWithWindows->isChecked();
    options_->StartWithWindows->setEnabled(startWithWindowsAllowed_);
    actStartWithWindows_->setChecked(checked);
    // The service and the desktop start are two ways of the same thing: one at a time.
    options_->Service->setEnabled(!checked && !serviceBusy_);
}

void THostaqFormMain::LoadOfflinePage() {
    {
        const QSignalBlocker b1(offline_->OfflineURL);
        const QSignalBlocker b2(offline_->OfflineIP);
        const QSignalBlocker b3(offline_->AfterOffline);
        const QSignalBlocker b4(offline_->Forced);
        const QSignalBlocker b5(offline_->Disconnect);
        offline_->OfflineURL->setEditText(Q(engine_->OfflineURL()));
        offline_->OfflineIP->setText(Q(engine_->OfflineIP()));
        offline_->AfterOffline->setCurrentIndex(engine_->AfterOfflineIndex());
        offline_->Forced->setChecked(engine_->OfflineForced());
        offline_->Disconnect->setChecked(engine_->OfflineDisconnect());
    }
    ApplyOfflineVisibility();
    ShowOffTime({}, engine_->ScheduleOffline());
}

void THostaqFormMain::ApplyOfflineVisibility() {
    const TConnectionKind kind = engine_ ? engine_->ConnectionKind() : ConnectionLan;
    const TOfflineVisibility v = OfflineControlsVisibility(offline_->AfterOffline->currentIndex(), kind);
    offline_->Disconnect->setVisible(v.Disconnect);
    offline_->Forced->setVisible(v.Forced);
}

void THostaqFormMain::StartTray() {
    if (!NotificationAreaPresent()) {
        // Without a notification area the window is the only way in: it stays on the task bar.
        if (!noTrayLogged_) {
            noTrayLogged_ = true;
            AddLog(LogWarning, Msg(MsgNoNotificationArea));
        }
        BringToFront();
        trayWatch_.start();
    }
    RefreshTrayVisibility();
}

bool THostaqFormMain::NotificationAreaPresent() const {
    return env_.NotificationArea && env_.NotificationArea();
}

void THostaqFormMain::WatchForNotificationArea() {
    if (!NotificationAreaPresent())
        return;
    trayWatch_.stop();
    RefreshTrayVisibility();
}

// ---- showing and hiding -----------------------------------------------------------------

bool THostaqFormMain::WindowShown() const {
    return isVisible() && !isMinimized();
}

void THostaqFormMain::BringToFront() {
    if (!centred_) {
        centred_ = true;
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
    }
    UpdateMenuState();
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void THostaqFormMain::HideToTray() {
    if (NotificationAreaPresent() && env_.TrayAllowed)
        hide();
    else
        showMinimized();
}

void THostaqFormMain::Showing() {
    if (!WindowShown()) {
        if (!AskDisplayPassword(this))
            return;
        BringToFront();
        return;
    }
    if (floatingLog_)
        Dock();
    HideToTray();
}

void THostaqFormMain::closeEvent(QCloseEvent* event) {
    if (forceClose_) {
        event->accept();
        return;
    }
    // The close box only puts the window away; Exit ends the program.
    event->ignore();
    if (floatingLog_)
        Dock();
    QMetaObject::invokeMethod(this, &THostaqFormMain::HideToTray, Qt::QueuedConnection);
}

bool THostaqFormMain::MainWindowIsTop() {
    QWidget* modal = QApplication::activeModalWidget();
    return modal == nullptr || modal == this;
}

void THostaqFormMain::BringTopToFront() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == this) {
        if (WindowShown())
            BringToFront();
        return;
    }
    modal->show();
    modal->raise();
    modal->activateWindow();
}

void THostaqFormMain::ShowMainWindow() {
    Showing();
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

// ---- the log window -----------------------------------------------------------------------

void THostaqFormMain::Undock() {
    if (floatingLog_)
        return;
    floatingLog_ = new QWidget(nullptr, Qt::Window);
    floatingLog_->setObjectName(QStringLiteral("LogWindow"));
    floatingLog_->setWindowTitle(M(MsgLogWindowCaption));
    floatingLog_->setWindowIcon(windowIcon());
    auto* layout = new QVBoxLayout(floatingLog_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(logView_);
    floatingLog_->setGeometry(
        FloatingLogGeometry(ReadInteger(Keys::LogWindowLeft), ReadInteger(Keys::LogWindowTop),
                            ReadInteger(Keys::LogWindowWidth), ReadInteger(Keys::LogWindowHeight)));
    floatingLog_->installEventFilter(this);
    actUndock_->setText(M(MsgDock));
    floatingLog_->show();
    logView_->Model()->Resync();
}

void THostaqFormMain::Dock() {
    if (!floatingLog_)
        return;
    const QRect stored = StoredLogGeometry(floatingLog_->geometry());
    IniUpdate(ConfigPath(), [&stored](TIniDocument& doc) {
        doc.WriteInteger(Keys::LogWindowLeft.Section, Keys::LogWindowLeft.Key, stored.x());
        doc.WriteInteger(Keys::LogWindowTop.Section, Keys::LogWindowTop.Key, stored.y());
        doc.WriteInteger(Keys::LogWindowWidth.Section, Keys::LogWindowWidth.Key, stored.width());
        doc.WriteInteger(Keys::LogWindowHeight.Section, Keys::LogWindowHeight.Key, stored.height());
        return true;
    });
    QWidget* window = floatingLog_;
    floatingLog_ = nullptr;
    window->removeEventFilter(this);
    logPage_->ListHost->addWidget(logView_);
    window->hide();
    window->deleteLater();
    actUndock_->setText(M(MsgUndock));
    logView_->Model()->Resync();
}

bool THostaqFormMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == floatingLog_ && event->type() == QEvent::Close) {
        // Closing the log window puts the list back on its page.
        event->ignore();
        QMetaObject::invokeMethod(this, &THostaqFormMain::Dock, Qt::QueuedConnection);
        return true;
    }
    return QWidget::eventFilter(watched, event);
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

// ---- tray and hot key ---------------------------------------------------------------------

void THostaqFormMain::TrayClicked() {
    if (!MainWindowIsTop()) {
        BringTopToFront();
        return;
    }
    if (useSingleClick_)
        Showing();
}

void THostaqFormMain::TrayDoubleClicked() {
    if (!MainWindowIsTop()) {
        BringTopToFront();
        return;
    }
    if (!useSingleClick_)
        Showing();
}

void THostaqFormMain::HotKeyPressed() {
    if (!MainWindowIsTop()) {
        BringTopToFront();
        return;
    }
    if (engine_)
        engine_->RebuildTrayHint();
    trayMenu_->popup(QCursor::pos());
    trayMenu_->activateWindow();
}

bool THostaqFormMain::ApplyHotKey(const QKeySequence& key) {
    if (key.isEmpty()) {
        hotKey_->SetActive(false);
        hotKey_->SetHotKey({});
        // A cleared hot key stays cleared after the next start.
        WriteInteger(Keys::PopUpMod, 0);
        WriteInteger(Keys::PopUpKey, 0);
        RefreshTrayVisibility();
        return false;
    }
    hotKey_->SetHotKey(key);
    hotKey_->SetActive(true);
    RefreshTrayVisibility();
    return !hotKey_->HotKey().isEmpty();
}

void THostaqFormMain::HotKeyRegistered(int modifiers, int virtualKey) {
    WriteInteger(Keys::PopUpMod, modifiers);
    WriteInteger(Keys::PopUpKey, virtualKey);
    hideTray_ = ReadBool(Keys::HideTray);
    tray_->SetTrayState(trayState_);
    RefreshTrayVisibility();
}

void THostaqFormMain::HotKeyRegisterFailed(int modifiers, int virtualKey) {
    WriteInteger(Keys::PopUpMod, modifiers);
    WriteInteger(Keys::PopUpKey, virtualKey);
    // Without the hot key the icon is the way in: it must stay visible.
    hideTray_ = false;
    WriteBool(Keys::HideTray, false);
    AddLog(LogWarning, Msg(MsgHotKeyFailed));
    tray_->SetTrayState(trayState_);
    RefreshTrayVisibility();
}

void THostaqFormMain::SetHideTray(bool hide) {
    hideTray_ = hide;
    WriteBool(Keys::HideTray, hide);
    RefreshTrayVisibility();
}

void THostaqFormMain::RefreshTrayVisibility() {
    if (!env_.TrayAllowed || !NotificationAreaPresent()) {
        tray_->SetVisible(false);
        return;
    }
    tray_->SetVisible(TrayIconVisible(trayState_, HideTrayInForce(hideTray_, !hotKey_->HotKey().isEmpty())));
}

// ---- presenter ----------------------------------------------------------------------------

void THostaqFormMain::SetTrayState(int state) {
    trayState_ = state;
    tray_->SetTrayState(state);
    RefreshTrayVisibility();
}

void THostaqFormMain::SetTrayHint(const std::string& hint) {
    tray_->SetHint(Lines(hint));
}

void THostaqFormMain::ShowStatus(const std::string& text) {
    status_->setText(Lines(text));
}

void THostaqFormMain::ShowBalloon(const std::string& title, const std::string& text, TNoticeKind kind,
                                  int seconds) {
    if (tray_->Visible())
        tray_->ShowBalloon(Q(title), Lines(text), kind, seconds);
}

void THostaqFormMain::HideBalloon() {
    tray_->HideBalloon();
}

void THostaqFormMain::ShowInfo(const TInfoValues& values) {
    info_->ShowInfo(values);
}

void THostaqFormMain::ShowCurrentAddress(const std::string& address) {
    info_->CurrentIP->setText(Q(address));
}

void THostaqFormMain::ShowUpdatedAddress(const std::string& address) {
    info_->UpdatedIP->setText(Q(address));
}

void THostaqFormMain::ShowAutoCheck(bool checked) {
    const QSignalBlocker block(options_->AutoCheck);
    options_->AutoCheck->setChecked(checked);
    actAutoCheck_->setChecked(checked);
}

void THostaqFormMain::EnableCommands(bool settings, bool update) {
    settingsEnabled_ = settings;
    updateEnabled_ = update;
    ApplyUpdateCommands();
}

void THostaqFormMain::EnableCancelDial(bool enabled) {
    logPage_->CancelDial->setEnabled(enabled);
}

void THostaqFormMain::ShowOffTime(const std::string& formatted, bool scheduled) {
    QDateTime when;
    if (engine_)
        when = ToQt(engine_->OffTime());
    else
        when = QDateTime::fromString(Q(formatted), QStringLiteral("MM/dd/yyyy HH:mm:ss"));
    const QSignalBlocker b1(offline_->OffDate);
    const QSignalBlocker b2(offline_->OffTime);
    const QSignalBlocker b3(offline_->ScheduleOffline);
    offline_->OffDate->setDate(when.date());
    offline_->OffTime->setTime(when.time());
    offline_->ScheduleOffline->setChecked(scheduled);
    offline_->OffDate->setEnabled(scheduled);
    offline_->OffTime->setEnabled(scheduled);
}

void THostaqFormMain::Beep(TNoticeKind) {
    TPrompt::Beep();
}

void THostaqFormMain::Notify(TNoticeKind kind, const std::string& text) {
    switch (kind) {
    case TNoticeKind::Warning:
        TPrompt::Warning(this, Lines(text));
        return;
    case TNoticeKind::Error:
        TPrompt::Error(this, Lines(text));
        return;
    default:
        TPrompt::Information(this, Lines(text));
    }
}

bool THostaqFormMain::Confirm(const std::string& text) {
    return TPrompt::YesNo(this, Lines(text), TPromptKind::Question, TPromptButton::Yes);
}

void THostaqFormMain::StartOfflineCountdown(std::function<void(bool goAhead)> answer) {
    if (countdown_) {
        // One countdown at a time; the engine stays busy until it answers.
        answer(true);
        return;
    }
    auto* form = new TFormOfflineCountdown(this);
    countdown_ = form;
    connect(form, &TFormOfflineCountdown::Answer, this, [form, answer](bool goAhead) {
        form->deleteLater();
        answer(goAhead);
    });
    form->show();
    form->raise();
    form->activateWindow();
}

bool THostaqFormMain::TrayAvailable() {
    return env_.TrayAllowed && NotificationAreaPresent();
}

void THostaqFormMain::Terminate() {
    forceClose_ = true;
    hotKey_->SetActive(false);
    tray_->SetVisible(false);
    if (floatingLog_)
        floatingLog_->hide();
    hide();
    if (OnTerminate)
        OnTerminate();
}

void THostaqFormMain::ShowUpdateNotice(const std::string& text, std::function<void()> onClosed) {
    auto* notice = new TUpdateNoticeForm(Q(text), std::move(onClosed), this);
    notice->show();
    notice->raise();
    notice->activateWindow();
}

} // namespace hostaq
