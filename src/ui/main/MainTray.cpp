#include "ui/main/MainWindow.h"

#include "config/ConfigKeys.h"
#include "config/Messages.h"
#include "engine/Engine.h"
#include "log/Log.h"
#include "ui/common/UiMessages.h"
#include "ui/main/MainRules.h"
#include "ui/tray/VemoHotKey.h"
#include "ui/tray/VemoTrayIcon.h"

#include <QCursor>
#include <QMenu>

// The tray icon and the hot key: how they open the window and the menu, and when the icon shows.
namespace hostaq {

void THostaqFormMain::WireTray() {
    // Clicks, the menu request and the hot key.
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

void THostaqFormMain::TrayClicked() {
    if (!MainWindowIsTop()) {
        BringTopToFront();
        return;
    }
    if (TrayClickOpensWindow(false, useSingleClick_, TVemoTrayIcon::DoubleClickReported()))
        Showing();
}

void THostaqFormMain::TrayDoubleClicked() {
    if (!MainWindowIsTop()) {
        BringTopToFront();
        return;
    }
    if (TrayClickOpensWindow(true, useSingleClick_, TVemoTrayIcon::DoubleClickReported()))
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
    if (forceClose_ || !env_.TrayAllowed || !NotificationAreaPresent()) {
        tray_->SetVisible(false);
        return;
    }
    tray_->SetVisible(TrayIconVisible(trayState_, HideTrayInForce(hideTray_, !hotKey_->HotKey().isEmpty())));
}

} // namespace hostaq
