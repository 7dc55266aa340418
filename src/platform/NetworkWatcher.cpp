#include "platform/NetworkWatcher.h"

#include "config/Messages.h"
#include "log/Log.h"
#include "platform/PlatformMessages.h"

namespace hostaq {

TNetworkWatcher::TNetworkWatcher(TEventLoop& loop, std::string logindBus)
    : loop_(loop), logindBus_(std::move(logindBus)) {}

TNetworkWatcher::~TNetworkWatcher() {
    Stop();
}

void TNetworkWatcher::Start(TChanged onChange) {
    Stop();
    onChange_ = std::move(onChange);
    std::string error;
    if (netlink_.Open(error)) {
        netlinkFd_ = netlink_.Fd();
        loop_.WatchReadable(netlinkFd_, [this] { ReadNetlink(); });
    } else {
        AddLog(LogWarning, FormatMsg(MsgNetworkNotWatched, {error}));
    }
    // Without logind (a container, a system without systemd) the resume goes unnoticed; the
    // address changes that come with it are still seen.
    if (resume_.Open(logindBus_, error)) {
        busFd_ = resume_.Fd();
        loop_.WatchReadable(busFd_, [this] { ReadBus(); });
    }
}

void TNetworkWatcher::Stop() {
    if (netlinkFd_ >= 0)
        loop_.Unwatch(netlinkFd_);
    if (busFd_ >= 0)
        loop_.Unwatch(busFd_);
    netlinkFd_ = busFd_ = -1;
    netlink_.Close();
    resume_.Close();
    onChange_ = nullptr;
}

void TNetworkWatcher::ReadNetlink() {
    // The handler may stop the watcher: it works on copies.
    const TChanged onChange = onChange_;
    for (const TNetworkEvent& event : netlink_.Read())
        if (onChange)
            onChange(event);
}

void TNetworkWatcher::ReadBus() {
    const TChanged onChange = onChange_;
    bool ok = true;
    const int resumes = resume_.Read(ok);
    if (!ok) {
        loop_.Unwatch(busFd_);
        busFd_ = -1;
    }
    for (int i = 0; i < resumes; ++i)
        if (onChange)
            onChange({TNetworkEvent::Resume, {}});
}

} // namespace hostaq
