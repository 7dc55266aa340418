#pragma once

#include "engine/EngineSeams.h"
#include "engine/EventLoop.h"
#include "platform/NetlinkWatch.h"
#include "platform/ResumeWatch.h"

#include <string>

namespace hostaq {

// The engine's network monitor: the kernel's rtnetlink news and logind's resume, both served
// by the program's event loop (no thread of its own). Each change goes to the engine as it is
// read; the engine gathers them.
class TNetworkWatcher : public TNetworkMonitor {
public:
    // logindBus empty: the system bus, where logind is.
    explicit TNetworkWatcher(TEventLoop& loop, std::string logindBus = {});
    ~TNetworkWatcher() override;
    TNetworkWatcher(const TNetworkWatcher&) = delete;
    TNetworkWatcher& operator=(const TNetworkWatcher&) = delete;

    void Start(TChanged onChange) override;
    void Stop() override;
    bool Listening() const { return netlinkFd_ >= 0; }
    bool WatchingResume() const { return busFd_ >= 0; }
    bool ResumeReady() const { return resume_.Ready(); }

private:
    void ReadNetlink();
    void ReadBus();

    TEventLoop& loop_;
    std::string logindBus_;
    TChanged onChange_;
    TNetlinkWatch netlink_;
    TResumeWatch resume_;
    int netlinkFd_ = -1;
    int busFd_ = -1;
};

} // namespace hostaq
