#pragma once

#include "config/Clock.h"
#include "engine/EventLoop.h"

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

private:
    TManualClock& clock_;
};

} // namespace hostaq
