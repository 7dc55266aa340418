#include "engine/ManualEventLoop.h"

#include <algorithm>
#include <poll.h>

namespace hostaq {

int TManualEventLoop::Run() {
    ClearQuit();
    while (!QuitRequested()) {
        RunPending();
        if (QuitRequested())
            break;
        const std::int64_t next = NextDue();
        if (next < 0)
            break;
        AdvanceMsecs(next - NowMs());
    }
    return QuitCode();
}

void TManualEventLoop::RunPending() {
    for (int guard = 0; guard < 10000; ++guard) {
        const int ran = RunPosted() + ServeReadable(0);
        const std::int64_t next = NextDue();
        const bool timerDue = next >= 0 && next <= NowMs();
        if (timerDue)
            FireDueTimers(NowMs());
        if (ran == 0 && !timerDue)
            return;
    }
}

void TManualEventLoop::AdvanceMsecs(std::int64_t ms) {
    const std::int64_t target = NowMs() + ms;
    RunPending();
    for (;;) {
        const std::int64_t next = NextDue();
        if (next < 0 || next > target)
            break;
        if (next > NowMs())
            clock_.Set(TDateTime::FromMsecs(next));
        RunPending();
    }
    clock_.Set(TDateTime::FromMsecs(target));
    RunPending();
}

bool TManualEventLoop::PumpUntil(const std::function<bool()>& done, int timeoutMs) {
    return !WaitWhile([&] { return !done(); }, timeoutMs);
}

void TManualEventLoop::WatchReadable(int fd, std::function<void()> fn) {
    Unwatch(fd);
    watches_.emplace_back(fd, std::move(fn));
}

void TManualEventLoop::Unwatch(int fd) {
    std::erase_if(watches_, [fd](const auto& w) { return w.first == fd; });
}

int TManualEventLoop::ServeReadable(int timeoutMs) {
    if (watches_.empty())
        return 0;
    std::vector<pollfd> fds;
    for (const auto& w : watches_)
        fds.push_back({w.first, POLLIN, 0});
    if (::poll(fds.data(), fds.size(), timeoutMs) <= 0)
        return 0;
    int ran = 0;
    for (const pollfd& p : fds) {
        if (!(p.revents & (POLLIN | POLLHUP | POLLERR)))
            continue;
        // A handler may unwatch descriptors; look the watch up again.
        const auto w =
            std::find_if(watches_.begin(), watches_.end(), [&](const auto& x) { return x.first == p.fd; });
        if (w == watches_.end())
            continue;
        auto fn = w->second;
        fn();
        ++ran;
    }
    return ran;
}

} // namespace hostaq
