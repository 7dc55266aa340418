#pragma once

#include "engine/EventLoop.h"
#include "engine/Presenter.h"

#include <cstdio>
#include <memory>
#include <string>

namespace hostaq {

// The presenter of the program without a window: every change of status is written to the
// output as a line starting with "-- ", every question gets its safe answer (No), and the
// offline countdown simply runs out: the scheduled update goes ahead 60 seconds later, as it
// would with nobody at the screen. Terminate ends the loop.
class THeadlessPresenter : public TPresenter {
public:
    THeadlessPresenter(TEventLoop& loop, std::FILE* out);
    ~THeadlessPresenter() override;

    void SetTrayState(int state) override;
    void SetTrayHint(const std::string& hint) override;
    void ShowBalloon(const std::string& title, const std::string& text, TNoticeKind kind,
                     int seconds) override;
    void Notify(TNoticeKind kind, const std::string& text) override;
    bool Confirm(const std::string& text) override;
    void StartOfflineCountdown(std::function<void(bool goAhead)> answer) override;
    // The notice of a newer version becomes a log entry with the download page; nothing stays
    // open.
    void ShowUpdateNotice(const std::string& text, std::function<void()> onClosed) override;
    void Terminate() override;

    // The exit status Terminate hands to the loop.
    void SetExitCode(int code) { exitCode_ = code; }

    // Seconds the countdown runs.
    static constexpr int CountdownSeconds = 60;

private:
    void Line(const std::string& text);

    TEventLoop& loop_;
    std::FILE* out_;
    int trayState_ = -1;
    std::string hint_;
    int exitCode_ = 0;
    std::unique_ptr<TTimer> countdown_;
};

// "[002] - 14:03:22 - 12/31/2007 - text": a log entry as the log file holds it.
std::string LogEntryLine(int kind, const std::string& text);

} // namespace hostaq
