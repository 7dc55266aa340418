#include "app/MonitorCommands.h"

#include "app/HeadlessPresenter.h"
#include "config/ConfigPath.h"
#include "config/ErrorReporter.h"
#include "config/Messages.h"
#include "engine/Engine.h"
#include "engine/PollEventLoop.h"
#include "ipdetect/AddressList.h"
#include "log/Log.h"
#include "log/LogSettings.h"
#include "net/WorkerThread.h"
#include "platform/Journal.h"
#include "platform/Platform.h"
#include "platform/ServiceControl.h"
#include "platform/ServiceMode.h"
#include "platform/ServiceReporter.h"
#include "platform/SingleInstance.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <ostream>
#include <sys/signalfd.h>
#include <unistd.h>

namespace hostaq {

namespace {
// Live workers get this long to end once the monitor stops.
constexpr int WorkerWaitMs = 15000;
// --once waits at most this long for the programs of a list it started (their delays).
constexpr std::int64_t ProgramWaitMs = 10 * 60 * 1000;

// The stop signals and SIGHUP, the reload request.
sigset_t MonitorSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGHUP);
    return set;
}

// One run of the monitor: the loop, the presenter, the engine, the stop signals and the log on
// standard output. Taken down in order: workers waited for, then the engine, then the loop.
class TMonitorSession {
public:
    // reload: SIGHUP reloads everything; otherwise it is ignored (one-shot use).
    explicit TMonitorSession(bool isService = false, bool reload = true)
        : presenter_(loop_, stdout), platform_(loop_, presenter_, isService), reload_(reload) {
        InstallMainThreadLoop(&loop_);
        // Entries reach the journal with their fields already; the same text on a standard
        // output that is the journal too would only show every entry twice.
        if (!(InstallJournalLogging(isService) && StdoutIsJournal()))
            sink_ = AddLogSink([](int kind, const std::string& text) {
                std::fprintf(stdout, "%s\n", LogEntryLine(kind, text).c_str());
                std::fflush(stdout);
            });
        const sigset_t set = MonitorSignals();
        signalFd_ = ::signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
        TEngineServices services;
        platform_.AddServices(services);
        engine_ = std::make_unique<TEngine>(loop_, platform_.Presenter(), services);
        platform_.Attach(*engine_);
        if (signalFd_ >= 0)
            loop_.WatchReadable(signalFd_, [this] { OnSignal(); });
    }
    ~TMonitorSession() {
        // A version check still reading its page ends now; the others finish what they do.
        platform_.SoftwareUpdate().Cancel();
        // A worker may still wait for the main thread: keep serving it while waiting.
        loop_.WaitWhile([] { return LiveWorkers() > 0; }, WorkerWaitMs);
        loop_.Close();
        engine_.reset();
        if (signalFd_ >= 0) {
            loop_.Unwatch(signalFd_);
            ::close(signalFd_);
        }
        reporter_.reset();
        if (sink_ != 0)
            RemoveLogSink(sink_);
        InstallMainThreadLoop(nullptr);
    }
    TMonitorSession(const TMonitorSession&) = delete;
    TMonitorSession& operator=(const TMonitorSession&) = delete;

    TPollEventLoop& Loop() { return loop_; }
    TEngine& Engine() { return *engine_; }
    THeadlessPresenter& Presenter() { return presenter_; }
    TPlatform& Platform() { return platform_; }
    bool StopRequested() const { return stopSignals_ > 0; }

    // The service manager, when one listens, is told of readiness (started() says when the
    // start-up sequence has run), reloads, the stop and the status; outside it nothing is set up.
    void ReportToServiceManager(std::function<bool()> started) {
        if (ServiceManagerListening())
            reporter_ = std::make_unique<TServiceReporter>(loop_, *engine_, std::move(started));
    }
    TServiceNotifier* Notifier() { return reporter_ ? &reporter_->Notifier() : nullptr; }

private:
    void OnSignal() {
        signalfd_siginfo info{};
        while (::read(signalFd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
            if (info.ssi_signo == SIGHUP) {
                if (reload_) {
                    if (reporter_)
                        reporter_->Notifier().Reloading();
                    engine_->Reload();
                    if (reporter_)
                        reporter_->Notifier().Refresh();
                }
                continue;
            }
            if (reporter_)
                reporter_->Notifier().Stopping();
            if (++stopSignals_ == 1)
                engine_->RequestStop();
            else
                engine_->StopNow();
        }
    }

    TPollEventLoop loop_;
    THeadlessPresenter presenter_;
    TPlatform platform_; // the engine's platform seams; it outlives the engine
    std::unique_ptr<TEngine> engine_;
    std::unique_ptr<TServiceReporter> reporter_;
    int sink_ = 0;
    int signalFd_ = -1;
    int stopSignals_ = 0;
    bool reload_ = true;
};

void NoteWhenNoGroup(const TEngine& engine) {
    if (engine.GroupNames().empty())
        std::fprintf(stderr, "hostaq: %s holds no host group; add one with --group-add\n",
                     ConfigPath().c_str());
}

// Runs the loop while cond holds, until the loop is told to quit.
template <typename Cond> void RunWhile(TPollEventLoop& loop, Cond cond) {
    while (cond() && !loop.QuitRequested())
        loop.RunOnce(-1);
}

// The programs a one-shot run started are started before it ends, each after its list's delay;
// the wait is bounded.
void WaitForPrograms(TEngine& engine, TPollEventLoop& loop) {
    const std::int64_t deadline = loop.NowMs() + ProgramWaitMs;
    while (engine.ProgramsPending() && !loop.QuitRequested()) {
        const std::int64_t left = deadline - loop.NowMs();
        if (left <= 0) {
            AddLog(LogWarning, "The programs left in the list are not started: the run ends");
            return;
        }
        loop.RunOnce(static_cast<int>(std::min<std::int64_t>(left, 1000)));
    }
}
} // namespace

