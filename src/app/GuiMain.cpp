#include "app/GuiMain.h"

#include "app/MonitorCommands.h"
#include "config/ConfigPath.h"
#include "config/Version.h"
#include "engine/Engine.h"
#include "groups/DynAcc.h"
#include "log/Log.h"
#include "log/LogSettings.h"
#include "net/WorkerThread.h"
#include "platform/Platform.h"
#include "platform/ServiceControl.h"
#include "platform/ServiceMode.h"
#include "platform/SingleInstance.h"
#include "ui/loop/QtEventLoop.h"
#include "ui/main/MainWindow.h"
#include "ui/settings/SettingsEntry.h"
#include "ui/wizard/WizardEntry.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QSocketNotifier>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace hostaq {

namespace {
// Live workers get this long to end once the program stops.
constexpr int WorkerWaitMs = 15000;

// One run of the tray program: the Qt-backed loop, the main window as the presenter (behind the
// platform's status gate), the engine and the stop signals. Taken down in order: workers waited
// for, then the engine, the platform seams, the window and the loop.
class TGuiSession {
public:
    TGuiSession() : platform_(loop_, window_, false) {
        InstallMainThreadLoop(&loop_);
        TEngineServices services;
        platform_.AddServices(services);
        engine_ = std::make_unique<TEngine>(loop_, platform_.Presenter(), services);
        platform_.Attach(*engine_);
        window_.Attach(*engine_);
        window_.OnCancelDial = [this] { platform_.Dialer().CancelDial(); };
        window_.OnAboutCheck = [this] { platform_.SoftwareUpdate().AboutCheck(); };
        window_.OnTerminate = [this] { loop_.Quit(0); };

        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, SIGTERM);
        sigaddset(&set, SIGINT);
        sigaddset(&set, SIGHUP);
        signalFd_ = ::signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
        if (signalFd_ >= 0) {
            notifier_ = std::make_unique<QSocketNotifier>(signalFd_, QSocketNotifier::Read);
            QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { OnSignal(); });
        }
    }
    ~TGuiSession() {
        notifier_.reset();
        if (signalFd_ >= 0)
            ::close(signalFd_);
        // A worker may still wait for the main thread: keep serving it while waiting.
        loop_.WaitWhile([] { return LiveWorkers() > 0; }, WorkerWaitMs);
        loop_.Close();
        engine_.reset();
        InstallMainThreadLoop(nullptr);
    }
    TGuiSession(const TGuiSession&) = delete;
    TGuiSession& operator=(const TGuiSession&) = delete;

    TQtEventLoop& Loop() { return loop_; }
    TEngine& Engine() { return *engine_; }
    THostaqFormMain& Window() { return window_; }
    TPlatform& Platform() { return platform_; }
    // The engine's start-up has run; before it, a stop request ends the program's dialogs.
    void SetStarted() { started_ = true; }
    bool StopRequested() const { return stopSignals_ > 0; }

private:
    // A stop before the monitor runs (the wizard or the settings dialog of the first start is
    // open): the dialogs end as if cancelled, without their questions, and the program ends.
    void EndDialogs() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QDialog*>(w); dialog && dialog->isVisible())
                dialog->done(QDialog::Rejected);
    }

    // SIGHUP reloads everything, as the settings dialog's OK does. The first SIGTERM or SIGINT
    // takes the stop path (a run in progress finishes first), a second one stops at once.
    void OnSignal() {
        signalfd_siginfo info{};
        while (::read(signalFd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
            if (info.ssi_signo == SIGHUP) {
                engine_->Reload();
                // The window's own options follow at once; a reload that waits for a run
                // leaves them as they are until the next settings dialog or start.
                if (!engine_->ReloadPending())
                    window_.LoadWindowOptions();
                continue;
            }
            if (++stopSignals_ == 1)
                engine_->RequestStop();
            else
                engine_->StopNow();
            if (!started_)
                EndDialogs();
        }
    }

    TQtEventLoop loop_;
    THostaqFormMain window_;
    TPlatform platform_;
    std::unique_ptr<TEngine> engine_;
    int signalFd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    int stopSignals_ = 0;
    bool started_ = false;
};

