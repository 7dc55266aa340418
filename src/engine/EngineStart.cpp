// The start-up sequence, the stop path and the reload, and the loading they share.

#include "engine/Engine.h"

#include "config/ConfigKeys.h"
#include "config/ConfigPath.h"
#include "config/IniFile.h"
#include "config/Messages.h"
#include "config/Version.h"
#include "engine/EngineMessages.h"
#include "engine/EngineValues.h"
#include "groups/DynAcc.h"
#include "ipdetect/HostNetwork.h"
#include "ipdetect/LocalList.h"
#include "log/Log.h"

#include <algorithm>

namespace hostaq {

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
    StopNetworkMonitor();
    if (logStopped)
        AddLog(LogProgram, FormatMsg(MsgStopped, {AppTitle}), {TLogEvent::MonitorStopped, "", "", "", ""});
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

// The group list, the connection kind and the forced-refresh interval, as every refresh needs them.
void TEngine::LoadGroupsAndConnection() {
    groupCounts_ = CountGroups(ConfigPath());
    groupNames_ = groupCounts_.Names;
    if (ReadDirectConnect())
        connectionKind_ = services_.Dialer->Available() ? ConnectionDialUp : ConnectionLan;
    else
        connectionKind_ = ReadBool(Keys::UseProxy, false) ? ConnectionProxy : ConnectionLan;
    forceUpdateDays_ = ReadForceUpdateDays();
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
    checkInterval_ = ReadCheckInterval();
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
    checkInterval_ = ReadCheckInterval();
    forceUpdateDays_ = ReadForceUpdateDays();
    nextForceUpdate_ = lastUpdateTime_.AddDays(forceUpdateDays_);
    nextVersionCheck_ = services_.VersionCheck->NextCheck();
    ApplyAutoCheck(ReadBool(Keys::AutoCheck));
    LoadEventCheck();
}

} // namespace hostaq
