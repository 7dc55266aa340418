#include "ui/main/MainWindow.h"

#include "config/ConfigKeys.h"
#include "config/ConfigPath.h"
#include "config/IniFile.h"
#include "config/Messages.h"
#include "config/Version.h"
#include "engine/Engine.h"
#include "log/Log.h"
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
#include "ui/main/MainText.h"
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

using namespace main_text;

namespace {
void RunWithPkexec(const QStringList& arguments, std::function<void(int, const QString&)> done) {
    if (QStandardPaths::findExecutable(QStringLiteral("pkexec")).isEmpty()) {
        done(-1, {});
        return;
    }
    auto* process = new QProcess;
    process->setProcessChannelMode(QProcess::MergedChannels);
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
    WireTray();
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
    // A program that is stopping (a stop signal while a dialog was open) grabs no hot key and
    // shows no icon again.
    if (forceClose_)
        return;
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

} // namespace hostaq
