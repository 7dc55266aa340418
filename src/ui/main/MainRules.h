#pragma once

#include "engine/EngineState.h"

#include <QRect>
#include <QString>

namespace hostaq {

// The decisions of the main window, kept out of the widgets so they can be checked on their own.

// What the commands and the menus show, from the state of the program.
struct TCommandInputs {
    int GroupCount = 0;
    TCycleState Cycle = CycleStarting;
    bool DisplayNeedPass = false;
    bool WindowVisible = false;
    // "Start with Windows" may be used: the service is not installed.
    bool StartWithWindowsAllowed = true;
};

struct TCommandState {
    // Force Update, Offline Now and the schedule box of the pages.
    bool UpdateCommands = false;
    // The update and offline items of the tray menu.
    bool MenuUpdate = false;
    bool MenuStartWithWindows = false;
    bool MenuAutoCheck = false;
    // The show/hide item reads "Hide main window".
    bool OffersHide = false;
};

// The update commands need a group and an idle engine; with a display password the tray menu
// gives neither the update commands nor the two switches to whoever finds the icon.
TCommandState CommandState(const TCommandInputs& in);

// The exit question is skipped once the user said so in it (Dialogs/ExitDialog) or with the
// "No confirmation on exit" box (Options/ExitDialog).
bool ExitNeedsConfirmation();

// The help page of the page shown (0 Info, 1 Options, 2 Offline, 3 Log); the overall page when
// the window is hidden.
QString HelpTopicForPage(int page, bool windowVisible);

// Whether a click on the tray icon opens the main window: a single click with UseSingleClick, a
// double click without it. A tray host that reports no double clicks (StatusNotifierItem panels
// report every click as one activation) opens it on every activation, or it could not be opened.
bool TrayClickOpensWindow(bool doubleClick, bool useSingleClick, bool doubleClickReported);

// "Hide tray icon" applies only while a hot key can open the menu.
bool HideTrayInForce(bool hideTray, bool hotKeySet);
// Every state but the normal one shows the icon, so warnings and errors are always seen.
bool TrayIconVisible(int state, bool hideTrayInForce);

// The Offline page: "Disconnect connection" only for the first two actions on a dial-up
// connection, "Force to execute" only for the session-ending actions.
struct TOfflineVisibility {
    bool Disconnect = false;
    bool Forced = false;
};
TOfflineVisibility OfflineControlsVisibility(int afterOfflineIndex, TConnectionKind kind);

// The undocked log window: the stored LogWindow values are the list's own size; the floating
// window adds 8 and 26 pixels for its frame, and docking stores its size less those again.
QRect FloatingLogGeometry(int left, int top, int width, int height);
QRect StoredLogGeometry(const QRect& floating);

} // namespace hostaq
