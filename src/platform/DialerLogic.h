#pragma once

#include "config/DateTime.h"
#include "engine/Engine.h"
#include "engine/EngineSeams.h"
#include "engine/EventLoop.h"
#include "engine/Presenter.h"
#include "net/DialUp.h"

#include <memory>
#include <string>

namespace hostaq {

// The main window's side of dial-up: creates the dialer when the connection type is dial-up,
// answers the check cycle's questions, logs and shows every dialer event, schedules redials
// after a failed dial or a drop, and the Cancel Dial command.
class TDialerLogic : public TDialer {
public:
    TDialerLogic(TEventLoop& loop, TPresenter& presenter, TPppSystem system = {});
    ~TDialerLogic() override;
    TDialerLogic(const TDialerLogic&) = delete;
    TDialerLogic& operator=(const TDialerLogic&) = delete;

    // Joins the engine: its TimerDialer runs the redial schedule, its address check takes the
    // connection's client address. The engine (which holds this object as its dialer) is
    // destroyed first.
    void Attach(TEngine& engine);

    // Creates the dialer when absent (false when pppd is not installed, then it stays absent) and
    // loads the entry, user name and password.
    bool Available() override;
    bool Connected() override;
    std::string ClientAddress() override;
    void Dial() override;
    void HangUp() override;
    void StartMonitor() override;
    void StopMonitor() override;
    bool DialPending() override;
    // The stop path: a dial in progress and a scheduled redial are given up ("Dial to %s is
    // canceled"); the check that waited for the line ends without one.
    void CancelPendingDial() override;

    // Cancel Dial: stops a scheduled redial, hangs up a dial in progress or a line that is up.
    void CancelDial();
    // Dials again DialDelay seconds from now (at most 59:59), logging the schedule.
    void ScheduleRedial();
    // The engine's TimerDialer event: dials once the redial is due, unless a line is up.
    void DialerTimer();
    bool RedialScheduled() const;

    // The dialer component, null while absent.
    TVemoDialUp* Component() { return dialer_.get(); }
    // Switches the dialer off and frees it (the connection type is no longer dial-up).
    void Release();

private:
    void LoadSettings();
    void Hook();
    std::string Entry() const;
    void EnableUpdateCommands(bool enabled);
    // The settings dialog is open: nothing is dialled, redialled or checked until it closes.
    bool EnginePaused() const;
    void OnAsyncEvent(const std::string& text);
    void OnDialing();
    void OnError(const std::string& text);
    void OnDialFinish(int code);
    void OnConnected(const TRasConnectionDetails& info);
    void OnDisconnected();

    TPresenter& presenter_;
    TPppSystem system_;
    TEngine* engine_ = nullptr;
    std::unique_ptr<TVemoDialUp> dialer_;
    TTimer monitorTimer_;
    TDateTime redialDue_;
    bool askingConnection_ = false;
};

} // namespace hostaq
