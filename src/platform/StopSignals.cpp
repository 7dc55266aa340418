#include "platform/StopSignals.h"

#include <pthread.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace hostaq {

TStopSignals::TStopSignals(TPollEventLoop& loop, std::function<void(int count)> onStop)
    : loop_(loop), onStop_(std::move(onStop)) {
    sigset_t mask;
    sigemptyset(&mask);
    sigaddset(&mask, SIGTERM);
    sigaddset(&mask, SIGINT);
    if (::pthread_sigmask(SIG_BLOCK, &mask, &oldMask_) != 0)
        return;
    fd_ = ::signalfd(-1, &mask, SFD_NONBLOCK | SFD_CLOEXEC);
    if (fd_ < 0) {
        ::pthread_sigmask(SIG_SETMASK, &oldMask_, nullptr);
        return;
    }
    loop_.WatchReadable(fd_, [this] { Read(); });
}

TStopSignals::~TStopSignals() {
    if (fd_ < 0)
        return;
    loop_.Unwatch(fd_);
    // Signals that arrived meanwhile are taken here, not by their default action.
    signalfd_siginfo info;
    while (::read(fd_, &info, sizeof(info)) == static_cast<ssize_t>(sizeof(info))) {
    }
    ::close(fd_);
    ::pthread_sigmask(SIG_SETMASK, &oldMask_, nullptr);
}

void TStopSignals::Read() {
    signalfd_siginfo info;
    while (::read(fd_, &info, sizeof(info)) == static_cast<ssize_t>(sizeof(info))) {
        ++count_;
        if (onStop_)
            onStop_(count_);
    }
}

} // namespace hostaq
