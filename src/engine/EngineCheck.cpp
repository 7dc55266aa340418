// The check cycle: the heartbeat, the address check and what follows a finished check.

#include "engine/Engine.h"

#include "config/Clock.h"
#include "config/ConfigKeys.h"
#include "config/ConfigPath.h"
#include "config/ErrorReporter.h"
#include "config/IniFile.h"
#include "config/Messages.h"
#include "config/Version.h"
#include "engine/EngineMessages.h"
#include "engine/EngineValues.h"
#include "engine/StatusTexts.h"
#include "groups/UpdateDecision.h"
#include "groups/UpdateReport.h"
#include "ipdetect/AddressList.h"
#include "ipdetect/CheckSettings.h"
#include "ipdetect/HostNetwork.h"
#include "ipdetect/LocalList.h"
#include "log/Log.h"
#include "log/LogFileName.h"
#include "log/LogSettings.h"

#include <algorithm>

namespace hostaq {

namespace {
// Clears a flag on every way out of a scope.
class TFlagGuard {
public:
    explicit TFlagGuard(bool& flag) : flag_(flag) { flag_ = true; }
    ~TFlagGuard() { flag_ = false; }
    TFlagGuard(const TFlagGuard&) = delete;
    TFlagGuard& operator=(const TFlagGuard&) = delete;

private:
    bool& flag_;
};
} // namespace

void TEngine::Heartbeat() {
    if (groupNames_.empty() || AddressState() == AddressChecking || cycleState_ != CycleIdle || engineBusy_)
        return;
    if (reloadPending_) {
        Reload();
        return;
    }
    // Network changes during a check or run are checked once it is over.
    if (eventPending_ && addressState_ == AddressNone && !(Now() < eventDue_)) {
        EventCheckDue();
        if (addressState_ != AddressNone)
            return;
    }
    TFlagGuard busy(engineBusy_);
    if (!autoCheck_) {
        TimerUpdate.SetEnabled(false);
        // A stop request waits for the check; with the heartbeat off, nothing else would end it.
        if (exitPending_)
            Stop(true);
        return;
    }
    if (addressState_ == AddressWaiting) {
        ProcessCheckResult(false);
        return;
    }
    const TDateTime now = Now();
    if (now > offTime_) {
        cycleState_ = CycleUpdating;
        RunScheduledOffline();
    } else if (now > nextForceUpdate_) {
        if (CurrentAddressRefused()) {
            // The forced refresh waits for a public address. The checks keep the pace of the
            // retry time: a check every other second would flood the check-ip page.
            if (now > nextCheckTime_)
                CheckAddress();
        } else {
            nextForceUpdate_ = now.AddMinutes(retryMinutes_);
            cycleState_ = CycleUpdating;
            offlineAddress_.clear();
            forcedRun_ = false;
            offlineRun_ = false;
            StartUpdateRun();
        }
    } else if (now > nextCheckTime_) {
        RotateLogIfDue();
        DeleteOldLog(ConfigPath(), CurrentLogFileName());
        CheckAddress();
        if (now > nextVersionCheck_) {
            services_.VersionCheck->Run();
            nextVersionCheck_ = services_.VersionCheck->NextCheck();
        }
    }
}

void TEngine::ProcessCheckResult(bool forceRun) {
    eventCheckRunning_ = false;
    Broadcast(CurrentIpMessage, currentAddress_);
    addressState_ = AddressNone;
    if (exitPending_) {
        Stop(true);
        return;
    }
    const bool noIPv4 = CurrentAddressRefused() || (checkFailed_ && !forceRun);
    if (noIPv4 && ProcessIPv6OnlyCheck(forceRun))
        return;
    if (!noIPv4)
        ipv4LeftOutLogged_.clear();
    if (CurrentAddressRefused()) {
        RefuseNoPublicAddress();
        Trim();
        return;
    }
    if (checkFailed_ && !forceRun) {
        RetryFailedCheck();
        Trim();
        return;
    }
    if (newAddressSeen_) {
        newAddressSeen_ = false;
        LaunchPrograms(true);
    }
    // The last report could not be mailed: it goes again (a report of this run of the program;
    // after a restart there is none to send).
    if (!ReadBool(Keys::MailSent) && UpdateReport().ReportHasResults())
        SendReport();
    RebuildTrayHint();
    ShowTrayState(TrayNormal);
    if (lastRunClass_ == ClassWarning) {
        WriteInteger(Keys::UpdateLastStatus, TrayNormal);
        presenter_.SetTrayHint(CutHint(FormatMsg(MsgReady, {AppTitle})));
    }
    ResetStoredResults();
    WriteInteger(Keys::UpdateLastStatus, TrayNormal);
    if (forceRun) {
        cycleState_ = CycleUpdating;
        StartForcedRun();
        return;
    }
    const TUpdateDue due = AnyGroupNeedsUpdate(ConfigPath(), currentAddress_, updatedAddress_, groupNames_,
                                               useManualIP_, GroupAddresses6());
    if (due.Due) {
        AddLog(LogWarning, due.Reason, due.Fields);
        cycleState_ = CycleUpdating;
        offlineAddress_.clear();
        forcedRun_ = false;
        offlineRun_ = false;
        StartUpdateRun();
    } else {
        ScheduleNextCheck();
        Trim();
    }
}

void TEngine::RefuseNoPublicAddress() {
    LaunchPrograms(false);
    const std::string status = FormatMsg(MsgUpdateResult, {ResultClassText(ClassNoIP)});
    presenter_.SetTrayHint(CutHint(status));
    presenter_.ShowStatus(status);
    ShowTrayState(TrayError);
    WriteInteger(Keys::UpdateLastStatus, TrayError);
    AddLog(LogError, FormatMsg(MsgNotPublic, {currentAddress_}));
    AddLog(LogNormal, FormatMsg(MsgRetryWithin, {std::to_string(retryMinutes_)}));
    nextCheckTime_ = Now().AddMinutes(retryMinutes_);
    cycleState_ = CycleIdle;
}

// The address found before stays, but nothing is decided on it: the check is tried again after
// the retry time.
void TEngine::RetryFailedCheck() {
    AddLog(LogNormal, FormatMsg(MsgRetryWithin, {std::to_string(retryMinutes_)}));
    nextCheckTime_ = Now().AddMinutes(retryMinutes_);
    cycleState_ = CycleIdle;
}

// Classes below 3 are not remembered across checks; 3 and above stay. One write for all groups,
// and none when nothing changes.
void TEngine::ResetStoredResults() {
    IniUpdate(ConfigPath(), [this](TIniDocument& doc) {
        bool changed = false;
        for (const std::string& name : groupNames_) {
            if (!doc.ValueExists(name, "UpdateResult"))
                continue;
            const std::string text = doc.ReadString(name, "UpdateResult", "");
            int value = 0;
            if (text.empty())
                continue;
            if (!ParseIniInteger(text, value)) {
                ReportWarningOnce(FormatMsg(MsgValueNotNumber, {text, name + "/UpdateResult", "0"}));
                value = 0;
            } else if (value == ClassNoError || value >= ClassRetry) {
                continue;
            }
            doc.WriteInteger(name, "UpdateResult", 0);
            changed = true;
        }
        return changed;
    });
}

bool TEngine::CurrentAddressRefused() const {
    return currentAddress_.empty() || IsInLocalList(currentAddress_, localList_) ||
           IsNonPublicAddress(currentAddress_);
}

// The current address only ever comes from a check that found one (the web page, the dial-up
// line, the machine's own address when asked for, the manual address): a failed check keeps the
// address found before, and before the first good check there is none.
void TEngine::CheckAddress() {
    addressState_ = AddressChecking;
    checkFailed_ = false;
    CheckIPv6Address();
    if (ReadBool(Keys::UseLanIP)) {
        localList_ = "127.0.0.1";
        currentAddress_ = FirstHostAddress();
        SaveAddress();
        addressState_ = AddressWaiting;
        return;
    }
    useManualIP_ = ReadBool(Keys::SetIPManual);
    localList_ = LoadLocalList();
    if (useManualIP_) {
        currentAddress_ = ReadAddressChecked(Keys::ManualIP, FirstHostAddress());
        // A typed address is handed to the heartbeat like a finished check, so the automatic
        // cycle keeps working with it; at start-up it is only shown, as the web check's is.
        if (currentAddress_ != ReadString(Keys::CurrentIP))
            newAddressSeen_ = true;
        SaveAddress();
        addressState_ = cycleState_ == CycleStarting ? AddressNone : AddressWaiting;
        return;
    }
    if (connectionKind_ != ConnectionDialUp) {
        if (cycleState_ == CycleStarting) {
            // Nothing is known before the first check. The address a previous run stored stays
            // in the file: the first check compares with it.
            addressState_ = AddressNone;
            return;
        }
        StartWebCheck();
        return;
    }
    TDialer& dialer = *services_.Dialer;
    if (!dialer.Available())
        return;
    if (dialer.Connected()) {
        currentAddress_ = dialer.ClientAddress();
        if (currentAddress_ != ReadString(Keys::CurrentIP))
            newAddressSeen_ = true;
        SaveAddress();
        addressState_ = AddressWaiting;
    } else if (TimerDialer.Enabled()) {
        // A dial is scheduled already.
    } else if (ReadBool(Keys::NeedDial)) {
        dialer.Dial();
    } else {
        addressState_ = AddressWaiting;
    }
}

void TEngine::StartWebCheck() {
    const TCheckSettings settings = EngineCheckSettings(localList_);
    std::weak_ptr<bool> alive = alive_;
    services_.WebChecker->Start(
        settings,
        [this, alive](const std::string& address, const std::string& failure) {
            if (!alive.expired())
                WebCheckDone(address, failure);
        },
        [this, alive] {
            if (alive.expired())
                return;
            if (addressState_ == AddressChecking)
                addressState_ = AddressWaiting;
            ProcessEventCheck();
        });
}

void TEngine::WebCheckDone(const std::string& address, const std::string& failure) {
    if (address.empty()) {
        // A failed check: nothing takes the place of the address found before, and the stored
        // one stays what the last good check found.
        checkFailed_ = true;
        AddLog(LogError,
               FormatText(TextCheckFailed,
                          {ReadString(Keys::ServerIP), failure.empty() ? TextNoAddressShown : failure}),
               {TLogEvent::CheckFailed, "", "", currentAddress_, failure});
        presenter_.ShowCurrentAddress(CurrentAddressText());
        WriteStamp(Keys::LastChecked, Now());
        return;
    }
    currentAddress_ = address;
    if (address != ReadString(Keys::CurrentIP))
        newAddressSeen_ = true;
    SaveAddress();
}

void TEngine::SaveAddress() {
    presenter_.ShowCurrentAddress(CurrentAddressText());
    WriteString(Keys::CurrentIP, currentAddress_);
    WriteStamp(Keys::LastChecked, Now());
}

void TEngine::RereadLocalAddress() {
    if (useManualIP_)
        return;
    currentAddress_ = LocalPublicAddress(localList_);
    presenter_.ShowCurrentAddress(CurrentAddressText());
}

void TEngine::EndPendingCheck() {
    if (addressState_ == AddressChecking)
        addressState_ = AddressWaiting;
}

bool TEngine::DialFailed() {
    if (addressState_ != AddressChecking || (!OneShot() && !exitPending_))
        return false;
    addressState_ = AddressWaiting;
    return true;
}

void TEngine::ScheduleNextCheck() {
    if (autoCheck_) {
        if (cycleState_ != CycleStarting) {
            nextCheckTime_ = Now().AddMinutes(checkInterval_);
            EnableHeartbeat(true);
        }
    } else {
        TimerUpdate.SetEnabled(false);
    }
    cycleState_ = CycleIdle;
}

void TEngine::ApplyFirstCheckDelay() {
    const int value = ReadInteger(Keys::FirstCheckDelay);
    const int minutes = std::clamp(value / 60, 0, 59);
    const int seconds = std::clamp(value % 60, 0, 59);
    nextCheckTime_ = Now().AddSecs(minutes * 60 + seconds);
}

} // namespace hostaq