void BlockStopSignals() {
    const sigset_t set = MonitorSignals();
    ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void UnblockStopSignals() {
    const sigset_t set = MonitorSignals();
    ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

bool PrepareProgram(const TCommandLine& cl) {
    InstallLogging();
    SetErrorReporter([](const std::string& text) {
        AddLog(LogError, text);
        std::fprintf(stderr, "hostaq: %s\n", text.c_str());
    });
    if (!LocateConfigFile(cl.ConfigArgs, ProgramPath()) && !ConfigLocateError().empty()) {
        std::fprintf(stderr, "hostaq: %s\n", ConfigLocateError().c_str());
        return false;
    }
    LoadMessages();
    return true;
}

int RunHeadless(const TCommandLine& cl) {
    if (!PrepareProgram(cl))
        return ExitFailure;
    // The process systemd started for the installed unit is the service. Of the tray
    // application one instance runs at a time: the next asks it to show itself and ends.
    const TServiceControl service;
    const bool isService = service.IsThisProcessTheService();
    // The service trusts its configuration and program: a tree that became unsafe since the
    // install is not run on.
    if (isService && !ServiceTreeIsSafe(ProgramPath(), ConfigPath()))
        return ExitFailure;
    TSingleInstance instance;
    if (!isService && cl.Command == TCommand::Gui && !ApplySingleInstanceRule(instance))
        return ExitSuccess;
    // Other programs on this configuration (--group-add) find the monitor here to ask it to
    // reload.
    TMonitorLock monitorLock(ConfigPath());
    int other = 0;
    if (!monitorLock.Acquire(&other) && other != 0)
        std::fprintf(stderr, "hostaq: another monitor (pid %d) runs on %s\n", other, ConfigPath().c_str());
    TMonitorSession session(isService);
    ApplyLogSettings(false, isService);
    TEngine& engine = session.Engine();
    bool startedHere = false;
    TPlatform& platform = session.Platform();
    session.ReportToServiceManager([&] { return isService ? platform.ServiceStarted() : startedHere; });
    if (isService) {
        if (session.Notifier() != nullptr)
            session.Notifier()->ExtendStart(ServiceStartDelay());
        platform.StartService();
    } else {
        ListenForShowRequests(instance, session.Loop(), engine, platform.Presenter());
        WarnIfServiceRunning(platform.Presenter(), service);
        engine.StartUpSequence();
        startedHere = true;
    }
    if (session.Notifier() != nullptr)
        session.Notifier()->Refresh();
    NoteWhenNoGroup(engine);
    const int status = session.Loop().Run();
    // The engine ended the program by itself (an offline action), or a stop signal did.
    if (session.Notifier() != nullptr)
        session.Notifier()->Stopping();
    instance.Stop(); // no show request may reach the session while it is taken down
    return status;
}

int RunOnce(const TCommandLine& cl) {
    if (!PrepareProgram(cl))
        return ExitFailure;
    TMonitorSession session(false, false);
    ApplyLogSettings(false);
    TEngine& engine = session.Engine();
    TPollEventLoop& loop = session.Loop();
    engine.SetHeartbeatAllowed(false);
    engine.StartUpSequence();
    NoteWhenNoGroup(engine);
    int status = ExitSuccess;
    if (!engine.GroupNames().empty()) {
        bool ran = false;
        engine.OnRunFinished = [&ran] { ran = true; };
        // A dial started by the start-up sequence is this run's check.
        if (engine.AddressState() != AddressChecking)
            engine.CheckAddress();
        RunWhile(loop, [&] { return engine.AddressState() == AddressChecking; });
        // A machine whose groups all go with their IPv6 address has what it needs.
        const bool noPublicAddress = engine.CurrentAddressRefused() && !engine.IPv6ServesAllGroups();
        if (!loop.QuitRequested())
            engine.ProcessCheckResult(cl.Force);
        RunWhile(loop, [&] { return engine.RunInProgress(); });
        // The report mail is part of the run: its outcome is logged before the program ends.
        RunWhile(loop, [&] { return engine.MailsPending() > 0; });
        WaitForPrograms(engine, loop);
        if (noPublicAddress || (ran && engine.LastRunClass() >= 3))
            status = ExitFailure;
    }
    session.Presenter().SetExitCode(status);
    if (!loop.QuitRequested())
        engine.RequestStop();
    // The stop path may wait for something still in progress (a second signal ends it).
    RunWhile(loop, [] { return true; });
    return status;
}

void TellMonitorToReload(const std::string& configPath, std::ostream& out, std::ostream& err) {
    const TReloadRequest request = RequestMonitorReload(configPath);
    if (request.Sent)
        out << "hostaq: the monitor running on " << configPath << " (pid " << request.Pid
            << ") reloads its settings\n";
    else if (request.Pid != 0)
        err << "hostaq: the monitor running on " << configPath << " (pid " << request.Pid
            << ") could not be asked to reload (" << request.Error << "); send it SIGHUP or restart it\n";
}

} // namespace hostaq
