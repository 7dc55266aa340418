#pragma once

#include "engine/Engine.h"
#include "engine/EventLoop.h"
#include "engine/Presenter.h"
#include "platform/GatedPresenter.h"
#include "platform/ServiceControl.h"
#include "platform/SingleInstance.h"

#include <cstdio>
#include <string>

namespace hostaq {

// The service's start through the engine's TimerStartService: the process is marked as the
// service and the status gate stays closed until the start-up sequence has run,
// DelayStartServiceInt seconds later (clamped to 0..600; 0 starts at once). The log's first entry
// "%s started (as service)..." comes from the log settings (ApplyLogSettings).
class TServiceStart {
public:
    // The engine's TimerStartService calls this object: the engine is destroyed first.
    TServiceStart(TEngine& engine, TGatedPresenter& gate);
    TServiceStart(const TServiceStart&) = delete;
    TServiceStart& operator=(const TServiceStart&) = delete;

    void Begin();
    // The TimerStartService event.
    void StartServiceTimer();
    bool Started() const { return started_; }

private:
    TEngine& engine_;
    TGatedPresenter& gate_;
    bool started_ = false;
};

// The seconds the service's start-up sequence waits (DelayStartServiceInt clamped to 0..600).
int ServiceStartDelay();

// "install" and "uninstall" on the command line: performs the change and prints its message on the
// terminal (standard output on success, standard error on failure). Returns the exit status.
int RunServiceSwitch(bool install, const TServiceControl& control, const std::string& programPath,
                     const std::string& configPath, std::FILE* out = stdout, std::FILE* err = stderr);

// The service's own start: the tree it trusts (ServiceTreeProblem) is checked again, since it
// may have changed since the install. Returns false, with the reason logged and on err, when the
// service must not run.
bool ServiceTreeIsSafe(const std::string& programPath, const std::string& configPath,
                       std::FILE* err = stderr);

// A regular instance that finds the service running warns that two instances are not
// recommended. Returns true when it warned.
bool WarnIfServiceRunning(TPresenter& presenter, const TServiceControl& control);

// The single-instance rule of a regular instance: true when this process may run (it is the
// first, or Options/AllowMultiRun is set); false when another instance runs, which has been asked
// to show itself, and this one must end at once.
bool ApplySingleInstanceRule(TSingleInstance& instance);
// The first instance's answer to a show request: the main window (or the open dialog) comes to
// the front, unless the program is stopping.
void ListenForShowRequests(TSingleInstance& instance, TEventLoop& loop, TEngine& engine,
                           TPresenter& presenter);

} // namespace hostaq
