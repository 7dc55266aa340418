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
#include "groups/DynAcc.h"
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
#include <exception>

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

TEngine::TEngine(TEventLoop& loop, TPresenter& presenter, const TEngineServices& services)
    : TimerUpdate(loop, 1000), TimerUpdateAnim(loop, 250), TimerRunProgram(loop, 1000),
      TimerDiscRunProgram(loop, 1000), TimerStartService(loop, 30000), TimerDialer(loop, 1000), loop_(loop),
      presenter_(presenter), services_(services) {
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
}

TEngine::~TEngine() {
    *alive_ = false;
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

// ---- start-up and stop -------------------------------------------------------------------

void TEngine::StartUpSequence() {
    RefreshAll();
    LoadOptions();
    LoadOfflineSettings();
    LoadProgramLists();

    RebuildTrayHint();
    presenter_.EnableCommands(true, !groupNames_.empty() && cycleState_ == CycleIdle);
    ApplyFirstCheckDelay();
    EnableHeartbeat(true);

    // The settings dialog's remembered page and position start afresh with every run.
    if (IniSectionExists(ConfigPath(), "SettingForm"))
        IniEraseSection(ConfigPath(), "SettingForm");

    for (const std::string& line : StartUpSummary())
        AddLog(LogNormal, line);
    AddLog(LogNormal, FormatMsg(MsgReady, {AppTitle}));

    ApplyFirstCheckDelay();
    updatedAddressChanged_ = false;
    cycleState_ = CycleIdle;
    EnableHeartbeat(true);
    startUpDone_ = true;
}

void TEngine::Stop(bool logStopped) {
    if (stopped_)
        return;
    stopped_ = true;
    // A dial nobody waits for any more is given up with the program.
    if (services_.Dialer->DialPending())
        services_.Dialer->CancelPendingDial();
    TimerUpdate.SetEnabled(false);
    TimerUpdateAnim.SetEnabled(false);
    TimerRunProgram.SetEnabled(false);
    TimerDiscRunProgram.SetEnabled(false);
    if (logStopped)
        AddLog(LogProgram, FormatMsg(MsgStopped, {AppTitle}));
    presenter_.Terminate();
}

void TEngine::RequestStop() {
    if (stopped_)
        return;
    // A dial, or a redial after a failed one, may never bring a line: a stop does not wait for
    // it. Cancelling ends the check that waits for the line.
    if (services_.Dialer->DialPending())
        services_.Dialer->CancelPendingDial();
    if (cycleState_ != CycleUpdating && AddressState() != AddressChecking && !RunInProgress()) {
        Stop(true);
        return;
    }
    exitPending_ = true;
}

void TEngine::StopNow() {
    Stop(true);
}

void TEngine::Reload() {
    if (stopped_ || exitPending_ || !startUpDone_ || cycleState_ == CycleSettings)
        return;
    // A check or run in progress ends first; the heartbeat then reloads.
    if (cycleState_ != CycleIdle || addressState_ == AddressChecking || RunInProgress() || engineBusy_) {
        reloadPending_ = true;
        return;
    }
    reloadPending_ = false;
    BeginSettings();
    EndSettings(true);
    AddLog(LogProgram, FormatText(TextReloaded, {AppTitle}));
    for (const std::string& line : StartUpSummary())
        AddLog(LogNormal, line);
}

// ---- check cycle -------------------------------------------------------------------------

void TEngine::Heartbeat() {
    if (groupNames_.empty() || AddressState() == AddressChecking || cycleState_ != CycleIdle || engineBusy_)
        return;
    if (reloadPending_) {
        Reload();
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
    Broadcast(CurrentIpMessage, currentAddress_);
    addressState_ = AddressNone;
    if (exitPending_) {
        Stop(true);
        return;
    }
    if (CurrentAddressRefused()) {
        RefuseNoPublicAddress();
        Trim();
        return;
    }
    if (checkFailed_ && !forceRun) {
        // The address found before stays, but nothing is decided on it: the check is tried
        // again after the retry time.
        AddLog(LogNormal, FormatMsg(MsgRetryWithin, {std::to_string(retryMinutes_)}));
        nextCheckTime_ = Now().AddMinutes(retryMinutes_);
        cycleState_ = CycleIdle;
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
    const TUpdateDue due =
        AnyGroupNeedsUpdate(ConfigPath(), currentAddress_, updatedAddress_, groupNames_, useManualIP_,
                            GroupAddresses6());
    if (due.Due) {
        AddLog(LogWarning, due.Reason);
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
        });
}

void TEngine::WebCheckDone(const std::string& address, const std::string& failure) {
    if (address.empty()) {
        // A failed check: nothing takes the place of the address found before, and the stored
        // one stays what the last good check found.
        checkFailed_ = true;
        AddLog(LogError, FormatText(TextCheckFailed, {ReadString(Keys::ServerIP),
                                                      failure.empty() ? TextNoAddressShown : failure}));
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

void TEngine::ApplyAutoCheck(bool checked) {
    if (groupNames_.empty())
        checked = false;
    autoCheck_ = checked;
    presenter_.ShowAutoCheck(checked);
    // Without a group the box is cleared only because there is nothing to check: the user's
    // choice stays in the file for the first group to come.
    if (!groupNames_.empty())
        WriteBool(Keys::AutoCheck, checked);
    if (!checked) {
        ShowTrayState(TrayDisabled);
        const std::string text = Msg(MsgAutoUpdateDisabled);
        if (presenter_.TrayAvailable())
            presenter_.ShowBalloon(AppTitle, text, TNoticeKind::Information, 30);
        presenter_.SetTrayHint(CutHint(text));
        services_.Dialer->StopMonitor();
        TimerUpdate.SetEnabled(false);
    } else {
        ShowTrayState(TrayNormal);
        presenter_.SetTrayHint(CutHint(FormatMsg(MsgReady, {AppTitle})));
        if (connectionKind_ == ConnectionDialUp && ReadBool(Keys::NeedDial))
            services_.Dialer->StartMonitor();
        // The tray item stays usable during a run and while the settings dialog is open: the
        // heartbeat must not start then; the end of the run or of the dialog starts it.
        if (cycleState_ != CycleUpdating && cycleState_ != CycleSettings)
            ScheduleNextCheck();
        ApplyFirstCheckDelay();
    }
    presenter_.ShowInfo(InfoValues());
}

// The group list, the connection kind and the forced-refresh interval, as every refresh needs them.
void TEngine::LoadGroupsAndConnection() {
    groupCounts_ = CountGroups(ConfigPath());
    groupNames_ = groupCounts_.Names;
    if (ReadDirectConnect())
        connectionKind_ = services_.Dialer->Available() ? ConnectionDialUp : ConnectionLan;
    else
        connectionKind_ = ReadBool(Keys::UseProxy, false) ? ConnectionProxy : ConnectionLan;
    forceUpdateDays_ = std::clamp(ReadInteger(Keys::ForceUpdateInt), 1, 365);
    LoadIPv6Groups();
}

void TEngine::RefreshAll() {
    LoadGroupsAndConnection();
    ComputeLastUpdate();
    updatedAddress_ = ReadAddressChecked(Keys::UpdateIP, FirstHostAddress());
    shownUpdatedAddress_ = updatedAddress_;
    presenter_.ShowUpdatedAddress(UpdatedAddressText());
    CheckAddress();
    presenter_.ShowInfo(InfoValues());
}

void TEngine::LoadForReport() {
    LoadGroupsAndConnection();
    checkInterval_ = std::clamp(ReadInteger(Keys::CheckingInt), 5, 59);
    retryMinutes_ = ReadRetryMinutes();
    autoCheck_ = ReadBool(Keys::AutoCheck) && !groupNames_.empty();
    ComputeLastUpdate();
    updatedAddress_ = ReadAddressChecked(Keys::UpdateIP, FirstHostAddress());
    useManualIP_ = ReadBool(Keys::SetIPManual);
    const std::string machine = LocalPublicAddress(localList_);
    if (ReadBool(Keys::UseLanIP))
        localList_ = "127.0.0.1";
    currentAddress_ = ReadAddressChecked(Keys::CurrentIP, machine);
    if (currentAddress_.empty())
        currentAddress_ = machine;
}

// LastUpdateTime is the earliest of Update/LastUpdate and the LastUpdate of every enabled group.
void TEngine::ComputeLastUpdate() {
    lastUpdateTime_ = EarliestLastUpdate(ConfigPath(), groupNames_);
    nextForceUpdate_ = lastUpdateTime_.AddDays(forceUpdateDays_);
}

void TEngine::LoadOptions() {
    retryMinutes_ = ReadRetryMinutes();
    checkInterval_ = std::clamp(ReadInteger(Keys::CheckingInt), 5, 59);
    forceUpdateDays_ = std::clamp(ReadInteger(Keys::ForceUpdateInt), 1, 365);
    nextForceUpdate_ = lastUpdateTime_.AddDays(forceUpdateDays_);
    nextVersionCheck_ = services_.VersionCheck->NextCheck();
    ApplyAutoCheck(ReadBool(Keys::AutoCheck));
}

std::string TEngine::ChangeCheckInterval(const std::string& fieldText) {
    // An empty field, and a value out of range, become the default of 5.
    bool reset = fieldText.empty();
    int value = 5;
    if (!reset && !ParseIniInteger(fieldText, value))
        value = 5;
    if (value < 5) {
        presenter_.Notify(TNoticeKind::Warning, FormatMsg(MsgMinimumInterval, {"5", "\r"}));
        reset = true;
    } else if (value > 59) {
        presenter_.Notify(TNoticeKind::Warning, FormatMsg(MsgMaximumInterval, {"59"}));
        reset = true;
    }
    if (reset)
        value = 5;
    const std::string text = reset ? std::to_string(value) : fieldText;
    const TDateTime now = Now();
    const std::int64_t leftMs = now.MsecsTo(nextCheckTime_);
    const std::int64_t newMs = static_cast<std::int64_t>(value) * 60000 - leftMs;
    checkInterval_ = value;
    nextCheckTime_ = newMs < 0 ? now.AddMinutes(value) : now.AddMsecs(newMs);
    presenter_.ShowInfo(InfoValues());
    return text;
}

bool TEngine::ChangeForceUpdateDays(const std::string& fieldText) {
    const bool digits = !fieldText.empty() && std::all_of(fieldText.begin(), fieldText.end(),
                                                          [](char c) { return c >= '0' && c <= '9'; });
    if (!digits) {
        presenter_.Beep(TNoticeKind::Error);
        presenter_.Notify(TNoticeKind::Error, Msg(MsgIntegerExpected));
        return false;
    }
    int value = 25;
    if (!ParseIniInteger(fieldText, value))
        value = 25;
    forceUpdateDays_ = value;
    nextForceUpdate_ = lastUpdateTime_.AddDays(forceUpdateDays_);
    presenter_.ShowInfo(InfoValues());
    return true;
}

void TEngine::SaveIntervalFields(const std::string& intervalText, const std::string& forceDaysText) {
    WriteString(Keys::CheckingInt, intervalText);
    WriteString(Keys::ForceUpdateInt, forceDaysText);
}

void TEngine::BeginSettings() {
    presenter_.EnableCommands(true, false);
    services_.Dialer->StopMonitor();
    TimerDialer.SetEnabled(false);
    TimerUpdate.SetEnabled(false);
    cycleState_ = CycleSettings;
}

void TEngine::EndSettings(bool ok) {
    // The dialog's OK reloads everything: a reload asked for meanwhile is done with it.
    if (ok)
        reloadPending_ = false;
    if (ok) {
        RefreshAll();
        LoadOptions();
        LoadOfflineSettings();
        LoadProgramLists();
    } else {
        RefreshAll();
    }
    cycleState_ = CycleIdle;
    RebuildTrayHint();
    presenter_.EnableCommands(true, !groupNames_.empty());
    ApplyFirstCheckDelay();
    EnableHeartbeat(true);
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
