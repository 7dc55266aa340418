#include "ui/main/MainWindow.h"

#include "engine/Engine.h"
#include "ui/common/Prompt.h"
#include "ui/main/AboutBox.h"
#include "ui/main/LogListView.h"
#include "ui/main/MainPages.h"
#include "ui/main/MainText.h"
#include "ui/tray/VemoHotKey.h"
#include "ui/tray/VemoTrayIcon.h"

#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimeEdit>

// The side the engine calls: the window as the engine's presenter.
namespace hostaq {

using namespace main_text;

namespace {
QDateTime ToQt(const TDateTime& t) {
    return {QDate(t.Year(), t.Month(), t.Day()), QTime(t.Hour(), t.Minute(), t.Second())};
}

} // namespace

void THostaqFormMain::SetTrayState(int state) {
    trayState_ = state;
    tray_->SetTrayState(state);
    RefreshTrayVisibility();
}

void THostaqFormMain::SetTrayHint(const std::string& hint) {
    tray_->SetHint(Lines(hint));
}

void THostaqFormMain::ShowStatus(const std::string& text) {
    status_->setText(Lines(text));
}

void THostaqFormMain::ShowBalloon(const std::string& title, const std::string& text, TNoticeKind kind,
                                  int seconds) {
    if (tray_->Visible())
        tray_->ShowBalloon(Q(title), Lines(text), kind, seconds);
}

void THostaqFormMain::HideBalloon() {
    tray_->HideBalloon();
}

void THostaqFormMain::ShowInfo(const TInfoValues& values) {
    info_->ShowInfo(values);
}

void THostaqFormMain::ShowCurrentAddress(const std::string& address) {
    info_->CurrentIP->setText(Q(address));
}

void THostaqFormMain::ShowUpdatedAddress(const std::string& address) {
    info_->UpdatedIP->setText(Q(address));
}

void THostaqFormMain::ShowAutoCheck(bool checked) {
    const QSignalBlocker block(options_->AutoCheck);
    options_->AutoCheck->setChecked(checked);
    actAutoCheck_->setChecked(checked);
}

void THostaqFormMain::EnableCommands(bool settings, bool update) {
    settingsEnabled_ = settings;
    updateEnabled_ = update;
    ApplyUpdateCommands();
}

void THostaqFormMain::EnableCancelDial(bool enabled) {
    logPage_->CancelDial->setEnabled(enabled);
}

void THostaqFormMain::ShowOffTime(const std::string& formatted, bool scheduled) {
    QDateTime when;
    if (engine_)
        when = ToQt(engine_->OffTime());
    else
        when = QDateTime::fromString(Q(formatted), QStringLiteral("MM/dd/yyyy HH:mm:ss"));
    const QSignalBlocker b1(offline_->OffDate);
    const QSignalBlocker b2(offline_->OffTime);
    const QSignalBlocker b3(offline_->ScheduleOffline);
    offline_->OffDate->setDate(when.date());
    offline_->OffTime->setTime(when.time());
    offline_->ScheduleOffline->setChecked(scheduled);
    offline_->OffDate->setEnabled(scheduled);
    offline_->OffTime->setEnabled(scheduled);
}

void THostaqFormMain::Beep(TNoticeKind) {
    TPrompt::Beep();
}

void THostaqFormMain::Notify(TNoticeKind kind, const std::string& text) {
    switch (kind) {
    case TNoticeKind::Warning:
        TPrompt::Warning(this, Lines(text));
        return;
    case TNoticeKind::Error:
        TPrompt::Error(this, Lines(text));
        return;
    default:
        TPrompt::Information(this, Lines(text));
    }
}

bool THostaqFormMain::Confirm(const std::string& text) {
    return TPrompt::YesNo(this, Lines(text), TPromptKind::Question, TPromptButton::Yes);
}

void THostaqFormMain::StartOfflineCountdown(std::function<void(bool goAhead)> answer) {
    if (countdown_) {
        // One countdown at a time; the engine stays busy until it answers.
        answer(true);
        return;
    }
    auto* form = new TFormOfflineCountdown(this);
    countdown_ = form;
    connect(form, &TFormOfflineCountdown::Answer, this, [form, answer](bool goAhead) {
        form->deleteLater();
        answer(goAhead);
    });
    form->show();
    form->raise();
    form->activateWindow();
}

bool THostaqFormMain::TrayAvailable() {
    return env_.TrayAllowed && NotificationAreaPresent();
}

void THostaqFormMain::Terminate() {
    forceClose_ = true;
    hotKey_->SetActive(false);
    tray_->SetVisible(false);
    if (floatingLog_)
        floatingLog_->hide();
    hide();
    if (OnTerminate)
        OnTerminate();
}

void THostaqFormMain::ShowUpdateNotice(const std::string& text, std::function<void()> onClosed) {
    auto* notice = new TUpdateNoticeForm(Q(text), std::move(onClosed), this);
    notice->show();
    notice->raise();
    notice->activateWindow();
}

} // namespace hostaq
