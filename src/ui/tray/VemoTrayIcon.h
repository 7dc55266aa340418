#pragma once

#include "engine/Presenter.h"

#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>
#include <QTimer>

#include <optional>

namespace hostaq {

// The notification-area icon over QSystemTrayIcon: the state icons, the hint, balloons, clicks
// and the menu. The menu belongs to the main window (its actions are the window's commands);
// the icon shows it on a right click.
//
// Visibility: SetTrayState applies the rule "any state other than 0 shows the icon; state 0
// shows it unless HideTray is in force" - the caller tells whether HideTray is in force (the
// option is on AND a hot key is registered) with SetHideTray. SetVisible shows or hides the icon
// outright (at exit, or while the program may not touch the tray). Visible is what was asked for;
// the icon is only on screen while a notification area exists (Available). The icon follows the
// notification area by itself: it shows when one appears and comes back when it restarts.
class TVemoTrayIcon : public QObject {
    Q_OBJECT
public:
    explicit TVemoTrayIcon(QObject* parent = nullptr);
    ~TVemoTrayIcon() override;

    // Icon of state 0..7 from CustomIcons with the built-in fallback; also the application's
    // and the main window's icon. A state outside 0..7 is taken as 0. Applies the visibility rule.
    void SetTrayState(int state);
    int TrayState() const { return state_; }
    // HideTray in force: state 0 hides the icon. Applies the rule to the current state at once.
    void SetHideTray(bool inForce);
    bool HideTray() const { return hideTray_; }
    // At most 127 characters are used (never half a character); lines break at '\n'.
    void SetHint(const QString& hint);
    QString Hint() const { return hint_; }
    void SetVisible(bool visible);
    bool Visible() const { return visible_; }
    void SetMenu(QMenu* menu);
    QMenu* Menu() const { return menu_; }
    // Opens the menu at the mouse pointer (the hot key does this).
    void PopUpMenu();
    // Title up to 63 and text up to 255 characters; a new balloon replaces the one shown.
    // Seconds of 0 or less mean 10.
    void ShowBalloon(const QString& title, const QString& text, TNoticeKind kind, int seconds);
    void HideBalloon();
    QString BalloonTitle() const { return balloonTitle_; }
    QString BalloonText() const { return balloonText_; }
    // A notification area exists to show the icon in.
    static bool Available();
    // Tests decide what Available answers; nullopt restores the real answer.
    static void SetAvailableForTest(std::optional<bool> available);

    // The tray host reports double clicks (an X notification area does). A StatusNotifierItem
    // host reports every click as one activation, so a single click is reported at once. Asked
    // of the session bus once; tests decide it.
    static bool DoubleClickReported();
    static void SetDoubleClickReportedForTest(std::optional<bool> reported);

    // A single click is reported only when no second click follows within this many
    // milliseconds (default: the desktop's double-click time), so a double click is not also a
    // single click. 0 reports single clicks at once.
    void SetClickDelay(int milliseconds);
    int ClickDelay() const { return clickDelay_; }
    // A single click waits for the double-click time to pass.
    bool ClickPending() const { return clickTimer_.isActive(); }

    QSystemTrayIcon* Icon() const { return icon_; }

public slots:
    // Looks whether a notification area came or went (a timer asks every 5 seconds).
    void CheckAvailable();

signals:
    void OnClick();
    void OnDblClick();
    void OnMenuRequested();
    void OnBalloonClick();
    // A notification area appeared after there was none (the main window may now hide itself
    // to the tray) or went away (it should show itself so the program stays reachable).
    void OnTrayAvailable();
    void OnTrayUnavailable();

private:
    void Activated(QSystemTrayIcon::ActivationReason reason);
    void ApplyVisibility();

    QSystemTrayIcon* icon_ = nullptr;
    QPointer<QMenu> menu_;
    int state_ = 0;
    bool hideTray_ = false;
    QString hint_;
    bool visible_ = false;
    QString balloonTitle_;
    QString balloonText_;
    int clickDelay_ = 0;
    QTimer clickTimer_;
    QTimer availableTimer_;
    bool wasAvailable_ = false;
};

} // namespace hostaq
