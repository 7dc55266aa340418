// Checks at once when the network changes: the monitor's events are gathered for a second, and
// event checks keep EventCheckGap seconds apart. A check or run in progress is followed by one
// check after it.

#include "engine/Engine.h"

#include "config/Clock.h"
#include "config/ConfigKeys.h"
#include "config/Messages.h"
#include "engine/EngineMessages.h"
#include "log/Log.h"

#include <algorithm>

namespace hostaq {

namespace {
// Events that come together make one check.
constexpr int GatherSeconds = 1;
// At most this many interfaces are named in the log line.
constexpr std::size_t NamedInterfaces = 4;

std::string JoinNames(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : ", ") + name;
    return text;
}
} // namespace

void TEngine::LoadEventCheck() {
    eventCheck_ = ReadBool(Keys::EventCheck);
    eventCheckGap_ = std::clamp(ReadInteger(Keys::EventCheckGap), EventCheckGapMin, EventCheckGapMax);
    const bool listen = eventCheck_ && heartbeatAllowed_ && !stopped_;
    if (listen && !monitorStarted_) {
        monitorStarted_ = true;
        std::weak_ptr<bool> alive = alive_;
        services_.NetworkMonitor->Start([this, alive](const TNetworkEvent& event) {
            if (!alive.expired())
                Guarded([&] { NetworkChanged(event); });
        });
    } else if (!listen) {
        StopNetworkMonitor();
    }
}

void TEngine::StopNetworkMonitor() {
    if (monitorStarted_)
        services_.NetworkMonitor->Stop();
    monitorStarted_ = false;
    eventPending_ = false;
    TimerEventCheck.SetEnabled(false);
}

bool TEngine::EventCheckWanted() const {
    // A dial-up line has its own monitor; a check there may dial.
    return eventCheck_ && autoCheck_ && heartbeatAllowed_ && !stopped_ && !exitPending_ &&
           !groupNames_.empty() && connectionKind_ != ConnectionDialUp;
}

void TEngine::NetworkChanged(const TNetworkEvent& event) {
    if (!EventCheckWanted() || cycleState_ == CycleSettings || cycleState_ == CycleStarting)
        return;
    const TDateTime now = Now();
    if (!eventPending_) {
        eventPending_ = true;
        eventInterfaces_.clear();
        eventResume_ = false;
        eventDue_ = now.AddSecs(GatherSeconds);
        if (lastEventCheck_ && eventDue_ < lastEventCheck_->AddSecs(eventCheckGap_))
            eventDue_ = lastEventCheck_->AddSecs(eventCheckGap_);
        TimerEventCheck.SetInterval(static_cast<int>(std::max<std::int64_t>(now.MsecsTo(eventDue_), 0)));
        TimerEventCheck.SetEnabled(true);
    }
    if (event.Kind == TNetworkEvent::Resume)
        eventResume_ = true;
    else if (!event.Interface.empty() && eventInterfaces_.size() < NamedInterfaces &&
             std::find(eventInterfaces_.begin(), eventInterfaces_.end(), event.Interface) ==
                 eventInterfaces_.end())
        eventInterfaces_.push_back(event.Interface);
}

void TEngine::EventCheckDue() {
    TimerEventCheck.SetEnabled(false);
    if (!eventPending_ || Now() < eventDue_)
        return;
    if (!EventCheckWanted() || cycleState_ == CycleSettings) {
        eventPending_ = false;
        return;
    }
    // A check or run in progress ends first; the heartbeat comes back here once it has.
    if (cycleState_ != CycleIdle || addressState_ != AddressNone || engineBusy_ || RunInProgress() ||
        reloadPending_)
        return;
    eventPending_ = false;
    lastEventCheck_ = Now();
    std::string reason;
    if (!eventInterfaces_.empty())
        reason = FormatMsg(MsgNetworkChangeOn, {JoinNames(eventInterfaces_)});
    else if (eventResume_)
        reason = Msg(MsgResumeCheck);
    else
        reason = Msg(MsgNetworkChange);
    AddLog(LogNormal, reason);
    eventCheckRunning_ = true;
    engineBusy_ = true;
    CheckAddress();
    engineBusy_ = false;
    // The result is taken at once, not at the next heartbeat.
    if (addressState_ == AddressWaiting)
        ProcessEventCheck();
}

void TEngine::ProcessEventCheck() {
    if (!eventCheckRunning_)
        return;
    eventCheckRunning_ = false;
    std::weak_ptr<bool> alive = alive_;
    loop_.Post([this, alive] {
        if (!alive.expired())
            Guarded([this] { Heartbeat(); });
    });
}

} // namespace hostaq
