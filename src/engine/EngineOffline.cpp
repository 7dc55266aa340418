#include "engine/Engine.h"

#include "config/Clock.h"
#include "config/ConfigKeys.h"
#include "config/Messages.h"
#include "config/Version.h"
#include "engine/EngineMessages.h"
#include "engine/EngineValues.h"
#include "ipdetect/HostNetwork.h"
#include "log/DateFormat.h"
#include "log/Log.h"

#include <algorithm>

namespace hostaq {

namespace {
// The "After offline:" items from "Log off" on: their log line and session end action.
struct TSessionAction {
    int Message;
    TExitWinType Type;
};
constexpr TSessionAction SessionActions[] = {
    {MsgLoggingOff, ewLogoff},  {MsgRestarting, ewReboot},     {MsgShuttingDown, ewPowerOff},
    {MsgStandingBy, ewStandBy}, {MsgHibernating, ewHibernate},
};
constexpr const char* OffTimeFormat = "MM/dd/yyyy HH:mm:ss";
} // namespace

void TEngine::LoadOfflineSettings() {
    offlineURL_ = ReadString(Keys::OfflineURL);
    offlineIP_ = ReadAddressChecked(Keys::OfflineIP, FirstHostAddress());
    afterOfflineStored_ = std::clamp(ReadInteger(Keys::AfterOffline), 0, 6);
    SetAfterOfflineIndex(afterOfflineStored_);
    offlineForced_ = ReadBool(Keys::OfflineForced);
    offlineDisconnect_ = ReadBool(Keys::OfflineDisconnect);
    scheduleOffline_ = ReadBool(Keys::ScheduleOffLine) && !groupNames_.empty();
    const TDateTime now = Now();
    offTime_ = ReadStamp(Keys::OffTime).value_or(now.AddDays(365));
    if (now > offTime_)
        offTime_ = now.AddMinutes(2);
    presenter_.ShowOffTime(FormatDateTime(OffTimeFormat, offTime_), scheduleOffline_);
}

// Suspend is offered only when the machine can suspend, Hibernate only when it can also
// hibernate; an index of a missing item selects nothing.
int TEngine::AfterOfflineItems() {
    int items = 5;
    if (services_.SessionEnd->CanSuspend()) {
        ++items;
        if (services_.SessionEnd->CanHibernate())
            ++items;
    }
    return items;
}

void TEngine::SetAfterOfflineIndex(int index) {
    afterOfflineStored_ = std::clamp(index, 0, 6);
    afterOffline_ = afterOfflineStored_ < AfterOfflineItems() ? afterOfflineStored_ : -1;
}

void TEngine::SetScheduleOffline(bool checked) {
    scheduleOffline_ = checked;
    WriteBool(Keys::ScheduleOffLine, checked);
    presenter_.ShowOffTime(FormatDateTime(OffTimeFormat, offTime_), scheduleOffline_);
}

void TEngine::SetOffTime(const TDateTime& t) {
    const TDateTime now = Now();
    offTime_ = now > t ? now.AddMinutes(2) : t;
    presenter_.ShowOffTime(FormatDateTime(OffTimeFormat, offTime_), scheduleOffline_);
}

std::string TEngine::ResolveOfflineAddress() {
    std::string address;
    if (!offlineURL_.empty())
        address = services_.Resolve(offlineURL_);
    return address.empty() ? offlineIP_ : address;
}

void TEngine::ResetSchedule() {
    offTime_ = Now().AddDays(365);
    presenter_.ShowOffTime(FormatDateTime(OffTimeFormat, offTime_), scheduleOffline_);
    WriteStamp(Keys::OffTime, offTime_);
    WriteBool(Keys::OfflineDisconnect, false);
    WriteBool(Keys::OfflineForced, false);
}

void TEngine::OfflineNow() {
    if (RunInProgress() || cycleState_ == CycleUpdating || groupNames_.empty())
        return;
    presenter_.Beep(TNoticeKind::Information);
    if (!presenter_.Confirm(Msg(MsgOfflineAsk)))
        return;
    if (!presenter_.MainWindowIsTop()) {
        presenter_.BringTopToFront();
        cycleState_ = CycleIdle;
        return;
    }
    offlineAddress_ = ResolveOfflineAddress();
    forcedRun_ = false;
    offlineRun_ = true;
    AddLog(LogWarning, Msg(MsgManualOffline));
    StartUpdateRun();
}

void TEngine::RunScheduledOffline() {
    if (!presenter_.MainWindowIsTop()) {
        presenter_.BringTopToFront();
        cycleState_ = CycleIdle;
        return;
    }
    if (!scheduleOffline_) {
        ResetSchedule();
        cycleState_ = CycleIdle;
        return;
    }
    std::weak_ptr<bool> alive = alive_;
    ConfirmCountdown([this, alive](bool goAhead) {
        if (alive.expired())
            return;
        Guarded([&] {
            if (goAhead) {
                AddLog(LogNormal, Msg(MsgScheduledOfflineRuns));
                offlineAddress_ = ResolveOfflineAddress();
                forcedRun_ = false;
                offlineRun_ = true;
                StartUpdateRun();
                return;
            }
            AddLog(LogNormal, Msg(MsgScheduledOfflineAborted));
            ResetSchedule();
            scheduleOffline_ = false;
            WriteBool(Keys::ScheduleOffLine, false);
            presenter_.ShowOffTime(FormatDateTime(OffTimeFormat, offTime_), scheduleOffline_);
            cycleState_ = CycleIdle;
        });
    });
}

// "Disable automatic update" and "Exit program" go ahead at once; the session-ending actions
// give the user a minute to abort.
void TEngine::ConfirmCountdown(std::function<void(bool)> answer) {
    if (afterOfflineStored_ <= 1) {
        answer(true);
        return;
    }
    presenter_.StartOfflineCountdown(std::move(answer));
}

void TEngine::AfterOfflineActions() {
    if (!offlineRun_)
        return;
    ResetSchedule();
    scheduleOffline_ = false;
    WriteBool(Keys::ScheduleOffLine, false);
    presenter_.ShowOffTime(FormatDateTime(OffTimeFormat, offTime_), scheduleOffline_);
    if (afterOffline_ < 0)
        return;
    auto hangUp = [this] {
        if (offlineDisconnect_ && services_.Dialer->Available())
            services_.Dialer->HangUp();
    };
    if (afterOffline_ == 0) {
        // Automatic update goes off first: that stops the dial-up monitor, so the hang-up that
        // follows is not taken for a dropped line.
        ApplyAutoCheck(false);
        hangUp();
        return;
    }
    if (afterOffline_ == 1) {
        hangUp();
        AddLog(LogNormal, Msg(MsgExitingProgram));
        Stop(false);
        return;
    }
    const TSessionAction& action = SessionActions[afterOffline_ - 2];
    AddLog(LogWarning, Msg(action.Message));
    AddLog(LogProgram, FormatMsg(MsgStopped, {AppTitle}), {TLogEvent::MonitorStopped, "", "", "", ""});
    std::string error;
    if (!services_.SessionEnd->Execute(action.Type, offlineForced_, error))
        AddLog(LogError, error);
}

} // namespace hostaq
