#pragma once

#include "config/DateTime.h"
#include "engine/EventLoop.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace hostaq {

// What the monitor tells the service manager, as the notifier sees it at each look.
struct TServiceState {
    bool Started = false;       // the start-up sequence has run
    bool ReloadPending = false; // a reload waits for a check or run to end
    std::string Status;         // the one-line STATUS= text
};

// The monitor's messages to the service manager over $NOTIFY_SOCKET (sd_notify): READY=1 once
// the start-up has finished, RELOADING=1 with MONOTONIC_USEC and READY=1 around a reload,
// STOPPING=1 on the stop path, STATUS= whenever the line changes, and WATCHDOG=1 from the loop at
// half the interval WATCHDOG_USEC gives, so a loop that hangs stops the pings and is restarted.
// Without NOTIFY_SOCKET the notifier is inactive: it arms no timer and sends nothing.
class TServiceNotifier {
public:
    // state is asked on the loop's thread, once a second and after every call below.
    TServiceNotifier(TEventLoop& loop, std::function<TServiceState()> state);
    ~TServiceNotifier();
    TServiceNotifier(const TServiceNotifier&) = delete;
    TServiceNotifier& operator=(const TServiceNotifier&) = delete;

    bool Active() const { return active_; }
    // The watchdog ping interval in milliseconds (0: no watchdog asked for).
    int WatchdogIntervalMs() const;

    // The start is delayed by this many seconds: the manager's start time-out is extended so the
    // delay cannot fail the start.
    void ExtendStart(int seconds);
    // A reload begins now; READY=1 follows once the state no longer has it pending.
    void Reloading();
    // The stop path has begun (sent once).
    void Stopping();
    // Looks at the state now (READY=1, STATUS=).
    void Refresh();

    // The monotonic clock in microseconds for MONOTONIC_USEC (CLOCK_MONOTONIC by default).
    std::function<std::uint64_t()> MonotonicUsec;

private:
    void Send(const std::string& message);

    std::function<TServiceState()> state_;
    bool active_ = false;
    bool readySent_ = false;
    bool reloading_ = false;
    bool stopping_ = false;
    std::string lastStatus_;
    std::unique_ptr<TTimer> watchdog_;
    std::unique_ptr<TTimer> tick_;
    std::uint64_t watchdogUsec_ = 0;
};

// The STATUS= line: "Current IP 203.0.113.7; last update 12:01 good; next check 12:06". An empty
// address reads "none yet"; without a last update "no update yet"; resultClass is an update
// result class (below 0: unknown); nextCheck empty means no check is planned ("checks off").
std::string ServiceStatusLine(const std::string& currentAddress, std::optional<TDateTime> lastUpdate,
                              int resultClass, std::optional<TDateTime> nextCheck, bool checking);

// A one-word result of an update result class for status lines: "good", "warning", "failed",
// "blocked", "no public address", "network error".
std::string ResultWord(int resultClass);

} // namespace hostaq
