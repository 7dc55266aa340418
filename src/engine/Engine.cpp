#include "engine/Engine.h"

#include "config/Clock.h"
#include "config/ConfigKeys.h"
#include "engine/StatusTexts.h"
#include "log/Log.h"

#include <exception>

namespace hostaq {

TEngine::TEngine(TEventLoop& loop, TPresenter& presenter, const TEngineServices& services)
    : TimerUpdate(loop, 1000), TimerUpdateAnim(loop, 250), TimerRunProgram(loop, 1000),
      TimerDiscRunProgram(loop, 1000), TimerStartService(loop, 30000), TimerDialer(loop, 1000),
      TimerEventCheck(loop, 1000), loop_(loop), presenter_(presenter), services_(services) {
    // Every seam the caller left empty takes the program's own implementation.
    const TEngineServices defaults = DefaultEngineServices();
    auto fill = [](auto& seam, const auto& fallback) {
        if (!seam)
            seam = fallback;
    };
    fill(services_.WebChecker, defaults.WebChecker);
    fill(services_.Updater, defaults.Updater);
    fill(services_.Mailer, defaults.Mailer);
    fill(services_.Launcher, defaults.Launcher);
    fill(services_.Broadcaster, defaults.Broadcaster);
    fill(services_.SessionEnd, defaults.SessionEnd);
    fill(services_.Dialer, defaults.Dialer);
    fill(services_.VersionCheck, defaults.VersionCheck);
    fill(services_.NetworkMonitor, defaults.NetworkMonitor);
    fill(services_.Resolve, defaults.Resolve);
    fill(services_.TrimWorkingSet, defaults.TrimWorkingSet);
    fill(services_.IPv6Addresses, defaults.IPv6Addresses);

    const TDateTime now = Now();
    nextCheckTime_ = now.AddDays(365);
    lastUpdateTime_ = now.AddDays(365);
    nextForceUpdate_ = now.AddDays(365);
    offTime_ = now.AddDays(365);
    nextVersionCheck_ = now.AddDays(365);

    TimerUpdate.OnTimer = [this] { Guarded([this] { Heartbeat(); }); };
    TimerUpdateAnim.OnTimer = [this] { Guarded([this] { AnimationTick(); }); };
    TimerRunProgram.OnTimer = [this] { Guarded([this] { RunListTimer(true); }); };
    TimerDiscRunProgram.OnTimer = [this] { Guarded([this] { RunListTimer(false); }); };
    TimerEventCheck.OnTimer = [this] { Guarded([this] { EventCheckDue(); }); };
}

TEngine::~TEngine() {
    *alive_ = false;
    if (monitorStarted_)
        services_.NetworkMonitor->Stop();
}

// No exception from a hand-edited file or a failed operation may stop the loop: it becomes an
// error entry and the engine carries on.
void TEngine::Guarded(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const std::exception& e) {
        AddLog(LogError, e.what());
    }
}

void TEngine::SetHeartbeatAllowed(bool value) {
    heartbeatAllowed_ = value;
    if (!value)
        TimerUpdate.SetEnabled(false);
}

void TEngine::EnableHeartbeat(bool on) {
    TimerUpdate.SetEnabled(on && heartbeatAllowed_);
}

void TEngine::ShowTrayState(int state) {
    presenter_.SetTrayState(state);
}

void TEngine::SetStatus(const std::string& text, int trayState, int logKind) {
    presenter_.SetTrayHint(CutHint(text));
    presenter_.ShowStatus(text);
    WriteInteger(Keys::UpdateLastStatus, trayState);
    ShowTrayState(trayState);
    AddLog(logKind, text);
}

void TEngine::Broadcast(const char* messageName, const std::string& address) {
    const TPackedAddress packed = PackAddress(address);
    services_.Broadcaster->Broadcast(messageName, address, packed.WParam, packed.LParam);
}

void TEngine::Trim() {
    services_.TrimWorkingSet();
}

} // namespace hostaq