bool NoGroup() {
    return !AnyGroup(ConfigPath());
}

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool WaylandSocketAnswers(const std::string& display) {
    std::string path = display;
    if (path.front() != '/') {
        const std::string runtime = Env("XDG_RUNTIME_DIR");
        if (runtime.empty())
            return false;
        path = runtime + "/" + display;
    }
    sockaddr_un address{};
    if (path.size() >= sizeof address.sun_path)
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}
} // namespace

bool DisplayOpens(std::string* problem) {
    const std::string platform = Env("QT_QPA_PLATFORM");
    const bool anyPlatform = platform.empty();
    const bool x = anyPlatform || platform.starts_with("xcb");
    const bool wayland = anyPlatform || platform.starts_with("wayland");
    if (!x && !wayland)
        return true; // offscreen, vnc ...: no display to open
    const std::string display = Env("DISPLAY");
    if (x && !display.empty()) {
        xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
        const bool opened = xcb_connection_has_error(connection) == 0;
        xcb_disconnect(connection);
        if (opened)
            return true;
    }
    const std::string waylandDisplay = Env("WAYLAND_DISPLAY");
    if (wayland && !waylandDisplay.empty() && WaylandSocketAnswers(waylandDisplay))
        return true;
    if (problem) {
        std::string names;
        if (!display.empty())
            names = "DISPLAY " + display;
        if (!waylandDisplay.empty())
            names += (names.empty() ? "" : ", ") + std::string("WAYLAND_DISPLAY ") + waylandDisplay;
        *problem = "the display cannot be opened (" + names + ")";
    }
    return false;
}

int RunGui(const TCommandLine& cl, int argc, char** argv) {
    if (!PrepareProgram(cl)) {
        // The tray program says it in a box too: it may have been started from a menu.
        QApplication app(argc, argv);
        QMessageBox::critical(nullptr, QString::fromLatin1(AppTitle),
                              QStringLiteral("Hostaq Updater ") +
                                  QString::fromStdString(ConfigLocateError()));
        return ExitFailure;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("hostaq"));
    QApplication::setApplicationDisplayName(QString::fromLatin1(AppTitle));
    QApplication::setApplicationVersion(QString::fromStdString(VersionText()));
    QApplication::setQuitOnLastWindowClosed(false);

    // One tray program at a time: a later start asks this one to show (or hide) its window.
    TSingleInstance instance;
    if (!ApplySingleInstanceRule(instance))
        return ExitSuccess;

    // Other programs on this configuration (--group-add) find the monitor here to ask it to
    // reload.
    TMonitorLock monitorLock(ConfigPath());
    int other = 0;
    if (!monitorLock.Acquire(&other) && other != 0)
        std::fprintf(stderr, "hostaq: another monitor (pid %d) runs on %s\n", other, ConfigPath().c_str());

    TGuiSession session;
    ApplyLogSettings(false);
    TEngine& engine = session.Engine();
    THostaqFormMain& window = session.Window();
    ListenForShowRequests(instance, session.Loop(), engine, session.Platform().Presenter());
    WarnIfServiceRunning(session.Platform().Presenter(), TServiceControl());

    // A configuration without a group starts with the setup wizard, then with the settings dialog.
    if (NoGroup()) {
        ExecSetupWizard(&window);
        if (NoGroup() && !session.StopRequested())
            ExecSettingsDialog(&window, engine);
    }
    if (session.StopRequested()) {
        instance.Stop();
        return ExitSuccess;
    }
    session.SetStarted();
    engine.StartUpSequence();
    window.LoadWindowOptions();
    window.StartTray();
    const int status = session.Loop().Run();
    instance.Stop(); // no show request may reach the session while it is taken down
    return status;
}

} // namespace hostaq
