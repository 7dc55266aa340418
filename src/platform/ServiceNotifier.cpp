#include "platform/ServiceNotifier.h"

#include "groups/UpdateResult.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <systemd/sd-daemon.h>

namespace hostaq {

namespace {
// The state is looked at this often: the status line names minutes, a reload ends on a
// heartbeat.
constexpr int TickMs = 1000;
// Time the start-up sequence itself may take beyond a configured delay.
constexpr std::uint64_t StartMarginUsec = 90ull * 1000 * 1000;

std::uint64_t MonotonicNowUsec() {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000000u + static_cast<std::uint64_t>(ts.tv_nsec) / 1000u;
}

std::string HourMinute(const TDateTime& t) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", t.Hour(), t.Minute());
    return text;
}
} // namespace

TServiceNotifier::TServiceNotifier(TEventLoop& loop, std::function<TServiceState()> state)
    : MonotonicUsec(MonotonicNowUsec), state_(std::move(state)) {
    const char* socket = std::getenv("NOTIFY_SOCKET");
    active_ = socket != nullptr && *socket != '\0';
    if (!active_)
        return;
    tick_ = std::make_unique<TTimer>(loop, TickMs);
    tick_->OnTimer = [this] { Refresh(); };
    tick_->SetEnabled(true);
    // WATCHDOG_PID, when set, must name this process; sd_watchdog_enabled checks it.
    std::uint64_t usec = 0;
    if (sd_watchdog_enabled(0, &usec) > 0 && usec >= 2000) {
        watchdogUsec_ = usec;
        watchdog_ = std::make_unique<TTimer>(loop, WatchdogIntervalMs());
        watchdog_->OnTimer = [this] { Send("WATCHDOG=1"); };
        watchdog_->SetEnabled(true);
    }
}

TServiceNotifier::~TServiceNotifier() = default;

int TServiceNotifier::WatchdogIntervalMs() const {
    return static_cast<int>(watchdogUsec_ / 2 / 1000);
}

void TServiceNotifier::Send(const std::string& message) {
    if (active_)
        sd_notify(0, message.c_str());
}

void TServiceNotifier::ExtendStart(int seconds) {
    if (!active_ || readySent_ || seconds <= 0)
        return;
    const std::uint64_t usec = static_cast<std::uint64_t>(seconds) * 1000000u + StartMarginUsec;
    Send("EXTEND_TIMEOUT_USEC=" + std::to_string(usec));
}

void TServiceNotifier::Reloading() {
    if (!active_ || stopping_)
        return;
    reloading_ = true;
    Send("RELOADING=1\nMONOTONIC_USEC=" + std::to_string(MonotonicUsec()));
    Refresh();
}

void TServiceNotifier::Stopping() {
    if (!active_ || stopping_)
        return;
    stopping_ = true;
    Send("STOPPING=1");
}

void TServiceNotifier::Refresh() {
    if (!active_ || stopping_)
        return;
    const TServiceState state = state_();
    std::string message;
    if (state.Status != lastStatus_) {
        lastStatus_ = state.Status;
        message = "STATUS=" + state.Status;
    }
    // READY=1 ends the start and each reload; it goes with the status of that moment.
    if (state.Started && (!readySent_ || (reloading_ && !state.ReloadPending))) {
        readySent_ = true;
        reloading_ = false;
        message = "READY=1\nSTATUS=" + state.Status;
    }
    if (!message.empty())
        Send(message);
}

std::string ResultWord(int resultClass) {
    switch (resultClass) {
    case ClassNoError:
    case ClassGood:
        return "good";
    case ClassWarning:
        return "warning";
    case ClassRetry:
        return "failed";
    case ClassBlocked:
        return "blocked";
    case ClassNoIP:
        return "no public address";
    case ClassWinsock:
        return "network error";
    default:
        return "unknown";
    }
}

std::string ServiceStatusLine(const std::string& currentAddress, std::optional<TDateTime> lastUpdate,
                              int resultClass, std::optional<TDateTime> nextCheck, bool checking) {
    std::string line = "Current IP " + (currentAddress.empty() ? std::string("none yet") : currentAddress);
    line += "; last update ";
    if (lastUpdate) {
        line += HourMinute(*lastUpdate);
        if (resultClass >= 0)
            line.append(" ").append(ResultWord(resultClass));
    } else {
        line += "none yet";
    }
    if (checking)
        line += "; checking now";
    else if (nextCheck)
        line += "; next check " + HourMinute(*nextCheck);
    else
        line += "; checks off";
    return line;
}

} // namespace hostaq
