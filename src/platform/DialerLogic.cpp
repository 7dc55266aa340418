#include "platform/DialerLogic.h"

#include "config/Clock.h"
#include "config/ConfigKeys.h"
#include "config/Messages.h"
#include "log/Log.h"
#include "platform/PlatformMessages.h"

#include <algorithm>

namespace hostaq {

TDialerLogic::TDialerLogic(TEventLoop& loop, TPresenter& presenter, TPppSystem system)
    : presenter_(presenter), system_(std::move(system)), monitorTimer_(loop, 1000) {
    monitorTimer_.OnTimer = [this] {
        // A dialer left over from a dial-up configuration is switched off, not kept watching.
        if (engine_ != nullptr && engine_->ConnectionKind() != ConnectionDialUp) {
            Release();
            return;
        }
        if (dialer_)
            dialer_->MonitorTimer();
    };
}

// The engine holds this object as its dialer, so it is destroyed first.
TDialerLogic::~TDialerLogic() = default;

void TDialerLogic::Attach(TEngine& engine) {
    engine_ = &engine;
    engine.TimerDialer.SetInterval(1000);
    engine.TimerDialer.OnTimer = [this] { DialerTimer(); };
}

void TDialerLogic::LoadSettings() {
    dialer_->EntryName = ReadString(Keys::DialAccount);
    dialer_->UserName = ReadString(Keys::DialUserName);
    dialer_->Password = ReadPassword(Keys::DialPassword);
}

bool TDialerLogic::Available() {
    if (!dialer_) {
        auto dialer = std::make_unique<TVemoDialUp>(system_);
        if (!dialer->Available())
            return false;
        dialer_ = std::move(dialer);
        Hook();
        LoadSettings();
        dialer_->SetMonitor(ReadBool(Keys::NeedDial));
        return true;
    }
    LoadSettings();
    return true;
}

void TDialerLogic::Hook() {
    dialer_->OnMonitorTimerChange = [this](bool enabled, int intervalMs) {
        monitorTimer_.SetInterval(intervalMs);
        monitorTimer_.SetEnabled(enabled);
    };
    dialer_->OnAsyncEvent = [this](int, const std::string& text) { OnAsyncEvent(text); };
    dialer_->OnDialing = [this] { OnDialing(); };
    dialer_->OnError = [this](int, const std::string& text) { OnError(text); };
    dialer_->OnDialFinish = [this](int code, const std::string&) { OnDialFinish(code); };
    dialer_->OnRasConnected = [this](const TRasConnectionDetails& info) { OnConnected(info); };
    dialer_->OnRasDisconnected = [this] { OnDisconnected(); };
}

void TDialerLogic::Release() {
    monitorTimer_.SetEnabled(false);
    if (engine_ != nullptr)
        engine_->TimerDialer.SetEnabled(false);
    dialer_.reset();
}

bool TDialerLogic::Connected() {
    if (!dialer_)
        return false;
    // The check cycle takes the address itself; a connection found by this question is not
    // handed back to it a second time.
    askingConnection_ = true;
    const bool online = dialer_->Online();
    askingConnection_ = false;
    return online;
}

std::string TDialerLogic::ClientAddress() {
    return dialer_ ? dialer_->ClientIP : std::string();
}

void TDialerLogic::Dial() {
    if (dialer_)
        dialer_->Dial();
}

void TDialerLogic::HangUp() {
    if (dialer_)
        dialer_->HangUp();
}

void TDialerLogic::StartMonitor() {
    if (dialer_)
        dialer_->SetMonitor(true);
}

void TDialerLogic::StopMonitor() {
    if (dialer_)
        dialer_->SetMonitor(false);
}

bool TDialerLogic::DialPending() {
    return RedialScheduled() || (dialer_ && dialer_->Dialing());
}

void TDialerLogic::CancelPendingDial() {
    if (engine_ != nullptr)
        engine_->TimerDialer.SetEnabled(false);
    if (dialer_ && dialer_->Dialing()) {
        dialer_->CancelDial();
        AddLog(LogWarning, FormatMsg(MsgDialCanceled, {Entry()}));
    }
    presenter_.EnableCancelDial(false);
    EnableUpdateCommands(true);
    if (engine_ != nullptr)
        engine_->EndPendingCheck();
}

std::string TDialerLogic::Entry() const {
    return dialer_ ? dialer_->EntryName : std::string();
}

bool TDialerLogic::EnginePaused() const {
    return engine_ != nullptr && engine_->CycleState() == CycleSettings;
}

void TDialerLogic::EnableUpdateCommands(bool enabled) {
    presenter_.EnableCommands(true, enabled && engine_ != nullptr && !engine_->GroupNames().empty() &&
                                        !EnginePaused());
}

void TDialerLogic::ScheduleRedial() {
    // While the settings dialog is open the engine is paused; its end checks and dials anew.
    if (engine_ == nullptr || EnginePaused())
        return;
    const int delay = ReadInteger(Keys::DialDelay);
    const int minutes = std::clamp(delay / 60, 0, 59);
    const int seconds = std::clamp(delay % 60, 0, 59);
    redialDue_ = Now().AddSecs(minutes * 60 + seconds);
    engine_->TimerDialer.SetEnabled(true);
    if (delay > 0)
        AddLog(LogWarning, FormatMsg(MsgRedialScheduled, {std::to_string(delay)}));
}

bool TDialerLogic::RedialScheduled() const {
    return engine_ != nullptr && engine_->TimerDialer.Enabled();
}

void TDialerLogic::DialerTimer() {
    if (engine_ == nullptr || !(Now() > redialDue_))
        return;
    engine_->TimerDialer.SetEnabled(false);
    if (dialer_ && !Connected())
        dialer_->Dial();
}

void TDialerLogic::CancelDial() {
    if (engine_ != nullptr)
        engine_->TimerDialer.SetEnabled(false);
    if (dialer_) {
        dialer_->HangUp();
        AddLog(LogWarning, FormatMsg(MsgDialCanceled, {Entry()}));
    }
    presenter_.EnableCancelDial(false);
    EnableUpdateCommands(true);
    presenter_.SetTrayState(TrayNormal);
    // A check that waited for this dial ends without a connection.
    if (engine_ != nullptr)
        engine_->EndPendingCheck();
}

void TDialerLogic::OnAsyncEvent(const std::string& text) {
    const std::string line = FormatMsg(MsgDialerState, {text});
    AddLog(LogNormal, line);
    presenter_.ShowStatus(line);
}

void TDialerLogic::OnDialing() {
    presenter_.SetTrayState(TrayDialer);
    const std::string text = FormatMsg(MsgStartDialing, {Entry()});
    presenter_.ShowStatus(text);
    presenter_.EnableCancelDial(true);
    EnableUpdateCommands(false);
    AddLog(LogProcess, text);
}

void TDialerLogic::OnError(const std::string& text) {
    AddLog(LogError, FormatMsg(MsgDialerError, {text}));
}

void TDialerLogic::OnDialFinish(int code) {
    if (code != 0) {
        presenter_.SetTrayState(TrayError);
        presenter_.ShowStatus(FormatMsg(MsgErrorWhenDialing, {Entry()}));
        // A one-shot run gives up after one failed dial; otherwise the line is dialled again.
        if (engine_ == nullptr || !engine_->DialFailed())
            ScheduleRedial();
    }
    presenter_.EnableCancelDial(false);
    EnableUpdateCommands(true);
}

void TDialerLogic::OnConnected(const TRasConnectionDetails& info) {
    // The connection may be another entry's: any open line counts.
    const std::string entry = info.EntryName.empty() ? Entry() : info.EntryName;
    AddLog(LogNormal, FormatMsg(MsgEntryConnected, {entry}));
    presenter_.EnableCancelDial(true);
    EnableUpdateCommands(false);
    presenter_.SetTrayState(TrayNormal);
    AddLog(LogNormal, Msg(MsgConnectionInformation));
    AddLog(LogNormal, FormatMsg(MsgDeviceType, {info.DeviceType}));
    AddLog(LogNormal, FormatMsg(MsgDeviceName, {info.DeviceName}));
    AddLog(LogNormal, FormatMsg(MsgServerAddress, {info.ServerIP}));
    AddLog(LogNormal, FormatMsg(MsgClientAddress, {info.ClientIP}));
    AddLog(LogProcess, FormatMsg(MsgDialingFinished, {entry}));
    presenter_.ShowStatus(FormatMsg(MsgEntryConnected, {entry}));
    if (engine_ != nullptr && !askingConnection_ && !EnginePaused() && !ReadBool(Keys::SetIPManual))
        engine_->CheckAddress();
}

void TDialerLogic::OnDisconnected() {
    if (engine_ != nullptr)
        engine_->RereadLocalAddress();
    const std::string text = FormatMsg(MsgEntryDisconnected, {Entry()});
    AddLog(LogWarning, text);
    presenter_.SetTrayState(TrayWarning);
    presenter_.ShowStatus(text);
    if (ReadBool(Keys::NeedDial))
        ScheduleRedial();
}

} // namespace hostaq
