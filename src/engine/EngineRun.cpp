#include "engine/Engine.h"

#include "config/Clock.h"
#include "config/ConfigKeys.h"
#include "config/ConfigPath.h"
#include "config/Messages.h"
#include "config/Version.h"
#include "engine/EngineMessages.h"
#include "engine/StatusTexts.h"
#include "groups/UpdateDecision.h"
#include "groups/UpdateReport.h"
#include "groups/UpdateUrl.h"
#include "ipdetect/AddressList.h"
#include "log/DateFormat.h"
#include "log/Log.h"
#include "log/LogFileName.h"
#include "net/MailReport.h"

#include <algorithm>

namespace hostaq {

void TEngine::ForceUpdate() {
    if (RunInProgress() || cycleState_ == CycleUpdating)
        return;
    if (currentAddress_ == updatedAddress_) {
        presenter_.Beep(TNoticeKind::Information);
        if (!presenter_.Confirm(FormatMsg(MsgAddressUnchangedAsk, {"\r"})))
            return;
    }
    // An address nobody can have as a public one is refused without a question (StartUpdateRun).
    if (!IsNonPublicAddress(currentAddress_) && IsInLocalList(currentAddress_, localList_) &&
        !presenter_.Confirm(FormatMsg(MsgNotPublicAsk, {"\r"})))
        return;
    StartForcedRun();
}

void TEngine::StartForcedRun() {
    offlineAddress_.clear();
    forcedRun_ = true;
    offlineRun_ = false;
    AddLog(LogWarning, Msg(MsgManualUpdate));
    StartUpdateRun();
}

void TEngine::StartUpdateRun() {
    // A confirmed manual run goes ahead on an address of the local list: the question promised
    // it. No run ever sends an address that is nobody's public address, or no address at all: a
    // run without a public IPv4 address sends the IPv6 groups' addresses alone (see below), and a
    // manual one does so when there are such groups.
    if (!offlineRun_ && !ipv6OnlyRun_ &&
        (IsNonPublicAddress(currentAddress_) ||
         (!forcedRun_ && IsInLocalList(currentAddress_, localList_)))) {
        if (!forcedRun_ || IPv6OnlyGroups().empty()) {
            RefuseNoPublicAddress();
            return;
        }
        ipv6OnlyRun_ = true;
    }
    if (groupNames_.empty()) {
        // Nothing to send: the cycle must not stay in the run state.
        ipv6OnlyRun_ = false;
        cycleState_ = CycleIdle;
        EnableHeartbeat(true);
        return;
    }
    cycleState_ = CycleUpdating;
    runActive_ = true;
    RebuildTrayHint();
    AddLog(LogProcess, Msg(MsgUpdateStarts));

    controllers_.clear();
    const TGroupAddresses6 addresses6 =
        offlineRun_ ? TGroupAddresses6() : (ipv6OnlyRun_ ? IPv6OnlyGroups() : GroupAddresses6());
    // The address the requests carry: none without a public IPv4 address.
    const std::string address = ipv6OnlyRun_ ? std::string() : currentAddress_;
    const std::string none6 = Msg(MsgNoIPv6Address);
    UpdateReport().Start(
        ReportStartText(Now(), updatedAddress_, currentAddress_, useManualIP_,
                        updatedAddress6_.empty() ? none6 : updatedAddress6_,
                        IPv6InUse() ? (currentAddress6_.empty() ? none6 : currentAddress6_) : std::string()));
    animFrame_ = 0;
    TimerUpdateAnim.SetEnabled(true);
    TimerUpdate.SetEnabled(false);
    presenter_.EnableCommands(false, false);

    const std::string& path = ConfigPath();
    controllers_.resize(groupNames_.size());
    for (std::size_t i = 0; i < groupNames_.size(); ++i) {
        TController& c = controllers_[i];
        c.GroupName = groupNames_[i];
        const auto found6 = addresses6.find(c.GroupName);
        const std::string address6 = found6 == addresses6.end() ? std::string() : found6->second;
        if (ipv6OnlyRun_ && address6.empty()) {
            // It needs the IPv4 address that is missing: the refusal has said so.
            c.Result = ReadBoolChecked(path, c.GroupName, "Enable", true) ? ClassNoIP : ClassNoError;
            c.Done = true;
            continue;
        }
        const TUpdateDecision decision = NeedsUpdate(path, c.GroupName, address, forceUpdateDays_,
                                                     offlineRun_, forcedRun_, address6, ipv6OnlyRun_);
        c.Result = decision.Code;
        if (decision.Send) {
            const TUpdateRequest request =
                BuildUpdateURL(path, c.GroupName, address, offlineAddress_, offlineRun_, address6);
            c.Update =
                services_.Updater->Start(c.GroupName, offlineRun_ ? offlineAddress_ : address, request);
            if (!c.Update)
                c.Done = true;
        } else {
            c.Done = true;
        }
    }
}

void TEngine::AnimationTick() {
    static constexpr int frames[4] = {TrayAnim3, TrayAnim2, TrayAnim1, TrayNormal};
    ShowTrayState(frames[animFrame_]);
    animFrame_ = (animFrame_ + 1) % 4;
    const bool allDone = std::all_of(controllers_.begin(), controllers_.end(), [](const TController& c) {
        return c.Done || (c.Update && c.Update->Done());
    });
    if (!allDone)
        return;
    TimerUpdateAnim.SetEnabled(false);
    FinishUpdateRun();
}

void TEngine::FinishUpdateRun() {
    UpdateResultClass worst = 0;
    for (const TController& c : controllers_)
        worst = std::max(worst, c.Update ? c.Update->Result() : c.Result);
    const TDateTime now = Now();
    // A run with IPv6 addresses alone leaves what was sent for IPv4.
    const bool ipv4Sent = !ipv6OnlyRun_;
    ipv6OnlyRun_ = false;
    if (ipv4Sent)
        updatedAddress_ = offlineRun_ ? offlineAddress_ : currentAddress_;

    AddLog(LogProcess, Msg(MsgUpdateFinished));
    // The groups stored the IPv6 address they sent.
    LoadIPv6Groups();
    const std::string status = FormatMsg(MsgUpdateResult, {ResultClassText(worst)});
    int trayState = TrayNormal;
    int logKind = LogNormal;
    if (worst == ClassWarning) {
        trayState = TrayWarning;
        logKind = LogWarning;
    } else if (worst >= ClassRetry) {
        trayState = TrayError;
        logKind = LogError;
    }
    if (worst >= ClassWarning)
        presenter_.HideBalloon();
    SetStatus(status, trayState, logKind);

    if (worst <= ClassWarning) {
        if (ipv4Sent) {
            WriteString(Keys::UpdateIP, updatedAddress_);
            if (shownUpdatedAddress_ != updatedAddress_) {
                shownUpdatedAddress_ = updatedAddress_;
                updatedAddressChanged_ = true;
            }
            Broadcast(UpdatedIpMessage, updatedAddress_);
        }
        presenter_.ShowUpdatedAddress(UpdatedAddressText());
        lastUpdateTime_ = now.AddSecs(-2);
        nextForceUpdate_ = lastUpdateTime_.AddDays(forceUpdateDays_);
        WriteStamp(Keys::UpdateLastUpdate, lastUpdateTime_);
        WriteStamp(Keys::UpdateForceUpdate, nextForceUpdate_);
        if (autoCheck_)
            nextCheckTime_ = now.AddMinutes(checkInterval_);
        if (worst == ClassWarning && presenter_.TrayAvailable())
            presenter_.ShowBalloon(AppTitle, status, TNoticeKind::Warning, 30);
    } else {
        if (!ReadBool(Keys::NoBeep)) {
            if (presenter_.TrayAvailable())
                presenter_.ShowBalloon(AppTitle, status, TNoticeKind::Error, 30);
            presenter_.Beep(TNoticeKind::Error);
        }
        if (autoCheck_)
            nextCheckTime_ = now.AddMinutes(checkInterval_);
        if (worst != ClassBlocked) {
            nextCheckTime_ = now.AddMinutes(retryMinutes_);
            AddLog(LogNormal, FormatMsg(MsgRetryWithin, {std::to_string(retryMinutes_)}));
        }
    }
    presenter_.ShowInfo(InfoValues());

    lastRunClass_ = worst;
    controllers_.clear();
    runActive_ = false;

    AddLog(LogNormal, FormatText("%s %s", {Msg(MsgNextForceUpdate), NextForceText()}));
    AddLog(LogNormal, FormatMsg(MsgReady, {AppTitle}));
    DeleteOldLog(ConfigPath(), CurrentLogFileName());

    if (!exitPending_) {
        UpdateReport().Append(ReportEndText(Now()));
        if (ReadBool(Keys::SendMail) && UpdateReport().ReportHasResults())
            SendReport();
    }
    if (offlineRun_)
        AfterOfflineActions();
    offlineRun_ = false;
    presenter_.EnableCommands(true, true);
    if (exitPending_) {
        // The run has finished all the same: whoever waits for its outcome still learns it.
        if (OnRunFinished)
            OnRunFinished();
        Stop(true);
        return;
    }
    // A forced refresh that could not bring the earliest date forward (a failing provider, a
    // blocked group) is tried again after the next address check, not at the next tick: the run
    // would repeat every second and the refresh, checked before the address, would keep the
    // address from ever being checked again.
    const TDateTime pacedForce = nextForceUpdate_;
    ComputeLastUpdate();
    if (!(nextForceUpdate_ > now))
        nextForceUpdate_ = std::max(pacedForce, nextCheckTime_.AddSecs(1));
    if (!stopped_)
        EnableHeartbeat(true);
    cycleState_ = CycleIdle;
    // The run's workers have ended; the memory they used goes back to the system.
    Trim();
    if (OnRunFinished)
        OnRunFinished();
}

void TEngine::SendReport() {
    // One mail at a time. A report that comes while another mail is under way waits for it and
    // counts as not mailed meanwhile, so that even a stop in between leaves it to be sent again.
    if (mailsPending_ > 0) {
        mailQueued_ = true;
        WriteBool(Keys::MailSent, false);
        return;
    }
    ++mailsPending_;
    std::weak_ptr<bool> alive = alive_;
    services_.Mailer->Send(currentAddress_, updatedAddress_, [this, alive] {
        if (alive.expired())
            return;
        --mailsPending_;
        if (!mailQueued_)
            return;
        mailQueued_ = false;
        // The outcome of the mail that ended is stored; this report is not mailed yet.
        WriteBool(Keys::MailSent, false);
        if (!stopped_)
            SendReport();
    });
}

std::string TEngine::NextForceText() const {
    return FormatDateTime(ReadString(Keys::DateTimeFormat), nextForceUpdate_);
}

} // namespace hostaq
