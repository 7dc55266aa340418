#pragma once

#include "engine/Presenter.h"
#include "platform/Autostart.h"
#include "ui/main/OfflineCountdown.h"

#include <QKeySequence>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <string>

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QTabWidget;

namespace hostaq {

class TEngine;
class TInfoPage;
class TLogListView;
class TLogPage;
class TOfflinePage;
class TOptionsPage;
class TVemoHotKey;
class TVemoTrayIcon;

// "Hostaq Updater": the window of the tray program and the engine's presenter. It lives hidden
// in the tray; the tray icon, the hot key or a second start show it. Its pages show the state of
// the monitor and its options; its commands (buttons, the tray menu and the log list's menu share
// one set of actions) call the engine.
class THostaqFormMain : public QWidget, public TPresenter {
    Q_OBJECT
public:
    // What the window reaches outside the process; tests put stand-ins in.
    struct TEnvironment {
        std::string ProgramPath;
        TAutostart Autostart;
        std::function<bool()> ServiceInstalled;
        // Runs the program with the arguments as root (pkexec); done gets the exit status (-1 when
        // it could not be started) and what the program printed.
        std::function<void(const QStringList& arguments,
                           std::function<void(int status, const QString& output)> done)>
            RunElevated;
        // The file a configuration dump goes to; empty when the user cancels.
        std::function<QString(QWidget* parent)> AskDumpFileName;
        // A notification area exists to show the icon in.
        std::function<bool()> NotificationArea;
        // The desktop session allows the tray (not while waiting for a user).
        bool TrayAllowed = true;
    };
    static TEnvironment DefaultEnvironment();

    explicit THostaqFormMain(TEnvironment env = DefaultEnvironment(), QWidget* parent = nullptr);
    ~THostaqFormMain() override;

    // Joins the engine (before its start-up sequence).
    void Attach(TEngine& engine);
    // The tray icon and hot key after the start-up sequence; shows the window when there is no
    // notification area.
    void StartTray();
    // The window's own options, the interval fields and the Offline page, as after start-up and
    // after the settings dialog.
    void LoadWindowOptions();

    // Wired by the program: Cancel Dial, the About box's version check, the end of the program.
    std::function<void()> OnCancelDial;
    std::function<void()> OnAboutCheck;
    std::function<void()> OnTerminate;

    // ---- commands
    void Showing();
    void SettingsCommand();
    void HelpCommand();
    void AboutCommand();
    void ExitCommand();
    void OkCommand();
    void DisplayWindowCommand();
    void ServiceCommand();
    void DumpConfigCommand();
    void ShowLogFileCommand();
    void ClearLogCommand();
    void SetStartWithWindows(bool checked);
    void Undock();
    void Dock();
    bool LogUndocked() const { return floatingLog_ != nullptr; }
    QWidget* FloatingLog() const { return floatingLog_; }
    // What opening the tray or log menu does: captions, check marks and enabling.
    void UpdateMenuState();

    // ---- tray and hot key
    void TrayClicked();
    void TrayDoubleClicked();
    void HotKeyPressed();
    void HotKeyRegistered(int modifiers, int virtualKey);
    void HotKeyRegisterFailed(int modifiers, int virtualKey);
    // Gives the hot key to the grab; true when one is set afterwards.
    bool ApplyHotKey(const QKeySequence& key);
    // Writes HideTray and shows or hides the icon accordingly.
    void SetHideTray(bool hide);
    bool WindowShown() const;

    TVemoTrayIcon* TrayIcon() const { return tray_; }
    TVemoHotKey* HotKey() const { return hotKey_; }
    QMenu* TrayMenu() const { return trayMenu_; }
    QMenu* LogMenu() const { return logMenu_; }
    TFormOfflineCountdown* Countdown() const { return countdown_; }

    // ---- TPresenter
    void SetTrayState(int state) override;
    void SetTrayHint(const std::string& hint) override;
    void ShowStatus(const std::string& text) override;
    void ShowBalloon(const std::string& title, const std::string& text, TNoticeKind kind,
                     int seconds) override;
    void HideBalloon() override;
    void ShowInfo(const TInfoValues& values) override;
    void ShowCurrentAddress(const std::string& address) override;
    void ShowUpdatedAddress(const std::string& address) override;
    void ShowAutoCheck(bool checked) override;
    void EnableCommands(bool settings, bool update) override;
    void EnableCancelDial(bool enabled) override;
    void ShowOffTime(const std::string& formatted, bool scheduled) override;
    void Beep(TNoticeKind kind) override;
    void Notify(TNoticeKind kind, const std::string& text) override;
    bool Confirm(const std::string& text) override;
    void StartOfflineCountdown(std::function<void(bool goAhead)> answer) override;
    bool MainWindowIsTop() override;
    void ShowMainWindow() override;
    void BringTopToFront() override;
    bool TrayAvailable() override;
    void Terminate() override;
    void ShowUpdateNotice(const std::string& text, std::function<void()> onClosed) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildActions();
    void BuildMenus();
    void WireControls();
    void WireTray();
    void BringToFront();
    void HideToTray();
    void ApplyUpdateCommands();
    void RefreshTrayVisibility();
    void LoadOfflinePage();
    void ApplyOfflineVisibility();
    void ShowStartWithWindows();
    void ShowServiceState();
    bool NotificationAreaPresent() const;
    void WatchForNotificationArea();

    TEnvironment env_;
    TEngine* engine_ = nullptr;

    QTabWidget* pages_;
    TInfoPage* info_;
    TOptionsPage* options_;
    TOfflinePage* offline_;
    TLogPage* logPage_;
    TLogListView* logView_;
    QLabel* status_;
    QPushButton* ok_;
    QPushButton* help_;
    QPushButton* about_;
    QWidget* floatingLog_ = nullptr;

    TVemoTrayIcon* tray_;
    TVemoHotKey* hotKey_;
    QMenu* trayMenu_ = nullptr;
    QMenu* logMenu_ = nullptr;
    QAction* actShowHide_ = nullptr;
    QAction* actSettings_ = nullptr;
    QAction* actUpdateNow_ = nullptr;
    QAction* actOfflineNow_ = nullptr;
    QAction* actStartWithWindows_ = nullptr;
    QAction* actAutoCheck_ = nullptr;
    QAction* actAbout_ = nullptr;
    QAction* actHelp_ = nullptr;
    QAction* actExit_ = nullptr;
    QAction* actUndock_ = nullptr;

    int trayState_ = 0;
    bool settingsEnabled_ = true;
    bool updateEnabled_ = false;
    bool useSingleClick_ = false;
    bool hideTray_ = false;
    bool startWithWindowsAllowed_ = true;
    bool serviceInstalled_ = false;
    bool serviceBusy_ = false;
    bool forceClose_ = false;
    bool centred_ = false;
    bool noTrayLogged_ = false;
    QTimer trayWatch_;
    QPointer<TFormOfflineCountdown> countdown_;
};

} // namespace hostaq
