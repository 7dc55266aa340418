#pragma once

#include "config/Clock.h"
#include "config/ConfigPath.h"
#include "config/ErrorReporter.h"
#include "config/IniFile.h"
#include "config/Messages.h"
#include "config/Stamp.h"
#include "engine/Engine.h"
#include "engine/ManualEventLoop.h"
#include "groups/DynAcc.h"
#include "groups/HostaqUpdate.h"
#include "groups/UpdateAnswer.h"
#include "ipdetect/HostNetwork.h"
#include "log/Log.h"
#include "log/LogFileName.h"
#include "net/TextLines.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace hostaq::test {

// A presenter that records what the engine shows and answers questions from a script.
class TRecordingPresenter : public TPresenter {
public:
    void SetTrayState(int state) override { TrayStates.push_back(state); }
    void SetTrayHint(const std::string& hint) override { Hint = hint; }
    void ShowStatus(const std::string& text) override { Statuses.push_back(text); }
    void ShowBalloon(const std::string&, const std::string& text, TNoticeKind kind, int) override {
        Balloons.push_back({kind, text});
    }
    void ShowInfo(const TInfoValues& values) override { Info = values; }
    void ShowCurrentAddress(const std::string& a) override { CurrentField = a; }
    void ShowUpdatedAddress(const std::string& a) override { UpdatedField = a; }
    void Beep(TNoticeKind) override { ++Beeps; }
    void Notify(TNoticeKind kind, const std::string& text) override { Notices.push_back({kind, text}); }
    bool Confirm(const std::string& text) override {
        Questions.push_back(text);
        if (Answers.empty())
            return false;
        const bool a = Answers.front();
        Answers.pop_front();
        return a;
    }
    void StartOfflineCountdown(std::function<void(bool)> answer) override {
        ++Countdowns;
        PendingCountdown = std::move(answer);
    }
    bool MainWindowIsTop() override { return !DialogOpen; }
    void BringTopToFront() override { ++BroughtToFront; }
    void Terminate() override { ++Terminated; }

    int LastTrayState() const { return TrayStates.empty() ? -1 : TrayStates.back(); }

    std::vector<int> TrayStates;
    std::string Hint;
    std::vector<std::string> Statuses;
    std::vector<std::pair<TNoticeKind, std::string>> Balloons;
    std::vector<std::pair<TNoticeKind, std::string>> Notices;
    TInfoValues Info;
    std::string CurrentField;
    std::string UpdatedField;
    int Beeps = 0;
    std::vector<std::string> Questions;
    std::deque<bool> Answers;
    int Countdowns = 0;
    std::function<void(bool)> PendingCountdown;
    bool DialogOpen = false;
    int BroughtToFront = 0;
    int Terminated = 0;
};

// A web check whose page shows the address the test sets; the answer arrives through the loop,
// as a worker's would.
class TScriptedWebCheck : public TWebChecker {
public:
    explicit TScriptedWebCheck(TEventLoop& loop) : loop_(loop) {}
    void Start(const TCheckSettings& settings, TDone onDone, std::function<void()> onEnd) override {
        ++Checks;
        (settings.IPv6 ? LastSettings6 : LastSettings) = settings;
        const std::string address = settings.IPv6 ? Address6 : Address;
        const std::string failure = settings.IPv6 ? Failure6 : Failure;
        loop_.Post([address, failure, onDone, onEnd] {
            onDone(address, failure);
            onEnd();
        });
    }
    // An empty address is a failed check, for the reason in Failure.
    std::string Address = "203.0.113.7";
    std::string Failure;
    // The answer of the IPv6 check page.
    std::string Address6;
    std::string Failure6 = "the page shows no IP address";
    int Checks = 0;
    TCheckSettings LastSettings;
    TCheckSettings LastSettings6; // of the IPv6 check page

private:
    TEventLoop& loop_;
};

// The group controllers of the protocol layer, answered from a script instead of the network:
// the answer lines go through the real interpretation and result handlers, so the group keys,
// the log and the report come out as in a real run.
class TScriptedUpdater : public TGroupUpdater {
public:
    struct TUpdate : TGroupUpdate {
        bool Done() const override { return Controller.Done; }
        UpdateResultClass Result() const override { return Controller.Result; }
        THostaqUpdate Controller;
    };

