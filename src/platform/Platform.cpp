#include "platform/Platform.h"

namespace hostaq {

TPlatform::TPlatform(TEventLoop& loop, TPresenter& presenter, bool isService)
    : isService_(isService), gate_(presenter), signals_({}, isService ? TBusKind::System : TBusKind::Session),
      dialer_(loop, gate_), softwareUpdate_(gate_), network_(loop) {}

TPlatform::~TPlatform() = default;

void TPlatform::AddServices(TEngineServices& services) {
    services.Broadcaster = &signals_;
    services.SessionEnd = &sessionEnd_;
    services.Dialer = &dialer_;
    services.VersionCheck = &softwareUpdate_;
    services.NetworkMonitor = &network_;
}

void TPlatform::Attach(TEngine& engine) {
    dialer_.Attach(engine);
    if (isService_)
        serviceStart_ = std::make_unique<TServiceStart>(engine, gate_);
}

void TPlatform::StartService() {
    if (serviceStart_)
        serviceStart_->Begin();
}

} // namespace hostaq
