#include "engine/PollEventLoop.h"

#include <cerrno>
#include <poll.h>
#include <stdexcept>
#include <sys/eventfd.h>
#include <time.h>
#include <unistd.h>

namespace hostaq {

TPollEventLoop::TPollEventLoop() {
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0)
        throw std::runtime_error("eventfd failed");
}

TPollEventLoop::~TPollEventLoop() {
    Close();
    if (wakeFd_ >= 0)
        ::close(wakeFd_);
}

std::int64_t TPollEventLoop::NowMs() const {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

void TPollEventLoop::Wake() {
    const std::uint64_t one = 1;
    // A full counter already means "wake up"; nothing else can go wrong that matters here.
    [[maybe_unused]] ssize_t n = ::write(wakeFd_, &one, sizeof one);
}

void TPollEventLoop::WatchReadable(int fd, std::function<void()> fn) {
    Unwatch(fd);
    watches_.push_back({fd, std::move(fn)});
}

void TPollEventLoop::Unwatch(int fd) {
    std::erase_if(watches_, [fd](const TWatch& w) { return w.Fd == fd; });
}

void TPollEventLoop::RunOnce(int timeoutMs) {
    const int ran = RunPosted() + FireDueTimers(NowMs());
    if (ran > 0 || QuitRequested() || HasPosted())
        return;
    const std::int64_t next = NextDue();
    if (next >= 0) {
        const std::int64_t wait = next - NowMs();
        if (wait < timeoutMs || timeoutMs < 0)
            timeoutMs = wait < 0 ? 0 : static_cast<int>(wait);
    }
    std::vector<pollfd> fds;
    fds.push_back({wakeFd_, POLLIN, 0});
    for (const TWatch& w : watches_)
        fds.push_back({w.Fd, POLLIN, 0});
    const int n = ::poll(fds.data(), fds.size(), timeoutMs);
    if (n <= 0) {
        FireDueTimers(NowMs());
        return;
    }
    if (fds[0].revents & POLLIN) {
        std::uint64_t value = 0;
        [[maybe_unused]] ssize_t r = ::read(wakeFd_, &value, sizeof value);
    }
    for (std::size_t i = 1; i < fds.size(); ++i) {
        if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
            continue;
        // A handler may unwatch descriptors; look the watch up again.
        for (const TWatch& w : watches_)
            if (w.Fd == fds[i].fd) {
                auto fn = w.Fn;
                fn();
                break;
            }
    }
    RunPosted();
}

int TPollEventLoop::Run() {
    BindToCurrentThread();
    ClearQuit();
    while (!QuitRequested())
        RunOnce(-1);
    return QuitCode();
}

} // namespace hostaq