    std::shared_ptr<TGroupUpdate> Start(const std::string& group, const std::string& address,
                                        const TUpdateRequest& request) override {
        auto update = std::make_shared<TUpdate>();
        Started.push_back(group);
        Addresses[group] = address;
        URLs[group] = request.URL;
        if (request.URL.empty()) {
            update->Controller.StartUpdate(address, group, request);
            return update;
        }
        update->Controller.GroupName = group;
        update->Controller.IP = address;
        update->Controller.IP6 = request.IP6;
        auto answer = [this, update, group, address, request] {
            THostaqUpdate& c = update->Controller;
            if (Errors.count(group)) {
                c.OnUpdateError(group, "hostaq.example", Errors[group], "Connection refused");
                c.OnUpdateDone(group, ClassWinsock);
                return;
            }
            std::vector<std::string> lines;
            if (Bodies.count(group)) {
                lines = SplitTextLines(Bodies[group]);
            } else {
                lines.assign(SplitTextLines(request.HostText).size(), "good " + address);
            }
            const TAnswer a = InterpretAnswer(lines, SplitTextLines(request.HostText), group, TAnswerRules{});
            for (const THostResult& r : a.Results)
                c.OnHostResult(group, "hostaq.example", r);
            c.OnUpdateDone(group, a.WorstClass);
        };
        if (Hold)
            Held.push_back(answer);
        else
            answer();
        return update;
    }
    void ReleaseHeld() {
        auto held = std::move(Held);
        Held.clear();
        for (auto& fn : held)
            fn();
    }

    std::map<std::string, std::string> Bodies; // group -> answer body
    std::map<std::string, int> Errors;         // group -> socket error
    bool Hold = false;
    std::vector<std::function<void()>> Held;
    std::vector<std::string> Started;
    std::map<std::string, std::string> Addresses;
    std::map<std::string, std::string> URLs;
};

class TCountingMailer : public TReportMailer {
public:
    void Send(const std::string& current, const std::string& updated,
              std::function<void()> onFinished) override {
        Sent.push_back(current + ">" + updated);
        if (onFinished)
            onFinished();
    }
    std::vector<std::string> Sent;
};

class TRecordingLauncher : public TProgramLauncher {
public:
    explicit TRecordingLauncher(const TManualClock& clock) : clock_(clock) {}
    void Launch(const std::string& program, const std::vector<std::string>& arguments) override {
        Launched.push_back({program, arguments, clock_.Now()});
    }
    struct TLaunch {
        std::string Program;
        std::vector<std::string> Arguments;
        TDateTime At;
    };
    std::vector<TLaunch> Launched;

private:
    const TManualClock& clock_;
};

class TRecordingBroadcaster : public TAddressBroadcaster {
public:
    void Broadcast(const std::string& name, const std::string& address, long long w, long long l) override {
        Sent.push_back({name, address, w, l});
    }
    struct TSignal {
        std::string Name;
        std::string Address;
        long long WParam;
        long long LParam;
    };
    std::vector<TSignal> Sent;
};

class TRecordingSessionEnd : public TSessionEnd {
public:
    bool CanSuspend() override { return Suspend; }
    bool CanHibernate() override { return Hibernate; }
    bool Execute(TExitWinType type, bool unconditional, std::string&) override {
        Requests.push_back({type, unconditional});
        return true;
    }
    bool Suspend = true;
    bool Hibernate = false;
    std::vector<std::pair<TExitWinType, bool>> Requests;
};

