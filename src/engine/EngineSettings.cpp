// The settings pause (the dialog open, then OK or Cancel) and the option fields of the window.

#include "engine/Engine.h"

#include "config/Clock.h"
#include "config/ConfigKeys.h"
#include "config/IniFile.h"
#include "config/Messages.h"
#include "config/Version.h"
#include "engine/EngineMessages.h"
#include "engine/StatusTexts.h"
#include "log/Log.h"

#include <algorithm>

namespace hostaq {

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

} // namespace hostaq
