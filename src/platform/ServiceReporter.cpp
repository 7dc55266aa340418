#include "platform/ServiceReporter.h"

#include "config/Clock.h"
#include "config/ConfigKeys.h"
#include "engine/Presenter.h"
#include "groups/UpdateResult.h"

#include <cstdlib>

namespace hostaq {

namespace {
// The result class the stored tray state of the last run stands for.
int ClassOfLastStatus(int trayState) {
    switch (trayState) {
    case TrayNormal:
        return ClassGood;
    case TrayWarning:
        return ClassWarning;
    case TrayError:
        return ClassRetry;
    default:
        return -1;
    }
}
} // namespace

bool ServiceManagerListening() {
    const char* socket = std::getenv("NOTIFY_SOCKET");
    return socket != nullptr && *socket != '\0';
}

TServiceReporter::TServiceReporter(TEventLoop& loop, TEngine& engine, std::function<bool()> started)
    : engine_(engine), started_(std::move(started)), previousOnRunFinished_(engine.OnRunFinished),
      notifier_(loop, [this] { return State(); }) {
    // Until this process has run an update, the last one is what the file remembers.
    lastUpdate_ = ReadStamp(Keys::UpdateLastUpdate);
    if (lastUpdate_)
        lastClass_ = ClassOfLastStatus(ReadInteger(Keys::UpdateLastStatus));
    engine_.OnRunFinished = [this] { RunFinished(); };
}

void TServiceReporter::RunFinished() {
    lastUpdate_ = Now();
    lastClass_ = engine_.LastRunClass();
    if (previousOnRunFinished_)
        previousOnRunFinished_();
    notifier_.Refresh();
}

TServiceState TServiceReporter::State() const {
    TServiceState state;
    state.Started = started_();
    state.ReloadPending = engine_.ReloadPending();
    // A next check a year ahead is the engine's "none planned".
    std::optional<TDateTime> next;
    if (engine_.AutoCheck() && engine_.NextCheckTime() < Now().AddDays(1))
        next = engine_.NextCheckTime();
    const bool busy = engine_.AddressState() == AddressChecking || engine_.RunInProgress();
    state.Status = ServiceStatusLine(engine_.CurrentAddress(), lastUpdate_, lastClass_, next, busy);
    return state;
}

} // namespace hostaq
