#pragma once

#include "engine/Presenter.h"

#include <QObject>
#include <QString>

class QMenu;
class QSystemTrayIcon;
class QTimer;

namespace hostaq {

// The notification-area icon over QSystemTrayIcon: the state icons, the hint, balloons, clicks
// and the menu. The menu belongs to the main window (its actions are the window's commands);
// the icon shows it on a right click.
class TVemoTrayIcon : public QObject {
    Q_OBJECT
public:
    explicit TVemoTrayIcon(QObject* parent = nullptr);
    ~TVemoTrayIcon() override;

    // Icon of state 0..7 from CustomIcons with the built-in fallback; also the application's
    // and the main window's icon.
    void SetTrayState(int state);
    int TrayState() const { return state_; }
    // At most 127 characters are used.
    void SetHint(const QString& hint);
    QString Hint() const { return hint_; }
    void SetVisible(bool visible);
    bool Visible() const { return visible_; }
    void SetMenu(QMenu* menu);
    void ShowBalloon(const QString& title, const QString& text, TNoticeKind kind, int seconds);
    void HideBalloon();
    // A notification area exists to show the icon in.
    static bool Available();

    QSystemTrayIcon* Icon() const { return icon_; }

signals:
    void OnClick();
    void OnDblClick();
    void OnMenuRequested();
    void OnBalloonClick();

private:
    QSystemTrayIcon* icon_ = nullptr;
    int state_ = 0;
    QString hint_;
    bool visible_ = false;
};

} // namespace hostaq
