#pragma once

#include "engine/Engine.h"
#include "engine/EngineSeams.h"
#include "engine/EventLoop.h"
#include "engine/Presenter.h"
#include "platform/AddressSignals.h"
#include "platform/DialerLogic.h"
#include "platform/GatedPresenter.h"
#include "platform/NetworkWatcher.h"
#include "platform/ServiceMode.h"
#include "platform/SessionEnd.h"
#include "platform/SoftwareUpdate.h"

#include <memory>

namespace hostaq {

// What the platform layer adds to a running program: the engine's platform seams (address
// signals, session end, dial-up, version check, network monitor) and, for the service, the
// delayed start. Use:
//   TPlatform platform(loop, presenter, isService);
//   TEngineServices services; platform.AddServices(services);
//   TEngine engine(loop, platform.Presenter(), services);
//   platform.Attach(engine);
//   isService ? platform.StartService() : engine.StartUpSequence();
class TPlatform {
public:
    TPlatform(TEventLoop& loop, TPresenter& presenter, bool isService);
    ~TPlatform();
    TPlatform(const TPlatform&) = delete;
    TPlatform& operator=(const TPlatform&) = delete;

    // The presenter the engine talks to: the status gate in front of the given one.
    TPresenter& Presenter() { return gate_; }
    void AddServices(TEngineServices& services);
    void Attach(TEngine& engine);
    // The service's start: the start-up sequence after DelayStartServiceInt seconds.
    void StartService();

    TDialerLogic& Dialer() { return dialer_; }
    TSoftwareUpdate& SoftwareUpdate() { return softwareUpdate_; }
    TGatedPresenter& Gate() { return gate_; }

private:
    bool isService_;
    TGatedPresenter gate_;
    TAddressSignals signals_;
    TLogindSessionEnd sessionEnd_;
    TDialerLogic dialer_;
    TSoftwareUpdate softwareUpdate_;
    TNetworkWatcher network_;
    std::unique_ptr<TServiceStart> serviceStart_;
};

} // namespace hostaq
