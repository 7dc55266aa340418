#include "platform/ServiceMode.h"

#include "config/ConfigKeys.h"
#include "config/Messages.h"
#include "config/Version.h"
#include "log/Log.h"
#include "platform/PlatformMessages.h"

#include <algorithm>

namespace hostaq {

TServiceStart::TServiceStart(TEngine& engine, TGatedPresenter& gate) : engine_(engine), gate_(gate) {
    engine_.TimerStartService.OnTimer = [this] { StartServiceTimer(); };
}

void TServiceStart::Begin() {
    engine_.SetIsService(true);
    const int delay = ServiceStartDelay();
    if (delay == 0) {
        StartServiceTimer();
        return;
    }
    gate_.SetGateOpen(false);
    engine_.TimerStartService.SetInterval(delay * 1000);
    engine_.TimerStartService.SetEnabled(true);
}

void TServiceStart::StartServiceTimer() {
    engine_.TimerStartService.SetEnabled(false);
    if (started_)
        return;
    started_ = true;
    // The gate opens before the start-up sequence, whose first status shows the program ready.
    gate_.SetGateOpen(true);
    engine_.StartUpSequence();
}

int ServiceStartDelay() {
    return std::clamp(ReadInteger(Keys::DelayStartServiceInt), 0, 600);
}

int RunServiceSwitch(bool install, const TServiceControl& control, const std::string& programPath,
                     const std::string& configPath, std::FILE* out, std::FILE* err) {
    const TServiceResult result = install ? control.Install(programPath, configPath) : control.Uninstall();
    std::fprintf(result.Ok ? out : err, "%s\n", result.Message.c_str());
    return result.Ok ? 0 : 1;
}

bool ServiceTreeIsSafe(const std::string& programPath, const std::string& configPath, std::FILE* err) {
    const std::string why = ServiceTreeProblem(programPath, configPath);
    if (why.empty())
        return true;
    const std::string text = FormatMsg(MsgServiceTreeUnsafe, {configPath, why});
    AddLog(LogError, text);
    std::fprintf(err, "hostaq: %s\n", text.c_str());
    return false;
}

bool WarnIfServiceRunning(TPresenter& presenter, const TServiceControl& control) {
    if (!control.IsRunning())
        return false;
    presenter.Notify(TNoticeKind::Warning, FormatMsg(MsgRunningAsService, {AppTitle, "\n"}));
    return true;
}

bool ApplySingleInstanceRule(TSingleInstance& instance) {
    if (ReadBool(Keys::AllowMultiRun))
        return true;
    return instance.Acquire();
}

void ListenForShowRequests(TSingleInstance& instance, TEventLoop& loop, TEngine& engine,
                           TPresenter& presenter) {
    instance.Listen([&loop](std::function<void()> fn) { loop.Post(std::move(fn)); },
                    [&engine, &presenter] {
                        if (engine.ExitPending())
                            return;
                        if (presenter.MainWindowIsTop())
                            presenter.ShowMainWindow();
                        else
                            presenter.BringTopToFront();
                    });
}

} // namespace hostaq
