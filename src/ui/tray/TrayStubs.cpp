// First cut of the tray components: enough for the windows to build on; the full icon set, the
// X11 grab and the icon's behaviour replace it.
#include "ui/tray/TrayIcons.h"
#include "ui/tray/VemoHotKey.h"
#include "ui/tray/VemoTrayIcon.h"

#include <QMenu>
#include <QSystemTrayIcon>

namespace hostaq {

QIcon BuiltInIcon(int) {
    return {};
}
TIconKeys IconKeysOfState(int) {
    return {"NormalFile", "NormalIdx", 1};
}
QList<QIcon> IconsOfFile(const QString&) {
    return {};
}
QIcon StateIcon(int) {
    return {};
}

TVemoTrayIcon::TVemoTrayIcon(QObject* parent) : QObject(parent), icon_(new QSystemTrayIcon(this)) {}
TVemoTrayIcon::~TVemoTrayIcon() = default;
void TVemoTrayIcon::SetTrayState(int state) {
    state_ = state;
}
void TVemoTrayIcon::SetHint(const QString& hint) {
    hint_ = hint.left(127);
}
void TVemoTrayIcon::SetVisible(bool visible) {
    visible_ = visible;
}
void TVemoTrayIcon::SetMenu(QMenu* menu) {
    icon_->setContextMenu(menu);
}
void TVemoTrayIcon::ShowBalloon(const QString&, const QString&, TNoticeKind, int) {}
void TVemoTrayIcon::HideBalloon() {}
bool TVemoTrayIcon::Available() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

QKeySequence HotKeyFromWindows(int, int) {
    return {};
}
bool HotKeyToWindows(const QKeySequence&, int& modifiers, int& virtualKey) {
    modifiers = virtualKey = 0;
    return false;
}
TVemoHotKey::TVemoHotKey(QObject* parent) : QObject(parent) {}
TVemoHotKey::~TVemoHotKey() = default;
void TVemoHotKey::SetHotKey(const QKeySequence& key) {
    hotKey_ = key;
}
void TVemoHotKey::SetActive(bool active) {
    active_ = active;
}

} // namespace hostaq
