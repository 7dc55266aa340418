#pragma once

#include "config/DateTime.h"
#include "engine/EngineSeams.h"
#include "engine/EngineState.h"
#include "engine/EventLoop.h"
#include "engine/Presenter.h"
#include "engine/ProgramList.h"
#include "groups/DynAcc.h"
#include "groups/UpdateDecision.h"

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace hostaq {

// The monitor: the one-second heartbeat that checks the public address and decides when to
// update, the update run over all groups, offline operation, program launching and the status
// texts. It is the non-window half of the main window object: whatever presents it (window or
// headless runner) owns one engine, gives it the main thread's loop and a presenter, and calls
// its commands. Every method runs on the main thread.
// Options/EventCheckGap: seconds between two checks started by network changes.
inline constexpr int EventCheckGapMin = 2;
inline constexpr int EventCheckGapMax = 3600;

class TEngine {
public:
    TEngine(TEventLoop& loop, TPresenter& presenter, const TEngineServices& services = {});
    ~TEngine();
    TEngine(const TEngine&) = delete;
    TEngine& operator=(const TEngine&) = delete;

    // ---- start-up and stop
    // The start-up routine: loads everything, writes the start-up summary, arms the first
    // check FirstCheckDelay seconds ahead and starts the heartbeat. (A window runs the setup
    // wizard first when there is no group.)
    void StartUpSequence();
    // The common stop path: stops at once when no run and no check is in progress ("%s
    // stopped..." and Terminate), otherwise when the run or check has finished.
    void RequestStop();
    // Stops now, whatever is in progress (a second stop request).
    void StopNow();
    // Reloads everything, as the settings dialog's OK does (SIGHUP, a group added from the
    // command line). Waits for a check or run in progress to end; before the start-up sequence
    // there is nothing to reload.
    void Reload();
    bool ReloadPending() const { return reloadPending_; }
    bool ExitPending() const { return exitPending_; }
    void SetIsService(bool value) { isService_ = value; }
    // When false the heartbeat timer is never started (one-shot use of the engine).
    void SetHeartbeatAllowed(bool value);
    // One check of the monitor and then the end (--once): no heartbeat, no redial.
    bool OneShot() const { return !heartbeatAllowed_; }

    // ---- check cycle
    void Heartbeat();
    void CheckAddress();
    // Heartbeat step "a check has finished": refuses a non-public address, starts the new-address
    // work and starts an update run when one is due. With forceRun a forced run replaces the
    // due-decision (the one-shot --force). Without a public IPv4 address, groups that keep AAAA
    // records go with their IPv6 address alone; the others wait as before.
    void ProcessCheckResult(bool forceRun = false);
    void ScheduleNextCheck();
    // The dial-up line dropped: unless the address is set by hand, the current address is read
    // again from the local interfaces.
    void RereadLocalAddress();
    // A check that waits for a dial-up connection ends without one (the dial was cancelled), so
    // the heartbeat goes on.
    void EndPendingCheck();
    // A dial failed. True when the check that waited for it ends here without an address (a
    // one-shot run, or a stop request), so no redial is to be scheduled.
    bool DialFailed();
    // The current address may not be reported: none was found yet, it lies in the local list,
    // or it is nobody's public address.
    bool CurrentAddressRefused() const;
    // The last web check found no address (the current address is the one found before).
    bool LastCheckFailed() const { return checkFailed_; }
    // The groups that can go with their IPv6 address alone while no public IPv4 address is known:
    // enabled, they keep AAAA records, one is known, and no profile of theirs sends %IP%.
    TGroupAddresses6 IPv6OnlyGroups();
    // Every enabled group is among them: a machine without a public IPv4 address is served fully.
    bool IPv6ServesAllGroups();
    void ApplyFirstCheckDelay();
    void ApplyAutoCheck(bool checked);
    void RefreshAll();
    // The options (intervals, retry, automatic update), the offline settings and the program
    // lists, as at start-up and after the settings dialog.
    void LoadOptions();
    void LoadOfflineSettings();
    void LoadProgramLists();
    // Loads what the status texts and the dump show without checking, logging or writing
    // anything (one-shot commands); the current address is the last one checked.
    void LoadForReport();
    // The interval field of the window was left with this text; returns the text the field shows
    // afterwards (warning boxes through the presenter).
    std::string ChangeCheckInterval(const std::string& fieldText);
    // The force-update field was left; false (after the error box) when it holds no number.
    bool ChangeForceUpdateDays(const std::string& fieldText);
    // The window's OK button: the two fields are written as they stand.
    void SaveIntervalFields(const std::string& intervalText, const std::string& forceDaysText);
    // The settings dialog opens and closes (with OK: everything is reloaded).
    void BeginSettings();
    void EndSettings(bool ok);

    // ---- network changes
    // The network monitor's news: a check follows a second later (events are gathered), at
    // least EventCheckGap seconds after the last one, and after a check or run in progress.
    void NetworkChanged(const TNetworkEvent& event);
    // TimerEventCheck: the gathered events are due.
    void EventCheckDue();
    bool EventCheck() const { return eventCheck_; }
    int EventCheckGap() const { return eventCheckGap_; }
    bool EventCheckPending() const { return eventPending_; }

    // ---- update run
    // Force Update: asks when the address is unchanged or not public, then starts a forced run.
    void ForceUpdate();
    // A forced run without questions (after a processed check).
    void StartForcedRun();
    void StartUpdateRun();
    bool RunInProgress() const { return !controllers_.empty() || runActive_; }

    // ---- offline operation
    void OfflineNow();
    void RunScheduledOffline();
    std::string ResolveOfflineAddress();
    void ResetSchedule();
    // The "Schedule to offline on:" box and the pickers of the Offline page.
    void SetScheduleOffline(bool checked);
    void SetOffTime(const TDateTime& t);
    // Index of the selected "After offline:" item, -1 when none is selected.
    int AfterOfflineIndex() const { return afterOffline_; }
    void SetAfterOfflineIndex(int index);
    // How many "After offline:" items this machine offers: 5, 6 with Suspend, 7 with Hibernate.
    int AfterOfflineItems();
    // The other values of the Offline page: loaded with the settings, then held for the running
    // session only (the page edits them; they are never written back).
    const std::string& OfflineURL() const { return offlineURL_; }
    void SetOfflineURL(const std::string& value) { offlineURL_ = value; }
    const std::string& OfflineIP() const { return offlineIP_; }
    void SetOfflineIP(const std::string& value) { offlineIP_ = value; }
    bool OfflineForced() const { return offlineForced_; }
    void SetOfflineForced(bool value) { offlineForced_ = value; }
    bool OfflineDisconnect() const { return offlineDisconnect_; }
    void SetOfflineDisconnect(bool value) { offlineDisconnect_ = value; }

    // ---- program launching
    void LaunchPrograms(bool connected);
    void RunNextProgram(bool connected);
    // A program list is being worked through and has programs left to start.
    bool ProgramsPending() const;

    // ---- status texts
    void RebuildTrayHint();
    TInfoValues InfoValues() const;
    std::vector<std::string> StartUpSummary() const;
    std::vector<std::string> ConfigDumpLines() const;
    // Writes the dump; false when the file could not be written.
    bool DumpConfig(const std::string& fileName) const;

    // ---- state
    TCycleState CycleState() const { return cycleState_; }
    // A check is in progress until the IPv6 check page has been read too.
    TAddressState AddressState() const { return ipv6CheckPending_ ? AddressChecking : addressState_; }
    bool EngineBusy() const { return engineBusy_; }
    const std::string& CurrentAddress() const { return currentAddress_; }
    const std::string& UpdatedAddress() const { return updatedAddress_; }
    const std::string& OfflineAddress() const { return offlineAddress_; }
    bool UpdatedAddressChanged() const { return updatedAddressChanged_; }
    bool NewAddressSeen() const { return newAddressSeen_; }
    const std::vector<std::string>& GroupNames() const { return groupNames_; }
    const std::string& LocalList() const { return localList_; }
    bool UseManualIP() const { return useManualIP_; }
    TConnectionKind ConnectionKind() const { return connectionKind_; }
    int CheckInterval() const { return checkInterval_; }
    int RetryMinutes() const { return retryMinutes_; }
    int ForceUpdateDays() const { return forceUpdateDays_; }
    bool AutoCheck() const { return autoCheck_; }
    TDateTime NextCheckTime() const { return nextCheckTime_; }
    TDateTime LastUpdateTime() const { return lastUpdateTime_; }
    TDateTime NextForceUpdate() const { return nextForceUpdate_; }
    TDateTime OffTime() const { return offTime_; }
    bool ScheduleOffline() const { return scheduleOffline_; }
    bool ForcedRun() const { return forcedRun_; }
    bool OfflineRun() const { return offlineRun_; }
    UpdateResultClass LastRunClass() const { return lastRunClass_; }

    // ---- IPv6 (groups that keep AAAA records)
    // Some group keeps AAAA records: the IPv6 address is checked and shown.
    bool IPv6InUse() const { return !ipv6Groups_.empty(); }
    // The machine's public IPv6 address of the last check; empty when none was found.
    const std::string& CurrentAddress6() const { return currentAddress6_; }
    // The IPv6 address last sent (the first group that keeps AAAA records).
    const std::string& UpdatedAddress6() const { return updatedAddress6_; }
    // The address each such group sends (its suffix applied); groups without one are left out.
    TGroupAddresses6 GroupAddresses6() const;
    // "203.0.113.7, 2001:db8::10" while a group keeps AAAA records, else the IPv4 address.
    std::string CurrentAddressText() const;
    std::string UpdatedAddressText() const;
    // Mails handed to the mailer whose outcome has not arrived yet, and a report waiting for them.
    int MailsPending() const { return mailsPending_ + (mailQueued_ ? 1 : 0); }

    // Runs at the end of every update run (after the status is stored).
    std::function<void()> OnRunFinished;

    // The timers of the main window object.
    TTimer TimerUpdate;
    TTimer TimerUpdateAnim;
    TTimer TimerRunProgram;
    TTimer TimerDiscRunProgram;
    TTimer TimerStartService;
    TTimer TimerDialer;
    TTimer TimerEventCheck;

private:
    struct TController {
        std::string GroupName;
        std::shared_ptr<TGroupUpdate> Update; // null for a group the run does not send
        UpdateResultClass Result = 0;
        bool Done = false;
    };

    void Guarded(const std::function<void()>& fn);
    void EnableHeartbeat(bool on);
    void SaveAddress();
    void StartWebCheck();
    void WebCheckDone(const std::string& address, const std::string& failure);
    void RefuseNoPublicAddress();
    void RetryFailedCheck();
    bool ProcessIPv6OnlyCheck(bool forceRun);
    void SetStatus(const std::string& text, int trayState, int logKind);
    void ShowTrayState(int state);
    void ResetStoredResults();
    void SendReport();
    void Broadcast(const char* messageName, const std::string& address);
    void Trim();
    void LoadGroupsAndConnection();
    void AnimationTick();
    void FinishUpdateRun();
    void AfterOfflineActions();
    void ConfirmCountdown(std::function<void(bool)> answer);
    void RunListTimer(bool connected);
    void StartListTimer(bool connected);
    void RunServUUpdate();
    void ComputeLastUpdate();
    void Stop(bool logStopped);
    std::string NextForceText() const;
    std::string IntervalText() const;
    int ListCount(bool connected) const;
    void LoadIPv6Groups();
    void CheckIPv6Address();
    void IPv6CheckDone(const std::string& address, const std::string& note);
    std::string AddressText(const std::string& address, const std::string& address6) const;
    void LoadEventCheck();
    void StopNetworkMonitor();
    bool EventCheckWanted() const;
    void ProcessEventCheck();

    TEventLoop& loop_;
    TPresenter& presenter_;
    TEngineServices services_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);

    TCycleState cycleState_ = CycleStarting;
    TAddressState addressState_ = AddressNone;
    bool engineBusy_ = false;
    bool isService_ = false;
    bool heartbeatAllowed_ = true;
    bool startUpDone_ = false;
    bool exitPending_ = false;
    bool stopped_ = false;
    bool reloadPending_ = false;
    bool checkFailed_ = false;

    std::string currentAddress_;
    std::string updatedAddress_;
    std::string offlineAddress_;
    std::string shownUpdatedAddress_; // the updated-address field of the window
    bool updatedAddressChanged_ = false;
    bool newAddressSeen_ = false;

    // IPv6.
    std::vector<std::string> ipv6Groups_; // groups that keep AAAA records
    std::string currentAddress6_;
    std::string updatedAddress6_;
    bool ipv6CheckPending_ = false; // the IPv6 check page is being read
    bool ipv6MissingLogged_ = false;
    bool ipv6OnlyRun_ = false; // the run sends IPv6 addresses alone: no public IPv4 address is known
    std::set<std::string> ipv4LeftOutLogged_; // groups told so since the last public IPv4 address

    std::vector<std::string> groupNames_;
    TGroupCounts groupCounts_; // as of the last load: groups change only through their editors
    std::string localList_;
    bool useManualIP_ = false;
    TConnectionKind connectionKind_ = ConnectionLan;
    bool autoCheck_ = false;
    int checkInterval_ = 5;
    int retryMinutes_ = 1;
    int forceUpdateDays_ = 25;
    TDateTime nextCheckTime_;
    TDateTime lastUpdateTime_;
    TDateTime nextForceUpdate_;
    TDateTime offTime_;
    TDateTime nextVersionCheck_;

    // The update run.
    std::vector<TController> controllers_;
    bool runActive_ = false;
    bool forcedRun_ = false;
    bool offlineRun_ = false;
    UpdateResultClass lastRunClass_ = 0;
    int animFrame_ = 0;
    int mailsPending_ = 0;
    bool mailQueued_ = false; // a report waits for the mail under way

    // Checks on network changes.
    bool eventCheck_ = true;
    int eventCheckGap_ = 10;
    bool monitorStarted_ = false;
    bool eventPending_ = false;      // events wait for their check
    bool eventCheckRunning_ = false; // the check under way was started by events
    bool eventResume_ = false;
    std::vector<std::string> eventInterfaces_;
    TDateTime eventDue_;
    std::optional<TDateTime> lastEventCheck_;

    // The Offline page.
    std::string offlineURL_;
    std::string offlineIP_;
    int afterOfflineStored_ = 0; // AfterOffline clamped to 0..6
    int afterOffline_ = 0;       // the selected list item, -1 for none
    bool offlineForced_ = false;
    bool offlineDisconnect_ = false;
    bool scheduleOffline_ = false;

    // The program lists.
    std::vector<TProgramEntry> runList_;
    std::vector<TProgramEntry> discRunList_;
    std::size_t runPosition_ = 0;
    std::size_t discRunPosition_ = 0;
};

} // namespace hostaq
