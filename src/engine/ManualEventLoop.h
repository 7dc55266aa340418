#pragma once

#include "config/Clock.h"
#include "engine/EventLoop.h"

#include <utility>
#include <vector>

namespace hostaq {

// An event loop that tests step: its time is the manual clock's, and it moves only when the
// test advances it. Advancing fires every timer that falls due on the way, in order, with the
// clock set to each firing's moment, and serves posted functions in between.
class TManualEventLoop : public TEventLoop {
public:
    explicit TManualEventLoop(TManualClock& clock) : clock_(clock) {}

    std::int64_t NowMs() const override { return clock_.Now().Msecs(); }
    // Serves posted functions and due timers until Quit. Tests rarely want this; see below.
    int Run() override;

    // Moves the clock by ms, firing timers and serving posted functions on the way.
    void AdvanceMsecs(std::int64_t ms);
    void AdvanceSecs(std::int64_t s) { AdvanceMsecs(s * 1000); }
    // Serves posted functions and timers due now, until nothing is left to do.
    void RunPending();
    // Serves posted functions (from workers) while pred holds, at most timeoutMs of real time.
    // Returns true when pred became false in time.
    bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 5000);

    // Watched descriptors are served by RunPending (and so by every advance) when readable;
    // ServeReadable waits for one at most timeoutMs of real time (a kernel's or a bus's news).
    void WatchReadable(int fd, std::function<void()> fn) override;
    void Unwatch(int fd) override;
    // Returns how many handlers ran.
    int ServeReadable(int timeoutMs = 0);

private:
    TManualClock& clock_;
    std::vector<std::pair<int, std::function<void()>>> watches_;
};

} // namespace hostaq
