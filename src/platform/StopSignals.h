#pragma once

#include "engine/PollEventLoop.h"

#include <csignal>
#include <functional>

namespace hostaq {

// SIGTERM (systemd stopping the service) and SIGINT as stop requests: the signals are taken from
// the normal delivery and read on the loop's thread, where onStop runs with the number of stop
// requests so far (1 for the first). Create it on the main thread before any other thread starts,
// so that every thread leaves these signals to it.
class TStopSignals {
public:
    TStopSignals(TPollEventLoop& loop, std::function<void(int count)> onStop);
    ~TStopSignals();
    TStopSignals(const TStopSignals&) = delete;
    TStopSignals& operator=(const TStopSignals&) = delete;

    bool Active() const { return fd_ >= 0; }

private:
    void Read();

    TPollEventLoop& loop_;
    std::function<void(int)> onStop_;
    sigset_t oldMask_{};
    int fd_ = -1;
    int count_ = 0;
};

} // namespace hostaq
