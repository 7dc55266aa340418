#pragma once

#include <functional>
#include <string>

namespace hostaq {

// Tray icon states. 0 to 3 are also what Update/LastStatus stores.
enum TTrayState : int {
    TrayNormal = 0,
    TrayWarning = 1,
    TrayError = 2,
    TrayDisabled = 3,
    TrayDialer = 4,
    TrayAnim1 = 5,
    TrayAnim2 = 6,
    TrayAnim3 = 7,
};

enum class TNoticeKind { Information, Warning, Error };

// The values of the Info page.
struct TInfoValues {
    std::string TotalGroups;
    std::string TotalHosts;
    std::string ConnectionType;
    std::string AutomaticUpdate;
    std::string CheckingInterval;
    std::string LastUpdated;
    std::string NextForceUpdate;
    std::string CurrentIP;
    std::string UpdatedIP;
    bool operator==(const TInfoValues&) const = default;
};

// Whatever shows the engine to the user: the main window and tray, or the headless runner. The
// engine never assumes a window exists; every call comes on the main thread. The defaults do
// nothing and answer every question with its safe answer.
class TPresenter {
public:
    virtual ~TPresenter() = default;

    virtual void SetTrayState(int /*state*/) {}
    // At most 255 characters.
    virtual void SetTrayHint(const std::string& /*hint*/) {}
    // A status change ("Update result: Good"): the status line of the window.
    virtual void ShowStatus(const std::string& /*text*/) {}
    virtual void ShowBalloon(const std::string& /*title*/, const std::string& /*text*/, TNoticeKind /*kind*/,
                             int /*seconds*/) {}
    virtual void HideBalloon() {}
    virtual void ShowInfo(const TInfoValues& /*values*/) {}
    virtual void ShowCurrentAddress(const std::string& /*address*/) {}
    virtual void ShowUpdatedAddress(const std::string& /*address*/) {}
    // The "Enable automatic update" check box, its tray item and the interval controls.
    virtual void ShowAutoCheck(bool /*checked*/) {}
    // The settings commands and the update commands (Force Update, Offline Now, the schedule box).
    virtual void EnableCommands(bool /*settings*/, bool /*update*/) {}
    // The Cancel Dial button (enabled while dialling, and while a dial-up line is up: then it
    // hangs up).
    virtual void EnableCancelDial(bool /*enabled*/) {}
    // The offline schedule pickers.
    virtual void ShowOffTime(const std::string& /*formatted*/, bool /*scheduled*/) {}

    virtual void Beep(TNoticeKind /*kind*/) {}
    virtual void Notify(TNoticeKind /*kind*/, const std::string& /*text*/) {}
    // A Yes/No question; the safe answer is No.
    virtual bool Confirm(const std::string& /*text*/) { return false; }
    // The offline countdown window: answer(true) to go ahead, answer(false) for Abort. Left
    // alone it goes ahead after 60 seconds. The answer may come at once or later, on the main
    // thread; the engine stays busy meanwhile.
    virtual void StartOfflineCountdown(std::function<void(bool goAhead)> answer) { answer(true); }

    // False while a dialog of the program has the user's attention; then BringTopToFront.
    virtual bool MainWindowIsTop() { return true; }
    // Shows the main window (a second instance asked this one to show itself).
    virtual void ShowMainWindow() {}
    virtual void BringTopToFront() {}
    // Tray and balloons can be shown (not while a service waits for a user).
    virtual bool TrayAvailable() { return true; }

    // The application ends (the stop path has logged its line already).
    virtual void Terminate() {}

    // The notice of a newer program version (not modal; its Yes opens the download page).
    // onClosed runs when it closes; until then no second notice is opened. Without a window
    // there is nothing to keep open.
    virtual void ShowUpdateNotice(const std::string& /*text*/, std::function<void()> onClosed) { onClosed(); }
};

} // namespace hostaq
