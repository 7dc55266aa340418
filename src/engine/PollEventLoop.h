#pragma once

#include "engine/EventLoop.h"

#include <functional>
#include <vector>

namespace hostaq {

// The event loop of the headless program: poll(2) on a wake-up eventfd and the watched file
// descriptors, with a timeout up to the earliest timer. Time is CLOCK_MONOTONIC, so a change of
// the wall clock neither delays nor hurries a timer.
class TPollEventLoop : public TEventLoop {
public:
    TPollEventLoop();
    ~TPollEventLoop() override;

    std::int64_t NowMs() const override;
    int Run() override;
    // One round: runs whatever is due now; when nothing was, waits at most timeoutMs (-1: no
    // limit) for something to arrive and runs that. Returns after anything ran, so the caller
    // can look at its condition again.
    void RunOnce(int timeoutMs);

    void WatchReadable(int fd, std::function<void()> fn) override;
    void Unwatch(int fd) override;

protected:
    void Wake() override;

private:
    struct TWatch {
        int Fd;
        std::function<void()> Fn;
    };
    int wakeFd_ = -1;
    std::vector<TWatch> watches_;
};

} // namespace hostaq
