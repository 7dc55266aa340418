// The notification-area icon.
#include "ui/tray/VemoTrayIcon.h"

#include "platform/StatusNotifier.h"
#include "ui/tray/TrayIcons.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QStyleHints>

namespace hostaq {
namespace {

constexpr int HintLength = 127;
constexpr int BalloonTitleLength = 63;
constexpr int BalloonTextLength = 255;
constexpr int DefaultBalloonSeconds = 10;
constexpr int AvailablePollMs = 5000;

std::optional<bool> AvailableOverride;
std::optional<bool> DoubleClickOverride;

// The first `length` characters, never ending in half of a surrogate pair.
QString Cut(const QString& text, int length) {
    QString cut = text.left(length);
    if (cut.size() == length && cut.back().isHighSurrogate())
        cut.chop(1);
    return cut;
}

QSystemTrayIcon::MessageIcon MessageIconOf(TNoticeKind kind) {
    switch (kind) {
    case TNoticeKind::Warning:
        return QSystemTrayIcon::Warning;
    case TNoticeKind::Error:
        return QSystemTrayIcon::Critical;
    case TNoticeKind::Information:
        break;
    }
    return QSystemTrayIcon::Information;
}

} // namespace

TVemoTrayIcon::TVemoTrayIcon(QObject* parent)
    : QObject(parent), icon_(new QSystemTrayIcon(this)),
      clickDelay_(QGuiApplication::styleHints()->mouseDoubleClickInterval()) {
    icon_->setObjectName(QStringLiteral("TrayIcon"));
    icon_->setIcon(StateIcon(0));
    clickTimer_.setSingleShot(true);
    connect(&clickTimer_, &QTimer::timeout, this, &TVemoTrayIcon::OnClick);
    connect(icon_, &QSystemTrayIcon::activated, this, &TVemoTrayIcon::Activated);
    connect(icon_, &QSystemTrayIcon::messageClicked, this, &TVemoTrayIcon::OnBalloonClick);
    wasAvailable_ = Available();
    availableTimer_.setInterval(AvailablePollMs);
    connect(&availableTimer_, &QTimer::timeout, this, &TVemoTrayIcon::CheckAvailable);
    availableTimer_.start();
}

TVemoTrayIcon::~TVemoTrayIcon() = default;

void TVemoTrayIcon::SetTrayState(int state) {
    state_ = state >= 0 && state < TrayStateCount ? state : 0;
    const QIcon icon = StateIcon(state_);
    icon_->setIcon(icon);
    QApplication::setWindowIcon(icon);
    ApplyVisibility();
}

void TVemoTrayIcon::SetHideTray(bool inForce) {
    hideTray_ = inForce;
    ApplyVisibility();
}

void TVemoTrayIcon::ApplyVisibility() {
    SetVisible(state_ != 0 || !hideTray_);
}

void TVemoTrayIcon::SetHint(const QString& hint) {
    hint_ = Cut(hint, HintLength);
    icon_->setToolTip(hint_);
}

void TVemoTrayIcon::SetVisible(bool visible) {
    visible_ = visible;
    icon_->setVisible(visible);
}

void TVemoTrayIcon::SetMenu(QMenu* menu) {
    menu_ = menu;
    icon_->setContextMenu(menu);
}

void TVemoTrayIcon::PopUpMenu() {
    if (menu_ == nullptr)
        return;
    // The menu must own the keyboard, or it would not close when the user clicks elsewhere.
    menu_->popup(QCursor::pos());
    menu_->activateWindow();
}

void TVemoTrayIcon::ShowBalloon(const QString& title, const QString& text, TNoticeKind kind, int seconds) {
    balloonTitle_ = Cut(title, BalloonTitleLength);
    balloonText_ = Cut(text, BalloonTextLength);
    const int shownSeconds = seconds > 0 ? seconds : DefaultBalloonSeconds;
    icon_->showMessage(balloonTitle_, balloonText_, MessageIconOf(kind), shownSeconds * 1000);
}

void TVemoTrayIcon::HideBalloon() {
    balloonTitle_.clear();
    balloonText_.clear();
    // An empty message takes the shown one away.
    icon_->showMessage(QString(), QString(), QSystemTrayIcon::NoIcon, 0);
}

bool TVemoTrayIcon::Available() {
    if (AvailableOverride)
        return *AvailableOverride;
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TVemoTrayIcon::SetAvailableForTest(std::optional<bool> available) {
    AvailableOverride = available;
}

bool TVemoTrayIcon::DoubleClickReported() {
    if (DoubleClickOverride)
        return *DoubleClickOverride;
    // Qt takes the StatusNotifierItem host when one is registered, and decides so once.
    static const bool reported = !StatusNotifierHostRegistered();
    return reported;
}

void TVemoTrayIcon::SetDoubleClickReportedForTest(std::optional<bool> reported) {
    DoubleClickOverride = reported;
}

void TVemoTrayIcon::SetClickDelay(int milliseconds) {
    clickDelay_ = std::max(milliseconds, 0);
}

void TVemoTrayIcon::CheckAvailable() {
    const bool available = Available();
    if (available == wasAvailable_)
        return;
    wasAvailable_ = available;
    if (available)
        emit OnTrayAvailable();
    else
        emit OnTrayUnavailable();
}

void TVemoTrayIcon::Activated(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        if (clickDelay_ == 0 || !DoubleClickReported())
            emit OnClick();
        else
            clickTimer_.start(clickDelay_);
        break;
    case QSystemTrayIcon::DoubleClick:
        clickTimer_.stop();
        emit OnDblClick();
        break;
    case QSystemTrayIcon::Context:
        clickTimer_.stop();
        emit OnMenuRequested();
        break;
    default:
        break;
    }
}

} // namespace hostaq
