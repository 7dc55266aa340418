#pragma once

#include "engine/Presenter.h"

namespace hostaq {

// The status gate of the service: while it is closed (the service waits to start) status and
// tray changes are not shown; everything else passes to the presenter behind it.
class TGatedPresenter : public TPresenter {
public:
    explicit TGatedPresenter(TPresenter& inner) : inner_(inner) {}

    bool GateOpen() const { return open_; }
    void SetGateOpen(bool open) { open_ = open; }

    void SetTrayState(int state) override {
        if (open_)
            inner_.SetTrayState(state);
    }
    void SetTrayHint(const std::string& hint) override {
        if (open_)
            inner_.SetTrayHint(hint);
    }
    void ShowStatus(const std::string& text) override {
        if (open_)
            inner_.ShowStatus(text);
    }
    void ShowBalloon(const std::string& title, const std::string& text, TNoticeKind kind,
                     int seconds) override {
        if (open_)
            inner_.ShowBalloon(title, text, kind, seconds);
    }
    void HideBalloon() override {
        if (open_)
            inner_.HideBalloon();
    }

    void ShowInfo(const TInfoValues& values) override { inner_.ShowInfo(values); }
    void ShowCurrentAddress(const std::string& address) override { inner_.ShowCurrentAddress(address); }
    void ShowUpdatedAddress(const std::string& address) override { inner_.ShowUpdatedAddress(address); }
    void ShowAutoCheck(bool checked) override { inner_.ShowAutoCheck(checked); }
    void EnableCommands(bool settings, bool update) override { inner_.EnableCommands(settings, update); }
    void EnableCancelDial(bool enabled) override { inner_.EnableCancelDial(enabled); }
    void ShowOffTime(const std::string& formatted, bool scheduled) override {
        inner_.ShowOffTime(formatted, scheduled);
    }
    void Beep(TNoticeKind kind) override { inner_.Beep(kind); }
    void Notify(TNoticeKind kind, const std::string& text) override { inner_.Notify(kind, text); }
    bool Confirm(const std::string& text) override { return inner_.Confirm(text); }
    void StartOfflineCountdown(std::function<void(bool goAhead)> answer) override {
        inner_.StartOfflineCountdown(std::move(answer));
    }
    bool MainWindowIsTop() override { return inner_.MainWindowIsTop(); }
    void ShowMainWindow() override { inner_.ShowMainWindow(); }
    void BringTopToFront() override { inner_.BringTopToFront(); }
    bool TrayAvailable() override { return inner_.TrayAvailable(); }
    void Terminate() override { inner_.Terminate(); }
    void ShowUpdateNotice(const std::string& text, std::function<void()> onClosed) override {
        inner_.ShowUpdateNotice(text, std::move(onClosed));
    }

private:
    TPresenter& inner_;
    bool open_ = true;
};

} // namespace hostaq