// One engine on a configuration file of its own, with a manual clock and loop, a machine whose
// only address is 192.168.1.5, and recording seams.
class TEngineFixture : public ::testing::Test {
protected:
    TEngineFixture()
        : Clock(TDateTime::FromParts(2008, 3, 10, 12, 0, 0)), ClockGuard(&Clock), Loop(Clock), WebCheck(Loop),
          Launcher(Clock), Network({{"192.168.1.5", "255.255.255.0", true, false}}, {"192.168.1.1"}),
          NetworkGuard(&Network) {
        SetConfigPath(Path);
        ResetLogger();
        ResetMessages();
        ResetReportedWarnings();
        oldWarning_ = SetWarningReporter([this](const std::string& t) { Warnings.push_back(t); });
        SetCurrentLogFileName(LogFileNameFor(Path));
        sink_ = AddLogSink([this](int kind, const std::string& text) { Log.push_back({kind, text}); });
        InstallMainThreadLoop(&Loop);
        Services.WebChecker = &WebCheck;
        Services.Updater = &Updater;
        Services.Mailer = &Mailer;
        Services.Launcher = &Launcher;
        Services.Broadcaster = &Broadcaster;
        Services.SessionEnd = &SessionEnd;
        Services.Resolve = [this](const std::string& host) {
            return Resolved.count(host) ? Resolved[host] : "";
        };
        Services.TrimWorkingSet = [this] { ++Trims; };
    }
    ~TEngineFixture() override {
        Engine.reset();
        InstallMainThreadLoop(nullptr);
        RemoveLogSink(sink_);
        SetWarningReporter(oldWarning_);
        SetConfigPath("");
    }

    // A group of the built-in provider, plain HTTP.
    void AddGroup(const std::string& name, std::initializer_list<const char*> hosts, bool enable = true) {
        TDynAcc g;
        InitGroup(g);
        g.UserID = "joe";
        g.Password = "secret";
        g.Enable = enable;
        g.Secure = false;
        for (const char* h : hosts)
            g.Hosts[static_cast<std::size_t>(g.NumOfHosts++)] = h;
        ASSERT_TRUE(SaveGroup(Path, name, g));
    }
    void Set(const std::string& section, const std::string& key, const std::string& value) {
        ASSERT_TRUE(IniWriteString(Path, section, key, value));
    }
    std::string Get(const std::string& section, const std::string& key, const std::string& def = "<none>") {
        return IniReadString(Path, section, key, def);
    }
    // A group that holds the address already and was updated a day ago.
    void MarkUpToDate(const std::string& name, const std::string& address) {
        Set(name, "NewConfig", "0");
        Set(name, "IP", address);
        Set(name, "LastUpdate", EncodeStamp(Clock.Now().AddDays(-1)));
    }

    void Start() {
        Engine = std::make_unique<TEngine>(Loop, Presenter, Services);
        Engine->StartUpSequence();
        Loop.RunPending();
    }
    // Moves the clock to just past the next check, lets the check happen and the next heartbeat
    // process it, and lets a run it starts finish (unless the updater holds its answers).
    // Returns the moment the check was processed.
    TDateTime RunCheck() {
        const std::int64_t wait = Clock.Now().MsecsTo(Engine->NextCheckTime());
        Loop.AdvanceMsecs(std::max<std::int64_t>(wait, 0) + 1000);
        Loop.AdvanceSecs(1);
        const TDateTime processed = Clock.Now();
        FinishRun();
        return processed;
    }
    // Lets a run in progress reach its end (the 250 ms wait).
    void FinishRun() {
        for (int i = 0; i < 100 && Engine->RunInProgress() && Updater.Held.empty(); ++i)
            Loop.AdvanceMsecs(250);
    }

    bool Logged(const std::string& text) const {
        return std::any_of(Log.begin(), Log.end(), [&](const auto& e) { return e.second == text; });
    }
    int LoggedKind(const std::string& text) const {
        for (const auto& e : Log)
            if (e.second == text)
                return e.first;
        return -1;
    }
    std::vector<std::string> LogTexts() const {
        std::vector<std::string> out;
        for (const auto& e : Log)
            out.push_back(e.second);
        return out;
    }

    TTempDir Dir;
    std::string Path = Dir.File("hostaq.ini");
    TManualClock Clock;
    TClockGuard ClockGuard;
    TManualEventLoop Loop;
    TRecordingPresenter Presenter;
    TScriptedWebCheck WebCheck;
    TScriptedUpdater Updater;
    TCountingMailer Mailer;
    TRecordingLauncher Launcher;
    TRecordingBroadcaster Broadcaster;
    TRecordingSessionEnd SessionEnd;
    TFixedHostNetwork Network;
    THostNetworkGuard NetworkGuard;
    std::map<std::string, std::string> Resolved;
    int Trims = 0;
    TEngineServices Services;
    std::unique_ptr<TEngine> Engine;
    std::vector<std::pair<int, std::string>> Log;
    std::vector<std::string> Warnings;

private:
    int sink_ = 0;
    TErrorReporter oldWarning_;
};

} // namespace hostaq::test
