#pragma once

#include "engine/Engine.h"
#include "platform/ServiceNotifier.h"

#include <functional>
#include <optional>

namespace hostaq {

// True when a service manager listens for this process's messages ($NOTIFY_SOCKET is set).
bool ServiceManagerListening();

// Tells the service manager about a running monitor: its readiness, its reloads and stop, and
// the status line built from the engine (current address, last update and its result, next
// check). Owns the notifier; records the end of every update run through the engine's
// OnRunFinished (a handler set before is still called).
class TServiceReporter {
public:
    // started: whether the start-up sequence has run.
    TServiceReporter(TEventLoop& loop, TEngine& engine, std::function<bool()> started);
    TServiceReporter(const TServiceReporter&) = delete;
    TServiceReporter& operator=(const TServiceReporter&) = delete;

    TServiceNotifier& Notifier() { return notifier_; }
    // The state as the notifier sends it.
    TServiceState State() const;

private:
    void RunFinished();

    TEngine& engine_;
    std::function<bool()> started_;
    std::function<void()> previousOnRunFinished_;
    std::optional<TDateTime> lastUpdate_;
    int lastClass_ = -1;
    TServiceNotifier notifier_; // last: its timers ask State()
};

} // namespace hostaq
